// The command set against the emulated card: parameter series, the three
// value decodings, reports and their checks, custom slots, device information.
#include "emu/EmuCommandSet.h"
#include "protocol/ParamItems.h"
#include "tests/protocol/ProtocolFixture.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace vy::test {
namespace {

using emu::SEmuParam;
using emu::SEmuState;

class CommandSetTest : public ProtocolTest { };

TEST_F(CommandSetTest, TwelvePendingWritesMakeTwoPacketsOfElevenAndOne)
{
    ParamWords& pending = m_protocol.PendingWrites();
    for (int n = 1; n <= 12; ++n)
        pending[n] = n + 20;
    ASSERT_TRUE(m_protocol.WriteParams(0));
    EXPECT_TRUE(pending.empty());

    State([](SEmuState& state) {
        ASSERT_EQ(state.paramPackets.size(), 2u);
        const auto& first = state.paramPackets[0];
        const auto& second = state.paramPackets[1];
        EXPECT_EQ(first.code, 0x94);
        EXPECT_EQ(first.index, 0);
        EXPECT_EQ(first.items.size(), 11u);
        EXPECT_FALSE(first.last);
        EXPECT_EQ(second.index, 1);
        EXPECT_EQ(second.items.size(), 1u);
        EXPECT_TRUE(second.last);
        // Ascending parameter numbers, each value stored by the card.
        EXPECT_EQ(first.items.front()[0], 1);
        EXPECT_EQ(second.items.front()[0], 12);
        for (int n = 1; n <= 12; ++n)
            EXPECT_EQ(state.params[static_cast<size_t>(n)].Value(), n + 20) << n;
    });
}

TEST_F(CommandSetTest, ValueTravelsWithTheWidthTagOfItsDefinition)
{
    // Parameter 13 (pitch) has valByte 2.
    ASSERT_EQ(m_protocol.Definitions().ParamDefs()[13].valByte, 2);
    m_protocol.PendingWrites()[13] = 300;
    ASSERT_TRUE(m_protocol.WriteParams(0));
    State([](SEmuState& state) {
        EXPECT_EQ(state.params[13].high, 0x41);
        EXPECT_EQ(state.params[13].low, 0x2C);
    });
    std::map<int32_t, int32_t> values;
    ASSERT_TRUE(m_protocol.ReadDeviceParams(values));
    EXPECT_EQ(values.at(13), 300);
}

TEST_F(CommandSetTest, WritingNothingSendsNothing)
{
    const uint64_t before = State([](SEmuState& state) { return state.requests; });
    EXPECT_TRUE(m_protocol.WriteParams(0));
    EXPECT_EQ(State([](SEmuState& state) { return state.requests; }), before);
}

TEST_F(CommandSetTest, FailedSeriesKeepsThePendingWritesForTheNextFlush)
{
    ParamWords& pending = m_protocol.PendingWrites();
    pending[5] = 44;
    pending[6] = 55;
    Emulator().InjectFault(emu::EEmuFault::Reject, 3, 0x94);
    EXPECT_FALSE(m_protocol.WriteParams(0));
    EXPECT_EQ(pending.size(), 2u);
    // Three attempts of the first packet, then the series stops.
    EXPECT_EQ(State([](SEmuState& state) { return state.paramPackets.size(); }), 3u);

    pending[7] = 66;
    ASSERT_TRUE(m_protocol.WriteParams(0));
    EXPECT_TRUE(pending.empty());
    State([](SEmuState& state) {
        EXPECT_EQ(state.params[5].Value(), 44);
        EXPECT_EQ(state.params[6].Value(), 55);
        EXPECT_EQ(state.params[7].Value(), 66);
    });
}

TEST_F(CommandSetTest, CustomWriteStoresIntoTheSlotItsEffectNumberNames)
{
    ParamWords& pending = m_protocol.PendingWrites();
    pending[0] = (3 << 4) | 2; // slot 3, derived from built-in effect 2
    pending[5] = 77;
    ASSERT_TRUE(m_protocol.WriteParams(1));
    State([](SEmuState& state) {
        ASSERT_EQ(state.paramPackets.size(), 1u);
        EXPECT_EQ(state.paramPackets[0].code, 0x96);
        EXPECT_EQ(state.customSlots[2][5].Value(), 77);
        EXPECT_EQ(state.customSlots[2][0].Value(), 0x32);
        // Current values are not touched by a custom write.
        EXPECT_NE(state.params[5].Value(), 77);
    });
    EffectRecord slot3;
    ASSERT_TRUE(m_protocol.GetDevDiyEff(3, slot3));
    EXPECT_EQ(slot3.values[5], 77);
    EXPECT_EQ(slot3.values[0], 0x32);
}

// The same item bytes read three ways: in a custom-effect reply (0x99), a
// current-values reply (0x9D) and a parameter report (0x9E).
struct SDecodingCase {
    uint8_t high;
    uint8_t low;
    int32_t custom;
    int32_t params;
    int32_t report;
};

TEST_F(CommandSetTest, SameItemBytesDecodeByTheirCarrier)
{
    const SDecodingCase cases[] = {
        { 0x01, 0x2C, 300, 44, 300 },
        { 0x41, 0x2C, 300, 300, 300 },
        { 0x12, 0x34, 0x1234, 0x1234, 0x234 },
        { 0xFF, 0xFF, 0x1FFF, 0x1FFF, 0xFFF },
        { 0x00, 0x00, 0, 0, 0 },
    };
    CEventRecorder reports(m_center, events::kRecvData);
    for (const SDecodingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.high) << " " << int(c.low));
        State([&](SEmuState& state) {
            state.params[9] = SEmuParam { true, c.high, c.low };
            state.customSlots[0][9] = SEmuParam { true, c.high, c.low };
        });
        EffectRecord slot;
        ASSERT_TRUE(m_protocol.GetDevDiyEff(1, slot));
        EXPECT_EQ(slot.values[9], c.custom);

