// px40-emu's console commands against a served card and a host on the socket.
#include "emu/EmuConsole.h"
#include "device/Packet.h"
#include "device/hid/SocketTransport.h"
#include "emu/EmuServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vy::emu {
namespace {

class EmuConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Start(m_dir.File("card.sock")));
        ASSERT_TRUE(m_host.OpenDevice());
        ASSERT_TRUE(m_server.WaitForConnections(1, 2000));
    }
    // The next report the host reads, or an empty vector.
    std::vector<uint8_t> NextReport(int timeoutMs = 2000)
    {
        const uint8_t* packet = nullptr;
        if (!m_host.Read(&packet, timeoutMs))
            return {};
        return std::vector<uint8_t>(packet, packet + m_host.GetInputLength());
    }
    std::string Run(const std::string& line) { return RunConsoleCommand(m_server, line); }

    test::CTempDir m_dir;
    CEmuServer m_server;
    CSocketTransport m_host { m_dir.File("card.sock") };
};

TEST_F(EmuConsoleTest, KnobTurnSendsAParameterReport)
{
    EXPECT_EQ(Run("knob 5 40"), "parameter 5 = 40 reported\n");
    const std::vector<uint8_t> report = NextReport();
    ASSERT_EQ(report.size(), 40u);
    EXPECT_EQ(report[0], 0x9E);
    EXPECT_EQ(report[3], 0);
    EXPECT_EQ(report[4], 1);
    EXPECT_EQ(report[5], 5);
    EXPECT_EQ((report[6] & 0x0F) << 8 | report[7], 40);
    EXPECT_EQ(report[39], CheckByte(report.data(), 39));
    EXPECT_EQ(Run("params"), "5=40\n");
}

TEST_F(EmuConsoleTest, CustomSlotChangeIsAnnounced)
{
    EXPECT_EQ(Run("custom 2 0=32 7=9"), "custom slot 2 changed\n");
    const std::vector<uint8_t> report = NextReport();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report[0], 0x9A);
    EXPECT_EQ(Run("slot 2"), "0=32\n7=9\n");
    EXPECT_EQ(Run("custom 9 1=1"), "no custom slot 9\n");
}

TEST_F(EmuConsoleTest, SettingsAndBadInput)
{
    EXPECT_EQ(Run("refuse-above 1000"), "sounds over 1000 bytes are refused\n");
    EXPECT_EQ(Run("version 23 45 3"), "device information set\n");
    m_server.WithState([](SEmuState& state) {
        EXPECT_EQ(state.soundMaxLength, 1000u);
        EXPECT_EQ(state.hardwareVersion, 23);
        EXPECT_EQ(state.firmwareVersion, 45);
        EXPECT_EQ(state.deviceType, 3);
    });
    const std::pair<const char*, const char*> cases[] = {
        { "knob 64 1", "no parameter 64 (0 to 63)\n" },
        { "knob five 1", "usage: knob N VALUE\n" },
        { "custom 1 7:9", "usage: custom SLOT N=V...\n" },
        { "levels -1", "usage: levels RATE [L...] (RATE 0 to 1000)\n" },
        { "refuse-above 99999999", "usage: refuse-above BYTES (0 to 16777215)\n" },
        { "frobnicate", "unknown command 'frobnicate' (help lists them)\n" },
        { "", "" },
    };
    for (const auto& [line, answer] : cases)
        EXPECT_EQ(Run(line), answer) << line;
    // Nothing reached the host from the bad commands.
    EXPECT_TRUE(NextReport(100).empty());
}

TEST_F(EmuConsoleTest, LevelReportsCarryTheLevels)
{
    EXPECT_EQ(Run("levels 100 12 34"), "level reports 100 a second\n");
    const std::vector<uint8_t> report = NextReport();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report[0], 0x1F);
    EXPECT_EQ(report[4], 12);
    EXPECT_EQ(report[5], 34);
    EXPECT_EQ(Run("levels 0"), "level reports off\n");
}

} // namespace
} // namespace vy::emu
