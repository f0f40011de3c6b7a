// CLibCurlHelper against the reference service over loopback.
#include "CloudServiceProcess.h"
#include "tests/support/LogCapture.h"

#include "cloud/LibCurlHelper.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vy::test {
namespace {

constexpr const char* kCategoriesPath = "/api/live/getSpecialEffectCategory.json";

// True when some record's message is exactly `message`.
bool HasMessage(const CLogCapture& log, const std::string& message)
{
    for (const std::string& line : log.Lines())
        if (line.rfind(message + " ", 0) == 0)
            return true;
    return false;
}

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

std::string GrowingPost(const std::string& url, const char* body, int& length)
{
    char* raw = nullptr;
    length = CLibCurlHelper::HttpPost(url, body, &raw);
    std::unique_ptr<char, FreeDeleter> reply(raw);
    return reply ? std::string(reply.get()) : std::string();
}

TEST(LibCurlHelper, GrowingPostSendsEmptyBodyWithTheFormHeaderAndReturnsTheReply)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    int length = 0;
    std::string reply = GrowingPost(service.BaseUrl() + kCategoriesPath, nullptr, length);
    ASSERT_GT(length, 0);
    EXPECT_EQ(static_cast<size_t>(length), reply.size());  // zero-terminated right behind the data
    EXPECT_NE(reply.find("\"message\":\"ok\""), std::string::npos);
    EXPECT_NE(reply.find("Fun & Games"), std::string::npos);

    Json::Value log = service.RequestLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["method"].asString(), "POST");
    EXPECT_EQ(log[0]["body"].asString(), "");
    EXPECT_EQ(log[0]["contentType"].asString(), "application/x-www-form-urlencoded;charset=UTF-8");
}

// Replies of many sizes, so the buffer grows over several chunks and its
// first allocation takes both branches.
TEST(LibCurlHelper, GrowingPostKeepsRepliesOfEverySizeWhole)
{
    for (size_t size : {size_t{300}, size_t{600}, size_t{5000}, size_t{70000}, size_t{400000}}) {
        SCOPED_TRACE(size);
        CCloudServiceProcess service(SampleContent(), {"--reply-size", std::to_string(size)});
        ASSERT_TRUE(service.Running());
        int length = 0;
        std::string reply = GrowingPost(service.BaseUrl() + kCategoriesPath, nullptr, length);
        EXPECT_EQ(length, static_cast<int>(size));
        EXPECT_EQ(reply.size(), size);
        EXPECT_EQ(reply.back(), '}');
    }
}

TEST(LibCurlHelper, FixedPostClearsTheBufferAndReturnsTheReplyLength)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    std::vector<char> buffer(CLibCurlHelper::kFixedBufferSize, 'X');
    int length = CLibCurlHelper::HttpPost(service.BaseUrl() + "/api/sound/getCategoryList.json", "token=&type=1",
                                          buffer.data(), static_cast<int>(buffer.size()));
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::strlen(buffer.data()), static_cast<size_t>(length));
    for (size_t i = static_cast<size_t>(length); i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], '\0') << "at " << i;
    Json::Value log = service.RequestLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["body"].asString(), "token=&type=1");
    EXPECT_EQ(log[0]["contentType"].asString(), "application/x-www-form-urlencoded;charset=UTF-8");
}

// A reply must leave room for the terminating zero: one that fills the
// buffer exactly is refused like one that overflows it.
TEST(LibCurlHelper, FixedPostRefusesRepliesThatDoNotLeaveRoomForTheTerminator)
{
    struct Case {
        size_t replySize;
        int expected;
    };
    const int capacity = CLibCurlHelper::kFixedBufferSize;
    for (Case c : {Case{static_cast<size_t>(capacity - 1), capacity - 1}, Case{static_cast<size_t>(capacity), -1},
                   Case{static_cast<size_t>(capacity + 1), -1}, Case{250000, -1}}) {
        SCOPED_TRACE(c.replySize);
        CCloudServiceProcess service(SampleContent(), {"--reply-size", std::to_string(c.replySize)});
        ASSERT_TRUE(service.Running());
        CLogCapture log;
        std::vector<char> buffer(static_cast<size_t>(capacity));
        std::string url = service.BaseUrl() + kCategoriesPath;
        int length = CLibCurlHelper::HttpPost(url, "", buffer.data(), capacity);
        EXPECT_EQ(length, c.expected);
        if (c.expected < 0) {
            EXPECT_TRUE(HasMessage(log, "url:" + url + " easy_perform return CURLcode:23"));
        } else {
            EXPECT_TRUE(log.Lines().empty());
        }
        EXPECT_EQ(buffer[static_cast<size_t>(capacity - 1)], '\0');  // always terminated
    }
}

