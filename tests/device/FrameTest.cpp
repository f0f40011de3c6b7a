// The frame's check byte, the easy scrambler and the protocol's sealing and
// reply checks.
#include "base/Log.h"
#include "device/CallbackProtocol.h"
#include "device/Packet.h"
#include "device/ZanEasyEncrypt.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vy {
namespace {

TEST(CheckByte, TableRowsAreTheCardsAndNotAPolynomialTable)
{
    const uint8_t row0[16]
        = { 0x00, 0x31, 0x62, 0x53, 0xC4, 0xF5, 0xA6, 0x97, 0x88, 0xB9, 0xEA, 0xDB, 0x4C, 0x7D, 0x2E, 0x1F };
    const uint8_t row1[16]
        = { 0x21, 0x10, 0x43, 0x72, 0xE5, 0xD4, 0x87, 0xB6, 0xA9, 0x98, 0xCB, 0xFA, 0x6D, 0x5C, 0x0F, 0x3E };
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(CheckByteTable(static_cast<uint8_t>(i)), row0[i]) << i;
        EXPECT_EQ(CheckByteTable(static_cast<uint8_t>(0x10 + i)), row1[i]) << i;
    }
    // Linear over XOR everywhere.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; b += 17)
            ASSERT_EQ(CheckByteTable(static_cast<uint8_t>(a ^ b)),
                CheckByteTable(static_cast<uint8_t>(a)) ^ CheckByteTable(static_cast<uint8_t>(b)));
    }
}

TEST(CheckByte, KnownValues)
{
    struct Case {
        std::string bytes;
        uint8_t check;
    } cases[] = {
        { "abc", 0xB9 },
        { "123456789", 0x15 },
        { "", 0xFF },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckByte(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.check)
            << "\"" << c.bytes << "\"";
    }
}

TEST(Scrambler, KeystreamOfTheWorkedExample)
{
    uint8_t keys[5];
    ScrambleKeystream(SScrambleParams { 100, 20, 3, 7 }, keys, 5);
    const uint8_t expected[5] = { 0x00, 0x01, 0x01, 0x02, 0x00 };
    EXPECT_EQ(0, std::memcmp(keys, expected, 5));
}

TEST(Scrambler, ZeroSeedAndModulusMeanTheDefaults)
{
    struct Case {
        SScrambleParams zero;
        SScrambleParams explicitDefaults;
    } cases[] = {
        { { 0, 0, 3, 7 }, { 100, 20, 3, 7 } },
        { { 0, 9, 1234, 200 }, { 100, 9, 1234, 200 } },
        { { 77, 0, 65535, 255 }, { 77, 20, 65535, 255 } },
    };
    for (const Case& c : cases) {
        uint8_t a[60], b[60];
        ScrambleKeystream(c.zero, a, 60);
        ScrambleKeystream(c.explicitDefaults, b, 60);
        EXPECT_EQ(0, std::memcmp(a, b, 60));
    }
}

TEST(Scrambler, MultiplierZeroGivesAConstantKeystream)
{
    for (int increment : { 0, 0x10, 0x7F, 0xFF }) {
        uint8_t keys[35];
        ScrambleKeystream(SScrambleParams { 1234, 50, 0, static_cast<uint8_t>(increment) }, keys, 35);
        for (uint8_t key : keys)
            ASSERT_EQ(key, (increment >> 4) & 0xFF) << increment;
    }
}

TEST(Scrambler, CoversBytes4To38AndUndoesItself)
{
    uint8_t original[64];
    for (int i = 0; i < 64; ++i)
        original[i] = static_cast<uint8_t>(i * 7 + 3);
    uint8_t packet[64];
    std::memcpy(packet, original, 64);
    const SScrambleParams params { 5000, 97, 40503, 211 };
    uint8_t keys[35];
    ScrambleKeystream(params, keys, 35);

    CZanEasyEncrypt scrambler(params.seed, params.modulus, params.multiplier, params.increment, kScrambleCount);
    scrambler.Encrypt(packet);
    for (int i = 0; i < 64; ++i) {
        const uint8_t expected = (i >= 4 && i <= 38) ? original[i] ^ keys[i - 4] : original[i];
        ASSERT_EQ(packet[i], expected) << "byte " << i;
    }
    scrambler.Decrypt(packet);
    EXPECT_EQ(0, std::memcmp(packet, original, 64));
}

