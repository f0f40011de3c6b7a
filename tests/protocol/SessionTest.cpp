// The device session on the deterministic UI loop against the emulated card
// over the real socket: arrival and connect, adopting or writing the state,
// the heartbeat and its loss, removal, sign-off, another model and resume.
#include "device/hid/SocketTransport.h"
#include "model/ParamEncoding.h"
#include "protocol/DeviceReconnector.h"
#include "protocol/PackData201.h"
#include "protocol/TipSink.h"
#include "tests/protocol/WorkspaceFixture.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace vy::test {
namespace {

using emu::SEmuState;

class CTips : public ITipSink {
public:
    void ShowTip(const std::string& text, int durationMs, bool) override { shown.emplace_back(text, durationMs); }
    std::vector<std::pair<std::string, int>> shown;
};

class SessionTest : public WorkspaceTest {
protected:
    // What the application does when the card appears: open it with the
    // protocol, then hand the arrival over.
    CTestWorkspace& Arrive(const SHeartbeatTiming& timing = {})
    {
        CTestWorkspace& ws = StartWorkspace(false);
        ws.SetHeartbeatTiming(timing);
        ws.SetDeviceManager(&m_harness.Manager());
        ws.SetTipSink(&m_tips);
        State([](SEmuState& state) { state.requestLog.clear(); });
        EXPECT_TRUE(m_harness.Manager().Open(new CSocketTransport(m_harness.DevicePath()), &ws));
        ws.OnDeviceChanged(0, m_harness.DevicePath());
        return ws;
    }
    // The requests the card saw, without the heartbeat's take-control
    // requests (every 0x90 after the first).
    std::vector<uint8_t> Requests()
    {
        std::vector<uint8_t> log = State([](SEmuState& state) { return state.requestLog; });
        std::vector<uint8_t> requests;
        bool first = true;
        for (uint8_t code : log) {
            if (code == 0x90 && !first)
                continue;
            first = first && code != 0x90;
            requests.push_back(code);
        }
        return requests;
    }
    // Events posted to the loop since the last call.
    std::vector<uint32_t> PostedEvents()
    {
        m_loop.Drain();
        std::vector<uint32_t> events;
        events.swap(m_posted);
        return events;
    }

