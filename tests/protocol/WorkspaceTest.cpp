// The workspace on the deterministic UI loop against the emulated card:
// the send throttle, selections, saving, device reports and persistence.
#include "base/HotkeyRegistrar.h"
#include "protocol/AppHotkeys.h"
#include "protocol/DeviceEvents.h"
#include "tests/protocol/WorkspaceFixture.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace vy::test {
namespace {

using emu::SEmuState;

class ParamEventRecorder {
public:
    explicit ParamEventRecorder(SNotifyCenter& center)
        : m_subscription(center, events::kParamChanged, [this](const CEventBase& event) {
            events.push_back(static_cast<const EventParamChanged&>(event).Params());
        })
    {
    }
    std::vector<EventParamChanged::Pairs> events;

private:
    CEventSubscription m_subscription;
};

// --- the send throttle ---

TEST_F(WorkspaceTest, ThrottleWritesTheFirstChangeAtOnceAndBatchesTheRest)
{
    CTestWorkspace& ws = StartWorkspace();
    ClearPackets();

    ws.SetParam(5, 41); // after a quiet period: written at once
    ASSERT_EQ(ParamPackets().size(), 1u);
    EXPECT_EQ(Items(ParamPackets()), (std::map<int, int> { { 5, 41 } }));

    m_loop.Advance(50);
    ws.SetParam(6, 42); // 50 ms later: waits for the timer
    EXPECT_EQ(ParamPackets().size(), 1u);
    m_loop.Advance(149);
    EXPECT_EQ(ParamPackets().size(), 1u);
    m_loop.Advance(1); // 200 ms after the first write
    ASSERT_EQ(ParamPackets().size(), 2u);
    EXPECT_EQ(Items({ ParamPackets()[1] }), (std::map<int, int> { { 6, 42 } }));

    // Three changes within 200 ms: one batch, the last value of each.
    ClearPackets();
    m_loop.Advance(20);
    ws.SetParam(5, 50);
    m_loop.Advance(60);
    ws.SetParam(7, 9);
    m_loop.Advance(60);
    ws.SetParam(5, 51);
    EXPECT_TRUE(ParamPackets().empty());
    m_loop.Advance(60); // 200 ms after the last write
    const std::vector<emu::SEmuParamPacket> batch = ParamPackets();
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_EQ(Items(batch), (std::map<int, int> { { 5, 51 }, { 7, 9 } }));
    EXPECT_TRUE(ws.PendingWrites().empty());
}

TEST_F(WorkspaceTest, SteadyDraggingStillWritesEveryInterval)
{
    CTestWorkspace& ws = StartWorkspace();
    ws.SetParam(5, 1);
    ClearPackets();
    // A change every 50 ms for a second: a batch every 200 ms, not one at the end.
    for (int step = 0; step < 20; ++step) {
        m_loop.Advance(50);
        ws.SetParam(5, 10 + step);
    }
    EXPECT_GE(ParamPackets().size(), 4u);
    m_loop.Advance(200);
    EXPECT_EQ(State([](SEmuState& state) { return state.params[5].Value(); }), 29);
}

TEST_F(WorkspaceTest, ValueAlreadyHeldWritesAndLogsNothing)
{
    CTestWorkspace& ws = StartWorkspace();
    ClearPackets();
    CLogCapture log;
    ws.SetParam(5, ws.GetValue(5));
    m_loop.Advance(500);
    EXPECT_TRUE(ParamPackets().empty());
    EXPECT_FALSE(log.Contains("SetParam:"));
    ws.SetParam(5, ws.GetValue(5) + 1);
    EXPECT_TRUE(log.Contains("SetParam: 混响音量 5  "));
}

TEST_F(WorkspaceTest, MergedParameterTravelsInItsCarriersWord)
{
    CTestWorkspace& ws = StartWorkspace();
    ws.SetParam(25, 1);
    m_loop.Advance(300);
    ws.SetParam(26, 3);
    m_loop.Advance(300);
    ClearPackets();
    ws.SetParam(27, 2);
    // Word 24: switch bit 0, key from bit 1, scale from bit 5.
    EXPECT_EQ(Items(ParamPackets()), (std::map<int, int> { { 24, 1 | 3 << 1 | 2 << 5 } }));
}

TEST_F(WorkspaceTest, WritesWhileDisconnectedAreDroppedButKept)
{
    CTestWorkspace& ws = StartWorkspace();
    ws.SetConnected(0);
    ClearPackets();
    ws.SetParam(5, 77);
    m_loop.Advance(500);
    EXPECT_TRUE(ParamPackets().empty());
    EXPECT_TRUE(ws.PendingWrites().empty());
    EXPECT_EQ(ws.GetValue(5), 77);
    ws.SetConnected(1);
    ASSERT_TRUE(ws.SendAllParams(1));
    EXPECT_EQ(State([](SEmuState& state) { return state.params[5].Value(); }), 77);
}

// --- selection ---

TEST_F(WorkspaceTest, SelectingABuiltInEffectWritesOnlyItsNumber)
{
    CTestWorkspace& ws = StartWorkspace();
    ClearPackets();
    ParamEventRecorder recorder(m_center);
    ASSERT_TRUE(ws.SelectDeviceEffect(3));
    const std::vector<emu::SEmuParamPacket> packets = ParamPackets();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(Items(packets), (std::map<int, int> { { 0, 3 } }));
    EXPECT_EQ(ws.Current().Name(), "喊麦");
    EXPECT_EQ(ws.Current().kind, kEffectKindBuiltIn);
    EXPECT_FALSE(ws.IsModified());
    // The bound controls follow, and the equaliser bands are announced.
    EXPECT_EQ(m_binder->shown.at(1000 + 14), ws.Effects()[3].values[14]);
    ASSERT_EQ(recorder.events.size(), 1u);
    ASSERT_EQ(recorder.events[0].size(), 10u);
    EXPECT_EQ(recorder.events[0].front().first, 14);
    EXPECT_EQ(recorder.events[0].back().first, 23);
}

TEST_F(WorkspaceTest, SelectingAPersonalEffectWritesTheWholeSet)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SelectDeviceEffect(4)); // base effect 4
    ws.SetParam(25, 1);
    ws.SetParam(26, 5);
    ws.SetParam(27, 1);
    m_loop.Advance(300);
    ASSERT_TRUE(ws.SaveCurrentAs(2, 1, "我的电音"));
    EXPECT_EQ(ws.MyEffects()[2].values[0], 0xF4);
    EXPECT_EQ(ws.Current().kind, kEffectKindBuiltIn); // saving a personal effect keeps the current one
    ASSERT_TRUE(ws.SelectDeviceEffect(0));

    ClearPackets();
    ASSERT_TRUE(ws.SelectMyEffect(2));
    const std::map<int, int> items = Items(ParamPackets());
    EXPECT_EQ(items.at(0), 0xF4);
    EXPECT_EQ(items.at(24), 1 | 5 << 1 | 1 << 5);
    // Every parameter the effect owns, the packed parts only in their word.
    std::set<int> expected;
    for (size_t i = 0; i < ws.ParamDefs().size(); ++i) {
        const ParamDef& def = ws.ParamDefs()[i];
        if (def.sendDevice)
            expected.insert(def.bitMerge ? def.mergeNo : static_cast<int>(i));
    }
    std::set<int> written;
    for (const auto& [number, value] : items)
        written.insert(number);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(ws.Current().kind, kEffectKindMyCustom);
    EXPECT_EQ(ws.Current().Name(), "我的电音");
}

