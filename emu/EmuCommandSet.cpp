#include "emu/EmuCommandSet.h"

#include "device/Packet.h"
#include "emu/EmuDevice.h"
#include "protocol/Bytes.h"
#include "protocol/CommandSet.h"
#include "protocol/PackData201.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace vy::emu {
namespace {

using Item = std::array<uint8_t, 3>;

constexpr uint8_t kRejected = 0x00;

// The items of a write request, cut to what the packet can hold.
std::vector<Item> RequestItems(const uint8_t* request, int length)
{
    std::vector<Item> items;
    if (length < 7)
        return items;
    const int count = std::min<int>(request[4], (length - 7) / 3);
    for (int i = 0; i < count; ++i)
        items.push_back(Item { request[5 + 3 * i], request[6 + 3 * i], request[7 + 3 * i] });
    return items;
}

SEmuParamPacket LogParamPacket(SEmuExchange& exchange, SEmuState& state)
{
    SEmuParamPacket logged;
    logged.code = exchange.request[kPacketCode];
    logged.index = static_cast<uint16_t>(bytes::GetLe16(exchange.request + 1));
    logged.items = RequestItems(exchange.request, exchange.requestLength);
    logged.last = exchange.requestLength >= 2 && exchange.request[exchange.requestLength - 2] != 0;
    state.paramPackets.push_back(logged);
    return logged;
}

void HandleDeviceInfo(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    exchange.reply[4] = state.hardwareVersion;
    exchange.reply[6] = state.firmwareVersion;
    exchange.reply[14] = state.deviceType;
}

void HandleWriteParams(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    const SEmuParamPacket logged = LogParamPacket(exchange, state);
    for (const Item& item : logged.items) {
        if (item[0] < kEmuParamCount)
            state.params[item[0]] = SEmuParam { true, item[1], item[2] };
    }
}

void HandleWriteCustom(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    const SEmuParamPacket logged = LogParamPacket(exchange, state);
    if (logged.index == 0)
        state.customSeries.clear();
    state.customSeries.insert(state.customSeries.end(), logged.items.begin(), logged.items.end());
    if (!logged.last)
        return;
    // The series names its slot through the effect number it carries.
    int slot = 0;
    for (const Item& item : state.customSeries) {
        if (item[0] == state.effectNumberParam)
            slot = ((item[1] & 0x1F) << 8 | item[2]) >> 4;
    }
    if (slot >= 1 && slot <= static_cast<int>(state.customSlots.size())) {
        SEmuParamStore& store = state.customSlots[static_cast<size_t>(slot - 1)];
        for (const Item& item : state.customSeries) {
            if (item[0] < kEmuParamCount)
                store[item[0]] = SEmuParam { true, item[1], item[2] };
        }
    } else {
        ++state.unassignedCustomWrites;
    }
    state.customSeries.clear();
}

// Packet `counter` of a read series over the present entries of `store`.
void AnswerReadSeries(SEmuExchange& exchange, const SEmuParamStore& store)
{
    const int length = exchange.replyLength;
    if (length < 7) {
        exchange.reply[kPacketStatus] = kRejected;
        return;
    }
    const uint32_t counter = bytes::GetLe16(exchange.request + 1);
    std::vector<int> numbers;
    for (int n = 0; n < kEmuParamCount; ++n) {
        if (store[static_cast<size_t>(n)].present)
            numbers.push_back(n);
    }
    const size_t perPacket = static_cast<size_t>((length - 7) / 3);
    const size_t first = std::min(numbers.size(), counter * perPacket);
    const size_t count = std::min(perPacket, numbers.size() - first);
    exchange.reply[1] = exchange.request[1];
    exchange.reply[2] = exchange.request[2];
    exchange.reply[4] = static_cast<uint8_t>(count);
    for (size_t i = 0; i < count; ++i) {
        const int n = numbers[first + i];
        exchange.reply[5 + 3 * i] = static_cast<uint8_t>(n);
        exchange.reply[6 + 3 * i] = store[static_cast<size_t>(n)].high;
        exchange.reply[7 + 3 * i] = store[static_cast<size_t>(n)].low;
    }
    exchange.reply[static_cast<size_t>(length - 2)] = first + count >= numbers.size() ? 1 : 0;
}

void HandleReadParams(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    AnswerReadSeries(exchange, state.params);
}

void HandleReadCustom(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    const int slot = exchange.request[kPacketPayload] >> 4;
    if (slot < 1 || slot > static_cast<int>(state.customSlots.size())) {
        exchange.reply[kPacketStatus] = kRejected;
        return;
    }
    AnswerReadSeries(exchange, state.customSlots[static_cast<size_t>(slot - 1)]);
}

// --- effect files ---

// The request as the card reads it: two-list packets come scrambled with the
// session's parameters.
std::array<uint8_t, 64> ClearPacket(const SEmuExchange& exchange, const SEmuState& state)
{
    std::array<uint8_t, 64> packet {};
    std::memcpy(packet.data(), exchange.request, std::min<size_t>(64, static_cast<size_t>(exchange.requestLength)));
    if (state.effectFileVariant == PacketVariant::kTwoList)
        ScrambleBytes(packet.data(), packet.size(), state.session, kScrambleCount);
    return packet;
}

void FinishIfComplete(SEmuState& state)
{
    SEmuEffectFile& file = state.effectFile;
    auto all = [](const std::vector<bool>& flags) {
        return std::all_of(flags.begin(), flags.end(), [](bool f) { return f; });
    };
    if (file.complete || !file.lastBlock || !all(file.receivedA) || !all(file.receivedB) || !all(file.receivedC))
        return;
    file.complete = true;
    state.lastEffectFile = file;
    ++state.effectFilesCompleted;
}

void HeaderTwoList(const std::array<uint8_t, 64>& header, SEmuState& state)
{
    const uint8_t markerB = header[15], markerA = header[16];
    const bool single = markerB == 0 && markerA == 0;
    const bool first = markerB == 1 && markerA == 1;
    SEmuEffectFile& file = state.effectFile;
    if (single || first) {
        file = SEmuEffectFile {};
        file.variant = PacketVariant::kTwoList;
    }
    file.number = static_cast<uint16_t>(bytes::GetBe16(&header[4]));
    file.headers.push_back(header);
    file.blockStartB = file.listB.size();
    file.blockStartA = file.listA.size();
    file.listB.resize(file.blockStartB + bytes::GetBe24(&header[8]) / 8);
    file.listA.resize(file.blockStartA + bytes::GetBe16(&header[13]) / 8);
    file.blockPacketsB = bytes::GetBe16(&header[6]);
    file.blockPacketsA = bytes::GetBe16(&header[11]);
    file.receivedB.assign(file.blockPacketsB, false);
    file.receivedA.assign(file.blockPacketsA, false);
    file.receivedC.clear();
    file.lastBlock = single || markerB == 3 || markerA == 3;
    file.complete = false;
}

void HeaderThreeList(const std::array<uint8_t, 64>& header, int length, SEmuState& state)
{
    SEmuEffectFile& file = state.effectFile;
    file = SEmuEffectFile {};
    file.variant = PacketVariant::kThreeList;
    file.number = static_cast<uint16_t>(bytes::GetBe16(&header[4]));
    file.headers.push_back(header);
    // The card's items: 8 bytes in lists A and B, 24 in list C.
    const uint32_t lengthB
        = static_cast<uint32_t>(header[8]) << 16 | static_cast<uint32_t>(header[9]) << 8 | header[10];
    file.listB.resize(lengthB / 8);
    file.listA.resize(bytes::GetBe16(&header[13]) / 8);
    file.listC.resize(bytes::GetBe16(&header[19]) / 24);
    const auto perAB = static_cast<uint32_t>((length - 5) / 8);
    file.blockPacketsB = bytes::GetBe16(&header[6]);
    file.blockPacketsA = bytes::CeilDiv(static_cast<uint32_t>(file.listA.size()), perAB);
    file.blockPacketsC = bytes::GetBe16(&header[17]);
    file.receivedB.assign(file.blockPacketsB, false);
    file.receivedA.assign(file.blockPacketsA, false);
    file.receivedC.assign(file.blockPacketsC, false);
    file.lastBlock = true;
}

void HandleEffectFileHeader(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    const std::array<uint8_t, 64> header = ClearPacket(exchange, state);
    if (state.effectFileVariant == PacketVariant::kTwoList)
        HeaderTwoList(header, state);
    else
        HeaderThreeList(header, exchange.requestLength, state);
    FinishIfComplete(state);
}

// Places the items of data packet `index` of one list; false when the packet
// fits nothing announced.
bool PlaceItems(std::vector<bool>& received, uint32_t index, const std::function<void()>& place)
{
    if (index >= received.size())
        return false;
    place();
    received[index] = true;
    return true;
}

void HandleEffectFileData(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    SEmuEffectFile& file = state.effectFile;
    const std::array<uint8_t, 64> packet = ClearPacket(exchange, state);
    const uint8_t code = packet[kPacketCode];
    const uint32_t index = bytes::GetBe16(&packet[1]);
    const int length = exchange.requestLength;
    bool placed = false;
    if (file.headers.empty() || file.complete) {
        placed = false;
    } else if (file.variant == PacketVariant::kTwoList) {
        const bool listB = code == cmd::kEffectFileListB;
        auto& list = listB ? file.listB : file.listA;
        const size_t start = listB ? file.blockStartB : file.blockStartA;
        if (code != cmd::kEffectFileListC) {
            placed = PlaceItems(listB ? file.receivedB : file.receivedA, index, [&] {
                for (size_t j = 0; j < 4; ++j) {
                    const size_t at = start + 4 * index + j;
                    if (at < list.size())
                        std::memcpy(list[at].data(), &packet[4 + 8 * j], 8);
                }
            });
        }
    } else {
        const auto perAB = static_cast<size_t>((length - 5) / 8);
        const auto perC = static_cast<size_t>((length - 5) / 24);
        if (code == cmd::kEffectFileListB) {
            placed = PlaceItems(file.receivedB, index, [&] {
                for (size_t j = 0; j < perAB; ++j) {
                    const size_t at = perAB * index + j;
                    if (at >= file.listB.size())
                        break;
                    for (int b = 0; b < 8; ++b)
                        file.listB[at][static_cast<size_t>(CPackData201::kListBOrder[b])]
                            = packet[4 + 8 * j + static_cast<size_t>(b)];
                }
            });
        } else if (code == cmd::kEffectFileListA) {
            placed = PlaceItems(file.receivedA, index, [&] {
                for (size_t j = 0; j < perAB; ++j) {
                    const size_t at = perAB * index + j;
                    if (at < file.listA.size())
                        std::memcpy(file.listA[at].data(), &packet[4 + 8 * j], 8);
                }
            });
        } else {
            placed = PlaceItems(file.receivedC, index, [&] {
                for (size_t j = 0; j < perC; ++j) {
                    const size_t at = perC * index + j;
                    if (at < file.listC.size())
                        std::memcpy(file.listC[at].data(), &packet[4 + 24 * j], 24);
                }
            });
        }
    }
    if (!placed) {
        ++file.strayPackets;
        exchange.reply[kPacketStatus] = kRejected;
        return;
    }
    FinishIfComplete(state);
}

// --- sound slots ---

void HandleSoundHeader(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    const int slot = exchange.request[4];
    const uint32_t packets = bytes::GetLe24(exchange.request + 5);
    const uint32_t length = bytes::GetLe24(exchange.request + 8);
    const auto chunk = static_cast<uint32_t>(exchange.requestLength - 8);
    state.soundSlot = -1;
    // A sound over the limit, or a header whose counts disagree, is refused:
    // the reply is accepted but bytes 5 to 7 stay 0.
    if (length > state.soundMaxLength || packets == 0 || packets != bytes::CeilDiv(length, chunk)) {
        ++state.soundsRefused;
        return;
    }
    SEmuSound sound;
    sound.length = length;
    sound.packets = packets;
    sound.data.assign(static_cast<size_t>(packets) * chunk, 0);
    sound.received.assign(packets, false);
    state.sounds[slot] = std::move(sound);
    state.soundSlot = slot;
    bytes::PutLe24(&exchange.reply[5], packets);
}

void HandleSoundData(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    const int length = exchange.requestLength;
    auto found = state.sounds.find(state.soundSlot);
    if (state.soundSlot < 0 || found == state.sounds.end()) {
        exchange.reply[kPacketStatus] = kRejected;
        return;
    }
    SEmuSound& sound = found->second;
    const uint32_t index = bytes::GetLe24(exchange.request + length - 4);
    if (index >= sound.packets) {
        exchange.reply[kPacketStatus] = kRejected;
        return;
    }
    const auto chunk = static_cast<size_t>(length - 8);
    std::memcpy(&sound.data[index * chunk], exchange.request + 4, chunk);
    if (!sound.received[index]) {
        sound.received[index] = true;
        ++sound.receivedCount;
    }
    if (sound.receivedCount == sound.packets) {
        sound.complete = true;
        sound.data.resize(sound.length);
        state.soundSlot = -1;
    }
}

} // namespace

