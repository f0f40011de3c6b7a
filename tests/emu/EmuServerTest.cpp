// The emulated card over its socket: replies, faults, unsolicited reports,
// several connections, handler table and trace.
#include "emu/EmuServer.h"
#include "device/Packet.h"
#include "device/hid/SocketTransport.h"
#include "emu/PacketTrace.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace vy::emu {
namespace {

// A host end: raw whole reports through the socket transport.
class CClient {
public:
    explicit CClient(const std::string& socketPath)
        : m_transport(socketPath)
    {
        m_open = m_transport.OpenDevice();
    }
    bool IsOpen() const { return m_open; }

    bool Send(uint8_t code, uint8_t marker = 0, bool breakCheck = false)
    {
        uint8_t packet[64] = { code };
        packet[4] = marker;
        const int length = m_transport.GetOutputLength();
        packet[length - 1] = CheckByte(packet, static_cast<size_t>(length - 1));
        if (breakCheck)
            packet[length - 1] ^= 0x01;
        return m_transport.Write(packet, length);
    }
    // The next report, or an empty vector after `timeoutMs`.
    std::vector<uint8_t> Receive(int timeoutMs)
    {
        const uint8_t* packet = nullptr;
        if (!m_transport.Read(&packet, timeoutMs))
            return {};
        std::vector<uint8_t> report(static_cast<size_t>(m_transport.GetInputLength()));
        std::memcpy(report.data(), packet, report.size());
        return report;
    }
    CSocketTransport& Transport() { return m_transport; }

private:
    CSocketTransport m_transport;
    bool m_open = false;
};

bool CheckOk(const std::vector<uint8_t>& packet, int length)
{
    return packet.size() >= static_cast<size_t>(length)
        && packet[static_cast<size_t>(length - 1)] == CheckByte(packet.data(), static_cast<size_t>(length - 1));
}

class EmuServerTest : public ::testing::Test {
protected:
    void Serve(const SEmuConfig& config = {})
    {
        m_server = std::make_unique<CEmuServer>(config);
        ASSERT_TRUE(m_server->Start(m_dir.File("card.sock")));
    }
    CEmuServer& Server() { return *m_server; }
    test::CTempDir m_dir;
    std::unique_ptr<CEmuServer> m_server;
};

TEST_F(EmuServerTest, AnswersEveryRequestWithCodePlusOne)
{
    Serve();
    CClient client(Server().SocketPath());
    ASSERT_TRUE(client.IsOpen());
    for (int code : { 0x00, 0x42, 0x94, 0x50, 0xFE, 0xFF }) {
        ASSERT_TRUE(client.Send(static_cast<uint8_t>(code)));
        const std::vector<uint8_t> reply = client.Receive(2000);
        ASSERT_EQ(reply.size(), 40u) << code;
        EXPECT_EQ(reply[0], static_cast<uint8_t>(code + 1));
        EXPECT_EQ(reply[3], 0xFF);
        EXPECT_TRUE(CheckOk(reply, 40));
    }
    EXPECT_EQ(Server().WithState([](SEmuState& s) { return s.requests; }), 6u);
}

TEST_F(EmuServerTest, ReportLengthsAreSettable)
{
    SEmuConfig config;
    config.inputReportLength = 65;
    config.outputReportLength = 33;
    Serve(config);
    CClient client(Server().SocketPath());
    ASSERT_TRUE(client.IsOpen());
    EXPECT_EQ(client.Transport().GetInputLength(), 64);
    EXPECT_EQ(client.Transport().GetOutputLength(), 32);
    ASSERT_TRUE(client.Send(0x92));
    const std::vector<uint8_t> reply = client.Receive(2000);
    ASSERT_EQ(reply.size(), 64u);
    // The check byte follows the host's packet length, which is the output length.
    EXPECT_TRUE(CheckOk(reply, 32));
}

TEST_F(EmuServerTest, RequestWithABadCheckByteIsRejected)
{
    Serve();
    CClient client(Server().SocketPath());
    ASSERT_TRUE(client.Send(0x94, 0, true));
    const std::vector<uint8_t> reply = client.Receive(2000);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], 0x95);
    EXPECT_EQ(reply[3], 0x00);
    EXPECT_TRUE(CheckOk(reply, 40));
    EXPECT_EQ(Server().WithState([](SEmuState& s) { return s.badCheckBytes; }), 1u);
}