        std::map<int32_t, int32_t> values;
        ASSERT_TRUE(m_protocol.ReadDeviceParams(values));
        EXPECT_EQ(values.at(9), c.params);

        const size_t before = reports.Packets().size();
        ASSERT_EQ(Emulator().ReportParams({ 9 }), 1);
        ASSERT_TRUE(m_loop.RunUntil([&] { return reports.Packets().size() > before; }));
        const std::vector<SParamItem> items
            = ReadItemList(reports.Packets().back().data(), m_protocol.GetPacketLength(), EItemEncoding::kParamReport);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0], (SParamItem { 9, c.report }));
    }
}

TEST_F(CommandSetTest, ReadsEveryParameterTheCardHolds)
{
    std::map<int32_t, int32_t> values;
    ASSERT_TRUE(m_protocol.ReadDeviceParams(values));
    const auto& defs = m_protocol.Definitions().ParamDefs();
    ASSERT_EQ(values.size(), defs.size());
    for (size_t i = 0; i < defs.size(); ++i)
        EXPECT_EQ(values.at(static_cast<int32_t>(i)), m_defaults.values[i]) << defs[i].name;
    // 36 parameters at 11 per packet: four requests with counters 0 to 3.
    EXPECT_EQ(State([](SEmuState& state) { return state.requestsByCode[0x9C]; }), 4u);
}

TEST_F(CommandSetTest, ReadFailsWhenTheCardStopsAnswering)
{
    Emulator().InjectFault(emu::EEmuFault::Drop, 4, 0x9C);
    std::map<int32_t, int32_t> values;
    EXPECT_FALSE(m_protocol.ReadDeviceParams(values));
    // Four attempts of the first packet, nothing more.
    EXPECT_EQ(State([](SEmuState& state) { return state.requestsByCode[0x9C]; }), 4u);
}

TEST_F(CommandSetTest, CustomSlotReadFailureLeavesTheRecordAndLogs)
{
    CLogCapture log;
    EffectRecord record;
    record.values[3] = 1234;
    // The card has four slots; slot 9 is rejected.
    EXPECT_FALSE(m_protocol.GetDevDiyEff(9, record));
    EXPECT_EQ(record.values[3], 1234);
    EXPECT_TRUE(log.Contains("Synchronize device custom sound effects:  Failed"));
}

TEST_F(CommandSetTest, CustomSlotSeriesOverFourSecondsIsGivenUp)
{
    // Each look at the clock moves it 1500 ms on: the series of four packets
    // passes 4000 ms before it completes.
    int64_t now = 0;
    m_protocol.SetClock([&] { return now += 1500; });
    EffectRecord record;
    record.values[5] = -1;
    EXPECT_FALSE(m_protocol.GetDevDiyEff(1, record));
    EXPECT_EQ(record.values[5], -1);
    const uint64_t requests = State([](SEmuState& state) { return state.requestsByCode[0x98]; });
    EXPECT_LT(requests, 4u);

    m_protocol.SetClock({});
    ASSERT_TRUE(m_protocol.GetDevDiyEff(1, record));
    EXPECT_EQ(record.values[0], 16); // the product's first custom slot
}

