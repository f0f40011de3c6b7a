#pragma once

#include <string>

namespace vy {

// The user data folder: $XDG_DATA_HOME (an absolute path; otherwise
// ~/.local/share) + "/novarel/PX40". Its "data" folder holds mood.db and
// device.cfg, "data/res" the settings file and the UI archive "layout".
std::string UserDataFolder();

}  // namespace vy
