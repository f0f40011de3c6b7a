#pragma once

#include "protocol/PackDataVariant.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vy {

// The effect files of the other models: a version-2 file with three lists
// (A, B, C), each with its item size, sent in one block without scrambling.
// Items of lists A and B travel at an 8-byte stride, items of list C at 24.
class CPackData201 : public CPackDataVariant {
public:
    static constexpr uint32_t kVersion = 2;
    static constexpr size_t kHeaderBytes = 40;
    // Larger files are refused before anything is allocated for them.
    static constexpr size_t kMaxFileBytes = 16u << 20;
    // The smallest item sizes the packet layouts can carry.
    static constexpr uint32_t kMinItemSizeAB = 8;
    static constexpr uint32_t kMinItemSizeC = 24;

    struct SList {
        uint32_t itemSize = 0;
        std::vector<uint8_t> data;
        uint32_t Count() const { return itemSize ? static_cast<uint32_t>(data.size() / itemSize) : 0; }
        const uint8_t* Item(uint32_t i) const { return data.data() + static_cast<size_t>(i) * itemSize; }
    };

    PacketVariant Variant() const override { return PacketVariant::kThreeList; }
    // False (lists empty) for a missing or short file, a version other than 2,
    // or item sizes the packets cannot carry (below 8 for A and B, 24 for C).
    bool LoadFile(const std::string& path) override;
    // False when a count does not fit its header field.
    bool BuildPackets(uint16_t number, std::vector<PacketBuffer>& packets) override;

    const SList& ListA() const { return m_listA; }
    const SList& ListB() const { return m_listB; }
    const SList& ListC() const { return m_listC; }

    // Where an item's source bytes go in a packet of list B (s0 s1 s2 s7 s5 s6 s3 s4).
    static constexpr int kListBOrder[8] = { 0, 1, 2, 7, 5, 6, 3, 4 };

private:
    void Clear();

    SList m_listA;
    SList m_listB;
    SList m_listC;
};

} // namespace vy
