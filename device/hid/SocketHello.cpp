#include "device/hid/SocketHello.h"

#include <algorithm>
#include <cstring>

namespace vy {
namespace {

constexpr uint8_t kMagic[4] = { 'P', 'X', 'H', '1' };
constexpr size_t kHeaderSize = 10;

} // namespace

std::vector<uint8_t> EncodeSocketHello(const SSocketHello& hello)
{
    const size_t descriptorSize = std::min(hello.descriptor.size(), kMaxDescriptorSize);
    std::vector<uint8_t> message(kHeaderSize + descriptorSize);
    std::memcpy(message.data(), kMagic, sizeof kMagic);
    message[4] = static_cast<uint8_t>(hello.vendorId & 0xFF);
    message[5] = static_cast<uint8_t>(hello.vendorId >> 8);
    message[6] = static_cast<uint8_t>(hello.productId & 0xFF);
    message[7] = static_cast<uint8_t>(hello.productId >> 8);
    message[8] = static_cast<uint8_t>(descriptorSize & 0xFF);
    message[9] = static_cast<uint8_t>(descriptorSize >> 8);
    if (descriptorSize)
        std::memcpy(message.data() + kHeaderSize, hello.descriptor.data(), descriptorSize);
    return message;
}

bool DecodeSocketHello(const uint8_t* data, size_t size, SSocketHello& hello)
{
    if (!data || size < kHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0)
        return false;
    const size_t descriptorSize = data[8] | data[9] << 8;
    if (descriptorSize > kMaxDescriptorSize || kHeaderSize + descriptorSize != size)
        return false;
    hello.vendorId = static_cast<uint16_t>(data[4] | data[5] << 8);
    hello.productId = static_cast<uint16_t>(data[6] | data[7] << 8);
    hello.descriptor.assign(data + kHeaderSize, data + size);
    return true;
}

} // namespace vy
