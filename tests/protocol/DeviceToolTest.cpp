// px40ctl's device subcommands and pack-effect, run as programs against an
// emulated card served by the test.
#include "base/HotkeyRegistrar.h"
#include "base/HotkeyText.h"
#include "base/HexText.h"
#include "emu/EmuCommandSet.h"
#include "emu/EmuDefaults.h"
#include "emu/EmuServer.h"
#include "model/Definitions.h"
#include "model/FolderResourceProvider.h"
#include "protocol/Bytes.h"
#include "protocol/PackData502.h"
#include "protocol/VYAudioProtocol.h"
#include "tests/protocol/WorkspaceFixture.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace vy::test {
namespace {

struct SRun {
    int exitCode = -1;
    std::string out;
};

SRun Px40ctl(const std::string& arguments)
{
    const std::string command = std::string(VY_BINARY_DIR) + "/tools/px40ctl/px40ctl " + arguments + " 2>/dev/null";
    SRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class DeviceToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CFolderResourceProvider resources(SourceDir() + "/data/archive");
        CDefinitions defs;
        EffectRecord current;
        ASSERT_TRUE(defs.LoadAll(resources, "effect", current));
        m_server.WithState([&](emu::SEmuState& state) { emu::LoadProductDefaults(state, defs, current); });
        ASSERT_TRUE(m_server.Start(m_dir.File("card.sock")));
    }
    std::string Device() const { return " --device emu:" + m_dir.File("card.sock"); }
    std::string Data() const { return " --data " + SourceDir() + "/data/archive/DATA"; }

    CTempDir m_dir;
    emu::CEmuServer m_server;
};

TEST_F(DeviceToolTest, InfoParamsSetAndCustomEffect)
{
    m_server.WithState([](emu::SEmuState& state) {
        state.hardwareVersion = 23;
        state.firmwareVersion = 7;
        state.deviceType = 2;
    });
    SRun info = Px40ctl("device info" + Device());
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out, "hardware  V2.3\nfirmware  V0.7\ntype      话筒\n");

    SRun set = Px40ctl("device set 5=61 13=300" + Device() + Data());
    EXPECT_EQ(set.exitCode, 0);
    SRun params = Px40ctl("device params" + Device());
    EXPECT_EQ(params.exitCode, 0);
    EXPECT_NE(params.out.find("\n5=61\n"), std::string::npos) << params.out;
    EXPECT_NE(params.out.find("\n13=300\n"), std::string::npos) << params.out;
    EXPECT_EQ(std::count(params.out.begin(), params.out.end(), '\n'), 36);

    EXPECT_EQ(Px40ctl("device set 99=1" + Device() + Data()).exitCode, 2);
    EXPECT_EQ(Px40ctl("device set 5=9000" + Device() + Data()).exitCode, 2);
    EXPECT_EQ(Px40ctl("device set 5:1" + Device() + Data()).exitCode, 2);

    SRun custom = Px40ctl("device custom-effect 2" + Device());
    EXPECT_EQ(custom.exitCode, 0);
    EXPECT_EQ(custom.out.substr(0, 5), "0=32\n");
    EXPECT_EQ(std::count(custom.out.begin(), custom.out.end(), '\n'), 64);
}

TEST_F(DeviceToolTest, SendSoundExitCodes)
{
    const std::string sound = m_dir.File("sound.bin");
    std::string bytes(1000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 13);
    WriteFileBytes(sound, bytes);
    EXPECT_EQ(Px40ctl("device send-sound " + sound + " --slot 4" + Device()).exitCode, 0);
    m_server.WithState([&](emu::SEmuState& state) {
        ASSERT_TRUE(state.sounds.count(4));
        EXPECT_EQ(std::string(state.sounds[4].data.begin(), state.sounds[4].data.end()), bytes);
        state.soundMaxLength = 999;
    });
    EXPECT_EQ(Px40ctl("device send-sound " + sound + " --slot 4" + Device()).exitCode, 3);
    // No card serving: the link cannot be opened.
    m_server.Stop();
    EXPECT_EQ(Px40ctl("device send-sound " + sound + " --slot 4" + Device()).exitCode, 1);
}

