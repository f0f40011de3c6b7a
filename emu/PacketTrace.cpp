#include "emu/PacketTrace.h"
#include "base/HexText.h"

#include <cstdio>

namespace vy::emu {
namespace {

struct SNamedCode {
    uint8_t code;
    const char* name;
};

// Requests; a reply is named after its request.
constexpr SNamedCode kRequests[] = {
    { 0x0E, "link parameter exchange" },
    { 0x90, "connect / keep-alive / release" },
    { 0x92, "device information" },
    { 0x94, "write parameter values" },
    { 0x96, "write custom effect values" },
    { 0x98, "read custom effect" },
    { 0x9C, "read current parameter values" },
    { 0xB0, "sound transfer header" },
    { 0xB2, "sound transfer data" },
    { 0x02, "effect-file block header" },
    { 0x04, "effect-file data" },
    { 0x06, "effect-file data" },
    { 0x16, "effect-file data" },
};

// Reports the card sends on its own.
constexpr SNamedCode kReports[] = {
    { 0x1F, "level meters" },
    { 0x9A, "custom effects changed" },
    { 0x9E, "parameters changed on the device" },
};

} // namespace

std::string CommandName(uint8_t code)
{
    for (const SNamedCode& report : kReports) {
        if (report.code == code)
            return report.name;
    }
    for (const SNamedCode& request : kRequests) {
        if (request.code == code)
            return request.name;
        if (static_cast<uint8_t>(request.code + 1) == code)
            return std::string(request.name) + " reply";
    }
    return {};
}

std::string FormatTraceLine(char direction, const uint8_t* packet, int length)
{
    std::string line(1, direction);
    char hex[4];
    for (int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, " %02x", packet[i]);
        line += hex;
    }
    if (length > 0) {
        const std::string name = CommandName(packet[0]);
        if (!name.empty())
            line += "  " + name;
    }
    return line;
}

bool ParseTraceLine(const std::string& line, char& direction, std::vector<uint8_t>& packet)
{
    if (line.size() < 2 || (line[0] != '>' && line[0] != '<') || line[1] != ' ')
        return false;
    direction = line[0];
    packet.clear();
    // Bytes are single-blank separated pairs of hex digits; two blanks
    // start the name.
    size_t pos = 1;
    while (pos < line.size() && line[pos] == ' ') {
        if (pos + 1 < line.size() && line[pos + 1] == ' ')
            break;
        const size_t end = line.find(' ', pos + 1);
        const std::string token = line.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
        if (token.size() != 2 || HexDigit(token[0]) < 0 || HexDigit(token[1]) < 0)
            return false;
        packet.push_back(static_cast<uint8_t>(HexDigit(token[0]) << 4 | HexDigit(token[1])));
        pos += 3;
    }
    return !packet.empty();
}

} // namespace vy::emu