TEST_F(EmuServerTest, ScriptedFaults)
{
    Serve();
    CClient client(Server().SocketPath());
    struct Case {
        EEmuFault fault;
        bool replies;
        bool checkOk;
        uint8_t status;
    } cases[] = {
        { EEmuFault::Corrupt, true, false, 0xFF },
        { EEmuFault::Reject, true, true, 0x00 },
        { EEmuFault::Drop, false, false, 0 },
    };
    for (const Case& c : cases) {
        Server().InjectFault(c.fault, 1, 0x94);
        // A request of another code is not affected.
        ASSERT_TRUE(client.Send(0x92));
        std::vector<uint8_t> reply = client.Receive(2000);
        ASSERT_FALSE(reply.empty());
        EXPECT_TRUE(CheckOk(reply, 40));
        ASSERT_TRUE(client.Send(0x94));
        reply = client.Receive(c.replies ? 2000 : 200);
        EXPECT_EQ(!reply.empty(), c.replies);
        if (!reply.empty()) {
            EXPECT_EQ(CheckOk(reply, 40), c.checkOk);
            EXPECT_EQ(reply[3], c.status);
        }
        // Used up: the next one is answered normally.
        ASSERT_TRUE(client.Send(0x94));
        reply = client.Receive(2000);
        ASSERT_FALSE(reply.empty());
        EXPECT_TRUE(CheckOk(reply, 40));
        EXPECT_EQ(reply[3], 0xFF);
    }
}

TEST_F(EmuServerTest, DisconnectFaultClosesTheConnectionButKeepsListening)
{
    Serve();
    CClient client(Server().SocketPath());
    Server().InjectFault(EEmuFault::Disconnect);
    ASSERT_TRUE(client.Send(0x90));
    EXPECT_TRUE(client.Receive(2000).empty());
    EXPECT_TRUE(Server().WaitUntil([](const SEmuState& s) { return s.requests == 1; }, 2000));
    CClient again(Server().SocketPath());
    ASSERT_TRUE(again.IsOpen());
    ASSERT_TRUE(again.Send(0x90));
    EXPECT_FALSE(again.Receive(2000).empty());
}

TEST_F(EmuServerTest, StopAnsweringAndLatency)
{
    Serve();
    CClient client(Server().SocketPath());
    Server().SetStopAnswering(true);
    ASSERT_TRUE(client.Send(0x90));
    EXPECT_TRUE(client.Receive(200).empty());
    Server().SetStopAnswering(false);

    SEmuFaults faults;
    faults.latencyMs = 300;
    Server().SetFaults(faults);
    ASSERT_TRUE(client.Send(0x92));
    EXPECT_TRUE(client.Receive(50).empty());
    const std::vector<uint8_t> reply = client.Receive(3000);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], 0x93);
}

// Outcome of each of a run of requests as the host sees it.
std::vector<std::tuple<int, bool, uint8_t>> RunWithFaults(uint32_t seed)
{
    test::CTempDir dir;
    SEmuConfig config;
    config.seed = seed;
    config.faults.dropRate = 0.25;
    config.faults.corruptRate = 0.25;
    config.faults.rejectRate = 0.25;
    CEmuServer server(config);
    server.SetHandler(
        0x94, [](SEmuExchange& exchange, SEmuState&, std::mt19937&) { exchange.reply[4] = exchange.request[4]; });
    EXPECT_TRUE(server.Start(dir.File("card.sock")));
    CClient client(server.SocketPath());
    constexpr int kRequests = 80;
    for (int i = 0; i < kRequests; ++i)
        EXPECT_TRUE(client.Send(0x94, static_cast<uint8_t>(i)));
    EXPECT_TRUE(server.WaitUntil([](const SEmuState& s) { return s.requests == kRequests; }, 5000));
    std::vector<std::tuple<int, bool, uint8_t>> outcomes;
    for (;;) {
        const std::vector<uint8_t> reply = client.Receive(300);
        if (reply.empty())
            break;
        outcomes.emplace_back(reply[4], CheckOk(reply, 40), reply[3]);
    }
    return outcomes;
}

