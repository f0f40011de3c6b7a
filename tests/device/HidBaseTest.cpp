// CHidBase's own report I/O, with a socket pair standing in for the hidraw
// node: only the open step differs from a real card.
#include "device/hid/HidBase.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vy {
namespace {

// The node is one end of a SOCK_SEQPACKET pair; the test is the kernel side.
class CSocketPairHid : public CHidBase {
public:
    CSocketPairHid(int inputLength, int outputLength, bool readsReportId)
        : CHidBase("/dev/hidraw-test")
        , m_inputLength(inputLength)
        , m_outputLength(outputLength)
        , m_readsReportId(readsReportId)
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) == 0) {
            m_node = fds[0];
            m_kernel = fds[1];
        }
    }
    ~CSocketPairHid() override
    {
        CloseDevice();
        if (m_node >= 0)
            ::close(m_node);
        if (m_kernel >= 0)
            ::close(m_kernel);
    }
    int Kernel() const { return m_kernel; }
    void HangUp()
    {
        ::close(m_kernel);
        m_kernel = -1;
    }

protected:
    bool OpenHandles(SHandles& handles) override
    {
        // Separate read and write descriptors, as the hidraw open step makes.
        handles.readFd = ::fcntl(m_node, F_DUPFD_CLOEXEC, 0);
        handles.writeFd = ::fcntl(m_node, F_DUPFD_CLOEXEC, 0);
        handles.inputLength = m_inputLength;
        handles.outputLength = m_outputLength;
        handles.readsReportId = m_readsReportId;
        return handles.readFd >= 0 && handles.writeFd >= 0;
    }

private:
    int m_inputLength;
    int m_outputLength;
    bool m_readsReportId;
    int m_node = -1;
    int m_kernel = -1;
};

TEST(HidBase, OpenChecksReportLengths)
{
    struct Case {
        int input;
        int output;
        bool ok;
    } cases[] = { { 41, 41, true }, { 1, 1, true }, { 128, 128, true }, { 129, 41, false }, { 41, 129, false },
        { 0, 41, false }, { 41, 0, false } };
    for (const Case& c : cases) {
        CSocketPairHid hid(c.input, c.output, false);
        test::CLogCapture log;
        EXPECT_EQ(hid.OpenDevice(), c.ok) << c.input << "/" << c.output;
        EXPECT_EQ(hid.IsOpen(), c.ok);
        EXPECT_EQ(log.Contains("invalide device report byte length."), !c.ok);
        EXPECT_EQ(hid.GetInputLength(), c.ok ? c.input - 1 : -1);
        EXPECT_EQ(hid.GetOutputLength(), c.ok ? c.output - 1 : -1);
    }
}

TEST(HidBase, OpenTwiceAndClose)
{
    CSocketPairHid hid(41, 41, false);
    EXPECT_FALSE(hid.IsOpen());
    EXPECT_EQ(hid.GetInputLength(), -1);
    ASSERT_TRUE(hid.OpenDevice());
    test::CLogCapture log;
    EXPECT_FALSE(hid.OpenDevice());
    EXPECT_TRUE(log.Contains("One device is already opened."));
    EXPECT_EQ(hid.GetDevicePath(), "/dev/hidraw-test");
    hid.CloseDevice();
    EXPECT_FALSE(hid.IsOpen());
    EXPECT_EQ(hid.GetOutputLength(), -1);
    const uint8_t* packet = nullptr;
    EXPECT_FALSE(hid.Read(&packet, 0));
    EXPECT_TRUE(log.Contains("Please OpenDevice before Read."));
    // Reopening after a close is allowed.
    EXPECT_TRUE(hid.OpenDevice());
}

TEST(HidBase, WriteSendsOneWholeOutputReport)
{
    CSocketPairHid hid(41, 33, false);
    ASSERT_TRUE(hid.OpenDevice());
    uint8_t data[64];
    for (int i = 0; i < 64; ++i)
        data[i] = static_cast<uint8_t>(0xA0 + i);
    struct Case {
        int length;
        bool ok;
    } cases[] = { { 32, true }, { 33, false }, { 5, true }, { 0, false } };
    for (const Case& c : cases) {
        test::CLogCapture log;
        EXPECT_EQ(hid.Write(data, c.length), c.ok) << c.length;
        EXPECT_EQ(log.Contains("invalide parameter."), !c.ok);
        if (!c.ok)
            continue;
        uint8_t report[256];
        const ssize_t got = ::recv(hid.Kernel(), report, sizeof report, MSG_DONTWAIT);
        ASSERT_EQ(got, 33) << "the report is always the full output length";
        EXPECT_EQ(report[0], 0); // report id
        EXPECT_EQ(0, std::memcmp(report + 1, data, static_cast<size_t>(c.length)));
        for (int i = 1 + c.length; i < 33; ++i)
            EXPECT_EQ(report[i], 0) << i;
    }
    EXPECT_FALSE(hid.Write(nullptr, 4));
}