TEST(Scrambler, CountStopsAtTheEndOfThePacket)
{
    uint8_t buffer[12];
    std::memset(buffer, 0xA5, sizeof buffer);
    const SScrambleParams params { 1, 1, 300, 255 };
    uint8_t keys[4];
    ScrambleKeystream(params, keys, 4);
    ScrambleBytes(buffer, 8, params, kScrambleCount);
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(buffer[i], 0xA5 ^ keys[i - 4]) << i;
    for (int i = 8; i < 12; ++i)
        EXPECT_EQ(buffer[i], 0xA5) << i;
}

// CheckReply: the first failing check decides, with its own log text.
TEST(Protocol, CheckReplyOrderOfChecksAndTexts)
{
    struct Case {
        const char* name;
        int packetLength;
        uint8_t code;
        uint8_t status;
        bool breakCheck;
        uint8_t expected;
        bool accepted;
        const char* log;
    } cases[] = {
        { "accepted", 40, 0x95, 0xFF, false, 0x95, true, nullptr },
        { "accepted at L=64", 64, 0x0F, 0xFF, false, 0x0F, true, nullptr },
        { "bad check byte first", 40, 0x33, 0x00, true, 0x95, false, "CheckReply error: reply crc 0x" },
        { "wrong code", 40, 0x93, 0xFF, false, 0x95, false, "CheckReply error: reply cmd 0x93 != 0x95" },
        { "rejected status", 40, 0x95, 0x00, false, 0x95, false,
            "CheckReply error: reply falg 0x00 != 0xff  cmd=0x95" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCallbackProtocol protocol({}, c.packetLength);
        PacketBuffer reply {};
        reply[0] = c.code;
        reply[3] = c.status;
        reply[10] = 0x42;
        protocol.AddCrc(reply.data());
        EXPECT_EQ(reply[static_cast<size_t>(c.packetLength - 1)],
            CheckByte(reply.data(), static_cast<size_t>(c.packetLength - 1)));
        if (c.breakCheck)
            reply[static_cast<size_t>(c.packetLength - 1)] ^= 0x01;
        test::CLogCapture log;
        EXPECT_EQ(protocol.CheckReply(reply.data(), c.expected), c.accepted);
        if (c.log) {
            EXPECT_EQ(log.Lines().size(), 1u);
            EXPECT_TRUE(log.Contains(c.log)) << (log.Lines().empty() ? "" : log.Lines()[0]);
        } else {
            EXPECT_TRUE(log.Lines().empty());
        }
    }
}

TEST(Protocol, CrcTextNamesReceivedAndComputedBytes)
{
    CCallbackProtocol protocol;
    PacketBuffer reply {};
    reply[0] = 0x91;
    reply[3] = 0xFF;
    const uint8_t good = CheckByte(reply.data(), 39);
    reply[39] = static_cast<uint8_t>(good ^ 0xFF);
    test::CLogCapture log;
    EXPECT_FALSE(protocol.CheckReply(reply.data(), 0x91));
    char expected[96];
    std::snprintf(expected, sizeof expected, "CheckReply error: reply crc 0x%02x != 0x%02x  cmd=0x91", reply[39], good);
    EXPECT_TRUE(log.Contains(expected));
}

TEST(Protocol, PacketLengthsThatDoNotFitTheBuffersAreRefused)
{
    CCallbackProtocol protocol({}, 100);
    PacketBuffer packet {};
    packet.fill(0x11);
    protocol.AddCrc(packet.data()); // must not write past 64 bytes
    test::CLogCapture log;
    EXPECT_FALSE(protocol.CheckReply(packet.data(), 0x11));
    EXPECT_TRUE(log.Contains("packet length 100"));
}

TEST(Protocol, EncryptAppliesOnlyAnInstalledScrambler)
{
    CCallbackProtocol protocol;
    PacketBuffer packet {};
    packet[5] = 0x55;
    PacketBuffer before = packet;
    protocol.Encrypt(packet.data());
    EXPECT_EQ(packet, before);

    CZanEasyEncrypt scrambler(0, 0, 0, 0xF0, kScrambleCount); // constant key 0x0F
    protocol.SetEncrypt(&scrambler);
    protocol.Encrypt(packet.data());
    EXPECT_EQ(packet[5], 0x55 ^ 0x0F);
    EXPECT_EQ(packet[39], 0x00);
    protocol.Decrypt(packet.data());
    EXPECT_EQ(packet, before);
}

} // namespace
} // namespace vy
