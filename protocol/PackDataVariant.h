#pragma once

#include "device/PackData.h"
#include "model/DeviceModel.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace vy {

// What both effect-file packet builders share besides the link exchange: the
// packet length they lay packets out for, and the scrambling parameters, which
// are the session's unless a tool sets its own.
class CPackDataVariant : public CPackData {
public:
    // The packet layouts need at least this many bytes.
    static constexpr int kMinPacketLength = 40;

    virtual PacketVariant Variant() const = 0;

    // The link's packet length L (the protocol keeps it in step with the device).
    void SetPacketLength(int length) { m_packetLength = length; }
    int PacketLength() const { return m_packetLength.load(); }

    // Parameters used instead of those of the last link exchange.
    void SetLinkParams(std::optional<SScrambleParams> params);
    // The parameters packets are scrambled with.
    SScrambleParams LinkParams() const;

protected:
    // False, logged, when the packet length cannot hold the layouts.
    bool PacketLengthUsable() const;

private:
    std::atomic<int> m_packetLength { kMinPacketLength };
    mutable std::mutex m_linkMutex;
    std::optional<SScrambleParams> m_linkOverride;
};

// The builder of a device model: the two-list builder for "PX40", the
// three-list builder for any other model.
std::unique_ptr<CPackDataVariant> CreatePackData(std::string_view model);

} // namespace vy