TEST_F(DeviceToolTest, SendEffectFileArrivesWhole)
{
    const std::string path = SourceDir() + "/data/res/effects/studio_vocal.eff";
    EXPECT_EQ(Px40ctl("device send-effect-file " + path + " --number 3" + Device()).exitCode, 0);
    CPackData502 reference;
    ASSERT_TRUE(reference.LoadFile(path));
    m_server.WithState([&](emu::SEmuState& state) {
        EXPECT_TRUE(state.lastEffectFile.complete);
        EXPECT_EQ(state.lastEffectFile.number, 3);
        EXPECT_EQ(state.lastEffectFile.listA, reference.ListA());
        EXPECT_EQ(state.lastEffectFile.listB, reference.ListB());
        EXPECT_FALSE(state.controlled); // released at the end
    });
    EXPECT_EQ(Px40ctl("device send-effect-file " + m_dir.File("card.sock") + " --number 3" + Device()).exitCode, 1);
}

TEST(PackEffectToolTest, PrintsScrambledPacketsBeforeTheCheckByte)
{
    CTempDir dir;
    std::string file;
    const uint32_t header[2] = { 16, 8 };
    file.append(reinterpret_cast<const char*>(header), sizeof header);
    for (int i = 0; i < 24; ++i)
        file.push_back(static_cast<char>(0x40 + i));
    WriteFileBytes(dir.File("f.eff"), file);

    SRun run = Px40ctl("pack-effect " + dir.File("f.eff") + " --number 258 --link 4660,33,1287,19");
    ASSERT_EQ(run.exitCode, 0);
    std::istringstream lines(run.out);
    std::vector<std::vector<uint8_t>> packets;
    for (std::string line; std::getline(lines, line);) {
        std::vector<uint8_t> packet;
        ASSERT_TRUE(ParseHexBytes(line, packet)) << line;
        EXPECT_EQ(packet.size(), 39u);
        packet.resize(64);
        ScrambleBytes(packet.data(), packet.size(), SScrambleParams { 4660, 33, 1287, 19 }, kScrambleCount);
        packets.push_back(packet);
    }
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0][0], 0x02);
    EXPECT_EQ(bytes::GetBe16(&packets[0][4]), 258u);
    EXPECT_EQ(bytes::GetBe16(&packets[0][6]), 1u); // list B packets
    EXPECT_EQ(bytes::GetBe16(&packets[0][11]), 1u); // list A packets
    EXPECT_EQ(packets[1][0], 0x04);
    EXPECT_EQ(packets[1][4], 0x50); // list B follows the 16 bytes of list A
    EXPECT_EQ(packets[2][0], 0x06);
    EXPECT_EQ(packets[2][4], 0x40);

    EXPECT_EQ(Px40ctl("pack-effect " + dir.File("missing.eff") + " --number 1").exitCode, 1);
    EXPECT_EQ(Px40ctl("pack-effect " + dir.File("f.eff") + " --number 1 --link 1,2,3").exitCode, 2);
    EXPECT_EQ(Px40ctl("pack-effect " + dir.File("f.eff") + " --number 1 --variant 201").exitCode, 1);
}

} // namespace
} // namespace vy::test