void InstallCommandSet(CEmuDevice& device)
{
    device.SetHandler(cmd::kDeviceInfo, HandleDeviceInfo);
    device.SetHandler(cmd::kWriteParams, HandleWriteParams);
    device.SetHandler(cmd::kWriteCustomParams, HandleWriteCustom);
    device.SetHandler(cmd::kReadParams, HandleReadParams);
    device.SetHandler(cmd::kReadCustomEffect, HandleReadCustom);
    device.SetHandler(cmd::kEffectFileHeader, HandleEffectFileHeader);
    device.SetHandler(cmd::kEffectFileListB, HandleEffectFileData);
    device.SetHandler(cmd::kEffectFileListA, HandleEffectFileData);
    device.SetHandler(cmd::kEffectFileListC, HandleEffectFileData);
    device.SetHandler(cmd::kSoundHeader, HandleSoundHeader);
    device.SetHandler(cmd::kSoundData, HandleSoundData);
}

SEmuParam StoreValue(const SEmuParam& previous, int32_t value)
{
    SEmuParam stored;
    stored.present = true;
    stored.high = static_cast<uint8_t>((previous.high & 0xE0) | ((value >> 8) & 0x1F));
    stored.low = static_cast<uint8_t>(value & 0xFF);
    return stored;
}

