// The connect-time link exchange, host against the emulated card.
#include "device/LinkExchange.h"
#include "device/PackData.h"
#include "tests/support/EmulatorHarness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vy {
namespace {

using test::CEmulatorHarness;

uint32_t Le32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0] | at[1] << 8 | at[2] << 16 | at[3] << 24);
}

TEST(LinkExchange, RequestIsScrambledOverItsOwnValues)
{
    struct Case {
        int values[4];
    } cases[] = {
        { { 0, 0, 0, 0 } },
        { { 32766, 32766, 32766, 32766 } },
        { { 1234, 20000, 255, 256 } },
        { { 7, 300, 4097, 19 } },
    };
    for (const Case& c : cases) {
        uint8_t packet[64];
        std::memset(packet, 0xEE, sizeof packet);
        const SScrambleParams params = BuildLinkRequest(packet, c.values);
        EXPECT_EQ(packet[0], 0x0E);
        EXPECT_EQ(params.seed, c.values[0] & 0xFF);
        EXPECT_EQ(params.increment, c.values[1] & 0xFF);
        EXPECT_EQ(params.multiplier, c.values[2] & 0xFF);
        EXPECT_EQ(params.modulus, c.values[3] & 0xFF);
        for (int i = 39; i < 64; ++i)
            ASSERT_EQ(packet[i], 0) << i;
        ScrambleBytes(packet, sizeof packet, params, kScrambleCount);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Le32(packet + kLinkValueOffsets[i]), static_cast<uint32_t>(c.values[i]));
    }
}

TEST(LinkExchange, SessionParametersSitAtTheirPositions)
{
    uint8_t packet[64] = {};
    const SScrambleParams params { 0xA1B2, 0xC3, 0xD4E5, 0xF6 };
    WriteSessionParams(packet, params);
    EXPECT_EQ(packet[14], 0xB2);
    EXPECT_EQ(packet[25], 0xA1);
    EXPECT_EQ(packet[30], 0xC3);
    EXPECT_EQ(packet[16], 0xE5);
    EXPECT_EQ(packet[6], 0xD4);
    EXPECT_EQ(packet[37], 0xF6);
    EXPECT_EQ(ReadSessionParams(packet), params);
}

TEST(LinkExchange, DrawsStayInRange)
{
    for (int i = 0; i < 5000; ++i) {
        const int value = DrawLinkValue();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32766);
    }
}

TEST(LinkExchange, HostAndCardAgreeOverManyDraws)
{
    CEmulatorHarness h;
    ASSERT_TRUE(h.Connect());
    int changed = 0;
    SScrambleParams previous;
    for (int i = 0; i < 300; ++i) {
        SScrambleParams session;
        ASSERT_TRUE(ExchangeLinkParameters(h.Manager(), session)) << i;
        const SScrambleParams card = h.Emulator().WithState([](emu::SEmuState& s) { return s.session; });
        ASSERT_EQ(session, card) << "draw " << i;
        changed += !(session == previous);
        previous = session;
    }
    EXPECT_GT(changed, 290); // the card draws new parameters every time
    EXPECT_EQ(h.Emulator().WithState([](emu::SEmuState& s) { return s.linkExchanges; }), 300u);
}

TEST(LinkExchange, AgreementSurvivesALostReply)
{
    CEmulatorHarness h;
    ASSERT_TRUE(h.Connect());
    h.Emulator().InjectFault(emu::EEmuFault::Drop, 1, 0x0E);
    SScrambleParams session;
    ASSERT_TRUE(ExchangeLinkParameters(h.Manager(), session));
    EXPECT_EQ(session, h.Emulator().WithState([](emu::SEmuState& s) { return s.session; }));
}

class CTestPackData : public CPackData {
public:
    bool LoadFile(const std::string&) override { return false; }
    bool BuildPackets(uint16_t, std::vector<PacketBuffer>&) override { return false; }
};

TEST(PackData, ConnectAgreesTheSessionAndKeepsIt)
{
    CEmulatorHarness h;
    ASSERT_TRUE(h.Connect());
    CTestPackData data;
    EXPECT_EQ(data.SessionParams(), SScrambleParams {});
    ASSERT_TRUE(data.OnConnectDevice(&h.Manager()));
    EXPECT_EQ(data.Manager(), &h.Manager());
    EXPECT_EQ(data.SessionParams(), h.Emulator().WithState([](emu::SEmuState& s) { return s.session; }));
}

TEST(PackData, ConnectFailsWhenTheCardDoesNotAnswer)
{
    CEmulatorHarness h;
    ASSERT_TRUE(h.Connect());
    h.Emulator().SetStopAnswering(true);
    CTestPackData data;
    EXPECT_FALSE(data.OnConnectDevice(&h.Manager()));
    EXPECT_EQ(h.Emulator().WithState([](emu::SEmuState& s) { return s.requestsByCode[0x0E]; }), 3u);
}

} // namespace
} // namespace vy