    CTips m_tips;
    std::vector<uint32_t> m_posted;
    CEventSubscription m_changed { m_center, events::kDeviceChanged,
        [this](const CEventBase& event) { m_posted.push_back(event.Id()); } };
    CEventSubscription m_another { m_center, events::kAnotherDevice,
        [this](const CEventBase& event) { m_posted.push_back(event.Id()); } };
};

std::vector<uint8_t> Repeat(uint8_t code, size_t count)
{
    return std::vector<uint8_t>(count, code);
}

TEST_F(SessionTest, ArrivalConnectsWithTheCommandsInOrder)
{
    for (const int syncParams : { 1, 0 }) {
        SCOPED_TRACE(syncParams);
        UseRules(1, syncParams);
        CTestWorkspace& ws = Arrive();
        EXPECT_TRUE(ws.IsConnected());
        EXPECT_TRUE(ws.IsDeviceReady());
        EXPECT_TRUE(ws.Heartbeat().IsRunning());
        EXPECT_EQ(PostedEvents(), (std::vector<uint32_t> { events::kDeviceChanged }));

        // 0x90 and the link exchange, device information, the four custom
        // slots of 36 values (four packets each), then the card's values read
        // or the program's written.
        std::vector<uint8_t> expected = { 0x90, 0x0E, 0x92 };
        const std::vector<uint8_t> slots = Repeat(0x98, 16);
        expected.insert(expected.end(), slots.begin(), slots.end());
        if (syncParams) {
            const std::vector<uint8_t> reads = Repeat(0x9C, 4);
            expected.insert(expected.end(), reads.begin(), reads.end());
        } else {
            ParamWords all;
            ComposeFullSet(ws.ParamDefs(), ws.Current().values, true, all);
            const std::vector<uint8_t> writes = Repeat(0x94, (all.size() + 10) / 11);
            expected.insert(expected.end(), writes.begin(), writes.end());
        }
        EXPECT_EQ(Requests(), expected);
        State([](SEmuState& state) { EXPECT_TRUE(state.controlled); });
    }
}

TEST_F(SessionTest, WithoutCustomSyncTheSlotsAreNotRead)
{
    UseRules(0, 1);
    Arrive();
    EXPECT_EQ(Requests(), (std::vector<uint8_t> { 0x90, 0x0E, 0x92, 0x9C, 0x9C, 0x9C, 0x9C }));
}

TEST_F(SessionTest, AdoptingTakesTheCardsEffectAndValues)
{
    UseRules(1, 1);
    State([](SEmuState& state) {
        state.params[0] = emu::SEmuParam { true, 0, 0x20 }; // custom slot 2
        state.params[5] = emu::SEmuParam { true, 0x20, 61 };
        state.params[2] = emu::SEmuParam { true, 0x20, 17 }; // a setting of the card
    });
    CTestWorkspace& ws = Arrive();
    EXPECT_EQ(ws.Current().kind, kEffectKindDeviceCustom);
    EXPECT_EQ(ws.Current().index, 1);
    EXPECT_EQ(ws.Current().Name(), ws.Effects()[9].Name());
    EXPECT_EQ(ws.GetValue(5), 61);
    EXPECT_EQ(ws.GetValue(2), 17);
    EXPECT_EQ(m_binder->shown.at(1005), 61);
    // Nothing is written back.
    EXPECT_EQ(State([](SEmuState& state) { return state.requestsByCode[0x94]; }), 0u);
    EXPECT_TRUE(m_tips.shown.empty());
}

TEST_F(SessionTest, UndecodableEffectNumberFallsBackToTheFirstEffect)
{
    UseRules(0, 1);
    State([](SEmuState& state) { state.params[0] = emu::SEmuParam { true, 0, 0x70 }; });
    CTestWorkspace& ws = Arrive();
    EXPECT_EQ(ws.Current().Name(), ws.Effects()[0].Name());
    EXPECT_EQ(ws.GetEffectNumberValue(), 0x70); // the value read still lands
    ASSERT_EQ(m_tips.shown.size(), 1u);
    EXPECT_EQ(m_tips.shown[0], (std::pair<std::string, int> { kBadDeviceEffectTip, 2000 }));
}

TEST_F(SessionTest, FailingReadOfTheCardWritesTheProgramsValues)
{
    UseRules(0, 1);
    Emulator().InjectFault(emu::EEmuFault::Drop, 4, 0x9C);
    CTestWorkspace& ws = Arrive();
    EXPECT_TRUE(ws.IsConnected());
    const std::vector<uint8_t> requests = Requests();
    ASSERT_GE(requests.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(requests.begin() + 3, requests.begin() + 7), Repeat(0x9C, 4));
    EXPECT_EQ(requests.back(), 0x94);
    State([&](SEmuState& state) {
        for (int n : { 1, 5, 13, 31 })
            EXPECT_EQ(state.params[static_cast<size_t>(n)].Value(), ws.GetValue(n)) << n;
    });
}

TEST_F(SessionTest, KnobTurnedOnTheCardReachesTheWorkspace)
{
    UseRules(0, 0);
    CTestWorkspace& ws = Arrive();
    std::vector<EventParamChanged::Pairs> changes;
    CEventSubscription subscription(m_center, events::kParamChanged,
        [&](const CEventBase& event) { changes.push_back(static_cast<const EventParamChanged&>(event).Params()); });
    ASSERT_TRUE(Emulator().TurnKnob(13, 20));
    ASSERT_TRUE(m_loop.RunUntil([&] { return ws.GetValue(13) == 20; }));
    m_loop.Drain();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), (EventParamChanged::Pairs { { 13, 20 } }));
}