std::vector<uint8_t> BuildParamReport(const SEmuParamStore& params, const std::vector<int>& numbers, int length)
{
    std::vector<uint8_t> packet(static_cast<size_t>(std::max(length, 64)), 0);
    packet[kPacketCode] = cmd::kParamReport;
    const size_t room = length >= 7 ? static_cast<size_t>((length - 7) / 3) : 0;
    const size_t count = std::min(room, numbers.size());
    packet[4] = static_cast<uint8_t>(count);
    for (size_t i = 0; i < count; ++i) {
        const int n = numbers[i];
        const SEmuParam param = n >= 0 && n < kEmuParamCount ? params[static_cast<size_t>(n)] : SEmuParam {};
        packet[5 + 3 * i] = static_cast<uint8_t>(n);
        packet[6 + 3 * i] = param.high;
        packet[7 + 3 * i] = param.low;
    }
    if (length >= 2)
        packet[static_cast<size_t>(length - 2)] = 1;
    return packet;
}

std::vector<uint8_t> BuildCustomChangedReport(int length)
{
    std::vector<uint8_t> packet(static_cast<size_t>(std::max(length, 64)), 0);
    packet[kPacketCode] = cmd::kCustomEffectsChanged;
    return packet;
}

std::vector<uint8_t> BuildLevelReport(const std::vector<uint8_t>& levels, int length)
{
    std::vector<uint8_t> packet(static_cast<size_t>(std::max(length, 64)), 0);
    packet[kPacketCode] = cmd::kLevelReport;
    for (size_t i = 0; i < levels.size() && 4 + i + 1 < static_cast<size_t>(length); ++i)
        packet[4 + i] = levels[i];
    return packet;
}

} // namespace vy::emu
