#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vy {

// Finds the present devices with these ids: hidraw nodes whose HID device has
// them, then the emulators in EmulatorFolder() that announce them. Stores the
// first `capacity` paths in `paths` (when not null) and returns how many were
// found, which may be more than `capacity`.
int EnumDevices(std::string* paths, int capacity, uint16_t vendorId, uint16_t productId);

// One present device as enumeration finds it, whatever its ids.
struct SFoundDevice {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};
// Every hidraw node and every answering emulator socket in `emulatorFolder`.
std::vector<SFoundDevice> FindDevices(const std::string& emulatorFolder);

// The socket files in `folder`, sorted by name; names starting with '.' are
// sockets still being set up and are left out.
std::vector<std::string> EmulatorSockets(const std::string& folder);

} // namespace vy
