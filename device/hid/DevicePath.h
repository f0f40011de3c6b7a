#pragma once

#include <cstdint>
#include <string>

namespace vy {

class ICommunicateDevice;

// Device paths: hidraw nodes ("/dev/hidraw3") and emulated devices
// ("emu:<socket path>#VID_35F7&PID_0040").
constexpr const char* kEmuPathPrefix = "emu:";

std::string EmuDevicePath(const std::string& socketPath, uint16_t vendorId, uint16_t productId);
bool IsEmuDevicePath(const std::string& path);

// The folder where discoverable emulators put their sockets: $PX40_EMU_DIR,
// else $XDG_RUNTIME_DIR/px40-emu, else /tmp/px40-emu-<uid>.
std::string EmulatorFolder();

// The vendor and product id a path names: the "#VID_vvvv&PID_pppp" part of
// an emulator path (any case), or for a hidraw node the HID_ID of its
// parent device in sysfs. False when the path names none.
bool ParseVidPid(const std::string& path, uint16_t& vendorId, uint16_t& productId);
// The same with sysfs at another root, for tests.
bool ParseVidPid(const std::string& path, uint16_t& vendorId, uint16_t& productId, const std::string& sysfsRoot);
// Reads "bus:vendor:product" as in a HID_ID property ("0003:000035F7:00000040").
bool ParseHidId(const std::string& value, uint16_t& vendorId, uint16_t& productId);

// A closed transport for `path`: the socket transport for an emulator path,
// the hidraw transport otherwise. The caller owns it.
ICommunicateDevice* CreateTransport(const std::string& path);

} // namespace vy
