// The cloud sound jobs: the sound pad store's cloud pages filled over
// loopback, and single sounds downloaded into their folder.
#include "CloudServiceProcess.h"

#include "base/EventIds.h"
#include "cloud/CloudConfig.h"
#include "cloud/CloudEvents.h"
#include "cloud/CloudFileName.h"
#include "cloud/CloudSoundFileDownloader.h"
#include "cloud/CloudSoundListDownloader.h"
#include "store/SoundPadStore.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace vy::test {
namespace {

struct SoundListFinish {
    bool arrived = false;
    CThreadObject* thread = nullptr;
    int success = -1;
    std::string failureText;
};

struct FileReady {
    bool arrived = false;
    CThreadObject* thread = nullptr;
    int entryId = 0;
    int controlId = 0;
    std::string localPath;
    std::string entryName;
    int mode = 0;
    int success = -1;
    std::string failureText;
};

// A page as text: "title: id name url; ..." for compact comparisons.
std::string PageText(const CSoundPadStore& store, size_t page)
{
    std::string text = store.GetCloudPageTitle(page) + ":";
    for (const SoundItem& item : store.GetCloudPageItems(page))
        text += " " + std::to_string(item.cloudId) + "=" + item.Name();
    return text;
}

class CloudSoundJobs : public ::testing::Test {
protected:
    CloudSoundJobs() { m_loop.AdoptCurrentThread(); }
    ~CloudSoundJobs() override { CCloudConfig::Set(m_saved); }

    void Configure(const std::string& baseUrl)
    {
        CloudSettings settings;
        settings.baseUrl = baseUrl;
        CCloudConfig::Set(settings);
    }

    SoundListFinish RunList(CCloudSoundListDownloader& job)
    {
        SoundListFinish finish;
        CEventSubscription subscription(m_center, events::kThreadCloudSoundFinish, [&](const CEventBase& base) {
            const auto& event = static_cast<const EventThreadCloudSoundFinishEvent&>(base);
            EXPECT_EQ(event.Name(), "on_cloud_sound_finish");
            finish = {true, event.Thread(), event.Success(), event.FailureText()};
        });
        EXPECT_TRUE(job.Start());
        EXPECT_TRUE(m_loop.RunUntil([&] { return finish.arrived; }, 20000));
        job.Stop(CCloudJobThread::kStopTimeoutMs);
        return finish;
    }

    FileReady RunDownload(CCloudSoundFileDownloader& job)
    {
        FileReady ready;
        CEventSubscription subscription(m_center, events::kCloudSoundFileReady, [&](const CEventBase& base) {
            const auto& e = static_cast<const EventCloudSoundFileReady&>(base);
            EXPECT_EQ(e.Name(), "on_cloud_sound_ready");
            ready = {true,         e.Thread(), e.EntryId(), e.ControlId(),  e.LocalPath(),
                     e.EntryName(), e.Mode(),  e.Success(), e.FailureText()};
        });
        EXPECT_TRUE(job.Start());
        EXPECT_TRUE(m_loop.RunUntil([&] { return ready.arrived; }, 20000));
        job.Stop(CCloudJobThread::kStopTimeoutMs);
        return ready;
    }

    CFakeUiLoop m_loop;
    SNotifyCenter m_center{m_loop};
    CSoundPadStore m_store;
    CloudSettings m_saved = CCloudConfig::Get();
};

TEST_F(CloudSoundJobs, SoundListFillsOnePagePerCategoryWithCloudItems)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    m_store.AddCloudPage("stale page from an earlier run");
    CCloudSoundListDownloader job(m_store);
    SoundListFinish finish = RunList(job);
    EXPECT_EQ(finish.thread, &job);
    EXPECT_EQ(finish.success, 1);
    EXPECT_EQ(finish.failureText, "");
    ASSERT_EQ(m_store.GetCloudPageCount(), 3u);
    EXPECT_EQ(PageText(m_store, 0), "搞笑: 101=大笑 102=偷笑 103=亲一个");
    EXPECT_EQ(PageText(m_store, 1), "掌声欢呼: 201=掌声 202=欢呼");
    EXPECT_EQ(PageText(m_store, 2), "Fun & Games: 301=Drum roll 302=Horn 303=Boing");
    SoundItem item = m_store.GetCloudPageItems(0)[2];
    EXPECT_EQ(item.kind, kSoundKindCloud);
    EXPECT_EQ(item.Path(), service.ServerUrl() + "/files/sounds/kiss.mp3");
    EXPECT_EQ(item.hotkey, 0u);
    EXPECT_EQ(item.downloadStatus, kDownloadIdle);

