// The list jobs and the cloud effect download, run as threads against the
// reference service; results arrive as finish events on the test's UI loop.
#include "CloudServiceProcess.h"

#include "base/EventIds.h"
#include "cloud/CloudConfig.h"
#include "cloud/CloudEffectFileDownloader.h"
#include "cloud/CloudEffectFileListDownloader.h"
#include "cloud/CloudEvents.h"
#include "cloud/EffectCategoryListDownloader.h"
#include "cloud/EffectParamListDownloader.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

namespace vy::test {
namespace {

// What a finish event said, copied out on the UI thread.
struct Finish {
    bool arrived = false;
    uint32_t id = 0;
    std::string name;
    CThreadObject* thread = nullptr;
    int success = -1;
    std::string failureText;
};

class CloudJobs : public ::testing::Test {
public:
    CloudJobs() { m_loop.AdoptCurrentThread(); }
    ~CloudJobs() override { CCloudConfig::Set(m_saved); }

    void Configure(const std::string& baseUrl, const std::string& model = "PX40", int number = 18)
    {
        CloudSettings settings;
        settings.baseUrl = baseUrl;
        settings.modelName = model;
        settings.modelNumber = number;
        settings.resourceFolder = m_resources.Path();
        CCloudConfig::Set(settings);
    }

    // Subscribes to `eventId`, starts the job and serves the loop until the
    // event came; `copy` takes what else the test needs from the event.
    template <typename Event>
    Finish RunJob(CThreadObject& job, uint32_t eventId, std::function<void(const Event&)> copy = {})
    {
        Finish finish;
        CEventSubscription subscription(m_center, eventId, [&](const CEventBase& base) {
            const auto& event = static_cast<const Event&>(base);
            finish.arrived = true;
            finish.id = event.Id();
            finish.name = event.Name();
            finish.thread = event.Thread();
            finish.success = event.Success();
            finish.failureText = event.FailureText();
            if (copy)
                copy(event);
        });
        EXPECT_TRUE(job.Start());
        EXPECT_TRUE(m_loop.RunUntil([&] { return finish.arrived; }, 20000));
        job.Stop(CCloudJobThread::kStopTimeoutMs);
        return finish;
    }

    CFakeUiLoop m_loop;
    SNotifyCenter m_center{m_loop};
    CTempDir m_resources;
    CloudSettings m_saved = CCloudConfig::Get();
};

TEST_F(CloudJobs, CloudEffectListAsksForTheModelsGenreAndDoublesAmpersands)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    struct Case {
        std::string model;
        std::string body;
        size_t count;
    };
    for (const Case& c : {Case{"PX40", "genreId=17&pageNumber=1&categoryId=-1&pageSize=10000", 3},
                          Case{"PX41", "genreId=18&pageNumber=1&categoryId=-1&pageSize=10000", 2}}) {
        SCOPED_TRACE(c.model);
        Configure(service.BaseUrl(), c.model);
        CCloudEffectFileListDownloader job;
        const std::vector<CloudEffectItem>* list = nullptr;
        Finish finish = RunJob<EventThreadCloudEffectFinishEvent>(
            job, events::kThreadCloudEffectFinish,
            [&](const EventThreadCloudEffectFinishEvent& event) { list = event.List(); });
        EXPECT_EQ(finish.name, "on_cloud_effect_finish");
        EXPECT_EQ(finish.thread, &job);
        EXPECT_EQ(finish.success, 1);
        EXPECT_EQ(finish.failureText, "");
        ASSERT_EQ(list, &job.Items());
        ASSERT_EQ(list->size(), c.count);
        EXPECT_EQ(service.RequestLog()[service.RequestLog().size() - 1]["body"].asString(), c.body);
    }
    // The sample's PX40 list in full.
    Configure(service.BaseUrl(), "PX40");
    CCloudEffectFileListDownloader job;
    RunJob<EventThreadCloudEffectFinishEvent>(job, events::kThreadCloudEffectFinish);
    const auto& items = job.Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, 3001);
    EXPECT_EQ(items[0].name, "温暖大厅");
    EXPECT_EQ(items[0].category, "混响");
    EXPECT_EQ(items[0].url, service.ServerUrl() + "/files/effects/px40/warm-hall.bin");
    EXPECT_EQ(items[1].name, "Rock && Robot");
}