TEST(HidBase, ReadsReportsWithAndWithoutReportIdByte)
{
    for (bool numbered : { false, true }) {
        SCOPED_TRACE(numbered ? "numbered reports" : "no report ids");
        CSocketPairHid hid(41, 41, numbered);
        ASSERT_TRUE(hid.OpenDevice());
        uint8_t report[41] = {};
        const int offset = numbered ? 1 : 0;
        report[0] = 0x07; // the report id when numbered
        for (int i = 0; i < 40; ++i)
            report[offset + i] = static_cast<uint8_t>(i + 1);
        ASSERT_GT(::send(hid.Kernel(), report, static_cast<size_t>(40 + offset), 0), 0);
        const uint8_t* packet = nullptr;
        ASSERT_TRUE(hid.Read(&packet, 1000));
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(packet[i], i + 1) << i;
        // Bytes past a short report read as zero, up to the 64 a reply buffer takes.
        for (int i = 40; i < 64; ++i)
            ASSERT_EQ(packet[i], 0) << i;
    }
}

TEST(HidBase, ReadTimesOutAndCancels)
{
    CSocketPairHid hid(41, 41, false);
    ASSERT_TRUE(hid.OpenDevice());
    const uint8_t* packet = nullptr;
    EXPECT_FALSE(hid.Read(&packet, 30));

    // Fill the half the next read will use, so that "zeroed" means something.
    uint8_t report[40];
    std::memset(report, 0xEE, sizeof report);
    ASSERT_GT(::send(hid.Kernel(), report, sizeof report, 0), 0);
    ASSERT_TRUE(hid.Read(&packet, 1000));
    ASSERT_GT(::send(hid.Kernel(), report, sizeof report, 0), 0);
    ASSERT_TRUE(hid.Read(&packet, 1000));

    auto pending = std::async(std::launch::async, [&] {
        const uint8_t* cancelled = nullptr;
        const bool ok = hid.Read(&cancelled, ICommunicateDevice::kNoTimeout);
        bool zero = cancelled != nullptr;
        for (int i = 0; zero && i < 40; ++i)
            zero = cancelled[i] == 0;
        return std::make_pair(ok, zero);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    hid.CancelRead();
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    const auto [ok, zero] = pending.get();
    EXPECT_TRUE(ok);
    EXPECT_TRUE(zero);
}

TEST(HidBase, NodeThatGoesAwayReadsAsFailure)
{
    CSocketPairHid hid(41, 41, false);
    ASSERT_TRUE(hid.OpenDevice());
    hid.HangUp();
    const uint8_t* packet = nullptr;
    EXPECT_FALSE(hid.Read(&packet, 1000));
    uint8_t data[40] = { 0x90 };
    test::CLogCapture log;
    EXPECT_FALSE(hid.Write(data, 40));
    EXPECT_TRUE(log.Contains("error code"));
}

TEST(HidBase, HidrawOpenStepOnNodesThatAreNotHidraw)
{
    test::CTempDir dir;
    const std::string plain = dir.File("plain");
    test::WriteFileBytes(plain, "not a device");
    struct Case {
        std::string path;
        const char* log; // nullptr: fails without a word
    } cases[] = {
        { dir.File("missing"), nullptr },
        { plain, "HidD_GetPreparsedData failed." },
        { "/dev/null", "HidD_GetPreparsedData failed." },
    };
    for (const Case& c : cases) {
        CHidBase hid(c.path);
        test::CLogCapture log;
        EXPECT_FALSE(hid.OpenDevice()) << c.path;
        EXPECT_FALSE(hid.IsOpen());
        if (c.log)
            EXPECT_TRUE(log.Contains(c.log)) << c.path;
        else
            EXPECT_TRUE(log.Lines().empty()) << c.path;
    }
}

// Opens a node the caller may not open and reports whether the log named the
// fix; as root, in a child that has given up root first.
bool DeniedOpenNamesTheFix(const std::string& node)
{
    CHidBase hid(node);
    test::CLogCapture log;
    return !hid.OpenDevice() && log.Contains("no permission to open " + node) && log.Contains("70-px40.rules")
        && log.Contains("replug");
}

TEST(HidBase, PermissionDeniedNamesTheFix)
{
    test::CTempDir dir;
    const std::string node = dir.File("hidraw9");
    test::WriteFileBytes(node, "");
    ::chmod(node.c_str(), 0);
    if (::geteuid() != 0) {
        EXPECT_TRUE(DeniedOpenNamesTheFix(node));
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(DeniedOpenNamesTheFix(node) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace vy