TEST(EmuFaults, SameSeedSameRun)
{
    const auto first = RunWithFaults(7);
    const auto second = RunWithFaults(7);
    const auto other = RunWithFaults(8);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    // Each kind of fault happened, and some replies came through intact.
    int corrupt = 0, rejected = 0, clean = 0;
    for (const auto& [marker, checkOk, status] : first) {
        corrupt += !checkOk;
        rejected += checkOk && status == 0x00;
        clean += checkOk && status == 0xFF;
    }
    EXPECT_LT(first.size(), 80u); // some were dropped
    EXPECT_GT(corrupt, 0);
    EXPECT_GT(rejected, 0);
    EXPECT_GT(clean, 0);
}

TEST_F(EmuServerTest, SeveralConnectionsAndPushedReports)
{
    Serve();
    CClient a(Server().SocketPath());
    CClient b(Server().SocketPath());
    ASSERT_TRUE(a.IsOpen() && b.IsOpen());
    ASSERT_TRUE(Server().WaitForConnections(2, 2000));
    ASSERT_TRUE(a.Send(0x92, 1));
    ASSERT_TRUE(b.Send(0x94, 2));
    std::vector<uint8_t> replyA = a.Receive(2000), replyB = b.Receive(2000);
    ASSERT_FALSE(replyA.empty());
    ASSERT_FALSE(replyB.empty());
    EXPECT_EQ(replyA[0], 0x93);
    EXPECT_EQ(replyB[0], 0x95);

    uint8_t report[40] = { 0x9E, 0, 0, 0, 1, 5, 0, 42 };
    EXPECT_EQ(Server().Push(report, 40), 2);
    for (CClient* client : { &a, &b }) {
        const std::vector<uint8_t> pushed = client->Receive(2000);
        ASSERT_FALSE(pushed.empty());
        EXPECT_EQ(pushed[0], 0x9E);
        EXPECT_EQ(pushed[7], 42);
        EXPECT_TRUE(CheckOk(pushed, 40));
    }
    // Unsealed on request, for hosts that must cope with a bad report.
    EXPECT_EQ(Server().Push(report, 40, false), 2);
    const std::vector<uint8_t> raw = a.Receive(2000);
    ASSERT_FALSE(raw.empty());
    EXPECT_EQ(raw[39], 0);
}

TEST_F(EmuServerTest, HandlersChangeRepliesAndAddReports)
{
    Serve();
    Server().SetHandler(0x92, [](SEmuExchange& exchange, SEmuState&, std::mt19937&) {
        exchange.reply[4] = 23;
        exchange.reply[6] = 11;
        std::vector<uint8_t> changed(40, 0);
        changed[0] = 0x9A;
        exchange.followUps.push_back(changed);
    });
    Server().SetHandler(0x98, [](SEmuExchange& exchange, SEmuState&, std::mt19937&) { exchange.sendReply = false; });
    CClient client(Server().SocketPath());
    ASSERT_TRUE(client.Send(0x92));
    const std::vector<uint8_t> reply = client.Receive(2000);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[4], 23);
    EXPECT_EQ(reply[6], 11);
    EXPECT_TRUE(CheckOk(reply, 40));
    const std::vector<uint8_t> followUp = client.Receive(2000);
    ASSERT_FALSE(followUp.empty());
    EXPECT_EQ(followUp[0], 0x9A);
    EXPECT_TRUE(CheckOk(followUp, 40));

    ASSERT_TRUE(client.Send(0x98));
    EXPECT_TRUE(client.Receive(200).empty());
    // An empty handler restores the plain acknowledgement.
    Server().SetHandler(0x98, {});
    ASSERT_TRUE(client.Send(0x98));
    EXPECT_FALSE(client.Receive(2000).empty());
}

