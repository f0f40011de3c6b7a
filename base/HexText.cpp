#include "base/HexText.h"

namespace vy {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> parsed;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return false;
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        parsed.push_back(static_cast<uint8_t>(hi << 4 | lo));
        i += 2;
    }
    bytes = std::move(parsed);
    return true;
}

std::string FormatHexBytes(const uint8_t* bytes, size_t count, const std::string& separator)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * (2 + separator.size()));
    for (size_t i = 0; i < count; ++i) {
        if (i)
            text += separator;
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

} // namespace vy
