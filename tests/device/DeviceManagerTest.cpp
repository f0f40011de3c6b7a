// The device manager against the emulator over a real socket.
#include "device/DeviceManager.h"
#include "device/CallbackProtocol.h"
#include "device/ZanEasyEncrypt.h"
#include "device/hid/SocketTransport.h"
#include "tests/support/EmulatorHarness.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

namespace vy {
namespace {

using emu::EEmuFault;
using emu::SEmuExchange;
using emu::SEmuState;
using test::CEmulatorHarness;

// Replies carry the request's payload back, so a reply shows which request it answers.
void EchoPayload(SEmuExchange& exchange, SEmuState&, std::mt19937&)
{
    const int length = exchange.requestLength;
    std::memcpy(exchange.reply.data() + 4, exchange.request + 4, static_cast<size_t>(length - 5));
}

uint64_t Requests(emu::CEmuServer& emulator)
{
    return emulator.WithState([](SEmuState& state) { return state.requests; });
}

class DeviceManagerTest : public ::testing::Test {
protected:
    CEmulatorHarness h;
};

TEST_F(DeviceManagerTest, StatesFromDetachedToOpenAndBack)
{
    EXPECT_FALSE(h.Manager().IsOpen());
    EXPECT_EQ(h.Manager().GetDevice(), nullptr);
    ASSERT_TRUE(h.Connect());
    EXPECT_TRUE(h.Manager().IsOpen());
    ASSERT_NE(h.Manager().GetDevice(), nullptr);
    EXPECT_EQ(h.Manager().GetDevice()->GetDevicePath(), h.DevicePath());
    EXPECT_EQ(h.Protocol().GetPacketLength(), 40);
    EXPECT_EQ(h.Protocol().Manager(), &h.Manager());
    h.Disconnect();
    EXPECT_FALSE(h.Manager().IsOpen());
    EXPECT_EQ(h.Manager().GetDevice(), nullptr);
    EXPECT_EQ(h.Protocol().Manager(), nullptr);
}

TEST_F(DeviceManagerTest, FailedOpenLeavesTheTransportAttachedButNotOpen)
{
    CCallbackProtocol protocol;
    EXPECT_FALSE(h.Manager().Open(new CSocketTransport(h.Dir().File("nobody.sock")), &protocol));
    EXPECT_FALSE(h.Manager().IsOpen());
    EXPECT_NE(h.Manager().GetDevice(), nullptr);
    // No receive loop runs, so closing does not wait for one.
    const auto start = std::chrono::steady_clock::now();
    h.Manager().Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(h.Manager().GetDevice(), nullptr);
}

TEST_F(DeviceManagerTest, SecondOpenClosesTheFirstTransport)
{
    ASSERT_TRUE(h.Connect());
    ICommunicateDevice* first = h.Manager().GetDevice();
    ASSERT_TRUE(h.Connect());
    EXPECT_NE(h.Manager().GetDevice(), first);
    PacketBuffer request = CEmulatorHarness::Request(0x92), reply {};
    EXPECT_TRUE(h.Manager().SendAndReceive(request.data(), reply.data(), 3, 1000));
}

class CTrackedTransport : public CSocketTransport {
public:
    CTrackedTransport(const std::string& path, bool& destroyed)
        : CSocketTransport(path)
        , m_destroyed(destroyed)
    {
    }
    ~CTrackedTransport() override { m_destroyed = true; }

private:
    bool& m_destroyed;
};

TEST_F(DeviceManagerTest, OpenWithoutProtocolDestroysTheTransport)
{
    bool destroyed = false;
    EXPECT_FALSE(h.Manager().Open(new CTrackedTransport(h.DevicePath(), destroyed), nullptr));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(h.Manager().GetDevice(), nullptr);
    CCallbackProtocol protocol;
    EXPECT_FALSE(h.Manager().Open(nullptr, &protocol));
}

TEST_F(DeviceManagerTest, RequestIsSealedAndReplyCopied)
{
    h.Emulator().SetHandler(0x94, EchoPayload);
    ASSERT_TRUE(h.Connect());
    PacketBuffer request = CEmulatorHarness::Request(0x94), reply {};
    request[4] = 0x12;
    request[20] = 0x34;
    ASSERT_TRUE(h.Manager().SendAndReceive(request.data(), reply.data(), 3, 1000));
    EXPECT_EQ(request[39], CheckByte(request.data(), 39));
    EXPECT_EQ(reply[0], 0x95);
    EXPECT_EQ(reply[3], 0xFF);
    EXPECT_EQ(reply[4], 0x12);
    EXPECT_EQ(reply[20], 0x34);
    EXPECT_EQ(h.Emulator().WithState([](SEmuState& s) { return s.badCheckBytes; }), 0u);
}

TEST_F(DeviceManagerTest, SeveralThreadsSendingAtOnce)
{
    h.Emulator().SetHandler(0x94, EchoPayload);
    h.Emulator().SetHandler(0x96, EchoPayload);
    ASSERT_TRUE(h.Connect());
    constexpr int kThreads = 4;
    constexpr int kEach = 150;
    std::atomic<int> failures { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                PacketBuffer request = CEmulatorHarness::Request(t % 2 ? 0x96 : 0x94), reply {};
                request[4] = static_cast<uint8_t>(t);
                request[5] = static_cast<uint8_t>(i);
                if (!h.Manager().SendAndReceive(request.data(), reply.data(), 3, 1000) || reply[0] != request[0] + 1
                    || reply[4] != t || reply[5] != static_cast<uint8_t>(i))
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Requests(h.Emulator()), static_cast<uint64_t>(kThreads * kEach));
    EXPECT_TRUE(h.Unsolicited().empty());
}

// A reply that arrives but fails CheckReply counts as a failed attempt.
TEST_F(DeviceManagerTest, FaultyReplyIsRetried)
{
    struct Case {
        EEmuFault fault;
        const char* checkText; // nullptr: no reply came at all
    } cases[] = {
        { EEmuFault::Corrupt, "CheckReply error: reply crc" },
        { EEmuFault::Reject, "CheckReply error: reply falg 0x00 != 0xff  cmd=0x93" },
        { EEmuFault::Drop, nullptr },
    };
    ASSERT_TRUE(h.Connect());
    for (const Case& c : cases) {
        const uint64_t before = Requests(h.Emulator());
        h.Emulator().InjectFault(c.fault, 1, 0x92);
        test::CLogCapture log;
        PacketBuffer request = CEmulatorHarness::Request(0x92), reply {};
        EXPECT_TRUE(h.Manager().SendAndReceive(request.data(), reply.data(), 3, 300));
        EXPECT_EQ(Requests(h.Emulator()) - before, 2u);
        EXPECT_EQ(log.Count("WaitTimeout. cmd=0x92"), 1u);
        if (c.checkText)
            EXPECT_EQ(log.Count(c.checkText), 1u) << c.checkText;
        else
            EXPECT_EQ(log.Count("CheckReply error"), 0u);
    }
}

TEST_F(DeviceManagerTest, AllAttemptsFailing)
{
    ASSERT_TRUE(h.Connect());
    h.Emulator().InjectFault(EEmuFault::Reject, 3);
    test::CLogCapture log;
    PacketBuffer request = CEmulatorHarness::Request(0x92), reply {};
    EXPECT_FALSE(h.Manager().SendAndReceive(request.data(), reply.data(), 3, 300));
    EXPECT_EQ(log.Count("WaitTimeout. cmd=0x92"), 3u);
    EXPECT_EQ(Requests(h.Emulator()), 3u);
}

TEST_F(DeviceManagerTest, LateReplySatisfiesALaterAttempt)
{
    ASSERT_TRUE(h.Connect());
    emu::SEmuFaults faults;
    faults.latencyMs = 400;
    h.Emulator().SetFaults(faults);
    PacketBuffer request = CEmulatorHarness::Request(0x92), reply {};
    // Attempt 1 times out at 300 ms; its reply (at 400 ms) ends attempt 2.
    EXPECT_TRUE(h.Manager().SendAndReceive(request.data(), reply.data(), 3, 300));
    EXPECT_EQ(reply[0], 0x93);
    EXPECT_EQ(Requests(h.Emulator()), 2u);
    // The reply to attempt 2 is no longer awaited: it is an unsolicited report.
    ASSERT_TRUE(h.WaitForUnsolicited(1, 3000));
    EXPECT_EQ(h.Unsolicited()[0][0], 0x93);
}

TEST_F(DeviceManagerTest, UnsolicitedReportWithTheAwaitedCodeIsTheReply)
{
    ASSERT_TRUE(h.Connect());
    h.Emulator().SetStopAnswering(true);
    auto pending = std::async(std::launch::async, [&] {
        PacketBuffer request = CEmulatorHarness::Request(0x9C), reply {};
        const bool ok = h.Manager().SendAndReceive(request.data(), reply.data(), 1, 5000);
        return std::make_pair(ok, reply);
    });
    ASSERT_TRUE(h.Emulator().WaitUntil([](const SEmuState& s) { return s.requests == 1; }, 3000));
    PacketBuffer report {};
    report[0] = 0x9D;
    report[3] = 0xFF;
    report[7] = 0x77;
    EXPECT_EQ(h.Emulator().Push(report.data(), 40), 1);
    auto [ok, reply] = pending.get();
    EXPECT_TRUE(ok);
    EXPECT_EQ(reply[7], 0x77);
    // Nothing awaits 0x9D any more: the same report now goes to the protocol.
    h.Emulator().Push(report.data(), 40);
    ASSERT_TRUE(h.WaitForUnsolicited(1, 3000));
    EXPECT_EQ(h.Unsolicited().size(), 1u);
    EXPECT_EQ(h.Unsolicited()[0][0], 0x9D);
}

TEST_F(DeviceManagerTest, ZeroAttemptsSendNothing)
{
    ASSERT_TRUE(h.Connect());
    PacketBuffer request = CEmulatorHarness::Request(0x92), reply {};
    EXPECT_FALSE(h.Manager().SendAndReceive(request.data(), reply.data(), 0, 300));
    // A later exchange is the first the card sees.
    PacketBuffer next = CEmulatorHarness::Request(0x90), nextReply {};
    ASSERT_TRUE(h.Manager().SendAndReceive(next.data(), nextReply.data(), 1, 1000));
    EXPECT_EQ(h.Emulator().WithState([](SEmuState& s) { return s.requestsByCode[0x92]; }), 0u);
    EXPECT_EQ(Requests(h.Emulator()), 1u);
}

TEST_F(DeviceManagerTest, RequestCodeFFAwaitsNothingAndFails)
{
    ASSERT_TRUE(h.Connect());
    test::CLogCapture log;
    PacketBuffer request = CEmulatorHarness::Request(0xFF), reply {};
    EXPECT_FALSE(h.Manager().SendAndReceive(request.data(), reply.data(), 2, 200));
    EXPECT_EQ(log.Count("WaitTimeout. cmd=0xff"), 2u);
    EXPECT_EQ(Requests(h.Emulator()), 2u);
    // The card's replies (code 0x00) were delivered as unsolicited reports.
    ASSERT_TRUE(h.WaitForUnsolicited(2, 3000));
    for (const PacketBuffer& packet : h.Unsolicited())
        EXPECT_EQ(packet[0], 0x00);
}

TEST_F(DeviceManagerTest, CloseDuringRetriesEndsTheCallAndFreesTheSendLock)
{
    ASSERT_TRUE(h.Connect());
    h.Emulator().SetStopAnswering(true);
    auto pending = std::async(std::launch::async, [&] {
        PacketBuffer request = CEmulatorHarness::Request(0x94), reply {};
        return h.Manager().SendAndReceive(request.data(), reply.data(), 1000, 100);
    });
    ASSERT_TRUE(h.Emulator().WaitUntil([](const SEmuState& s) { return s.requests >= 2; }, 3000));
    h.Manager().Close();
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(pending.get());
    const uint64_t sent = Requests(h.Emulator());
    EXPECT_LT(sent, 1000u);

    h.Emulator().SetStopAnswering(false);
    ASSERT_TRUE(h.Connect());
    PacketBuffer request = CEmulatorHarness::Request(0x90), reply {};
    EXPECT_TRUE(h.Manager().SendAndReceive(request.data(), reply.data(), 1, 1000));
}

TEST(DeviceManagerReports, OnlySixtyFourBytesOfALongReportAreCopied)
{
    emu::SEmuConfig config;
    config.inputReportLength = 128;
    config.outputReportLength = 65;
    CEmulatorHarness h(config);
    h.Emulator().SetHandler(0x92, [](SEmuExchange& exchange, SEmuState&, std::mt19937&) {
        for (size_t i = 4; i < 127; ++i)
            exchange.reply[i] = static_cast<uint8_t>(i);
    });
    ASSERT_TRUE(h.Connect());
    EXPECT_EQ(h.Protocol().GetPacketLength(), 64);
    EXPECT_EQ(h.Manager().GetDevice()->GetInputLength(), 127);

    uint8_t request[64] = { 0x92 };
    uint8_t reply[128];
    std::memset(reply, 0xAA, sizeof reply);
    ASSERT_TRUE(h.Manager().SendAndReceive(request, reply, 3, 1000));
    EXPECT_EQ(request[63], CheckByte(request, 63)); // L = 64: the check byte is byte 63
    EXPECT_EQ(reply[62], 62);
    for (int i = 64; i < 128; ++i)
        ASSERT_EQ(reply[i], 0xAA) << i;
    EXPECT_EQ(h.Emulator().WithState([](SEmuState& s) { return s.badCheckBytes; }), 0u);
}

TEST(DeviceManagerReports, OutputReportLongerThanThePacketBuffersIsRefused)
{
    emu::SEmuConfig config;
    config.outputReportLength = 100;
    CEmulatorHarness h(config);
    test::CLogCapture log;
    EXPECT_FALSE(h.Connect());
    EXPECT_FALSE(h.Manager().IsOpen());
    EXPECT_NE(h.Manager().GetDevice(), nullptr);
    EXPECT_TRUE(log.Contains("does not fit the 64-byte packet buffers"));
}

TEST_F(DeviceManagerTest, ScramblerIsAppliedBeforeSealingAndUndoneOnTheReply)
{
    h.Emulator().SetHandler(0xB2, EchoPayload);
    CZanEasyEncrypt scrambler(321, 17, 9001, 99, kScrambleCount);
    std::vector<uint8_t> onWire;
    h.Emulator().SetTraceHook([&](char direction, const uint8_t* packet, int length) {
        if (direction == '>')
            onWire.assign(packet, packet + length);
    });
    CCallbackProtocol protocol;
    protocol.SetEncrypt(&scrambler);
    ASSERT_TRUE(h.Connect(&protocol));
    PacketBuffer request = CEmulatorHarness::Request(0xB2), reply {};
    for (int i = 4; i < 39; ++i)
        request[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    ASSERT_TRUE(h.Manager().SendAndReceive(request.data(), reply.data(), 3, 1000));
    h.Disconnect(); // the trace hook's vector is read below
    EXPECT_EQ(h.Emulator().WithState([](SEmuState& s) { return s.badCheckBytes; }), 0u);
    PacketBuffer plain {};
    plain[0] = 0xB2;
    for (int i = 4; i < 39; ++i)
        plain[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    ASSERT_EQ(onWire.size(), 40u);
    EXPECT_NE(0, std::memcmp(onWire.data() + 4, plain.data() + 4, 35));
    for (int i = 4; i < 39; ++i)
        EXPECT_EQ(reply[static_cast<size_t>(i)], i) << i;
}

TEST_F(DeviceManagerTest, SendNotReceive)
{
    PacketBuffer request = CEmulatorHarness::Request(0x90);
    EXPECT_FALSE(h.Manager().SendNotReceive(request.data()));
    ASSERT_TRUE(h.Connect());
    EXPECT_TRUE(h.Manager().SendNotReceive(request.data()));
    // Nobody awaits the reply: it reaches the protocol.
    ASSERT_TRUE(h.WaitForUnsolicited(1, 3000));
    EXPECT_EQ(h.Unsolicited()[0][0], 0x91);
    EXPECT_EQ(request[39], CheckByte(request.data(), 39));
}

TEST_F(DeviceManagerTest, LostConnectionIsLoggedAndCloseStillReturns)
{
    ASSERT_TRUE(h.Connect());
    test::CLogCapture log;
    h.Emulator().DisconnectAll();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!log.Contains(" CDeviceManager::RecvThreadProc() -- read return 0")
        && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(log.Contains(" CDeviceManager::RecvThreadProc() -- read return 0"));
    PacketBuffer request = CEmulatorHarness::Request(0x90), reply {};
    EXPECT_FALSE(h.Manager().SendAndReceive(request.data(), reply.data(), 2, 100));
    const auto start = std::chrono::steady_clock::now();
    h.Manager().Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

} // namespace
} // namespace vy
