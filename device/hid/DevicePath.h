#pragma once

#include <cstdint>
#include <string>

namespace vy {

// Device paths: hidraw nodes ("/dev/hidraw3") and emulated devices
// ("emu:<socket path>#VID_35F7&PID_0040").
constexpr const char* kEmuPathPrefix = "emu:";

std::string EmuDevicePath(const std::string& socketPath, uint16_t vendorId, uint16_t productId);
bool IsEmuDevicePath(const std::string& path);

class ICommunicateDevice;
// A closed transport for `path`: the socket transport for an emulator path,
// the hidraw transport otherwise. The caller owns it.
ICommunicateDevice* CreateTransport(const std::string& path);

}  // namespace vy