TEST_F(CloudJobs, AmpersandsAreDoubledInNameAndCategoryWithoutSplittingAPairWhenCut)
{
    CTempDir content;
    std::string longName = std::string(62, 'n') + "&x";  // doubling pushes the "&" pair across the limit
    WriteContentFile(content.Path(), "effects/17.json",
                     R"([{"id": 7, "categoryName": "A&B", "soundName": "&", "url": "http://127.0.0.1:1/a.bin"},
                         {"id": 8, "categoryName": "&&", "soundName": ")" + longName + R"(", "url": "u"}])");
    CCloudServiceProcess service(content.Path());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    CCloudEffectFileListDownloader job;
    Finish finish = RunJob<EventThreadCloudEffectFinishEvent>(job, events::kThreadCloudEffectFinish);
    ASSERT_EQ(finish.success, 1);
    ASSERT_EQ(job.Items().size(), 2u);
    EXPECT_EQ(job.Items()[0].name, "&&");
    EXPECT_EQ(job.Items()[0].category, "A&&B");
    EXPECT_EQ(job.Items()[1].category, "&&&&");
    EXPECT_EQ(job.Items()[1].name, std::string(62, 'n'));  // the half pair is dropped, not shown as a marker
}

TEST_F(CloudJobs, EffectCategoriesReadDecimalTextIdsAndCutLongNames)
{
    CTempDir content;
    std::string longName(70, 'c');
    WriteContentFile(content.Path(), "effect-categories.json",
                     R"([{"id": "12", "categoryName": "男声"}, {"id": 5, "categoryName": ")" + longName +
                         R"("}, {"id": "x", "categoryName": "坏"}, "not an object"])");
    CCloudServiceProcess service(content.Path());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    CEffectCategoryListDownloader job;
    const std::vector<EffectCategory>* list = nullptr;
    Finish finish = RunJob<EventThreadCloudEffectCategoryFinishEvent>(
        job, events::kThreadCloudEffectCategoryFinish,
        [&](const EventThreadCloudEffectCategoryFinishEvent& event) { list = event.List(); });
    EXPECT_EQ(finish.name, "on_cloud_effect_paramgroup_finish");
    EXPECT_EQ(finish.success, 1);
    ASSERT_EQ(list, &job.Categories());
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ((*list)[0].id, 12);
    EXPECT_EQ((*list)[0].name, "男声");
    EXPECT_EQ((*list)[1].id, 5);
    EXPECT_EQ((*list)[1].name, std::string(59, 'c'));
    EXPECT_EQ((*list)[2].id, 0);
    EXPECT_EQ(service.RequestLog()[0]["body"].asString(), "token=&type=1");
}

TEST_F(CloudJobs, ParamGroupsFillSlotsInOrderAndSkipOutOfRangeParameters)
{
    CTempDir content;
    std::string many;
    for (int i = 0; i < 70; ++i)
        many += std::string(i ? "," : "") + R"({"id": ")" + std::to_string(100 + i) + R"(", "bitNum": 8, "paramNo": )" +
                std::to_string(i % 64) + "}";
    WriteContentFile(content.Path(), "param-groups/23.json",
                     R"([{"id": "4", "paramList": [
                            {"id": "41", "bitNum": 8, "paramNo": 14},
                            {"id": "42", "bitNum": 16, "paramNo": 70},
                            {"id": "43", "bitNum": 4, "paramNo": 63}]},
                         {"id": "5", "paramList": [{"id": "51", "bitNum": 1, "paramNo": -3}]},
                         {"id": "6", "paramList": [)" + many + R"(]},
                         {"id": "7"}])");
    CCloudServiceProcess service(content.Path());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl(), "PX40", 23);
    CEffectParamListDownloader job;
    Finish finish = RunJob<EventThreadCloudEffectParamGroupFinishEvent>(job, events::kThreadCloudEffectParamGroupFinish);
    EXPECT_EQ(finish.id, events::kThreadCloudEffectParamGroupFinish);
    EXPECT_EQ(finish.name, "on_cloud_effect_paramgroup_finish");
    ASSERT_EQ(finish.success, 1);
    EXPECT_EQ(service.RequestLog()[0]["body"].asString(), "token=&genreId=23");
    const auto& groups = job.Groups();
    ASSERT_EQ(groups.size(), 4u);

    const ParamGroup& g = groups[0];
    EXPECT_EQ(g.id, 4);
    EXPECT_EQ(g.count, 3);
    EXPECT_EQ(g.entries[0].id, 41);
    EXPECT_EQ(g.entries[0].bitNum, 8);
    EXPECT_EQ(g.entries[0].paramNo, 14);
    EXPECT_EQ(g.entries[1].paramNo, ParamEntry::kNoParam);  // paramNo 70: the slot stays empty
    EXPECT_EQ(g.entries[1].id, 0);
    EXPECT_EQ(g.entries[2].id, 43);
    EXPECT_EQ(g.entries[2].bitNum, 4);
    EXPECT_EQ(g.entries[2].paramNo, 63);

    EXPECT_EQ(groups[1].count, 1);
    EXPECT_EQ(groups[1].entries[0].paramNo, ParamEntry::kNoParam);  // negative numbers too
    EXPECT_EQ(groups[2].count, ParamGroup::kSlots);                  // 70 listed, 64 kept
    EXPECT_EQ(groups[2].entries[63].id, 163);
    EXPECT_EQ(groups[3].count, 0);
}