TEST_F(CommandSetTest, ReportsBecomeEventsOnlyWhenSound)
{
    CLogCapture log;
    CEventRecorder reports(m_center, events::kRecvData);
    CEventRecorder levels(m_center, events::kVolumeRecvData);
    const int length = m_protocol.GetPacketLength();

    // A parameter report with a broken check byte, then one with status 1.
    std::vector<uint8_t> broken = emu::BuildParamReport({}, { 5 }, length);
    broken[static_cast<size_t>(length - 1)] = static_cast<uint8_t>(CheckByte(broken.data(), length - 1) ^ 0x5A);
    Emulator().Push(broken.data(), length, false);
    std::vector<uint8_t> flagged = emu::BuildParamReport({}, { 6 }, length);
    flagged[3] = 1;
    Emulator().Push(flagged.data(), length);
    // Then the ones that count: levels, a custom-effects change, a good report.
    Emulator().Push(emu::BuildLevelReport({ 10, 20, 30 }, length).data(), length);
    ASSERT_TRUE(Emulator().ChangeCustomEffect(2, { { 5, 9 } }));
    ASSERT_TRUE(Emulator().TurnKnob(7, 33));

    ASSERT_TRUE(m_loop.RunUntil([&] { return reports.Packets().size() >= 2 && levels.Packets().size() >= 1; }));
    m_loop.Drain();
    ASSERT_EQ(reports.Packets().size(), 2u);
    EXPECT_EQ(reports.Packets()[0][0], 0x9A);
    EXPECT_EQ(reports.Packets()[1][0], 0x9E);
    EXPECT_EQ(ReadItemList(reports.Packets()[1].data(), length, EItemEncoding::kParamReport),
        (std::vector<SParamItem> { { 7, 33 } }));
    ASSERT_EQ(levels.Packets().size(), 1u);
    EXPECT_EQ(levels.Packets()[0][4], 10);
    EXPECT_EQ(levels.Packets()[0][6], 30);
    EXPECT_TRUE(log.Contains("CheckReply error: reply crc"));
    EXPECT_TRUE(log.Contains("CheckReply error: reply flag 0x01 != 0  cmd=0x9e"));
}

TEST_F(CommandSetTest, LevelReportsArriveAtTheSetRate)
{
    CEventRecorder levels(m_center, events::kVolumeRecvData);
    Emulator().SetLevelReports(200, { 7, 8 });
    ASSERT_TRUE(m_loop.RunUntil([&] { return levels.Packets().size() >= 5; }));
    Emulator().SetLevelReports(0);
    EXPECT_EQ(levels.Packets()[4][4], 7);
    EXPECT_EQ(levels.Packets()[4][5], 8);
}

TEST_F(CommandSetTest, DeviceInformationAndTakingControl)
{
    State([](SEmuState& state) {
        state.hardwareVersion = 23;
        state.firmwareVersion = 105;
        state.deviceType = 5;
    });
    PacketBuffer reply {};
    ASSERT_TRUE(m_protocol.GetDeviceInfo(reply.data()));
    EXPECT_EQ(VersionText(reply[kInfoHardwareVersion]), "V2.3");
    EXPECT_EQ(VersionText(reply[kInfoFirmwareVersion]), "V10.5");
    EXPECT_EQ(DeviceTypeName(reply[kInfoDeviceType]), "效果器");

    ASSERT_TRUE(m_protocol.Handshake(1));
    const SScrambleParams cardSession = State([](SEmuState& state) {
        EXPECT_TRUE(state.controlled);
        return state.session;
    });
    EXPECT_EQ(m_protocol.PackData().SessionParams(), cardSession);
    ASSERT_TRUE(m_protocol.Handshake(0));
    EXPECT_FALSE(State([](SEmuState& state) { return state.controlled; }));
}

TEST(CommandSetNames, DeviceTypes)
{
    const std::pair<int, const char*> cases[] = { { 1, "声卡" }, { 2, "话筒" }, { 3, "耳机" }, { 4, "音箱" },
        { 5, "效果器" }, { 0, "其他" }, { 6, "其他" }, { 255, "其他" } };
    for (const auto& [type, name] : cases)
        EXPECT_EQ(DeviceTypeName(static_cast<uint8_t>(type)), name) << type;
}

TEST(CommandSetNames, ItemListCountIsCutToThePacket)
{
    PacketBuffer packet {};
    packet[0] = 0x9E;
    packet[4] = 200; // more than a 40-byte packet can hold
    EXPECT_EQ(ReadItemList(packet.data(), 40, EItemEncoding::kParamReport).size(), 11u);
}

TEST(CommandSetDetached, EveryCommandFailsWithoutADevice)
{
    CVYAudioProtocol protocol;
    PacketBuffer reply {};
    EffectRecord record;
    std::map<int32_t, int32_t> values;
    protocol.PendingWrites()[1] = 1;
    EXPECT_FALSE(protocol.Handshake(1));
    EXPECT_FALSE(protocol.KeepAlive());
    EXPECT_FALSE(protocol.GetDeviceInfo(reply.data()));
    EXPECT_FALSE(protocol.GetDevDiyEff(1, record));
    EXPECT_FALSE(protocol.ReadDeviceParams(values));
    EXPECT_FALSE(protocol.WriteParams(0));
    EXPECT_EQ(protocol.PendingWrites().size(), 1u);
    EXPECT_FALSE(protocol.SendPackets({ PacketBuffer {} }));
    EXPECT_FALSE(protocol.SendEffectFile("/nonexistent", 0));
}

} // namespace
} // namespace vy::test