TEST(LibCurlHelper, StatusOutsideTwoHundredsFailsBothPostsWithItsLogLine)
{
    struct Case {
        std::vector<std::string> faults;
        std::string path;
        int status;
    };
    const std::vector<Case> cases = {
        {{}, "/api/no/such/endpoint.json", 404},
        {{"--status", "404"}, kCategoriesPath, 404},
        {{"--status", "503"}, kCategoriesPath, 503},
        {{"--status", "302"}, kCategoriesPath, 302},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        CCloudServiceProcess service(SampleContent(), c.faults);
        ASSERT_TRUE(service.Running());
        std::string url = service.BaseUrl() + c.path;
        std::string expectedLine = "url:" + url + " return code:" + std::to_string(c.status) + ".";
        {
            CLogCapture log;
            int length = 0;
            GrowingPost(url, nullptr, length);
            EXPECT_EQ(length, -1);
            EXPECT_TRUE(HasMessage(log, expectedLine));
        }
        {
            CLogCapture log;
            std::vector<char> buffer(CLibCurlHelper::kFixedBufferSize);
            EXPECT_EQ(CLibCurlHelper::HttpPost(url, "", buffer.data(), static_cast<int>(buffer.size())), -1);
            EXPECT_TRUE(HasMessage(log, expectedLine));
        }
    }
}

TEST(LibCurlHelper, DeadServerFailsWithTheTransferCode)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    std::string url = service.BaseUrl() + kCategoriesPath;
    service.Kill();
    CLogCapture log;
    int length = 0;
    GrowingPost(url, nullptr, length);
    EXPECT_EQ(length, -1);
    std::vector<char> buffer(CLibCurlHelper::kFixedBufferSize);
    EXPECT_EQ(CLibCurlHelper::HttpPost(url, "", buffer.data(), static_cast<int>(buffer.size())), -1);
    EXPECT_TRUE(HasMessage(log, "url:" + url + " easy_perform return:7"));
    EXPECT_TRUE(HasMessage(log, "url:" + url + " easy_perform return CURLcode:7"));
}

TEST(LibCurlHelper, PostWithoutOutputOrBufferFailsWithoutARequest)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    std::string url = service.BaseUrl() + kCategoriesPath;
    EXPECT_EQ(CLibCurlHelper::HttpPost(url, nullptr, static_cast<char**>(nullptr)), -1);
    EXPECT_EQ(CLibCurlHelper::HttpPost(url, "", static_cast<char*>(nullptr), 100), -1);
    char one = 'x';
    EXPECT_EQ(CLibCurlHelper::HttpPost(url, "", &one, 0), -1);
    EXPECT_EQ(service.RequestLog().size(), 0u);
}

TEST(LibCurlHelper, GetFileWritesTheServedBytesAndRecordsTheAnnouncedSize)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    CTempDir dir;
    std::string target = dir.File("kiss.mp3");
    WriteFileBytes(target, std::string(50000, 'o'));  // an older, longer file is truncated
    int64_t announced = 0;
    EXPECT_EQ(CLibCurlHelper::HttpGetFile(target, CLibCurlHelper::NewHandle(),
                                          service.ServerUrl() + "/files/sounds/kiss.mp3", {}, &announced),
              1);
    std::string served = ReadFileBytes(SampleContent() + "/files/sounds/kiss.mp3");
    EXPECT_EQ(ReadFileBytes(target), served);
    EXPECT_EQ(announced, static_cast<int64_t>(served.size()));
    Json::Value log = service.RequestLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["method"].asString(), "GET");
    EXPECT_FALSE(log[0]["hasContentType"].asBool());
}

TEST(LibCurlHelper, FailedDownloadsLogAndLeaveNoFile)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    struct Case {
        std::string url;
        std::string logged;  // "" when nothing may be logged
    };
    const std::string missing = service.ServerUrl() + "/files/sounds/none.mp3";
    const std::string escaping = service.ServerUrl() + "/files/sounds/%2e%2e/%2e%2e/sound-categories.json";
    const std::vector<Case> cases = {
        {missing, "url:" + missing + " return code:404."},
        {escaping, "url:" + escaping + " return code:404."},
        // Only http and https: a link to a local file copies nothing.
        {"file:///etc/hostname", "url:file:///etc/hostname easy_perform return:1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        CTempDir dir;
        std::string target = dir.File("sound.mp3");
        CLogCapture log;
        EXPECT_EQ(CLibCurlHelper::HttpGetFile(target, CLibCurlHelper::NewHandle(), c.url), 0);
        EXPECT_FALSE(std::filesystem::exists(target));
        EXPECT_TRUE(HasMessage(log, c.logged));
    }
}