TEST_F(WorkspaceTest, ReapplyingTheCurrentEffectWritesWhatDiffers)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SelectDeviceEffect(1));
    ws.SetParam(5, 99);
    ws.SetParam(26, 7);
    m_loop.Advance(300);
    EXPECT_TRUE(ws.IsModified());
    ClearPackets();
    ASSERT_TRUE(ws.SelectEffect(1, kEffectKindBuiltIn));
    const std::map<int, int> items = Items(ParamPackets());
    EXPECT_EQ(items.size(), 2u);
    EXPECT_EQ(items.at(5), ws.Effects()[1].values[5]);
    EXPECT_EQ(
        items.at(24), ws.Effects()[1].values[25] | ws.Effects()[1].values[26] << 1 | ws.Effects()[1].values[27] << 5);
    EXPECT_FALSE(ws.IsModified());
    EXPECT_FALSE(ws.SelectEffect(99, kEffectKindBuiltIn));
    EXPECT_FALSE(ws.SelectEffect(0, 9));
}

TEST_F(WorkspaceTest, UnsavedChangesAreReportedOnlyWhenTheRuleAsks)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SelectDeviceEffect(1));
    ws.SetParam(0, 0x42); // the effect number alone is no change
    EXPECT_FALSE(ws.IsModified());
    ws.SetParam(1, ws.GetValue(1) + 1); // a setting of the card, not of the effect
    EXPECT_FALSE(ws.IsModified());
    ws.SetParam(13, ws.GetValue(13) + 1);
    EXPECT_TRUE(ws.IsModified());
    UseRules(0, 0, 12, 0);
    EXPECT_FALSE(ws.IsModified());
}

