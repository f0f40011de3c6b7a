#include "device/hid/DevicePath.h"

#include "device/hid/HidBase.h"
#include "device/hid/SocketTransport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace vy {
namespace {

// Exactly `count` hex digits at `pos`.
bool HexGroup(const std::string& text, size_t pos, size_t count, uint16_t& value)
{
    if (pos + count > text.size())
        return false;
    unsigned result = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        result = result << 4 | static_cast<unsigned>(digit);
    }
    value = static_cast<uint16_t>(result);
    return true;
}

bool ParseHashForm(const std::string& path, uint16_t& vendorId, uint16_t& productId)
{
    std::string upper = path;
    std::transform(
        upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    // The ids are the last such part: a folder of the socket path may hold "#VID_" too.
    const size_t hash = upper.rfind("#VID_");
    if (hash == std::string::npos)
        return false;
    // "#VID_" vvvv "&PID_" pppp: the product id is characters 14 to 17 from the '#'.
    uint16_t vendor = 0, product = 0;
    if (!HexGroup(upper, hash + 5, 4, vendor) || upper.compare(hash + 9, 5, "&PID_") != 0
        || !HexGroup(upper, hash + 14, 4, product))
        return false;
    vendorId = vendor;
    productId = product;
    return true;
}

} // namespace

std::string EmuDevicePath(const std::string& socketPath, uint16_t vendorId, uint16_t productId)
{
    char ids[32];
    std::snprintf(ids, sizeof ids, "#VID_%04X&PID_%04X", vendorId, productId);
    return kEmuPathPrefix + socketPath + ids;
}

bool IsEmuDevicePath(const std::string& path)
{
    return path.compare(0, std::strlen(kEmuPathPrefix), kEmuPathPrefix) == 0;
}

std::string EmulatorFolder()
{
    if (const char* dir = std::getenv("PX40_EMU_DIR"); dir && *dir)
        return dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/px40-emu";
    return "/tmp/px40-emu-" + std::to_string(::getuid());
}

bool ParseHidId(const std::string& value, uint16_t& vendorId, uint16_t& productId)
{
    unsigned bus = 0, vendor = 0, product = 0;
    char extra = 0;
    if (std::sscanf(value.c_str(), "%x:%x:%x%c", &bus, &vendor, &product, &extra) != 3 || vendor > 0xFFFF
        || product > 0xFFFF)
        return false;
    vendorId = static_cast<uint16_t>(vendor);
    productId = static_cast<uint16_t>(product);
    return true;
}

bool ParseVidPid(const std::string& path, uint16_t& vendorId, uint16_t& productId, const std::string& sysfsRoot)
{
    if (ParseHashForm(path, vendorId, productId))
        return true;
    if (IsEmuDevicePath(path))
        return false;
    // A hidraw node: its class entry in sysfs leads to the HID device.
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.compare(0, 6, "hidraw") != 0 || name.size() == 6
        || !std::all_of(name.begin() + 6, name.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    std::ifstream uevent(sysfsRoot + "/class/hidraw/" + name + "/device/uevent");
    std::string line;
    while (std::getline(uevent, line)) {
        if (line.compare(0, 7, "HID_ID=") == 0)
            return ParseHidId(line.substr(7), vendorId, productId);
    }
    return false;
}

bool ParseVidPid(const std::string& path, uint16_t& vendorId, uint16_t& productId)
{
    return ParseVidPid(path, vendorId, productId, "/sys");
}

ICommunicateDevice* CreateTransport(const std::string& path)
{
    if (IsEmuDevicePath(path))
        return new CSocketTransport(path);
    return new CHidBase(path);
}

} // namespace vy
