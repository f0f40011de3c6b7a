#pragma once

#include <csignal>
#include <string>

namespace vy::emu {
class CEmuServer;
}

// Serves px40-emu's console until a terminating signal: commands from
// standard input (while it is open), SIGUSR1 turning the knob of
// `knobParam` one step up.
int RunConsole(vy::emu::CEmuServer& server, const sigset_t& signals, int knobParam);

// Loads the product's parameters and custom slots into the card from a UI
// resource archive or a folder of definition documents; "" for both tries
// the installed user data. Returns what was loaded, or "" when nothing was.
std::string LoadDefinitions(vy::emu::CEmuServer& server, const std::string& archive, const std::string& dataDir);
