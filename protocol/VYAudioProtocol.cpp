// The command set: requests, their series and the unsolicited reports.
#include "protocol/VYAudioProtocol.h"

#include "base/Log.h"
#include "base/NotifyCenter.h"
#include "base/UiLoop.h"
#include "device/CommDeviceMgmt.h"
#include "model/RuleSet.h"
#include "protocol/Bytes.h"
#include "protocol/DeviceEvents.h"
#include "protocol/PackData502.h"
#include "protocol/ParamItems.h"

#include <chrono>
#include <cstring>

namespace vy {
namespace {

int64_t SteadyNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

CVYAudioProtocol::CVYAudioProtocol(std::unique_ptr<CPackDataVariant> packData)
    : CProtocol(kDefaultPacketLength)
    , m_packData(packData ? std::move(packData) : std::make_unique<CPackData502>())
    , m_clock(SteadyNowMs)
    , m_rules(&RuleSet::Instance())
    , m_throttle([this] { return m_loop ? m_loop->NowMs() : SteadyNowMs(); }, [this] { WriteParams(0); })
    , m_heartbeat(std::make_unique<CConnectWorkThread>(*this))
{
}

CVYAudioProtocol::~CVYAudioProtocol()
{
    // The heartbeat calls back into this object: end it first.
    m_heartbeat->Stop();
}

void CVYAudioProtocol::ReplacePackData(std::unique_ptr<CPackDataVariant> packData)
{
    if (packData)
        m_packData = std::move(packData);
}

void CVYAudioProtocol::SetClock(std::function<int64_t()> clock)
{
    m_clock = clock ? std::move(clock) : std::function<int64_t()>(SteadyNowMs);
}

bool CVYAudioProtocol::Exchange(uint8_t* request, uint8_t* reply, cmd::SRetry retry)
{
    ICommDeviceMgmt* manager = m_manager.load();
    if (!manager)
        return false;
    return manager->SendAndReceive(request, reply, retry.attempts, retry.timeoutMs);
}

// --- unsolicited reports ---

void CVYAudioProtocol::PostReport(const uint8_t* packet, bool levels)
{
    SNotifyCenter* center = m_notifyCenter.load();
    if (!center)
        return;
    if (levels)
        center->Post(std::make_shared<EventVolumeRecvData>(packet));
    else
        center->Post(std::make_shared<EventRecvData>(packet));
}

int CVYAudioProtocol::OnRecvData(const uint8_t* packet)
{
    if (!packet)
        return 0;
    switch (packet[kPacketCode]) {
    case cmd::kLevelReport:
        PostReport(packet, true);
        break;
    case cmd::kCustomEffectsChanged:
        PostReport(packet, false);
        break;
    case cmd::kParamReport: {
        const int length = GetPacketLength();
        if (length < 2 || length > kPacketBufferSize)
            return 0;
        bool bad = false;
        const uint8_t computed = CheckByte(packet, static_cast<size_t>(length - 1));
        if (packet[length - 1] != computed) {
            VY_LOG("CheckReply error: reply crc 0x%02x != 0x%02x  cmd=0x%02x", packet[length - 1], computed,
                packet[kPacketCode]);
            bad = true;
        }
        if (packet[kPacketStatus] != 0) {
            VY_LOG("CheckReply error: reply flag 0x%02x != 0  cmd=0x%02x", packet[kPacketStatus], packet[kPacketCode]);
            bad = true;
        }
        PacketBuffer copy;
        std::memcpy(copy.data(), packet, copy.size());
        Decrypt(copy.data());
        if (!bad)
            PostReport(copy.data(), false);
        break;
    }
    default:
        break;
    }
    return 0;
}

// --- commands ---

bool CVYAudioProtocol::Handshake(uint8_t takeControl)
{
    ICommDeviceMgmt* manager = m_manager.load();
    if (!manager)
        return false;
    PacketBuffer request {}, reply {};
    request[kPacketCode] = cmd::kControl;
    request[kPacketPayload] = takeControl;
    request[kPacketPayload + 1] = 0;
    if (!Exchange(request.data(), reply.data(), cmd::kControlRetry))
        return false;
    return m_packData->OnConnectDevice(manager);
}

bool CVYAudioProtocol::KeepAlive()
{
    PacketBuffer request {}, reply {};
    request[kPacketCode] = cmd::kControl;
    request[kPacketPayload] = cmd::kTakeControl;
    return Exchange(request.data(), reply.data(), cmd::kHeartbeatRetry);
}

bool CVYAudioProtocol::GetDeviceInfo(uint8_t* reply)
{
    if (!reply)
        return false;
    PacketBuffer request {};
    request[kPacketCode] = cmd::kDeviceInfo;
    return Exchange(request.data(), reply, cmd::kDeviceInfoRetry);
}

bool CVYAudioProtocol::GetDevDiyEff(int slot, EffectRecord& destination)
{
    if (!m_manager.load())
        return false;
    int32_t values[kEffectValueCount] = {};
    const int64_t start = m_clock();
    const int length = GetPacketLength();
    for (uint32_t counter = 0;; ++counter) {
        PacketBuffer request {}, reply {};
        request[kPacketCode] = cmd::kReadCustomEffect;
        bytes::PutLe16(&request[1], counter);
        request[kPacketPayload] = static_cast<uint8_t>(slot << 4);
        if (!Exchange(request.data(), reply.data(), cmd::kReadCustomRetry)) {
            VY_LOG("Synchronize device custom sound effects:  Failed");
            return false;
        }
        for (const SParamItem& item : ReadItemList(reply.data(), length, EItemEncoding::kCustomEffectReply)) {
            // The record holds 64 values; numbers past them have nowhere to go.
            if (item.number >= 0 && item.number < static_cast<int32_t>(kEffectValueCount))
                values[item.number] = item.value;
        }
        const bool complete = IsLastOfSeries(reply.data(), length);
        if (m_clock() - start > cmd::kCustomEffectSeriesLimitMs)
            return false;
        if (complete) {
            std::memcpy(destination.values, values, sizeof values);
            return true;
        }
    }
}

bool CVYAudioProtocol::ReadDeviceParams(std::map<int32_t, int32_t>& values)
{
    if (!m_manager.load())
        return false;
    const int length = GetPacketLength();
    for (uint32_t counter = 0;; ++counter) {
        PacketBuffer request {}, reply {};
        request[kPacketCode] = cmd::kReadParams;
        bytes::PutLe16(&request[1], counter);
        if (!Exchange(request.data(), reply.data(), cmd::kReadParamsRetry))
            return false;
        for (const SParamItem& item : ReadItemList(reply.data(), length, EItemEncoding::kParamsReply))
            values[item.number] = item.value;
        if (IsLastOfSeries(reply.data(), length))
            return true;
    }
}

std::vector<PacketBuffer> CVYAudioProtocol::BuildParamSeries(uint8_t code)
{
    std::vector<ParamTriplet> items;
    items.reserve(m_pending.size());
    for (const auto& [key, value] : m_pending) {
        ParamTriplet item {};
        if (EncodeParam(m_defs.ParamDefs(), key, value, item))
            items.push_back(item);
        else
            VY_LOG("no definition for parameter %d: its value %d is not written", key, value);
    }
    const int length = GetPacketLength();
    const auto perPacket = static_cast<size_t>(ItemsPerPacket(length));
    std::vector<PacketBuffer> packets;
    if (perPacket == 0)
        return packets;
    const size_t count = (items.size() + perPacket - 1) / perPacket;
    for (size_t k = 0; k < count; ++k) {
        PacketBuffer packet {};
        packet[kPacketCode] = code;
        bytes::PutLe16(&packet[1], static_cast<uint32_t>(k));
        const size_t first = k * perPacket;
        const size_t inPacket = std::min(perPacket, items.size() - first);
        packet[kItemCountOffset] = static_cast<uint8_t>(inPacket);
        for (size_t i = 0; i < inPacket; ++i)
            std::memcpy(&packet[kItemsOffset + kItemSize * i], items[first + i].data(), kItemSize);
        packet[static_cast<size_t>(length - 2)] = k + 1 == count ? 1 : 0;
        packets.push_back(packet);
    }
    return packets;
}

bool CVYAudioProtocol::WriteParams(int custom)
{
    if (!m_manager.load())
        return false;
    if (m_pending.empty())
        return true;
    if (GetPacketLength() < 7 || GetPacketLength() > kPacketBufferSize)
        return false;
    const std::vector<PacketBuffer> packets = BuildParamSeries(custom ? cmd::kWriteCustomParams : cmd::kWriteParams);
    if (!SendPackets(packets))
        return false;
    m_pending.clear();
    return true;
}

bool CVYAudioProtocol::SendPackets(const std::vector<PacketBuffer>& packets, std::atomic<int>* progress)
{
    if (progress)
        *progress = 0;
    if (!m_manager.load())
        return false;
    const size_t count = packets.size();
    for (size_t i = 0; i < count; ++i) {
        // The manager seals the request in place: send a copy.
        PacketBuffer request = packets[i];
        PacketBuffer reply {};
        if (!Exchange(request.data(), reply.data(), cmd::kEffectFileRetry))
            return false;
        if (progress)
            *progress = static_cast<int>((i + 1) * 100 / count);
    }
    return true;
}

bool CVYAudioProtocol::SendEffectFile(const std::string& path, uint16_t number, std::atomic<int>* progress)
{
    if (progress)
        *progress = 0;
    if (!m_manager.load())
        return false;
    m_packData->SetPacketLength(GetPacketLength());
    if (!m_packData->LoadFile(path))
        return false;
    std::vector<PacketBuffer> packets;
    if (!m_packData->BuildPackets(number, packets))
        return false;
    return SendPackets(packets, progress);
}

} // namespace vy
