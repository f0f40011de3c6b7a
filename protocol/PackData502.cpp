#include "protocol/PackData502.h"

#include "base/Log.h"
#include "protocol/Bytes.h"
#include "protocol/CommandSet.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace vy {
namespace {

uint8_t Marker(uint32_t block, uint32_t blocks, uint32_t remaining)
{
    if (blocks <= 1)
        return CPackData502::kMarkerOnly;
    if (block == 0)
        return CPackData502::kMarkerFirst;
    if (remaining == 0)
        return CPackData502::kMarkerOnly;
    return block + 1 == blocks ? CPackData502::kMarkerLast : CPackData502::kMarkerMiddle;
}

void AppendRecords(uint8_t code, const std::vector<CPackData502::Record>& list, size_t first, uint32_t count,
    const SScrambleParams& params, std::vector<PacketBuffer>& packets)
{
    const uint32_t packetCount = bytes::CeilDiv(count, CPackData502::kRecordsPerPacket);
    for (uint32_t p = 0; p < packetCount; ++p) {
        PacketBuffer packet {};
        packet[kPacketCode] = code;
        bytes::PutBe16(&packet[1], p);
        const uint32_t begin = p * CPackData502::kRecordsPerPacket;
        const uint32_t end = std::min(count, begin + CPackData502::kRecordsPerPacket);
        for (uint32_t r = begin; r < end; ++r)
            std::memcpy(&packet[kPacketPayload + 8 * (r - begin)], list[first + r].data(), 8);
        ScrambleBytes(packet.data(), packet.size(), params, kScrambleCount);
        packets.push_back(packet);
    }
}

} // namespace

bool CPackData502::LoadFile(const std::string& path)
{
    m_listA.clear();
    m_listB.clear();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        VY_LOG("cannot open effect file %s", path.c_str());
        return false;
    }
    std::vector<uint8_t> data(kMaxFileBytes);
    file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    const size_t read = static_cast<size_t>(file.gcount());
    if (read == 0) {
        VY_LOG("effect file %s is empty", path.c_str());
        return false;
    }
    if (read < 8) {
        VY_LOG("effect file %s: %zu bytes, shorter than its header", path.c_str(), read);
        return false;
    }
    const uint64_t countA = bytes::GetLe32(&data[0]) / 8;
    const uint64_t countB = bytes::GetLe32(&data[4]) / 8;
    if (8 + 8 * countA + 8 * countB != read) {
        VY_LOG("effect file %s: %zu bytes read, the header announces %llu", path.c_str(), read,
            static_cast<unsigned long long>(8 + 8 * countA + 8 * countB));
        return false;
    }
    auto fill = [&](std::vector<Record>& list, uint64_t count, size_t offset) {
        list.resize(static_cast<size_t>(count));
        for (size_t i = 0; i < list.size(); ++i)
            std::memcpy(list[i].data(), &data[offset + 8 * i], 8);
    };
    fill(m_listA, countA, 8);
    fill(m_listB, countB, 8 + 8 * static_cast<size_t>(countA));
    return true;
}

bool CPackData502::BuildPackets(uint16_t number, std::vector<PacketBuffer>& packets)
{
    if (!PacketLengthUsable())
        return false;
    const SScrambleParams params = LinkParams();
    const auto countA = static_cast<uint32_t>(m_listA.size());
    const auto countB = static_cast<uint32_t>(m_listB.size());
    const uint32_t blocks = std::max(bytes::CeilDiv(countB, kBlockRecordsB), bytes::CeilDiv(countA, kBlockRecordsA));
    size_t sentA = 0, sentB = 0;
    for (uint32_t k = 0; k < blocks; ++k) {
        const auto restA = static_cast<uint32_t>(countA - sentA);
        const auto restB = static_cast<uint32_t>(countB - sentB);
        const uint32_t h = std::min(restA, kBlockRecordsA);
        const uint32_t l = std::min(restB, kBlockRecordsB);

        PacketBuffer header {};
        header[kPacketCode] = cmd::kEffectFileHeader;
        bytes::PutBe16(&header[4], number);
        bytes::PutBe16(&header[6], bytes::CeilDiv(l, kRecordsPerPacket));
        bytes::PutBe24(&header[8], l * 8);
        bytes::PutBe16(&header[11], bytes::CeilDiv(h, kRecordsPerPacket));
        bytes::PutBe16(&header[13], h * 8);
        header[15] = Marker(k, blocks, restB);
        header[16] = Marker(k, blocks, restA);
        ScrambleBytes(header.data(), header.size(), params, kScrambleCount);
        packets.push_back(header);

        AppendRecords(cmd::kEffectFileListB, m_listB, sentB, l, params, packets);
        AppendRecords(cmd::kEffectFileListA, m_listA, sentA, h, params, packets);
        sentA += h;
        sentB += l;
    }
    return true;
}

} // namespace vy
