#include "device/hid/DeviceIds.h"

#include "base/Log.h"

#include <cstdlib>
#include <fstream>

namespace vy {
namespace {

bool ParseHex16(std::string text, uint16_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    if (text.empty() || text.size() > 4)
        return false;
    unsigned result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result << 4 | static_cast<unsigned>(digit);
    }
    value = static_cast<uint16_t>(result);
    return true;
}

std::string Trim(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    const size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::string ConfigFilePath()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/px40/usb-id";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/px40/usb-id";
    return {};
}

} // namespace

bool ParseUsbId(const std::string& text, uint16_t& id)
{
    return ParseHex16(Trim(text), id);
}

bool ParseUsbIds(const std::string& text, SUsbIds& ids)
{
    const std::string trimmed = Trim(text);
    const size_t colon = trimmed.find(':');
    if (colon == std::string::npos)
        return false;
    SUsbIds parsed;
    if (!ParseHex16(trimmed.substr(0, colon), parsed.vendorId)
        || !ParseHex16(trimmed.substr(colon + 1), parsed.productId))
        return false;
    ids = parsed;
    return true;
}

SUsbIds ModelUsbIds()
{
    SUsbIds ids;
    if (const char* value = std::getenv("PX40_USB_ID"); value && *value) {
        if (ParseUsbIds(value, ids))
            return ids;
        VY_LOG("PX40_USB_ID=\"%s\" is not vvvv:pppp; using the built-in ids", value);
        return SUsbIds {};
    }
    const std::string path = ConfigFilePath();
    if (path.empty())
        return ids;
    std::ifstream file(path);
    std::string line;
    if (file && std::getline(file, line)) {
        if (ParseUsbIds(line, ids))
            return ids;
        VY_LOG("%s: \"%s\" is not vvvv:pppp; using the built-in ids", path.c_str(), line.c_str());
    }
    return SUsbIds {};
}

} // namespace vy
