#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The readable form of packet exchanges: one line per packet, '>' for what
// the card received and '<' for what it sent, the bytes in lower-case hex,
// then the command's name:
//   > 94 00 00 00 03 ... 5a  write parameter values
//   < 95 00 00 ff 00 ... 1c  write parameter values reply
namespace vy::emu {

// The name of a request, reply or report code; "" when unknown.
std::string CommandName(uint8_t code);
std::string FormatTraceLine(char direction, const uint8_t* packet, int length);
// Reads a line back (the name is ignored). False for anything else.
bool ParseTraceLine(const std::string& line, char& direction, std::vector<uint8_t>& packet);

} // namespace vy::emu