TEST_F(WorkspaceTest, GroupResetTakesTheStoredValuesOfTheCurrentEffect)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SelectDeviceEffect(2));
    for (int band = 14; band <= 23; ++band)
        ws.SetParam(band, 3);
    ws.SetParam(5, 88);
    m_loop.Advance(300);
    ClearPackets();
    ASSERT_TRUE(ws.ResetGroupToEffect(1)); // the equaliser group
    std::map<int, int> expected;
    for (int band = 14; band <= 23; ++band)
        expected[band] = ws.Effects()[2].values[band];
    EXPECT_EQ(Items(ParamPackets()), expected);
    EXPECT_EQ(ws.GetValue(5), 88);
    EXPECT_FALSE(ws.ResetGroupToEffect(40));
}

TEST_F(WorkspaceTest, FileEffectIsSentToTheCard)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.Handshake(1)); // the link parameters the file is scrambled with
    ASSERT_FALSE(ws.EffectFiles().empty());
    ASSERT_TRUE(ws.SelectFileEffect(1, kEffectKindFile));
    EXPECT_EQ(ws.Current().kind, kEffectKindFile);
    EXPECT_EQ(ws.Current().Name(), ws.EffectFiles()[1].Name());
    State([](SEmuState& state) {
        EXPECT_TRUE(state.lastEffectFile.complete);
        EXPECT_EQ(state.lastEffectFile.number, 0);
    });
    EXPECT_FALSE(ws.SelectFileEffect(7, kEffectKindFile));
}

// --- saving ---

TEST_F(WorkspaceTest, SavingToDeviceSlotZeroStoresItOnTheCardAndInTheFile)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SelectDeviceEffect(6));
    ws.SetParam(5, 66);
    m_loop.Advance(300);
    ClearPackets();
    ASSERT_TRUE(ws.SaveCurrentAs(0, 0, "我的槽一"));
    const std::vector<emu::SEmuParamPacket> packets = ParamPackets();
    ASSERT_FALSE(packets.empty());
    for (const auto& packet : packets)
        EXPECT_EQ(packet.code, 0x96);
    EXPECT_EQ(Items(packets).at(0), 0x10 | 6);
    State([](SEmuState& state) {
        EXPECT_EQ(state.customSlots[0][0].Value(), 0x16);
        EXPECT_EQ(state.customSlots[0][5].Value(), 66);
    });
    EXPECT_EQ(ws.Current().kind, kEffectKindDeviceCustom);
    EXPECT_EQ(ws.Current().index, 0);
    EXPECT_EQ(ws.Current().values[0], 0x16);
    EffectRecord stored;
    ASSERT_TRUE(CPrivateProfile::GetStruct(m_settingsPath, "DeviceCustomEffect", "0", &stored, sizeof stored));
    EXPECT_EQ(stored.Name(), "我的槽一");
    EXPECT_EQ(stored.values[5], 66);

    EXPECT_FALSE(ws.SaveCurrentAs(0, 0, ""));
    EXPECT_FALSE(ws.SaveCurrentAs(4, 0, "x"));
    EXPECT_FALSE(ws.SaveCurrentAs(12, 1, "x"));
}

