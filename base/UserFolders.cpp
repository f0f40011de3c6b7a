#include "base/UserFolders.h"

#include <cstdlib>

namespace vy {

std::string UserDataFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.local/share";
    }
    return base + "/novarel/PX40";
}

}  // namespace vy