TEST(LibCurlHelper, UnwritableTargetFailsSilentlyAndReleasesTheHandle)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    CTempDir dir;
    CLogCapture log;
    EXPECT_EQ(CLibCurlHelper::HttpGetFile(dir.File("no/such/folder/x.mp3"), CLibCurlHelper::NewHandle(),
                                          service.ServerUrl() + "/files/sounds/kiss.mp3"),
              0);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(service.RequestLog().size(), 0u);
}

TEST(LibCurlHelper, DownloadDoesNotFollowASymbolicLinkPlantedAtItsTarget)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    CTempDir dir;
    std::string victim = dir.File("victim.txt");
    WriteFileBytes(victim, "keep me");
    std::filesystem::create_symlink(victim, dir.File("kiss.mp3"));
    EXPECT_EQ(CLibCurlHelper::HttpGetFile(dir.File("kiss.mp3"), CLibCurlHelper::NewHandle(),
                                          service.ServerUrl() + "/files/sounds/kiss.mp3"),
              0);
    EXPECT_EQ(ReadFileBytes(victim), "keep me");
}

TEST(LibCurlHelper, DownloadTakingLongerThanThreeSecondsFailsAndRemovesThePartialFile)
{
    CTempDir content;
    WriteContentFile(content.Path(), "files/big.bin", std::string(20 * 1024, 'b'));
    // 1 KB every 400 ms: about 8 s for the whole file.
    CCloudServiceProcess service(content.Path(), {"--trickle-ms", "400"});
    ASSERT_TRUE(service.Running());
    CTempDir dir;
    std::string target = dir.File("big.bin");
    std::string url = service.ServerUrl() + "/files/big.bin";
    std::atomic<bool> sawPartial{false};
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done) {
            std::error_code error;
            if (std::filesystem::file_size(target, error) > 0 && !error)
                sawPartial = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    CLogCapture log;
    int64_t announced = 0;
    int result = CLibCurlHelper::HttpGetFile(target, CLibCurlHelper::NewHandle(), url, {}, &announced);
    done = true;
    watcher.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(sawPartial.load());  // bytes had arrived before the time-out
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(HasMessage(log, "url:" + url + " easy_perform return:28"));
    EXPECT_EQ(announced, 20 * 1024);
}

// A cancelled transfer gives up at once instead of running into its time-out.
TEST(LibCurlHelper, CancelCheckEndsEveryKindOfTransfer)
{
    CCloudServiceProcess service(SampleContent(), {"--delay-ms", "30000"});
    ASSERT_TRUE(service.Running());
    CTempDir dir;
    std::atomic<bool> cancel{false};
    CLibCurlHelper::CancelCheck check = [&] { return cancel.load(); };
    std::vector<std::function<int()>> transfers = {
        [&] {
            char* raw = nullptr;
            int length = CLibCurlHelper::HttpPost(service.BaseUrl() + kCategoriesPath, nullptr, &raw, check);
            std::free(raw);
            return length;
        },
        [&] {
            std::vector<char> buffer(CLibCurlHelper::kFixedBufferSize);
            return CLibCurlHelper::HttpPost(service.BaseUrl() + kCategoriesPath, "", buffer.data(),
                                            static_cast<int>(buffer.size()), check);
        },
        [&] {
            return CLibCurlHelper::HttpGetFile(dir.File("kiss.mp3"), CLibCurlHelper::NewHandle(),
                                               service.ServerUrl() + "/files/sounds/kiss.mp3", check) == 1
                       ? 1
                       : -1;
        },
    };
    for (size_t i = 0; i < transfers.size(); ++i) {
        SCOPED_TRACE(i);
        cancel = false;
        CLogCapture log;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            cancel = true;
        });
        int result = transfers[i]();
        canceller.join();
        EXPECT_EQ(result, -1);
        bool aborted = false;
        for (const std::string& line : log.Lines())
            aborted = aborted || line.find("return:42") != std::string::npos ||
                      line.find("CURLcode:42") != std::string::npos;
        EXPECT_TRUE(aborted) << "expected an abort (42), not a time-out";
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("kiss.mp3")));
}

}  // namespace
}  // namespace vy::test
