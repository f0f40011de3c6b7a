// The send pipeline (decode with the slot's limit, convert, write the bytes
// the card receives) on a 60-second stereo MP3 to slot 2, against ffmpeg
// cutting and converting the same file to 20 seconds of mono 44100 Hz WAV.
// Prints the ratio of ffmpeg's time to ours at the end (above 1: we are faster).
#include "audio/SoundConverter.h"
#include "base/EventIds.h"
#include "base/Log.h"
#include "base/NotifyCenter.h"
#include "base/QueuedUiLoop.h"
#include "model/DeviceModel.h"
#include "model/FolderResourceProvider.h"
#include "model/RuleSet.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Workspace {
    std::string dir;
    std::string mp3;
    Workspace()
    {
        std::string pattern = "/tmp/vybench-XXXXXX";
        dir = ::mkdtemp(pattern.data());
        std::string command = std::string(VY_SOURCE_DIR) + "/scripts/make-test-audio --long '" + dir + "'";
        if (std::system(command.c_str()) == 0)
            mp3 = dir + "/long-stereo-44100-60s.mp3";
    }
    ~Workspace() { std::filesystem::remove_all(dir); }
};

Workspace& Files()
{
    static Workspace files;
    return files;
}

// The shipped PX40 rules (20 seconds for slot 2, mono 44100 Hz 16-bit WAV image).
const std::string kRuleFolder = std::string(VY_SOURCE_DIR) + "/data/archive/DATA";

// What `px40ctl convert IN -o OUT --slot 2 --data DIR` does, in this process.
bool RunPipeline(const std::string& in, const std::string& out)
{
    vy::RuleSet rules;
    if (!rules.Load(vy::CFolderResourceProvider(kRuleFolder, "DATA")))
        return false;
    rules.ApplyModelOverride(vy::kModelPX40);
    vy::CRunLoop loop;
    loop.AdoptCurrentThread();
    vy::SNotifyCenter center(loop);
    int status = -1;
    std::string wavPath;
    vy::CEventSubscription subscription(center, vy::events::kDecoderFinsh, [&](const vy::CEventBase& event) {
        const auto& finished = static_cast<const vy::EventDecoderFinsh&>(event);
        status = finished.Status();
        wavPath = finished.WavPath();
        loop.Quit();
    });
    vy::CSoundConverter converter(nullptr, &center, &rules);
    if (!converter.StartDecode(2, nullptr, in, 100, false))
        return false;
    loop.Run();
    if (status != 1)
        return false;
    bool ok = converter.ConvertForDevice(wavPath);
    std::filesystem::remove(wavPath);
    if (!ok)
        return false;
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(converter.Output().data()),
               static_cast<std::streamsize>(converter.Output().size()));
    return static_cast<bool>(file);
}

// Runs a program with its output discarded; true when it exits with 0.
bool Spawn(const std::vector<std::string>& argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_ConvertPipelineInProcess(benchmark::State& state)
{
    if (Files().mp3.empty())
        return state.SkipWithError("cannot make the test MP3 (sox and lame needed)");
    std::string out = Files().dir + "/inprocess.bin";
    for (auto _ : state) {
        if (!RunPipeline(Files().mp3, out))
            return state.SkipWithError("pipeline failed");
    }
    state.counters["output_bytes"] = static_cast<double>(std::filesystem::file_size(out));
}
BENCHMARK(BM_ConvertPipelineInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_Px40ctlConvert(benchmark::State& state)
{
    std::string tool = std::string(VY_BINARY_DIR) + "/tools/px40ctl/px40ctl";
    if (Files().mp3.empty() || !std::filesystem::exists(tool))
        return state.SkipWithError("px40ctl or the test MP3 is missing (build the px40ctl target)");
    std::string out = Files().dir + "/px40ctl.bin";
    for (auto _ : state) {
        if (!Spawn({tool, "convert", Files().mp3, "-o", out, "--slot", "2", "--data", kRuleFolder}))
            return state.SkipWithError("px40ctl convert failed");
    }
}
BENCHMARK(BM_Px40ctlConvert)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_Ffmpeg(benchmark::State& state)
{
    if (Files().mp3.empty())
        return state.SkipWithError("cannot make the test MP3 (sox and lame needed)");
    std::string out = Files().dir + "/ffmpeg.wav";
    for (auto _ : state) {
        if (!Spawn({"ffmpeg", "-nostdin", "-y", "-t", "20", "-i", Files().mp3, "-ac", "1", "-ar", "44100", out}))
            return state.SkipWithError("ffmpeg failed or is missing");
    }
}
BENCHMARK(BM_Ffmpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Keeps each benchmark's real time per iteration for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // One log record per decode would scatter the table.
    vy::SetLogSink([](const std::string&, void*) {}, nullptr);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.times;
    if (t.count("BM_Ffmpeg")) {
        for (const char* ours : {"BM_Px40ctlConvert", "BM_ConvertPipelineInProcess"}) {
            if (t.count(ours) && t[ours] > 0)
                std::printf("ffmpeg / %s: %.2f (above 1: faster than ffmpeg)\n", ours, t["BM_Ffmpeg"] / t[ours]);
        }
    }
    benchmark::Shutdown();
    return 0;
}