    // The categories without a body, then each category's sounds by id.
    Json::Value log = service.RequestLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0]["path"].asString(), "/tuning/api/live/getSpecialEffectCategory.json");
    EXPECT_EQ(log[0]["body"].asString(), "");
    for (unsigned i = 1; i <= 3; ++i) {
        EXPECT_EQ(log[i]["path"].asString(), "/tuning/api/live/findByCategory.json");
        EXPECT_EQ(log[i]["body"].asString(), "categoryId=" + std::to_string(i));
    }
}

TEST_F(CloudSoundJobs, LongNamesAreCutAndUnusableUrlsLeftOut)
{
    CTempDir content;
    std::string longCategory = std::string(62, 'c') + "中";  // 65 bytes: the 3-byte character goes whole
    std::string longUrl = "http://127.0.0.1:1/" + std::string(250, 'u');
    WriteContentFile(content.Path(), "sound-categories.json",
                     R"([{"id": 4, "categoryName": ")" + longCategory + R"("}, {"id": 5, "categoryName": ""}])");
    WriteContentFile(content.Path(), "sounds/4.json",
                     R"([{"id": 1, "name": ")" + std::string(40, 'n') + R"(", "url": "http://127.0.0.1:1/a.mp3"},
                         {"id": 2, "name": "too long", "url": ")" + longUrl + R"("},
                         {"id": 3, "name": "line break", "url": "http://127.0.0.1:1/a\nb.mp3"},
                         {"id": "4", "name": "text id", "url": "http://127.0.0.1:1/c.mp3"}])");
    CCloudServiceProcess service(content.Path());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    CCloudSoundListDownloader job(m_store);
    SoundListFinish finish = RunList(job);
    EXPECT_EQ(finish.success, 1);
    ASSERT_EQ(m_store.GetCloudPageCount(), 1u);  // no page for an empty title
    EXPECT_EQ(m_store.GetCloudPageTitle(0), std::string(62, 'c'));
    auto items = m_store.GetCloudPageItems(0);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Name(), std::string(31, 'n'));
    EXPECT_EQ(items[1].cloudId, 4);
}

TEST_F(CloudSoundJobs, SoundListFailureTexts)
{
    struct Case {
        std::vector<std::string> faults;
        int success;
        std::string text;
        size_t pages;
    };
    const std::vector<Case> cases = {
        {{"--status", "500"}, 0, "从服务器获取特效分类失败", 0},
        {{"--broken-json"}, 0, "解析json数据失败", 0},
        {{"--message", "暂停服务"}, 0, "暂停服务", 0},
        {{"--message", "OK"}, 1, "", 3},
        // The categories come, the sounds do not: pages without items.
        {{"--status", "500", "--fault-only", "findByCategory"}, 1, "从服务器获取分类中的特效失败", 3},
        {{"--broken-json", "--fault-only", "findByCategory"}, 1, "解析JSON数据失败", 3},
        {{"--message", "分类已下线", "--fault-only", "categoryId=3"}, 1, "分类已下线", 3},
    };
    for (const Case& c : cases) {
        std::string switches;
        for (const std::string& part : c.faults)
            switches += part + " ";
        SCOPED_TRACE(switches);
        CCloudServiceProcess service(SampleContent(), c.faults);
        ASSERT_TRUE(service.Running());
        Configure(service.BaseUrl());
        CSoundPadStore store;
        CCloudSoundListDownloader job(store);
        job.SetRetryPolicy(2, 10);
        SoundListFinish finish = RunList(job);
        EXPECT_EQ(finish.success, c.success);
        EXPECT_EQ(finish.failureText, c.text);
        EXPECT_EQ(store.GetCloudPageCount(), c.pages);
    }
}