namespace vy::test {
namespace {

TEST(WorkspaceToolTest, ShowsWhatTheSettingsFileHolds)
{
    CTempDir dir;
    const std::string res = dir.Path() + "/data/res";
    std::filesystem::create_directories(res);
    const std::string data = " --data " + SourceDir() + "/data/archive/DATA";
    // No settings file yet: nothing to show.
    EXPECT_EQ(Px40ctl("workspace show --user-dir " + dir.Path() + data).exitCode, 1);

    CFolderResourceProvider resources(SourceDir() + "/data/archive");
    CSettingsFile settings;
    ASSERT_TRUE(settings.Open(res + "/data.db"));
    RuleSet rules;
    rules.LoadText(RuleXml(0, 0));
    CVYAudioProtocol workspace;
    SWorkspaceConfig config;
    config.resources = &resources;
    workspace.SetWorkspaceConfig(config);
    workspace.SetSettingsFile(&settings);
    workspace.SetRuleSet(&rules);
    workspace.Init();
    ASSERT_TRUE(workspace.SaveCurrentAs(4, 1, "深夜电台"));
    ASSERT_TRUE(workspace.SetEffectHotkey(workspace.DeviceEffectCount() + 4, MakeHotkey(kHotkeyCtrl, 'K')));
    ASSERT_TRUE(settings.WriteEffect("LastStatus", "CurrentEffect", workspace.Effects()[2]));

    const SRun run = Px40ctl("workspace show --user-dir " + dir.Path() + data);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::string hotkey = HotkeyText(MakeHotkey(kHotkeyCtrl, 'K'));
    for (const std::string& expected : { std::string("current effect  聊天 (built-in 2)"),
             std::string("  16  slot 4  深夜电台  effect number 0xf0  [") + hotkey + "]",
             std::string("  12  slot 0  (empty)"), std::string("device custom slots (4):"),
             std::string("   8  slot 0  自定义1  effect number 0x10  (default)"), std::string("effect files (3):"),
             std::string("  16  ") + hotkey }) {
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    }
}

} // namespace
} // namespace vy::test

namespace vy::test {
namespace {

std::string ReadWhenContains(const std::string& path, const std::string& text, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string content;
    while (std::chrono::steady_clock::now() < deadline) {
        content = ReadFileBytes(path);
        if (content.find(text) != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return content;
}

class DeviceMonitorTest : public DeviceToolTest {
protected:
    std::vector<std::string> Command() const
    {
        return { BuiltProgram("tools/px40ctl/px40ctl"), "device", "monitor", "--device",
            "emu:" + m_dir.File("card.sock"), "--data", SourceDir() + "/data/archive/DATA" };
    }
};

TEST_F(DeviceMonitorTest, PrintsReportsUntilInterrupted)
{
    const std::string out = m_dir.File("monitor.out");
    CChildProcess monitor(Command(), out);
    ASSERT_TRUE(monitor.Started());
    // Connected: taken control, link parameters agreed, heartbeat running.
    ASSERT_TRUE(m_server.WaitUntil(
        [](const emu::SEmuState& state) { return state.controlled && state.linkExchanges == 1; }, 5000));
    ASSERT_TRUE(m_server.TurnKnob(5, 42));
    m_server.Push(emu::BuildLevelReport({ 30, 60 }, 40).data(), 40);
    ASSERT_TRUE(m_server.ChangeCustomEffect(1, { { 5, 1 } }));
    const std::string printed = ReadWhenContains(out, "custom effects changed", 5000);
    EXPECT_NE(printed.find("param 5 混响音量 = 42\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("levels 30 60\n"), std::string::npos) << printed;
    const int status = monitor.Stop(SIGINT);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Released on the way out.
    m_server.WithState([](emu::SEmuState& state) {
        EXPECT_FALSE(state.controlled);
        EXPECT_GE(state.requestsByCode[0x90], 3u); // take control, a heartbeat, release
    });
}

TEST_F(DeviceMonitorTest, LostCardEndsWithExitOne)
{
    const std::string out = m_dir.File("monitor.out");
    const std::string err = m_dir.File("monitor.err");
    std::vector<std::string> command = Command();
    CChildProcess monitor({ "/bin/sh", "-c", "\"$0\" \"$@\" 2>" + err, command[0], command[1], command[2], command[3],
                              command[4], command[5], command[6] },
        out);
    ASSERT_TRUE(monitor.Started());
    // Connected and the heartbeat running (its first take-control after the handshake's).
    ASSERT_TRUE(m_server.WaitUntil(
        [](const emu::SEmuState& state) { return state.linkExchanges == 1 && state.requestsByCode[0x90] >= 2; },
        5000));
    // The card goes away: the next heartbeat fails at once on the closed socket.
    m_server.Stop();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = -1;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t done = ::waitpid(monitor.Pid(), &status, WNOHANG);
        if (done == monitor.Pid())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(ReadFileBytes(err).find("heartbeat lost"), std::string::npos);
}

} // namespace
} // namespace vy::test
