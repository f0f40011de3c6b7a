#pragma once

// A protocol object on an emulated card over the real socket, with the
// product's parameter definitions and a notification center on the
// deterministic UI loop.
#include "base/NotifyCenter.h"
#include "emu/EmuDefaults.h"
#include "model/FolderResourceProvider.h"
#include "protocol/DeviceEvents.h"
#include "protocol/VYAudioProtocol.h"
#include "tests/support/EmulatorHarness.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vy::test {

inline CFolderResourceProvider ProductData()
{
    return CFolderResourceProvider(SourceDir() + "/data/archive");
}

// Collects the events of one id delivered on the loop.
class CEventRecorder {
public:
    CEventRecorder(SNotifyCenter& center, uint32_t id)
        : m_subscription(center, id, [this](const CEventBase& event) { m_events.push_back(Copy(event)); })
    {
    }
    const std::vector<PacketBuffer>& Packets() const { return m_events; }

private:
    static PacketBuffer Copy(const CEventBase& event)
    {
        const auto* packetEvent = dynamic_cast<const CPacketEvent*>(&event);
        return packetEvent ? packetEvent->Packet() : PacketBuffer {};
    }
    CEventSubscription m_subscription;
    std::vector<PacketBuffer> m_events;
};

class ProtocolTest : public ::testing::Test {
protected:
    explicit ProtocolTest(const emu::SEmuConfig& config = {}, std::unique_ptr<CPackDataVariant> packData = nullptr)
        : m_protocol(std::move(packData))
        , m_harness(config)
    {
        m_loop.AdoptCurrentThread();
        m_protocol.SetNotifyCenter(&m_center);
        EffectRecord current;
        m_defsLoaded = m_protocol.Definitions().LoadAll(ProductData(), "effect", current);
        m_defaults = current;
        Emulator().WithState([&](emu::SEmuState& state) {
            emu::LoadProductDefaults(state, m_protocol.Definitions(), current);
            return 0;
        });
    }
    ~ProtocolTest() override { m_protocol.SetNotifyCenter(nullptr); }

    void SetUp() override
    {
        ASSERT_TRUE(m_defsLoaded);
        ASSERT_TRUE(m_harness.Connect(&m_protocol));
    }

    emu::CEmuServer& Emulator() { return m_harness.Emulator(); }
    template <class F> auto State(F&& f) { return Emulator().WithState(std::forward<F>(f)); }

    CFakeUiLoop m_loop;
    SNotifyCenter m_center { m_loop };
    CVYAudioProtocol m_protocol;
    EffectRecord m_defaults;
    bool m_defsLoaded = false;
    // Last: the harness closes the manager before the protocol goes.
    CEmulatorHarness m_harness;
};

} // namespace vy::test
