#include "protocol/ParamItems.h"

#include <algorithm>
#include <cstdio>

namespace vy {

int ItemsPerPacket(int packetLength)
{
    return packetLength >= 7 ? (packetLength - 7) / kItemSize : 0;
}

int32_t DecodeItemValue(EItemEncoding encoding, uint8_t high, uint8_t low)
{
    switch (encoding) {
    case EItemEncoding::kCustomEffectReply:
        return (high & 0x1F) << 8 | low;
    case EItemEncoding::kParamsReply:
        return high == 1 ? low : ((high & 0x1F) << 8 | low);
    case EItemEncoding::kParamReport:
        return (high & 0x0F) << 8 | low;
    }
    return 0;
}

std::vector<SParamItem> ReadItemList(const uint8_t* packet, int packetLength, EItemEncoding encoding)
{
    std::vector<SParamItem> items;
    if (!packet || packetLength < 7)
        return items;
    // Items must end before the last-packet mark at L - 2.
    const int room = (packetLength - 2 - kItemsOffset) / kItemSize;
    const int count = std::min<int>(packet[kItemCountOffset], room);
    items.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const uint8_t* item = packet + kItemsOffset + kItemSize * i;
        items.push_back(SParamItem { item[0], DecodeItemValue(encoding, item[1], item[2]) });
    }
    return items;
}

bool IsLastOfSeries(const uint8_t* packet, int packetLength)
{
    return packet && packetLength >= 2 && packet[packetLength - 2] != 0;
}

std::string VersionText(uint8_t version)
{
    char text[16];
    std::snprintf(text, sizeof text, "V%d.%d", version / 10, version % 10);
    return text;
}

std::string DeviceTypeName(uint8_t type)
{
    switch (type) {
    case 1:
        return "声卡";
    case 2:
        return "话筒";
    case 3:
        return "耳机";
    case 4:
        return "音箱";
    case 5:
        return "效果器";
    default:
        return "其他";
    }
}

} // namespace vy
