#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vy {

// The value of one hex digit (either case), or -1.
int HexDigit(char c);

// Bytes written as hex digit pairs, blanks allowed between pairs
// ("616263", "61 62 63"). False on an odd digit or any other character.
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);
// Lower-case hex digit pairs, joined by `separator`.
std::string FormatHexBytes(const uint8_t* bytes, size_t count, const std::string& separator = "");

} // namespace vy
