#include "device/hid/DevicePath.h"

#include "device/hid/HidBase.h"
#include "device/hid/SocketTransport.h"

#include <cstdio>
#include <cstring>

namespace vy {

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

ICommunicateDevice* CreateTransport(const std::string& path)
{
    if (IsEmuDevicePath(path))
        return new CSocketTransport(path);
    return new CHidBase(path);
}

}  // namespace vy