TEST_F(WorkspaceTest, NamesClashAcrossListsExceptEmptySlotsAndItself)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SaveCurrentAs(3, 1, "夜晚"));
    struct SCase {
        int32_t kind, slot;
        const char* name;
        bool exists;
    };
    const SCase cases[] = {
        { 2, 0, "唱歌", true }, // a built-in effect
        { 2, 0, "自定义2", true }, // a device custom slot
        { 2, 0, "演唱会现场", true }, // an effect file
        { 2, 0, "夜晚", true }, // another personal slot
        { 2, 3, "夜晚", false }, // the slot being renamed itself
        { 2, 0, "唱歌 ", false }, // names compare exactly
        { 1, 1, "自定义2", false }, // the device slot being saved over
    };
    for (const SCase& c : cases)
        EXPECT_EQ(ws.NameExists(c.kind, c.slot, c.name), c.exists) << c.name << " " << c.kind << "/" << c.slot;
}

TEST_F(WorkspaceTest, DeleteAndRenamePersonalEffects)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SaveCurrentAs(1, 1, "旧名"));
    const int32_t global = ws.DeviceEffectCount() + 1;
    ASSERT_TRUE(ws.RenameMyEffect(global, "新名"));
    EXPECT_EQ(ws.MyEffects()[1].Name(), "新名");
    ASSERT_TRUE(ws.DeleteMyEffect(global));
    EXPECT_EQ(ws.MyEffects()[1].empty, 1);
    EXPECT_FALSE(ws.SelectMyEffect(1));
    EXPECT_FALSE(ws.RenameMyEffect(3, "x")); // a device effect, not a personal one
    StartWorkspace();
    EXPECT_EQ(m_workspace->MyEffects()[1].empty, 1);
}

// --- device reports ---

TEST_F(WorkspaceTest, ReportedEffectNumberSelectsTheCustomSlot)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_EQ(ws.DefaultEffectCount(), 8);
    ASSERT_EQ(ws.DeviceCustomEffectCount(), 4);
    ParamEventRecorder recorder(m_center);
    ASSERT_TRUE(Emulator().TurnKnob(0, 0x25));
    ASSERT_TRUE(m_loop.RunUntil([&] { return !recorder.events.empty(); }));
    EXPECT_EQ(ws.Current().kind, kEffectKindDeviceCustom);
    EXPECT_EQ(ws.Current().index, 1);
    EXPECT_EQ(ws.Current().Name(), ws.Effects()[9].Name());
    EXPECT_EQ(ws.GetEffectNumberValue(), 0x25);
    // Nothing goes back to the card.
    ClearPackets();
    m_loop.Advance(500);
    EXPECT_TRUE(ParamPackets().empty());
}

TEST_F(WorkspaceTest, KnobTurnUpdatesTheValueAndRaisesTheEvent)
{
    CTestWorkspace& ws = StartWorkspace();
    ParamEventRecorder recorder(m_center);
    ASSERT_TRUE(Emulator().TurnKnob(5, 73));
    ASSERT_TRUE(m_loop.RunUntil([&] { return recorder.events.size() >= 2; }));
    EXPECT_EQ(ws.GetValue(5), 73);
    EXPECT_EQ(m_binder->shown.at(1005), 73);
    // The refresh of the bound controls (equaliser bands), then the report's pairs.
    EXPECT_EQ(recorder.events.back(), (EventParamChanged::Pairs { { 5, 73 } }));
}