TEST_F(CloudSoundJobs, CategoryIsRetriedABoundedNumberOfTimes)
{
    struct Case {
        std::string failFirst;  // requests of category 2 that fail
        size_t requestsOfCategory2;
        size_t itemsOnPage2;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"2", 3, 2, "从服务器获取分类中的特效失败"},  // third attempt succeeds
        {"0", 3, 0, "从服务器获取分类中的特效失败"},  // every attempt fails: give up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failFirst);
        CCloudServiceProcess service(SampleContent(),
                                     {"--status", "503", "--fault-only", "categoryId=2", "--fault-first", c.failFirst});
        ASSERT_TRUE(service.Running());
        Configure(service.BaseUrl());
        CSoundPadStore store;
        CCloudSoundListDownloader job(store);
        job.SetRetryPolicy(3, 20);
        SoundListFinish finish = RunList(job);
        EXPECT_EQ(finish.success, 1);
        EXPECT_EQ(finish.failureText, c.text);
        ASSERT_EQ(store.GetCloudPageCount(), 3u);
        EXPECT_EQ(store.GetCloudPageItems(1).size(), c.itemsOnPage2);
        EXPECT_EQ(store.GetCloudPageItems(2).size(), 3u);  // the job went on
        size_t asked = 0;
        for (const Json::Value& entry : service.RequestLog())
            asked += entry["body"].asString() == "categoryId=2";
        EXPECT_EQ(asked, c.requestsOfCategory2);
    }
}

// The UI thread reads the pages while the job writes them: every read sees
// whole pages (run under the sanitizers too).
TEST_F(CloudSoundJobs, PagesCanBeReadWhileTheJobFillsThem)
{
    CCloudServiceProcess service(SampleContent(), {"--delay-ms", "20", "--fault-only", "findByCategory"});
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    CCloudSoundListDownloader job(m_store);
    bool done = false;
    CEventSubscription subscription(m_center, events::kThreadCloudSoundFinish, [&](const CEventBase&) { done = true; });
    ASSERT_TRUE(job.Start());
    size_t reads = 0;
    EXPECT_TRUE(m_loop.RunUntil(
        [&] {
            std::lock_guard<zan_util::CLock> guard(m_store.GetCloudLock());
            for (size_t page = 0; page < m_store.GetCloudPageCount(); ++page) {
                EXPECT_FALSE(m_store.GetCloudPageTitle(page).empty());
                for (const SoundItem& item : m_store.GetCloudPageItems(page))
                    EXPECT_EQ(item.kind, kSoundKindCloud);
            }
            ++reads;
            return done;
        },
        20000));
    EXPECT_GT(reads, 1u);
    EXPECT_EQ(m_store.GetCloudPageCount(), 3u);
}

TEST_F(CloudSoundJobs, StoppedSoundListEndsDuringItsRetryPauseAndPostsNothing)
{
    CCloudServiceProcess service(SampleContent(), {"--status", "500", "--fault-only", "findByCategory"});
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    bool posted = false;
    CEventSubscription subscription(m_center, events::kThreadCloudSoundFinish, [&](const CEventBase&) { posted = true; });
    auto job = std::make_unique<CCloudSoundListDownloader>(m_store);
    job->SetRetryPolicy(5, 60000);
    ASSERT_TRUE(job->Start());
    ASSERT_TRUE(m_loop.RunUntil([&] { return service.RequestLog().size() >= 2; }, 5000));
    auto before = std::chrono::steady_clock::now();
    job->Stop(CCloudJobThread::kStopTimeoutMs);
    EXPECT_FALSE(job->IsRunning());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));  // not the 60 s pause
    job.reset();
    m_loop.Drain();
    EXPECT_FALSE(posted);
}

