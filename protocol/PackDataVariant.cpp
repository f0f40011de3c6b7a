#include "protocol/PackDataVariant.h"

#include "base/Log.h"
#include "device/Packet.h"
#include "protocol/PackData201.h"
#include "protocol/PackData502.h"

namespace vy {

void CPackDataVariant::SetLinkParams(std::optional<SScrambleParams> params)
{
    std::lock_guard<std::mutex> guard(m_linkMutex);
    m_linkOverride = params;
}

SScrambleParams CPackDataVariant::LinkParams() const
{
    {
        std::lock_guard<std::mutex> guard(m_linkMutex);
        if (m_linkOverride)
            return *m_linkOverride;
    }
    return SessionParams();
}

bool CPackDataVariant::PacketLengthUsable() const
{
    const int length = PacketLength();
    if (length < kMinPacketLength || length > kPacketBufferSize) {
        VY_LOG(
            "packet length %d cannot hold effect-file packets (%d to %d)", length, kMinPacketLength, kPacketBufferSize);
        return false;
    }
    return true;
}

std::unique_ptr<CPackDataVariant> CreatePackData(std::string_view model)
{
    if (PacketVariantForModel(model) == PacketVariant::kTwoList)
        return std::make_unique<CPackData502>();
    return std::make_unique<CPackData201>();
}

} // namespace vy