TEST_F(WorkspaceTest, ReportNamingAnUndefinedParameterStopsThere)
{
    CTestWorkspace& ws = StartWorkspace();
    State([](SEmuState& state) {
        state.params[5] = emu::SEmuParam { true, 0x20, 11 };
        state.params[40] = emu::SEmuParam { true, 0, 1 };
        state.params[6] = emu::SEmuParam { true, 0x20, 22 };
    });
    ParamEventRecorder recorder(m_center);
    CEventRecorder reports(m_center, events::kRecvData);
    const int32_t before6 = ws.GetValue(6);
    ASSERT_EQ(Emulator().ReportParams({ 5, 40, 6 }), 1);
    ASSERT_TRUE(m_loop.RunUntil([&] { return !reports.Packets().empty(); }));
    m_loop.Drain();
    EXPECT_EQ(ws.GetValue(5), 11);
    EXPECT_EQ(ws.GetValue(6), before6);
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(WorkspaceTest, CustomSlotChangeOnTheCardIsReadBack)
{
    UseRules(1, 0);
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(Emulator().ChangeCustomEffect(3, { { 5, 55 }, { 13, 20 } }));
    ASSERT_TRUE(m_loop.RunUntil([&] { return ws.Effects()[10].values[5] == 55; }));
    EXPECT_EQ(ws.Effects()[10].values[13], 20);

    // Without the rule the card's slots are not read.
    UseRules(0, 0);
    CTestWorkspace& quiet = StartWorkspace();
    CEventRecorder reports(m_center, events::kRecvData);
    const uint64_t reads = State([](SEmuState& state) { return state.requestsByCode[0x98]; });
    ASSERT_TRUE(Emulator().ChangeCustomEffect(3, { { 5, 56 } }));
    ASSERT_TRUE(m_loop.RunUntil([&] { return !reports.Packets().empty(); }));
    m_loop.Drain();
    EXPECT_EQ(State([](SEmuState& state) { return state.requestsByCode[0x98]; }), reads);
    EXPECT_NE(quiet.Effects()[10].values[5], 56);
}

TEST_F(WorkspaceTest, EffectNumberDecodings)
{
    CTestWorkspace& ws = StartWorkspace();
    // 8 built-in effects and 4 custom slots.
    const std::tuple<int32_t, int32_t, int32_t> cases[] = {
        // value, reported, at connection
        { 3, 3, 3 }, { 11, 11, 11 }, { 0x10, 8, 8 }, { 0x25, 9, 9 }, { 0x40, 11, 11 },
        { 0x50, 11, 12 }, // past the last slot: limited, or out of range at connection
        { 0xF3, 11, 22 }, { 13, 7, 13 }, // a reported 13 reads as slot code 0: the effect before the first slot
    };
    for (const auto& [value, reported, connect] : cases) {
        EXPECT_EQ(ws.DecodeReportedEffect(value), reported) << value;
        EXPECT_EQ(ws.DecodeConnectEffect(value), connect) << value;
    }
}

// --- the one-touch soundtrack and the equaliser ---

TEST_F(WorkspaceTest, UiChangesRaiseTheEqualiserAndSoundtrackEvents)
{
    CTestWorkspace& ws = StartWorkspace();
    ParamEventRecorder params(m_center);
    std::vector<std::tuple<int32_t, int32_t, int32_t>> soundtrack;
    CEventSubscription subscription(m_center, events::kOneTouchSoundtrack, [&](const CEventBase& event) {
        const auto& e = static_cast<const EventOneTouchSoundtrack&>(event);
        soundtrack.emplace_back(e.Value(), e.EqAffected(), e.ReverbAffected());
    });
    ws.OnUiParamChanged(1017, 17, 20);
    ASSERT_EQ(params.events.size(), 1u);
    EXPECT_EQ(params.events[0], (EventParamChanged::Pairs { { 17, 20 } }));
    ws.OnUiParamChanged(1005, 5, 40);
    EXPECT_EQ(params.events.size(), 1u);

    ASSERT_TRUE(ws.SelectDeviceEffect(3)); // its rule forbids the equaliser
    ws.OnUiParamChanged(kOneTouchSoundtrackId, 32, 1);
    ASSERT_TRUE(ws.SelectDeviceEffect(1)); // no rule
    ws.OnUiParamChanged(kOneTouchSoundtrackId, 32, 0);
    ASSERT_TRUE(ws.SelectFileEffect(0, kEffectKindFile));
    ws.OnUiParamChanged(kOneTouchSoundtrackId, 32, 1);
    EXPECT_EQ(soundtrack, (std::vector<std::tuple<int32_t, int32_t, int32_t>> { { 1, 0, 1 }, { 0, 1, 1 } }));
}

// --- persistence ---

TEST_F(WorkspaceTest, EverythingWrittenReadsBackAfterARestart)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SelectDeviceEffect(5));
    ASSERT_TRUE(ws.SaveCurrentAs(0, 1, "第一"));
    ASSERT_TRUE(ws.SaveCurrentAs(5, 1, "第六"));
    ASSERT_TRUE(ws.SaveCurrentAs(2, 0, "槽三"));
    const int32_t myFirst = ws.DeviceEffectCount();
    ASSERT_TRUE(ws.SetEffectHotkey(2, MakeHotkey(kHotkeyCtrl, 'A')));
    ASSERT_TRUE(ws.SetEffectHotkey(myFirst + 5, MakeHotkey(kHotkeyAlt | kHotkeyShift, 'Q')));
    EffectRecord downloaded;
    downloaded.SetName("云一");
    downloaded.cloudId = 4711;
    downloaded.kind = kEffectKindDownloaded;
    ASSERT_TRUE(ws.AddDownloaded(downloaded));
    downloaded.SetName("云一 新版");
    ASSERT_TRUE(ws.AddDownloaded(downloaded)); // the later record of an id wins
    ASSERT_TRUE(m_settings->WriteEffect("LastStatus", "CurrentEffect", ws.Current()));

    CTestWorkspace& again = StartWorkspace();
    ASSERT_EQ(again.MyEffects().size(), 12u);
    for (size_t s = 0; s < 12; ++s)
        EXPECT_EQ(again.MyEffects()[s].empty, s == 0 || s == 5 ? 0 : 1) << s;
    EXPECT_EQ(again.MyEffects()[5].Name(), "第六");
    EXPECT_EQ(again.Effects()[10].Name(), "槽三");
    EXPECT_EQ(again.Effects()[10].values[0], 0x35);
    EXPECT_EQ(again.Current().Name(), "槽三");
    EXPECT_EQ(again.Saved().Name(), "槽三");
    EXPECT_EQ(again.Hotkeys(),
        (std::map<int32_t, uint32_t> {
            { 2, MakeHotkey(kHotkeyCtrl, 'A') }, { myFirst + 5, MakeHotkey(kHotkeyAlt | kHotkeyShift, 'Q') } }));
    EXPECT_EQ(static_cast<uint32_t>(again.Effects()[2].hotkey), MakeHotkey(kHotkeyCtrl, 'A'));
    ASSERT_EQ(again.Downloaded().size(), 2u);
    ASSERT_NE(again.FindDownloaded(4711), nullptr);
    EXPECT_EQ(again.FindDownloaded(4711)->Name(), "云一 新版");
    EXPECT_TRUE(again.IsHotkeyUsed(MakeHotkey(kHotkeyCtrl, 'A')));
    EXPECT_FALSE(again.IsHotkeyUsed(0));

    // With the card's values adopted, the stored current effect is not read.
    UseRules(0, 1);
    EXPECT_EQ(StartWorkspace().Current().Name(), again.Effects().empty() ? "" : "原声");
}

