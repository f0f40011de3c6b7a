#pragma once

#include <string>

namespace vy::emu {

class CEmuServer;

// The emulator's console: one command per line, as px40-emu reads them from
// its standard input. Returns the text to print (ends with a newline, or is
// empty). Commands:
//   knob N VALUE           a knob turned on the card: parameter N takes VALUE (0x9E)
//   report N...            a parameter report of the stored values
//   custom SLOT N=V...     custom slot SLOT changed on the card (0x9A)
//   levels RATE [L...]     level reports RATE times a second (0 stops)
//   refuse-above BYTES     sounds longer than BYTES are refused
//   version HW FW [TYPE]   device information bytes (23 reads V2.3)
//   params | slot SLOT | sounds | effect-file   show what the card holds
//   help
std::string RunConsoleCommand(CEmuServer& server, const std::string& line);

} // namespace vy::emu
