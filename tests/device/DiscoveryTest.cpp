// Finding devices: ids from paths, enumeration of hidraw nodes and emulator
// sockets, hot-plug through the emulator folder, and the model's ids.
#include "device/hid/DeviceEnum.h"
#include "device/hid/DeviceIds.h"
#include "device/hid/DevicePath.h"
#include "device/hid/DevicePnpMonitor.h"
#include "emu/EmuServer.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vy {
namespace {

// Sets an environment variable for the life of the object.
class CEnvVar {
public:
    CEnvVar(const char* name, const std::string& value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~CEnvVar()
    {
        if (m_had)
            ::setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(ParseVidPid, PathsOfEveryForm)
{
    test::CTempDir sysfs;
    // A fake sysfs with one hidraw node and one without a HID_ID.
    std::filesystem::create_directories(sysfs.Path() + "/class/hidraw/hidraw3/device");
    test::WriteFileBytes(sysfs.Path() + "/class/hidraw/hidraw3/device/uevent",
        "DRIVER=hid-generic\nHID_ID=0003:000035F7:00000040\nHID_NAME=Card\n");
    std::filesystem::create_directories(sysfs.Path() + "/class/hidraw/hidraw4/device");
    test::WriteFileBytes(sysfs.Path() + "/class/hidraw/hidraw4/device/uevent", "DRIVER=hid-generic\n");

    struct Case {
        std::string path;
        bool ok;
        uint16_t vendor;
        uint16_t product;
    } cases[] = {
        { "emu:/run/user/1000/px40-emu/a.sock#VID_35F7&PID_0040", true, 0x35F7, 0x0040 },
        { "emu:/tmp/a.sock#vid_35f7&pid_00a0", true, 0x35F7, 0x00A0 },
        { "\\\\?\\hid#vid_1a2b&pid_3c4d&mi_03#7&1234&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", true, 0x1A2B,
            0x3C4D },
        { "emu:/tmp/#VID_1111&PID_2222/a.sock#VID_35F7&PID_0040", true, 0x35F7, 0x0040 },
        { "emu:/tmp/a.sock", false, 0, 0 },
        { "emu:/tmp/a.sock#VID_35G7&PID_0040", false, 0, 0 },
        { "emu:/tmp/a.sock#VID_35F&PID_0040", false, 0, 0 },
        { "emu:/tmp/a.sock#VID_35F7&PIX_0040", false, 0, 0 },
        { "emu:/tmp/a.sock#VID_35F7&PID_004", false, 0, 0 },
        { "emu:/tmp/a.sock#VID_", false, 0, 0 },
        { "", false, 0, 0 },
        { "/dev/hidraw3", true, 0x35F7, 0x0040 },
        { "/dev/hidraw4", false, 0, 0 },
        { "/dev/hidraw5", false, 0, 0 },
        { "/dev/hidrawx", false, 0, 0 },
        { "/dev/null", false, 0, 0 },
    };
    for (const Case& c : cases) {
        uint16_t vendor = 0xDEAD, product = 0xBEEF;
        EXPECT_EQ(ParseVidPid(c.path, vendor, product, sysfs.Path()), c.ok) << c.path;
        if (c.ok) {
            EXPECT_EQ(vendor, c.vendor) << c.path;
            EXPECT_EQ(product, c.product) << c.path;
        }
    }
}

TEST(ParseVidPid, EmulatorPathsRoundTrip)
{
    const std::string path = EmuDevicePath("/tmp/x.sock", 0xABCD, 0x0012);
    EXPECT_EQ(path, "emu:/tmp/x.sock#VID_ABCD&PID_0012");
    uint16_t vendor = 0, product = 0;
    ASSERT_TRUE(ParseVidPid(path, vendor, product));
    EXPECT_EQ(vendor, 0xABCD);
    EXPECT_EQ(product, 0x0012);
}

TEST(Enumeration, NoHidrawDevicesOnThisMachine)
{
    test::CTempDir folder;
    CEnvVar dir("PX40_EMU_DIR", folder.Path());
    test::CLogCapture log;
    EXPECT_TRUE(FindDevices(folder.Path()).empty());
    EXPECT_EQ(EnumDevices(nullptr, 0, kPx40VendorId, kPx40ProductId), 0);
    std::string paths[2];
    EXPECT_EQ(EnumDevices(paths, 2, 0x046D, 0xC52B), 0);
    EXPECT_TRUE(paths[0].empty());
    EXPECT_FALSE(log.Contains("failed"));
}

TEST(Enumeration, EmulatorsInTheFolder)
{
    test::CTempDir folder;
    CEnvVar dir("PX40_EMU_DIR", folder.Path());
    emu::CEmuServer first, second;
    emu::SEmuConfig otherIds;
    otherIds.productId = 0x0041;
    emu::CEmuServer other(otherIds);
    ASSERT_TRUE(first.Start(folder.File("a.sock")));
    ASSERT_TRUE(second.Start(folder.File("b.sock")));
    ASSERT_TRUE(other.Start(folder.File("c.sock")));
    // A socket file nobody listens on any more, and one still being set up.
    for (const char* name : { "stale.sock", ".d.sock.part1" }) {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const std::string path = folder.File(name);
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        if (name[0] == '.')
            ::listen(fd, 1);
        else
            ::close(fd);
    }

    std::string paths[1];
    EXPECT_EQ(EnumDevices(paths, 1, kPx40VendorId, kPx40ProductId), 2);
    EXPECT_EQ(paths[0], EmuDevicePath(folder.File("a.sock"), kPx40VendorId, kPx40ProductId));
    std::string all[4];
    EXPECT_EQ(EnumDevices(all, 4, kPx40VendorId, kPx40ProductId), 2);
    EXPECT_EQ(all[1], EmuDevicePath(folder.File("b.sock"), kPx40VendorId, kPx40ProductId));
    EXPECT_TRUE(all[2].empty());
    EXPECT_EQ(EnumDevices(nullptr, 0, kPx40VendorId, 0x0041), 1);
    EXPECT_EQ(FindDevices(folder.Path()).size(), 3u);
}

// Records notices and the thread they came on.
class CRecorder : public IDevicePnpNotificationReceiver {
public:
    explicit CRecorder(IUiLoop& loop)
        : m_loop(loop)
    {
    }
    void OnDevicePnp(int removed, const std::string& path) override
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_notices.emplace_back(removed, path);
        m_onLoopThread = m_onLoopThread && m_loop.IsLoopThread();
    }
    std::vector<std::pair<int, std::string>> Notices()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_notices;
    }
    bool OnLoopThread()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_onLoopThread;
    }

private:
    IUiLoop& m_loop;
    std::mutex m_mutex;
    std::vector<std::pair<int, std::string>> m_notices;
    bool m_onLoopThread = true;
};

TEST(HotPlug, EmulatorProgramArrivesAndLeaves)
{
    test::CTempDir base;
    const std::string folder = base.Path() + "/emus"; // created by the monitor
    CEnvVar dir("PX40_EMU_DIR", folder);
    test::CFakeUiLoop loop;
    loop.AdoptCurrentThread();
    CRecorder recorder(loop);
    CDevicePnpMonitor monitor(loop);
    monitor.SetReceiver(&recorder);
    ASSERT_TRUE(monitor.Start());
    EXPECT_EQ(monitor.EmulatorFolderWatched(), folder);
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    test::CChildProcess emulator(
        { test::BuiltProgram("tools/px40-emu/px40-emu"), "--discoverable", "--name", "card.sock" });
    ASSERT_TRUE(emulator.Started());
    ASSERT_TRUE(loop.RunUntil([&] { return recorder.Notices().size() >= 1; }, 10000));
    std::string found[2];
    ASSERT_EQ(EnumDevices(found, 2, kPx40VendorId, kPx40ProductId), 1);
    EXPECT_EQ(recorder.Notices()[0], std::make_pair(0, found[0]));

    EXPECT_EQ(emulator.Stop(), 0); // ends cleanly on SIGTERM
    ASSERT_TRUE(loop.RunUntil([&] { return recorder.Notices().size() >= 2; }, 10000));
    EXPECT_EQ(recorder.Notices()[1], std::make_pair(1, found[0]));
    EXPECT_EQ(EnumDevices(nullptr, 0, kPx40VendorId, kPx40ProductId), 0);
    EXPECT_TRUE(recorder.OnLoopThread());

    const auto start = std::chrono::steady_clock::now();
    monitor.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(monitor.IsWatching());
}

TEST(HotPlug, EmulatorPresentAtStartLeavesUnderItsPath)
{
    test::CTempDir folder;
    CEnvVar dir("PX40_EMU_DIR", folder.Path());
    emu::SEmuConfig config;
    config.vendorId = 0x1234;
    emu::CEmuServer emulator(config);
    ASSERT_TRUE(emulator.Start(folder.File("early.sock")));
    test::CFakeUiLoop loop;
    loop.AdoptCurrentThread();
    CRecorder recorder(loop);
    CDevicePnpMonitor monitor(loop);
    monitor.SetReceiver(&recorder);
    ASSERT_TRUE(monitor.Start());
    emulator.Stop();
    ASSERT_TRUE(loop.RunUntil([&] { return !recorder.Notices().empty(); }, 10000));
    EXPECT_EQ(
        recorder.Notices()[0], std::make_pair(1, EmuDevicePath(folder.File("early.sock"), 0x1234, kPx40ProductId)));
}

TEST(HotPlug, NoticesAfterStopAreDropped)
{
    test::CTempDir folder;
    CEnvVar dir("PX40_EMU_DIR", folder.Path());
    test::CFakeUiLoop loop;
    loop.AdoptCurrentThread();
    CRecorder recorder(loop);
    CDevicePnpMonitor monitor(loop);
    monitor.SetReceiver(&recorder);
    ASSERT_TRUE(monitor.Start());
    emu::CEmuServer emulator;
    ASSERT_TRUE(emulator.Start(folder.File("x.sock")));
    // Wait for the notice to be posted, but do not run it yet.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (emulator.WithState([](emu::SEmuState& s) { return s.connectionsAccepted; }) == 0
        && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    monitor.Stop(); // joins the monitor thread: whatever it posted is queued now
    ASSERT_GT(emulator.WithState([](emu::SEmuState& s) { return s.connectionsAccepted; }), 0u);
    loop.Drain();
    EXPECT_TRUE(recorder.Notices().empty());
}

TEST(ModelIds, BuiltInOverriddenByEnvironmentOrConfigFile)
{
    test::CTempDir config;
    CEnvVar xdg("XDG_CONFIG_HOME", config.Path());
    ::unsetenv("PX40_USB_ID");
    EXPECT_EQ(ModelUsbIds(), (SUsbIds { kPx40VendorId, kPx40ProductId }));

    std::filesystem::create_directories(config.Path() + "/px40");
    test::WriteFileBytes(config.Path() + "/px40/usb-id", "1a2b:3c4d\n");
    EXPECT_EQ(ModelUsbIds(), (SUsbIds { 0x1A2B, 0x3C4D }));
    {
        CEnvVar env("PX40_USB_ID", "0x0f0f:00aa");
        EXPECT_EQ(ModelUsbIds(), (SUsbIds { 0x0F0F, 0x00AA }));
    }
    {
        CEnvVar env("PX40_USB_ID", "not-an-id");
        test::CLogCapture log;
        EXPECT_EQ(ModelUsbIds(), (SUsbIds { kPx40VendorId, kPx40ProductId }));
        EXPECT_TRUE(log.Contains("PX40_USB_ID"));
    }
    ::unsetenv("PX40_USB_ID");
}

TEST(ModelIds, ParseTable)
{
    struct Case {
        const char* text;
        bool ok;
        uint16_t vendor;
        uint16_t product;
    } cases[] = {
        { "35f7:0040", true, 0x35F7, 0x0040 },
        { " 35F7:40 ", true, 0x35F7, 0x0040 },
        { "0x1:0xffff", true, 0x0001, 0xFFFF },
        { "12345:0040", false, 0, 0 },
        { "35f7", false, 0, 0 },
        { "35f7:", false, 0, 0 },
        { "g5f7:0040", false, 0, 0 },
        { "-1:0040", false, 0, 0 },
    };
    for (const Case& c : cases) {
        SUsbIds ids { 1, 2 };
        EXPECT_EQ(ParseUsbIds(c.text, ids), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(ids, (SUsbIds { c.vendor, c.product })) << c.text;
        } else {
            EXPECT_EQ(ids, (SUsbIds { 1, 2 })) << c.text;
        }
    }
}

TEST(ModelIds, UdevRuleNamesTheBuiltInIds)
{
    const std::string rules = test::ReadFileBytes(std::string(VY_SOURCE_DIR) + "/data/udev/70-px40.rules");
    char expected[96];
    std::snprintf(expected, sizeof expected, "ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\"", kPx40VendorId,
        kPx40ProductId);
    EXPECT_NE(rules.find(expected), std::string::npos) << expected;
    EXPECT_NE(rules.find("TAG+=\"uaccess\""), std::string::npos);
    EXPECT_NE(rules.find("ACTION==\"remove\", GOTO=\"px40_end\""), std::string::npos);
}

} // namespace
} // namespace vy
