#pragma once

#include "protocol/PackDataVariant.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vy {

// The PX40's effect files: two lists of 8-byte records (A: the processing
// blocks, B: the kernel), sent in blocks of at most 2560 A and 4096 B records,
// every packet scrambled over bytes 4 to 38 with the link parameters.
class CPackData502 : public CPackDataVariant {
public:
    using Record = std::array<uint8_t, 8>;

    static constexpr size_t kMaxFileBytes = 65536;
    static constexpr uint32_t kBlockRecordsA = 2560;
    static constexpr uint32_t kBlockRecordsB = 4096;
    static constexpr uint32_t kRecordsPerPacket = 4;

    // Block markers of the header (bytes 15 and 16).
    static constexpr uint8_t kMarkerOnly = 0; // a single block, or nothing of that list left
    static constexpr uint8_t kMarkerFirst = 1;
    static constexpr uint8_t kMarkerMiddle = 2;
    static constexpr uint8_t kMarkerLast = 3;

    PacketVariant Variant() const override { return PacketVariant::kTwoList; }
    // Reads at most 64 KiB: u32 a, u32 b, then a / 8 records of list A and
    // b / 8 of list B. False (lists empty) unless the bytes read are exactly that.
    bool LoadFile(const std::string& path) override;
    bool BuildPackets(uint16_t number, std::vector<PacketBuffer>& packets) override;

    const std::vector<Record>& ListA() const { return m_listA; }
    const std::vector<Record>& ListB() const { return m_listB; }

private:
    std::vector<Record> m_listA;
    std::vector<Record> m_listB;
};

} // namespace vy