TEST_F(SessionTest, SilentCardIsReportedLost)
{
    UseRules(0, 0);
    // Shortened: a beat every 50 ms, two tries of 100 ms.
    CTestWorkspace& ws = Arrive({ 50, 2, 100 });
    CLogCapture log;
    Emulator().SetStopAnswering(true);
    const auto lost = [&] {
        for (const auto& [msg, wParam] : m_window->messages)
            if (msg == WMU_APP_NOTIFY && wParam == 2)
                return true;
        return false;
    };
    ASSERT_TRUE(m_loop.RunUntil(lost, 10000));
    EXPECT_TRUE(log.Contains("Lost heartbeat: device disconnected"));
    EXPECT_TRUE(ws.Heartbeat().LossReported());
    EXPECT_TRUE(m_loop.RunUntil([&] { return !ws.Heartbeat().IsRunning(); }));

    // The main window's answer to the loss.
    ws.Disconnect();
    EXPECT_FALSE(ws.IsConnected());
    EXPECT_FALSE(ws.Heartbeat().IsRunning());
    EXPECT_FALSE(m_harness.Manager().IsOpen());
    EXPECT_FALSE(ws.IsDeviceReady());
}

TEST_F(SessionTest, HeartbeatKeepsTheCardAndWaitsWhileNothingIsOpen)
{
    UseRules(0, 0);
    CTestWorkspace& ws = StartWorkspace(false);
    ws.SetHeartbeatTiming({ 20, 5, 500 });
    ws.SetDeviceManager(&m_harness.Manager());
    ASSERT_TRUE(ws.Heartbeat().Start());
    EXPECT_FALSE(ws.Heartbeat().Start()); // already running
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(State([](SEmuState& state) { return state.requestsByCode[0x90]; }), 0u);
    ASSERT_TRUE(m_harness.Manager().Open(new CSocketTransport(m_harness.DevicePath()), &ws));
    EXPECT_TRUE(Emulator().WaitUntil([](const SEmuState& state) { return state.requestsByCode[0x90] >= 3; }, 5000));
    EXPECT_TRUE(ws.Heartbeat().IsRunning());
    EXPECT_FALSE(ws.Heartbeat().LossReported());
}

TEST_F(SessionTest, DisconnectEndsTheHeartbeatWithoutWaitingOutItsPeriod)
{
    UseRules(0, 0);
    CTestWorkspace& ws = Arrive();
    ASSERT_TRUE(ws.Heartbeat().IsRunning());
    // The heartbeat sleeps 3000 ms between beats; Disconnect must not wait for it.
    const auto start = std::chrono::steady_clock::now();
    ws.Disconnect();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_FALSE(ws.Heartbeat().IsRunning());
}

TEST_F(SessionTest, RemovalOfAnotherDeviceChangesNothing)
{
    UseRules(0, 0);
    CTestWorkspace& ws = Arrive();
    PostedEvents();
    ws.OnDeviceChanged(1, "/dev/hidraw97");
    EXPECT_TRUE(ws.IsConnected());
    EXPECT_TRUE(m_harness.Manager().IsOpen());
    EXPECT_TRUE(PostedEvents().empty());

    // An arrival of a device with other ids is not connected and raises nothing.
    State([](SEmuState& state) { state.requestLog.clear(); });
    ws.OnDeviceChanged(0, "emu:/nowhere#VID_1234&PID_0001");
    EXPECT_TRUE(PostedEvents().empty());
    EXPECT_TRUE(Requests().empty());

    // The open device going away: the application closed it first.
    const std::string path = m_harness.DevicePath();
    m_harness.Manager().Close();
    ws.OnDeviceChanged(1, path);
    EXPECT_FALSE(ws.IsConnected());
    EXPECT_EQ(PostedEvents(), (std::vector<uint32_t> { events::kDeviceChanged }));
    EXPECT_TRUE(ws.Heartbeat().IsRunning()); // it keeps polling for the next device
}

