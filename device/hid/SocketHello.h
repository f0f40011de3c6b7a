#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The first message an emulated device sends on a new connection: what a
// hidraw node tells through ioctls (the ids and the report descriptor).
namespace vy {

struct SSocketHello {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::vector<uint8_t> descriptor;
};

// Report descriptors are at most this long, as on hidraw.
constexpr size_t kMaxDescriptorSize = 4096;

std::vector<uint8_t> EncodeSocketHello(const SSocketHello& hello);
bool DecodeSocketHello(const uint8_t* data, size_t size, SSocketHello& hello);

} // namespace vy
