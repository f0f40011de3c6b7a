#pragma once

#include "device/Packet.h"
#include "device/Protocol.h"
#include "model/Definitions.h"
#include "model/EffectRecord.h"
#include "model/ParamEncoding.h"
#include "protocol/CommandSet.h"
#include "protocol/PackDataVariant.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vy {

class ICommDeviceMgmt;
class SNotifyCenter;

// The card's protocol object: the command set over the device manager it is
// attached to, the unsolicited reports turned into events, and the parameter
// words waiting to be written.
//
// Commands run on the calling thread (UI, heartbeat or transfer thread); the
// manager's send lock serialises them. Every command returns false at once
// while no manager is attached. The pending writes and the definitions are
// UI-thread state.
class CVYAudioProtocol : public CProtocol {
public:
    // Takes over the packet builder of the device model (null: the PX40's).
    explicit CVYAudioProtocol(std::unique_ptr<CPackDataVariant> packData = nullptr);
    ~CVYAudioProtocol() override;
    CVYAudioProtocol(const CVYAudioProtocol&) = delete;
    CVYAudioProtocol& operator=(const CVYAudioProtocol&) = delete;

    // Receive thread: level meters, custom-effect changes and parameter
    // reports are posted to the notification center; anything else is dropped.
    int OnRecvData(const uint8_t* packet) override;
    void Attach(ICommDeviceMgmt* manager) override { m_manager = manager; }
    void Detach() override { m_manager = nullptr; }
    ICommDeviceMgmt* Manager() const { return m_manager.load(); }

    // Where report events go; without a center, reports raise nothing.
    void SetNotifyCenter(SNotifyCenter* center) { m_notifyCenter = center; }

    CPackDataVariant& PackData() { return *m_packData; }
    void ReplacePackData(std::unique_ptr<CPackDataVariant> packData);

    // The parameter definitions (valByte of every written value).
    CDefinitions& Definitions() { return m_defs; }
    const CDefinitions& Definitions() const { return m_defs; }
    // Parameter words waiting for WriteParams: key -> value, ascending.
    ParamWords& PendingWrites() { return m_pending; }

    // --- commands ---
    // 0x90 with the take-control flag, then the link exchange of the packet builder.
    bool Handshake(uint8_t takeControl);
    // 0x90 with take-control 1, 5 attempts of 3000 ms, no link exchange.
    bool KeepAlive();
    // 0x92 into `reply` (64 bytes): hardware version at byte 4, firmware at 6, type at 14.
    bool GetDeviceInfo(uint8_t* reply);
    // The 64 values of device custom slot `slot` (from 1) by the 0x98 series.
    // `destination` is changed only on success; a series over 4000 ms fails.
    bool GetDevDiyEff(int slot, EffectRecord& destination);
    // The card's current values by the 0x9C series.
    bool ReadDeviceParams(std::map<int32_t, int32_t>& values);
    // Writes the pending words as a 0x94 series (0x96 with `custom`). Emptied
    // on success; kept for the next flush when a packet is not acknowledged.
    bool WriteParams(int custom);
    // Sends prepared packets in order, 3 attempts of 500 ms each, stopping at
    // the first failure. `progress` (may be null) follows in percent.
    bool SendPackets(const std::vector<PacketBuffer>& packets, std::atomic<int>* progress = nullptr);
    // Loads an effect file with the packet builder, builds its packets for
    // `number` and sends them.
    bool SendEffectFile(const std::string& path, uint16_t number, std::atomic<int>* progress = nullptr);

    // One request/reply with the attached manager; false when none.
    bool Exchange(uint8_t* request, uint8_t* reply, cmd::SRetry retry);

    // The clock of the custom-effect series limit (monotonic ms).
    void SetClock(std::function<int64_t()> clock);

private:
    // The packets of a parameter series for the pending words.
    std::vector<PacketBuffer> BuildParamSeries(uint8_t code);
    void PostReport(const uint8_t* packet, bool levels);

    std::atomic<ICommDeviceMgmt*> m_manager { nullptr };
    std::atomic<SNotifyCenter*> m_notifyCenter { nullptr };
    std::unique_ptr<CPackDataVariant> m_packData;
    CDefinitions m_defs;
    ParamWords m_pending;
    std::function<int64_t()> m_clock;
};

} // namespace vy