TEST_F(SessionTest, SignOffRestoresStoresAndReleases)
{
    for (const int syncParams : { 0, 1 }) {
        SCOPED_TRACE(syncParams);
        UseRules(0, syncParams);
        // Nothing of the previous round may write into this round's file.
        m_harness.Disconnect();
        m_workspace.reset();
        std::remove(m_settingsPath.c_str());
        CTestWorkspace& ws = Arrive();
        ASSERT_TRUE(ws.SelectDeviceEffect(2));
        const int32_t kept = ws.GetValue(32);
        ws.SetParam(32, kept ? 0 : 1); // the one-touch dry voice is not kept
        ws.SetParam(5, 70); // a kept value
        const uint64_t exchanges = State([](SEmuState& state) { return state.linkExchanges; });

        EXPECT_TRUE(ws.SignOff());
        EXPECT_FALSE(ws.IsConnected());
        EXPECT_EQ(ws.GetValue(32), kept);
        EXPECT_EQ(ws.GetValue(5), 70);
        State([&](SEmuState& state) {
            EXPECT_FALSE(state.controlled);
            EXPECT_EQ(state.linkExchanges, exchanges + 1);
        });
        EffectRecord stored;
        const bool written
            = CPrivateProfile::GetStruct(m_settingsPath, "LastStatus", "CurrentEffect", &stored, sizeof stored);
        EXPECT_EQ(written, syncParams == 0);
        if (written) {
            EXPECT_EQ(stored.values[5], 70);
            EXPECT_EQ(stored.values[32], kept);
            EXPECT_EQ(stored.Name(), ws.Effects()[2].Name());
        }
    }
}

TEST_F(SessionTest, AnotherModelReloadsAndAnnouncesItself)
{
    UseRules(0, 0);
    CTestWorkspace& ws = Arrive();
    PostedEvents();
    SWorkspaceConfig config = ws.WorkspaceConfig();
    config.model = "PX41";
    config.productId = 0x0041;
    ws.SetWorkspaceConfig(config);
    ws.OnAnotherDevice(0, m_harness.DevicePath());
    EXPECT_EQ(PostedEvents(), (std::vector<uint32_t> { events::kDeviceChanged, events::kAnotherDevice }));
    EXPECT_EQ(ws.PackData().Variant(), PacketVariant::kThreeList);
    EXPECT_EQ(m_rules.Adpcm(), 1);
    EXPECT_EQ(m_rules.SoundSampleRate(), 48000);
    EXPECT_TRUE(ws.IsConnected());
    EXPECT_EQ(ws.MyEffects().size(), static_cast<size_t>(m_rules.MyEffectMaxCount()));

    ws.OnAnotherDevice(1, m_harness.DevicePath());
    EXPECT_FALSE(ws.IsConnected());
    EXPECT_EQ(PostedEvents(), (std::vector<uint32_t> { events::kDeviceChanged, events::kAnotherDevice }));
}

TEST_F(SessionTest, ResumeReconnectsTheModelsDevice)
{
    struct CReconnector : IDeviceReconnector {
        CEmulatorHarness* harness = nullptr;
        CVYAudioProtocol* protocol = nullptr;
        bool available = true;
        int calls = 0;
        bool ReconnectDevice() override
        {
            ++calls;
            return available && harness->Manager().Open(new CSocketTransport(harness->DevicePath()), protocol);
        }
    } reconnector;
    UseRules(0, 0);
    CTestWorkspace& ws = Arrive();
    reconnector.harness = &m_harness;
    reconnector.protocol = &ws;
    ws.SetReconnector(&reconnector);
    ws.SignOff();
    ws.Disconnect();
    PostedEvents();

    ws.OnResume();
    EXPECT_EQ(reconnector.calls, 1);
    EXPECT_TRUE(ws.IsConnected());
    EXPECT_TRUE(PostedEvents().empty());

    ws.SignOff();
    ws.Disconnect();
    reconnector.available = false;
    ws.OnResume();
    EXPECT_FALSE(ws.IsConnected());
    EXPECT_EQ(PostedEvents(), (std::vector<uint32_t> { events::kDeviceChanged }));
}

} // namespace
} // namespace vy::test
