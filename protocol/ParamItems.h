#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Parameter items: three bytes (number, high, low) in the payload of the
// parameter commands and reports. Lists of them start with a count at byte 4,
// the items from byte 5 on, and byte L - 2 marks the last packet of a series.
namespace vy {

constexpr int kItemCountOffset = 4;
constexpr int kItemsOffset = 5;
constexpr int kItemSize = 3;

// The three ways the card's replies and reports carry a value.
enum class EItemEncoding {
    kCustomEffectReply, // 0x99: 13 bits
    kParamsReply, // 0x9D: 13 bits, except a high byte of exactly 1 means the low byte alone
    kParamReport, // 0x9E: 12 bits
};

struct SParamItem {
    int32_t number = 0;
    int32_t value = 0;

    bool operator==(const SParamItem&) const = default;
};

// Items that fit one packet of length `packetLength`: (L - 7) / 3, 11 for 40.
int ItemsPerPacket(int packetLength);

// The value of one item's high and low byte.
int32_t DecodeItemValue(EItemEncoding encoding, uint8_t high, uint8_t low);

// The items of a reply or report. The count byte is trusted only as far as
// the packet holds items: a larger count is cut to what fits before L - 2.
std::vector<SParamItem> ReadItemList(const uint8_t* packet, int packetLength, EItemEncoding encoding);
// Byte L - 2 is nonzero in the last packet of a series.
bool IsLastOfSeries(const uint8_t* packet, int packetLength);

// "V%d.%d": a version byte of 23 reads V2.3.
std::string VersionText(uint8_t version);
// The name shown for the device type byte of the information reply.
std::string DeviceTypeName(uint8_t type);

// Positions in the device information reply.
constexpr int kInfoHardwareVersion = 4;
constexpr int kInfoFirmwareVersion = 6;
constexpr int kInfoDeviceType = 14;

} // namespace vy