TEST_F(WorkspaceTest, ClearingTheLastHotkeyLeavesOnlyTheCount)
{
    CTestWorkspace& ws = StartWorkspace();
    ASSERT_TRUE(ws.SetEffectHotkey(1, MakeHotkey(kHotkeyCtrl, 'B')));
    ASSERT_TRUE(ws.SetEffectHotkey(4, MakeHotkey(kHotkeyCtrl, 'C')));
    ASSERT_TRUE(ws.ClearEffectHotkey(1));
    EXPECT_EQ(CPrivateProfile::SectionEntries(m_settingsPath, "EffectHotKey"),
        (std::vector<std::pair<std::string, std::string>> {
            { "count", "1" }, { "4", std::to_string(MakeHotkey(kHotkeyCtrl, 'C')) } }));
    ASSERT_TRUE(ws.ClearEffectHotkey(4));
    EXPECT_EQ(CPrivateProfile::SectionEntries(m_settingsPath, "EffectHotKey"),
        (std::vector<std::pair<std::string, std::string>> { { "count", "0" } }));
    EXPECT_EQ(ws.Effects()[4].hotkey, 0);
}

TEST_F(WorkspaceTest, TwelvePersonalSlotsWithOnlyTwoStored)
{
    EffectRecord first = EffectRecord::MakeEmpty(), sixth = EffectRecord::MakeEmpty();
    first.empty = sixth.empty = 0;
    first.SetName("零");
    sixth.SetName("五");
    first.kind = sixth.kind = kEffectKindMyCustom;
    sixth.index = 5;
    ASSERT_TRUE(CPrivateProfile::CreateIfMissing(m_settingsPath));
    ASSERT_TRUE(CPrivateProfile::WriteStruct(m_settingsPath, "MyCustomEffect", "0", &first, sizeof first));
    ASSERT_TRUE(CPrivateProfile::WriteStruct(m_settingsPath, "MyCustomEffect", "5", &sixth, sizeof sixth));
    // A damaged record reads as missing.
    ASSERT_TRUE(CPrivateProfile::WriteString(m_settingsPath, "MyCustomEffect", "3", "00FF"));

    CTestWorkspace& ws = StartWorkspace();
    ASSERT_EQ(ws.MyEffects().size(), 12u);
    for (int32_t s = 0; s < 12; ++s) {
        const bool stored = s == 0 || s == 5;
        EXPECT_EQ(ws.MyEffects()[static_cast<size_t>(s)].empty == 0, stored) << s;
        EXPECT_EQ(ws.SelectMyEffect(s), stored) << s;
    }
    // Empty slots have no name to clash with.
    EXPECT_TRUE(ws.NameExists(2, 1, "五"));
    EXPECT_FALSE(ws.NameExists(2, 1, ""));
}