// Each list job with each way the service can fail, and the texts it shows.
TEST_F(CloudJobs, ListJobsReportEachFailureWithItsText)
{
    struct Job {
        std::string label;
        uint32_t eventId;
        std::string requestText;
        std::function<Finish(CloudJobs&)> run;
    };
    const std::vector<Job> jobs = {
        {"cloud effects", events::kThreadCloudEffectFinish, "从服务器获取云音效列表失败",
         [](CloudJobs& self) {
             CCloudEffectFileListDownloader job;
             return self.RunJob<EventThreadCloudEffectFinishEvent>(job, events::kThreadCloudEffectFinish);
         }},
        {"effect categories", events::kThreadCloudEffectCategoryFinish, "从服务器获取云音效分类列表失败",
         [](CloudJobs& self) {
             CEffectCategoryListDownloader job;
             return self.RunJob<EventThreadCloudEffectCategoryFinishEvent>(job,
                                                                          events::kThreadCloudEffectCategoryFinish);
         }},
        {"param groups", events::kThreadCloudEffectParamGroupFinish, "从服务器获取云音效列表失败",
         [](CloudJobs& self) {
             CEffectParamListDownloader job;
             return self.RunJob<EventThreadCloudEffectParamGroupFinishEvent>(
                 job, events::kThreadCloudEffectParamGroupFinish);
         }},
    };
    struct Fault {
        std::vector<std::string> switches;
        std::string expected;  // "" for the job's request text
        int success;
    };
    const std::vector<Fault> faults = {
        {{"--status", "500"}, "", 0},
        {{"--reply-size", "102400"}, "", 0},
        {{"--reply-size", "300000"}, "", 0},
        {{"--broken-json"}, "解析json数据失败", 0},
        {{"--message", "服务器维护中"}, "服务器维护中", 0},
        {{"--message", "OK"}, "", 1},
        {{"--message", "Ok"}, "", 1},
    };
    for (const Fault& fault : faults) {
        CCloudServiceProcess service(SampleContent(), fault.switches);
        ASSERT_TRUE(service.Running());
        Configure(service.BaseUrl());
        for (const Job& job : jobs) {
            SCOPED_TRACE(job.label + " with " + fault.switches[0]);
            Finish finish = job.run(*this);
            ASSERT_TRUE(finish.arrived);
            EXPECT_EQ(finish.id, job.eventId);
            EXPECT_EQ(finish.success, fault.success);
            if (fault.success)
                EXPECT_EQ(finish.failureText, "");
            else
                EXPECT_EQ(finish.failureText, fault.expected.empty() ? job.requestText : fault.expected);
        }
    }
}

TEST_F(CloudJobs, DeadServiceFailsTheListJobsWithTheRequestText)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    service.Kill();
    CEffectCategoryListDownloader job;
    Finish finish = RunJob<EventThreadCloudEffectCategoryFinishEvent>(job, events::kThreadCloudEffectCategoryFinish);
    EXPECT_EQ(finish.success, 0);
    EXPECT_EQ(finish.failureText, "从服务器获取云音效分类列表失败");
    EXPECT_TRUE(job.Categories().empty());
}

