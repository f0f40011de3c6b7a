#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The fixed-size packet every exchange with the card uses: byte 0 the code
// (a reply carries the request code + 1), bytes 1-2 an index, byte 3 the
// status (0xFF: accepted), the payload from byte 4, the check byte last.
namespace vy {

// Requests are built, and replies received, in buffers of this size.
constexpr int kPacketBufferSize = 64;
// Packet length of a fresh protocol object; Open replaces it with the
// device's output report length minus the report-id byte.
constexpr int kDefaultPacketLength = 40;
// Reports are at most this long, report id included.
constexpr int kMaxReportLength = 128;

// A packet buffer as senders build them.
using PacketBuffer = std::array<uint8_t, kPacketBufferSize>;

constexpr int kPacketCode = 0;
constexpr int kPacketIndex1 = 1;
constexpr int kPacketIndex2 = 2;
constexpr int kPacketStatus = 3;
constexpr int kPacketPayload = 4;

constexpr uint8_t kStatusAccepted = 0xFF;

// The card's check byte: table-driven, the table linear over XOR.
uint8_t CheckByte(const uint8_t* data, size_t length);
// The table entry for `index` (exposed for tests of the table itself).
uint8_t CheckByteTable(uint8_t index);

} // namespace vy