TEST_F(WorkspaceTest, HotkeysRegisterOnlyWithTheSwitchOn)
{
    struct CRegistrar : IHotkeyRegistrar {
        std::map<int, uint32_t> held;
        bool RegisterHotkey(int id, uint32_t hotkey) override
        {
            held[id] = hotkey;
            return true;
        }
        void UnregisterHotkey(int id) override { held.erase(id); }
    } registrar;
    struct CApp : IAppHotkeys {
        bool on = false;
        int others = 0;
        bool IsHotkeySwitchOn() const override { return on; }
        void RegisterOtherHotkeys() override { ++others; }
        void UnregisterOtherHotkeys() override { --others; }
    } app;
    CTestWorkspace& ws = StartWorkspace();
    ws.SetHotkeyRegistrar(&registrar);
    ws.SetAppHotkeys(&app);
    ASSERT_TRUE(ws.SetEffectHotkey(3, 0x20041));
    ASSERT_TRUE(ws.SetEffectHotkey(ws.DeviceEffectCount(), 0x20042));
    ws.RegisterAllHotkeys();
    EXPECT_TRUE(registrar.held.empty());
    app.on = true;
    ws.RegisterAllHotkeys();
    EXPECT_EQ(registrar.held, (std::map<int, uint32_t> { { 3, 0x20041 }, { ws.DeviceEffectCount(), 0x20042 } }));
    EXPECT_EQ(app.others, 1);
    ws.UnregisterAllHotkeys();
    EXPECT_TRUE(registrar.held.empty());
    EXPECT_EQ(app.others, 0);
    ws.RegisterEffectHotkeys(); // the effect page's own registration ignores the switch
    EXPECT_EQ(registrar.held.size(), 2u);
}

} // namespace
} // namespace vy::test