// A job stopped while waiting for the service ends at once and posts nothing:
// its creator is tearing it down.
TEST_F(CloudJobs, StoppedJobEndsPromptlyAndPostsNothing)
{
    CCloudServiceProcess service(SampleContent(), {"--delay-ms", "30000"});
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    bool posted = false;
    CEventSubscription subscription(m_center, events::kThreadCloudEffectFinish,
                                    [&](const CEventBase&) { posted = true; });
    auto job = std::make_unique<CCloudEffectFileListDownloader>();
    ASSERT_TRUE(job->Start());
    // Wait until the request reached the service, then stop the job.
    ASSERT_TRUE(m_loop.RunUntil([&] { return service.RequestLog().size() == 1; }, 5000));
    auto before = std::chrono::steady_clock::now();
    job->Stop(CCloudJobThread::kStopTimeoutMs);
    auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_FALSE(job->IsRunning());
    // Far below the 7 s transfer time-out: the transfer was cancelled.
    EXPECT_LT(waited, std::chrono::seconds(2));
    job.reset();
    m_loop.Drain();
    EXPECT_FALSE(posted);
}

TEST_F(CloudJobs, CloudEffectDownloadStoresTheFileAndFillsTheRecord)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    CloudEffectItem item;
    item.id = 3002;
    item.name = "Rock && Robot";
    item.url = service.ServerUrl() + "/files/effects/px40/robot.bin";
    CCloudEffectFileDownloader job(item);
    uint32_t type = 0;
    const EffectRecord* record = nullptr;
    int cloudId = 0;
    Finish finish =
        RunJob<EventCommonThreadFinishEvent>(job, events::kCommonThreadFinish, [&](const EventCommonThreadFinishEvent& e) {
            type = e.Type();
            record = e.Record();
            cloudId = e.CloudEffectId();
        });
    EXPECT_EQ(finish.name, "on_thread_finish");
    EXPECT_EQ(finish.success, 1);
    EXPECT_EQ(type, 0x6465746Cu);
    EXPECT_EQ(cloudId, 3002);
    ASSERT_EQ(record, &job.Record());
    std::string expectedPath = m_resources.Path() + "/CloudEffect/robot.bin";
    EXPECT_EQ(record->kind, 7);
    EXPECT_EQ(record->cloudId, 3002);
    EXPECT_EQ(record->index, 3002);
    EXPECT_EQ(record->isFile, 1);
    EXPECT_EQ(record->Path(), expectedPath);
    EXPECT_EQ(record->Name(), "Rock && Robot");
    EXPECT_EQ(record->hotkey, 0);
    EXPECT_EQ(record->empty, 0);
    EXPECT_EQ(ReadFileBytes(expectedPath), ReadFileBytes(SampleContent() + "/files/effects/px40/robot.bin"));
}

// Every file the download leaves behind, relative to the resource folder.
std::vector<std::string> FilesUnder(const std::string& root)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (!entry.is_directory())
            files.push_back(std::filesystem::relative(entry.path(), root).string());
    return files;
}

TEST_F(CloudJobs, CloudEffectDownloadsStayInTheirFolderAndFailuresLeaveNothing)
{
    CCloudServiceProcess service(SampleContent());
    ASSERT_TRUE(service.Running());
    Configure(service.BaseUrl());
    const std::string server = service.ServerUrl();
    struct Case {
        std::string url;
        int success;
        std::vector<std::string> files;  // under the resource folder afterwards
    };
    const std::vector<Case> cases = {
        {server + "/files/effects/px40/robot.bin?to=../../escaped.bin", 1, {"CloudEffect/robot.bin"}},
        {server + "/files/effects/px40/robot.bin#/../../escaped.bin", 1, {"CloudEffect/robot.bin"}},
        {server + "/files/effects/px40/..%2F..%2F..%2Fescaped.bin", 0, {}},
        {server + "/files/effects/px40/", 0, {}},
        {server + "/files/effects/px40/missing.bin", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::filesystem::remove_all(m_resources.Path() + "/CloudEffect");
        CloudEffectItem item;
        item.id = 9;
        item.name = "x";
        item.url = c.url;
        CCloudEffectFileDownloader job(item);
        Finish finish = RunJob<EventCommonThreadFinishEvent>(job, events::kCommonThreadFinish);
        EXPECT_EQ(finish.success, c.success);
        EXPECT_EQ(finish.failureText, c.success ? "" : "下载云音效失败");
        EXPECT_EQ(FilesUnder(m_resources.Path()), c.files);
    }
}

}  // namespace
}  // namespace vy::test
