// CPU cost of recording (capture from the sound server plus MP3 encoding) as
// a share of one core, measured with getrusage over a timed recording of
// music-like sound. Goal: under 5 %.
//
// Uses the sound server PULSE_SERVER names, or starts a private one. The
// sound is played by a separate process (paplay), so that only the
// recording's work is counted here.
#include "audio/AudioEngine.h"
#include "tests/support/PulseServer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr double kRecordSeconds = 10.0;

// Chords, a melody and some noise: closer to what is recorded than a pure
// tone, which the encoder finds too easy.
std::string MusicWav(double seconds)
{
    const uint32_t rate = 44100;
    const size_t frames = size_t(seconds * rate);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.03);
    std::string data;
    data.reserve(frames * 4);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double note = 220.0 * std::pow(2.0, double(int(t * 4) % 12) / 12.0);
        double left = 0.2 * std::sin(2 * M_PI * note * t) + 0.15 * std::sin(2 * M_PI * 330 * t) +
                      0.1 * std::sin(2 * M_PI * 1760 * t * (1 + 0.01 * std::sin(t))) + noise(random);
        double right = 0.2 * std::sin(2 * M_PI * note * 1.5 * t) + 0.15 * std::sin(2 * M_PI * 262 * t) + noise(random);
        for (double v : {left, right}) {
            auto s = static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
            data.push_back(char(s & 0xFF));
            data.push_back(char((s >> 8) & 0xFF));
        }
    }
    auto put32 = [](std::string& out, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(char(v >> (8 * i) & 0xFF));
    };
    std::string wav = "RIFF";
    put32(wav, uint32_t(36 + data.size()));
    wav += "WAVEfmt ";
    put32(wav, 16);
    wav += std::string("\x01\x00\x02\x00", 4);
    put32(wav, rate);
    put32(wav, rate * 4);
    wav += std::string("\x04\x00\x10\x00", 4);
    wav += "data";
    put32(wav, uint32_t(data.size()));
    return wav + data;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Player {
    pid_t pid = -1;
    explicit Player(const std::string& file)
    {
        std::vector<std::string> args = {"paplay", file};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid, "paplay", nullptr, nullptr, argv.data(), environ) != 0)
            pid = -1;
    }
    ~Player()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

void BM_RecordMp3CpuShare(benchmark::State& state)
{
    const std::string dir = std::filesystem::temp_directory_path() / ("vybench-record-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string music = dir + "/music.wav";
    std::ofstream(music, std::ios::binary) << MusicWav(kRecordSeconds + 5);
    double share = 0;
    int loudest = 0;
    for (auto _ : state) {
        vy::AudioEnginePtr recorder(vy::CreateAudioEngine());
        if (!recorder || !recorder->Open(vy::kAudioLineInSource, 1000) ||
            !recorder->OpenOutput(dir + "/take.mp3", vy::kAudioOutputMp3, 0) || !recorder->Start()) {
            state.SkipWithError(recorder ? recorder->GetErrorText().c_str() : "no engine");
            break;
        }
        Player player(music);
        std::this_thread::sleep_for(500ms);  // the sound is under way
        const double cpuBefore = CpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        const auto end = wallBefore + std::chrono::duration<double>(kRecordSeconds);
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(200ms);
            int left = 0, right = 0;
            recorder->GetLevels(left, right);
            loudest = std::max({loudest, left, right});
        }
        recorder->Stop();
        const double cpu = CpuSeconds() - cpuBefore;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        share = cpu / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent_of_core"] = share * 100;
    state.counters["peak_level"] = loudest;  // above 0: real sound was encoded
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RecordMp3CpuShare)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    vy::test::CPulseServer server;
    std::optional<vy::test::CScopedEnv> env;
    const char* existing = std::getenv("PULSE_SERVER");
    if (!existing || !*existing) {
        std::string error;
        if (!server.Start(error)) {
            std::fprintf(stderr, "bench_record: no sound server: %s\n", error.c_str());
            return 1;
        }
        env.emplace("PULSE_SERVER", server.ServerString());
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