TEST_F(CloudSoundJobs, SoundDownloadWritesTheFileAndPassesItsArgumentsThrough)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    CTempDir userData;
    SoundItem entry;
    ASSERT_TRUE(MakeSoundItem(kSoundKindCloud, "亲一个", service.ServerUrl() + "/files/sounds/kiss.mp3", 103, entry));
    std::string path = CloudSoundFilePath(userData.Path(), entry.Path(), entry.cloudId);
    CCloudSoundFileDownloader job(entry, path, 2, 18003);
    FileReady ready = RunDownload(job);
    EXPECT_EQ(ready.thread, &job);
    EXPECT_EQ(ready.success, 1);
    EXPECT_EQ(ready.failureText, "");
    EXPECT_EQ(ready.entryId, 103);
    EXPECT_EQ(ready.controlId, 18003);
    EXPECT_EQ(ready.mode, 2);
    EXPECT_EQ(ready.entryName, "亲一个");
    EXPECT_EQ(ready.localPath, userData.Path() + "/CloudSound/kiss.mp3");
    EXPECT_EQ(ReadFileBytes(ready.localPath), ReadFileBytes(SampleContent() + "/files/sounds/kiss.mp3"));
}

std::vector<std::string> FilesUnder(const std::string& root)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (!entry.is_directory())
            files.push_back(std::filesystem::relative(entry.path(), root).string());
    return files;
}

TEST_F(CloudSoundJobs, SoundDownloadsStayInTheirFolderAndFailuresLeaveNoFile)
{
    CCloudServiceProcess service(SampleContent(), {"--trickle-ms", "1600", "--fault-only", "drum-roll"});
    ASSERT_TRUE(service.Running());
    const std::string server = service.ServerUrl();
    struct Case {
        std::string url;
        int32_t kind;
        int success;
        std::string text;
        std::string name;                // the local file's name
        std::vector<std::string> files;  // under the user data folder afterwards
    };
    const std::vector<Case> cases = {
        {server + "/files/sounds/kiss.mp3?x=/../../../escaped.mp3", kSoundKindCloud, 1, "", "kiss.mp3",
         {"CloudSound/kiss.mp3"}},
        {server + "/files/sounds/..%2F..%2Fsound-categories.json", kSoundKindCloud, 0, "下载文件失败",
         "..%2F..%2Fsound-categories.json", {}},
        {"kiss.mp3", kSoundKindCloud, 0, "下载文件失败", "57.mp3", {}},  // no "/" at all
        {server + "/files/sounds/none.mp3", kSoundKindCloud, 0, "下载文件失败", "none.mp3", {}},
        // drum-roll.mp3 comes in three pieces 1.6 s apart: over the 3 s limit.
        {server + "/files/sounds/drum-roll.mp3", kSoundKindCloud, 0, "下载文件失败", "drum-roll.mp3", {}},
        {server + "/files/sounds/kiss.mp3", kSoundKindFile, 0, "错误的参数", "kiss.mp3", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        CTempDir userData;
        SoundItem entry;
        ASSERT_TRUE(MakeSoundItem(c.kind, "x", c.url, 57, entry));
        std::string path = CloudSoundFilePath(userData.Path(), entry.Path(), entry.cloudId);
        EXPECT_EQ(path, userData.Path() + "/CloudSound/" + c.name);
        CCloudSoundFileDownloader job(entry, path, 0, 1);
        FileReady ready = RunDownload(job);
        EXPECT_EQ(ready.success, c.success);
        EXPECT_EQ(ready.failureText, c.text);
        EXPECT_EQ(FilesUnder(userData.Path()), c.files);
    }
}

}  // namespace
}  // namespace vy::test
