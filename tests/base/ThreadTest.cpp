#include "base/Lock.h"
#include "base/Log.h"
#include "base/SyncEvent.h"
#include "base/ThreadObject.h"
#include "base/Utf.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

class Worker : public vy::CThreadObject {
public:
    explicit Worker(int ignoreStopMs = 0) : CThreadObject("Worker"), m_ignoreStopMs(ignoreStopMs) {}
    ~Worker() override { Stop(1000); }
    std::atomic<int> loops{0};

protected:
    int Run() override
    {
        if (m_ignoreStopMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_ignoreStopMs));
            return 1;
        }
        while (!WaitForStop(5))
            ++loops;
        return 0;
    }

private:
    int m_ignoreStopMs;
};

}  // namespace

TEST(ThreadObject, StartStopAndRestart)
{
    Worker worker;
    EXPECT_FALSE(worker.IsRunning());
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start()) << "already running";
    EXPECT_TRUE(worker.Stop(1000));
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_TRUE(worker.IsStopRequested());
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.IsStopRequested()) << "a new run clears the stop request";
    EXPECT_TRUE(worker.Stop(1000));
}

TEST(ThreadObject, ThreadThatOverrunsItsStopTimeoutIsStillJoined)
{
    std::vector<std::string> lines;
    vy::SetLogSink([](const std::string& line, void* ctx) { static_cast<std::vector<std::string>*>(ctx)->push_back(line); },
                   &lines);
    {
        Worker worker(300);
        ASSERT_TRUE(worker.Start());
        auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(worker.Stop(20));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
        EXPECT_FALSE(worker.IsRunning());
    }
    vy::SetLogSink(nullptr, nullptr);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("did not end within 20 ms"), std::string::npos) << lines[0];
}

TEST(SyncEvent, AutoResetLetsOneWaiterThroughManualResetStays)
{
    vy::CSyncEvent autoEvent(false, true);
    EXPECT_TRUE(autoEvent.Wait(0));
    EXPECT_FALSE(autoEvent.Wait(0));
    vy::CSyncEvent manual(true, false);
    EXPECT_FALSE(manual.Wait(10));
    std::thread setter([&] { manual.Set(); });
    EXPECT_TRUE(manual.Wait(vy::CSyncEvent::kInfinite));
    EXPECT_TRUE(manual.Wait(0));
    setter.join();
    manual.Reset();
    EXPECT_FALSE(manual.IsSet());
}

TEST(Lock, IsReentrantLikeACriticalSection)
{
    zan_util::CLock lock;
    zan_util::CAutoLock outer(lock);
    zan_util::CAutoLock inner(lock);
    std::atomic<bool> other{false};
    std::thread t([&] { other = lock.TryLock(); });
    t.join();
    EXPECT_FALSE(other);
}

TEST(Log, RecordFormatAndFunctionNames)
{
    std::vector<std::string> lines;
    vy::SetLogSink([](const std::string& line, void* ctx) { static_cast<std::vector<std::string>*>(ctx)->push_back(line); },
                   &lines);
    vy::LogFormat("CDeviceManager::SendAndReceive", "device/DeviceManager.cpp", 42, "Send failed. cmd=0x%02x", 0x94);
    vy::LogWrite(std::string(20000, 'x').c_str(), "F::G", "f.cpp", 1);
    vy::SetLogSink(nullptr, nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Send failed. cmd=0x94 CDeviceManager::SendAndReceive device/DeviceManager.cpp:42\n");
    EXPECT_EQ(lines[1].size(), static_cast<size_t>(vy::kLogBufferSize - 1)) << "cut to the buffer";

    struct Case {
        const char* pretty;
        const char* expected;
    } cases[] = {
        {"bool CDeviceManager::Open(ICommunicateDevice*, ICommProtocol*)", "CDeviceManager::Open"},
        {"void zan_util::CLock::Lock()", "zan_util::CLock::Lock"},
        {"virtual int CDataRecvThread::Run()", "CDataRecvThread::Run"},
        {"std::vector<int> A<B, C>::Get(int) const", "A<B, C>::Get"},
        {"const char* f()", "f"},
        {"Foo::Foo(int)", "Foo::Foo"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vy::QualifiedFunctionName(c.pretty), c.expected);
}

TEST(Utf, ConversionsAndFixedFields)
{
    EXPECT_EQ(vy::Utf16ToUtf8(vy::Utf8ToUtf16("音效 🎤 a")), "音效 🎤 a");
    EXPECT_EQ(vy::Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx") << "a lone surrogate becomes U+FFFD";
    EXPECT_EQ(vy::Utf8ToUtf16("\xC0\xAFz\x80"), u"\xFFFDz\xFFFD") << "overlong and stray bytes";
    EXPECT_EQ(vy::Utf8ToUtf16("\xE9\x9F"), u"\xFFFD") << "cut sequence";

    char16_t field[4];
    EXPECT_TRUE(vy::CopyToFixedUtf16(u"abc", field, 4));
    EXPECT_EQ(vy::ReadFixedUtf16(field, 4), u"abc");
    EXPECT_FALSE(vy::CopyToFixedUtf16(u"ab\U0001F3A4", field, 4)) << "pair does not fit after 'ab'";
    EXPECT_EQ(vy::ReadFixedUtf16(field, 4), u"ab");
    EXPECT_TRUE(vy::EqualsNoCase("EffectHotKey", "effecthotkey"));
    EXPECT_FALSE(vy::EqualsNoCase("a", "ab"));
}
