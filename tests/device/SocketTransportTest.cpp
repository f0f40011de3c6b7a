// The socket transport against the emulator: greeting, report lengths,
// whole-report reads and writes, time-outs, cancellation and a lost peer.
#include "device/hid/SocketTransport.h"
#include "device/Packet.h"
#include "device/hid/SocketHello.h"
#include "emu/EmuServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vy {
namespace {

struct CServed {
    explicit CServed(const emu::SEmuConfig& config = {})
        : server(config)
    {
        EXPECT_TRUE(server.Start(dir.File("card.sock")));
    }
    test::CTempDir dir;
    emu::CEmuServer server;
};

TEST(SocketTransport, ReportLengthsComeFromTheDescriptor)
{
    struct Case {
        int input;
        int output;
    } cases[] = { { 41, 41 }, { 65, 65 }, { 33, 65 }, { 128, 2 } };
    for (const Case& c : cases) {
        emu::SEmuConfig config;
        config.inputReportLength = c.input;
        config.outputReportLength = c.output;
        config.vendorId = 0x1234;
        config.productId = 0xABCD;
        CServed served(config);
        CSocketTransport transport(served.server.SocketPath());
        EXPECT_EQ(transport.GetInputLength(), -1);
        EXPECT_EQ(transport.GetOutputLength(), -1);
        ASSERT_TRUE(transport.OpenDevice());
        EXPECT_TRUE(transport.IsOpen());
        EXPECT_EQ(transport.GetInputLength(), c.input - 1);
        EXPECT_EQ(transport.GetOutputLength(), c.output - 1);
        EXPECT_EQ(transport.VendorId(), 0x1234);
        EXPECT_EQ(transport.ProductId(), 0xABCD);
        transport.CloseDevice();
        EXPECT_FALSE(transport.IsOpen());
        EXPECT_EQ(transport.GetInputLength(), -1);
    }
}

TEST(SocketTransport, ReportsLongerThan128BytesAreRefused)
{
    for (auto lengths : { std::pair { 129, 41 }, std::pair { 41, 200 } }) {
        emu::SEmuConfig config;
        config.inputReportLength = lengths.first;
        config.outputReportLength = lengths.second;
        CServed served(config);
        CSocketTransport transport(served.server.SocketPath());
        test::CLogCapture log;
        EXPECT_FALSE(transport.OpenDevice());
        EXPECT_FALSE(transport.IsOpen());
        EXPECT_TRUE(log.Contains("invalide device report byte length."));
    }
}

TEST(SocketTransport, EmulatorDevicePathsReachTheSocket)
{
    struct Case {
        std::string path;
        std::string socket;
    } cases[] = {
        { "emu:/run/px40-emu/a.sock#VID_35F7&PID_0040", "/run/px40-emu/a.sock" },
        { "emu:/tmp/we#ird/a.sock#VID_35F7&PID_0040", "/tmp/we#ird/a.sock" },
        { "/tmp/plain.sock", "/tmp/plain.sock" },
        { "emu:/tmp/noids.sock", "/tmp/noids.sock" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSocketTransport::SocketPathOf(c.path), c.socket) << c.path;

    CServed served;
    const std::string path = "emu:" + served.server.SocketPath() + "#VID_35F7&PID_0040";
    CSocketTransport transport(path);
    ASSERT_TRUE(transport.OpenDevice());
    EXPECT_EQ(transport.GetDevicePath(), path);
}

TEST(SocketTransport, MissingPeerAndDoubleOpen)
{
    test::CTempDir dir;
    CSocketTransport missing(dir.File("none.sock"));
    EXPECT_FALSE(missing.OpenDevice());
    EXPECT_FALSE(missing.IsOpen());

    CServed served;
    CSocketTransport transport(served.server.SocketPath());
    ASSERT_TRUE(transport.OpenDevice());
    test::CLogCapture log;
    EXPECT_FALSE(transport.OpenDevice());
    EXPECT_TRUE(log.Contains("One device is already opened."));
    EXPECT_TRUE(transport.IsOpen());
}

TEST(SocketTransport, MalformedGreetingIsRefused)
{
    test::CTempDir dir;
    const std::string path = dir.File("junk.sock");
    const int listener = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    auto peer = std::async(std::launch::async, [&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        const char junk[] = "hello, I am not a card";
        (void)!::send(fd, junk, sizeof junk, 0);
        return fd;
    });
    CSocketTransport transport(path);
    test::CLogCapture log;
    EXPECT_FALSE(transport.OpenDevice());
    EXPECT_TRUE(log.Contains("malformed greeting"));
    ::close(peer.get());
    ::close(listener);
}

TEST(SocketTransport, WriteArgumentsAndClosedState)
{
    CServed served;
    CSocketTransport transport(served.server.SocketPath());
    uint8_t data[64] = { 0x90 };
    {
        test::CLogCapture log;
        EXPECT_FALSE(transport.Write(data, 10));
        EXPECT_TRUE(log.Contains("invalide parameter."));
        const uint8_t* packet = nullptr;
        EXPECT_FALSE(transport.Read(&packet, 0));
        EXPECT_TRUE(log.Contains("Please OpenDevice before Read."));
    }
    ASSERT_TRUE(transport.OpenDevice());
    struct Case {
        const uint8_t* data;
        int length;
        bool ok;
    } cases[] = {
        { data, 40, true },
        { data, 41, false },
        { data, 1, true },
        { data, 0, false },
        { data, -3, false },
        { nullptr, 10, false },
    };
    for (const Case& c : cases) {
        test::CLogCapture log;
        EXPECT_EQ(transport.Write(c.data, c.length), c.ok) << c.length;
        EXPECT_EQ(log.Contains("invalide parameter."), !c.ok) << c.length;
    }
    // The two accepted writes arrived as whole requests.
    EXPECT_TRUE(served.server.WaitUntil([](const emu::SEmuState& s) { return s.requests == 2; }, 3000));
}

TEST(SocketTransport, ReadsWholeReportsWithAndWithoutTimeOut)
{
    CServed served;
    CSocketTransport transport(served.server.SocketPath());
    ASSERT_TRUE(transport.OpenDevice());
    const uint8_t* packet = nullptr;
    EXPECT_FALSE(transport.Read(&packet, 50)); // nothing sent yet

    uint8_t report[40] = { 0x1F, 0, 0, 0, 9, 8, 7 };
    ASSERT_TRUE(served.server.WaitForConnections(1, 3000));
    ASSERT_EQ(served.server.Push(report, 40), 1);
    ASSERT_TRUE(transport.Read(&packet, ICommunicateDevice::kNoTimeout));
    EXPECT_EQ(packet[0], 0x1F);
    EXPECT_EQ(packet[6], 7);
    EXPECT_EQ(packet[39], CheckByte(packet, 39));
    const uint8_t* first = packet;

    uint8_t request[40] = { 0x92 };
    request[39] = CheckByte(request, 39);
    ASSERT_TRUE(transport.Write(request, 40));
    ASSERT_TRUE(transport.Read(&packet, 2000));
    EXPECT_EQ(packet[0], 0x93);
    EXPECT_EQ(packet[3], 0xFF);
    // The packet of the previous read stays intact.
    EXPECT_NE(first, packet);
    EXPECT_EQ(first[0], 0x1F);
}

TEST(SocketTransport, CancelReadReturnsAZeroedPacket)
{
    CServed served;
    CSocketTransport transport(served.server.SocketPath());
    ASSERT_TRUE(transport.OpenDevice());
    // Cancelled while waiting without limit.
    auto pending = std::async(std::launch::async, [&] {
        const uint8_t* packet = nullptr;
        const bool ok = transport.Read(&packet, ICommunicateDevice::kNoTimeout);
        bool zero = packet != nullptr;
        for (int i = 0; zero && i < 64; ++i)
            zero = packet[i] == 0;
        return std::make_pair(ok, zero);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    transport.CancelRead();
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    auto [ok, zero] = pending.get();
    EXPECT_TRUE(ok);
    EXPECT_TRUE(zero);
    // A cancel that comes before the read is not lost.
    transport.CancelRead();
    const uint8_t* packet = nullptr;
    EXPECT_TRUE(transport.Read(&packet, 5000));
    // And it is used up.
    EXPECT_FALSE(transport.Read(&packet, 20));
}

TEST(SocketTransport, PeerThatHangsUpReadsAsFailure)
{
    CServed served;
    CSocketTransport transport(served.server.SocketPath());
    ASSERT_TRUE(transport.OpenDevice());
    ASSERT_TRUE(served.server.WaitForConnections(1, 3000));
    served.server.DisconnectAll();
    const uint8_t* packet = nullptr;
    EXPECT_FALSE(transport.Read(&packet, 3000));
    uint8_t request[40] = { 0x90 };
    test::CLogCapture log;
    EXPECT_FALSE(transport.Write(request, 40));
    EXPECT_TRUE(log.Contains("error code"));
}

TEST(SocketHello, RoundTripAndDamage)
{
    SSocketHello hello;
    hello.vendorId = 0xBEEF;
    hello.productId = 0x0102;
    hello.descriptor = { 1, 2, 3, 4, 5 };
    std::vector<uint8_t> message = EncodeSocketHello(hello);
    SSocketHello decoded;
    ASSERT_TRUE(DecodeSocketHello(message.data(), message.size(), decoded));
    EXPECT_EQ(decoded.vendorId, 0xBEEF);
    EXPECT_EQ(decoded.productId, 0x0102);
    EXPECT_EQ(decoded.descriptor, hello.descriptor);

    EXPECT_FALSE(DecodeSocketHello(message.data(), message.size() - 1, decoded)); // truncated
    std::vector<uint8_t> badMagic = message;
    badMagic[0] ^= 1;
    EXPECT_FALSE(DecodeSocketHello(badMagic.data(), badMagic.size(), decoded));
    std::vector<uint8_t> longer = message;
    longer.push_back(0);
    EXPECT_FALSE(DecodeSocketHello(longer.data(), longer.size(), decoded));
    EXPECT_FALSE(DecodeSocketHello(nullptr, 0, decoded));
}

} // namespace
} // namespace vy