TEST_F(EmuServerTest, ControlCommandTracksTheHost)
{
    Serve();
    CClient client(Server().SocketPath());
    for (auto [flag, controlled] : { std::pair { 1, true }, std::pair { 0, false } }) {
        uint8_t packet[40] = { 0x90, 0, 0, 0, static_cast<uint8_t>(flag) };
        packet[39] = CheckByte(packet, 39);
        ASSERT_TRUE(client.Transport().Write(packet, 40));
        ASSERT_FALSE(client.Receive(2000).empty());
        EXPECT_EQ(Server().WithState([](SEmuState& s) { return s.controlled; }), controlled);
    }
}

TEST_F(EmuServerTest, TraceShowsBothDirectionsByName)
{
    Serve();
    std::mutex mutex;
    std::vector<std::string> lines;
    Server().SetTraceHook([&](char direction, const uint8_t* packet, int length) {
        std::lock_guard<std::mutex> guard(mutex);
        lines.push_back(FormatTraceLine(direction, packet, length));
    });
    CClient client(Server().SocketPath());
    ASSERT_TRUE(client.Send(0x94, 3));
    ASSERT_FALSE(client.Receive(2000).empty());
    Server().SetTraceHook({});
    std::lock_guard<std::mutex> guard(mutex);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("> 94 00 00 00 03 00", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("  write parameter values"), std::string::npos);
    EXPECT_EQ(lines[1].rfind("< 95 00 00 ff 00", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("  write parameter values reply"), std::string::npos);
    char direction = 0;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ParseTraceLine(lines[0], direction, bytes));
    EXPECT_EQ(direction, '>');
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(bytes[4], 3);
}

TEST(PacketTrace, NamesAndParsing)
{
    struct NameCase {
        uint8_t code;
        const char* name;
    } names[] = {
        { 0x0E, "link parameter exchange" },
        { 0x0F, "link parameter exchange reply" },
        { 0x9E, "parameters changed on the device" },
        { 0x9A, "custom effects changed" },
        { 0x1F, "level meters" },
        { 0x17, "effect-file data reply" },
        { 0x42, "" },
    };
    for (const NameCase& c : names)
        EXPECT_EQ(CommandName(c.code), c.name) << int(c.code);

    const uint8_t packet[3] = { 0x42, 0x00, 0xAB };
    EXPECT_EQ(FormatTraceLine('<', packet, 3), "< 42 00 ab");

    struct ParseCase {
        const char* line;
        bool ok;
        size_t bytes;
    } lines[] = {
        { "> 94 00 01  write parameter values", true, 3 },
        { "< 42 00 ab", true, 3 },
        { "> 9", false, 0 },
        { "x 94 00", false, 0 },
        { "> 94 0g 00", false, 0 },
        { ">", false, 0 },
        { "> 123 00", false, 0 },
    };
    for (const ParseCase& c : lines) {
        char direction;
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ParseTraceLine(c.line, direction, bytes), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(bytes.size(), c.bytes) << c.line;
        }
    }
}

TEST(EmuSocketFile, StartAndStopManageTheSocketFile)
{
    test::CTempDir dir;
    const std::string path = dir.File("card.sock");
    {
        CEmuServer first;
        ASSERT_TRUE(first.Start(path));
        // A live socket is never taken over.
        CEmuServer second;
        EXPECT_FALSE(second.Start(path));
        EXPECT_TRUE(first.IsServing());
        first.Stop();
        struct stat info { };
        EXPECT_NE(::lstat(path.c_str(), &info), 0);
    }
    // Not a socket: left alone.
    const std::string plain = dir.File("plain");
    std::ofstream(plain) << "data";
    CEmuServer server;
    EXPECT_FALSE(server.Start(plain));
    struct stat info { };
    EXPECT_EQ(::lstat(plain.c_str(), &info), 0);
}

} // namespace
} // namespace vy::emu
