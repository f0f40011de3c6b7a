#include "protocol/PackData201.h"

#include "base/Log.h"
#include "protocol/Bytes.h"
#include "protocol/CommandSet.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace vy {
namespace {

constexpr int kItemStrideAB = 8;
constexpr int kItemStrideC = 24;

} // namespace

void CPackData201::Clear()
{
    m_listA = {};
    m_listB = {};
    m_listC = {};
}

bool CPackData201::LoadFile(const std::string& path)
{
    Clear();
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        VY_LOG("cannot open effect file %s", path.c_str());
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size < static_cast<std::streamoff>(kHeaderBytes) || size > static_cast<std::streamoff>(kMaxFileBytes)) {
        VY_LOG("effect file %s: %lld bytes is not a three-list file", path.c_str(), static_cast<long long>(size));
        return false;
    }
    std::vector<uint8_t> data(static_cast<size_t>(size));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(data.data()), size);
    if (file.gcount() != size) {
        VY_LOG("effect file %s could not be read", path.c_str());
        return false;
    }
    const uint32_t version = bytes::GetLe32(&data[0]);
    if (version != kVersion) {
        VY_LOG("effect file %s has version %u, not %u", path.c_str(), version, kVersion);
        return false;
    }
    SList* lists[3] = { &m_listA, &m_listB, &m_listC };
    uint64_t offset = kHeaderBytes;
    for (int i = 0; i < 3; ++i) {
        lists[i]->itemSize = bytes::GetLe32(&data[16 + 4 * static_cast<size_t>(i)]);
        const uint64_t length = bytes::GetLe32(&data[28 + 4 * static_cast<size_t>(i)]);
        if (offset + length > data.size()) {
            VY_LOG("effect file %s: list %c needs %llu bytes past the end", path.c_str(), 'A' + i,
                static_cast<unsigned long long>(offset + length - data.size()));
            Clear();
            return false;
        }
        lists[i]->data.assign(data.begin() + static_cast<std::ptrdiff_t>(offset),
            data.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    }
    // Smaller items would be read past their end and packed past the packet.
    if (m_listA.itemSize < kMinItemSizeAB || m_listB.itemSize < kMinItemSizeAB || m_listC.itemSize < kMinItemSizeC) {
        VY_LOG("effect file %s: item sizes %u, %u, %u (at least %u, %u, %u)", path.c_str(), m_listA.itemSize,
            m_listB.itemSize, m_listC.itemSize, kMinItemSizeAB, kMinItemSizeAB, kMinItemSizeC);
        Clear();
        return false;
    }
    return true;
}

bool CPackData201::BuildPackets(uint16_t number, std::vector<PacketBuffer>& packets)
{
    if (!PacketLengthUsable())
        return false;
    if (m_listA.itemSize < kMinItemSizeAB || m_listB.itemSize < kMinItemSizeAB || m_listC.itemSize < kMinItemSizeC) {
        VY_LOG("no three-list effect file loaded");
        return false;
    }
    const auto room = static_cast<uint32_t>(PacketLength() - 5);
    const uint32_t countA = m_listA.Count(), countB = m_listB.Count(), countC = m_listC.Count();
    const uint32_t perB = room / m_listB.itemSize;
    const uint32_t perC = room / m_listC.itemSize;
    const uint32_t perA = room / kItemStrideAB;
    if (perB == 0 || perC == 0) {
        VY_LOG("effect file items of %u and %u bytes do not fit a packet of %d bytes", m_listB.itemSize,
            m_listC.itemSize, PacketLength());
        return false;
    }
    const uint32_t packetsB = bytes::CeilDiv(countB, perB);
    const uint32_t packetsA = bytes::CeilDiv(countA, perA);
    const uint32_t packetsC = bytes::CeilDiv(countC, perC);
    // The header counts list A in packets of list B's size, as the card expects.
    const uint32_t headerPacketsA = bytes::CeilDiv(countA, perB);
    const uint64_t bytesA = static_cast<uint64_t>(m_listA.itemSize) * countA;
    const uint64_t bytesC = static_cast<uint64_t>(m_listC.itemSize) * countC;
    if (packetsB > 0xFFFF || packetsA > 0xFFFF || packetsC > 0xFFFF || headerPacketsA > 0xFFFF
        || m_listB.data.size() > 0xFFFFFF || bytesA > 0xFFFF || bytesC > 0xFFFF) {
        VY_LOG("effect file too large for the block header (%u, %u, %u items)", countA, countB, countC);
        return false;
    }

    PacketBuffer header {};
    header[kPacketCode] = cmd::kEffectFileHeader;
    bytes::PutBe16(&header[4], number);
    bytes::PutBe16(&header[6], packetsB);
    const auto lengthB = static_cast<uint32_t>(m_listB.data.size());
    header[8] = static_cast<uint8_t>(lengthB >> 16);
    header[9] = static_cast<uint8_t>(lengthB >> 8);
    header[10] = static_cast<uint8_t>(m_listB.itemSize * countB);
    bytes::PutBe16(&header[11], headerPacketsA);
    bytes::PutBe16(&header[13], static_cast<uint32_t>(bytesA));
    const size_t headerIndex = packets.size();
    packets.push_back(header);

    for (uint32_t p = 0; p < packetsB; ++p) {
        PacketBuffer packet {};
        packet[kPacketCode] = cmd::kEffectFileListB;
        bytes::PutBe16(&packet[1], p);
        for (uint32_t j = 0; j < perB && p * perB + j < countB; ++j) {
            const uint8_t* source = m_listB.Item(p * perB + j);
            for (int b = 0; b < 8; ++b)
                packet[kPacketPayload + kItemStrideAB * j + static_cast<uint32_t>(b)] = source[kListBOrder[b]];
        }
        packets.push_back(packet);
    }
    for (uint32_t p = 0; p < packetsA; ++p) {
        PacketBuffer packet {};
        packet[kPacketCode] = cmd::kEffectFileListA;
        bytes::PutBe16(&packet[1], p);
        for (uint32_t j = 0; j < perA && p * perA + j < countA; ++j) {
            const uint8_t* source = m_listA.Item(p * perA + j);
            uint8_t* item = &packet[kPacketPayload + kItemStrideAB * j];
            item[0] = source[0];
            item[1] = source[1];
            std::memcpy(item + 4, source + 4, 4);
        }
        packets.push_back(packet);
    }
    uint32_t sentC = 0;
    for (uint32_t p = 0; p < packetsC; ++p) {
        PacketBuffer packet {};
        packet[kPacketCode] = cmd::kEffectFileListC;
        bytes::PutBe16(&packet[1], p);
        for (uint32_t j = 0; j < perC && sentC < countC; ++j, ++sentC)
            std::memcpy(&packet[kPacketPayload + kItemStrideC * j], m_listC.Item(sentC), kItemStrideC);
        packets.push_back(packet);
    }
    bytes::PutBe16(&packets[headerIndex][17], bytes::CeilDiv(sentC, perC));
    bytes::PutBe16(&packets[headerIndex][19], sentC * m_listC.itemSize);
    return true;
}

} // namespace vy
