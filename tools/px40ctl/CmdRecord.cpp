// px40ctl record: record an input device into an MP3 file through the
// program's audio engine.
#include "Command.h"

#include "audio/AudioEngines.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

namespace px40ctl {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int)
{
    g_interrupted = true;
}

struct RecordArgs {
    std::string file;
    std::string device;
    double seconds = 0;
};

int Record(const RecordArgs& args)
{
    vy::CAudioEngines engines(nullptr);
    if (!engines.OpenRecorder(args.device, args.file)) {
        PrintError(engines.LastErrorText());
        return kExitFailed;
    }
    vy::IAudioEngine* recorder = engines.Recorder();
    if (!recorder->Start()) {
        PrintError(recorder->GetErrorText());
        return kExitFailed;
    }
    const auto wanted = static_cast<uint32_t>(args.seconds * 1000);
    // Sound arrives in real time; a device that delivers nothing must not
    // keep the command forever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wanted) + std::chrono::seconds(5);
    auto previous = std::signal(SIGINT, OnInterrupt);
    vy::AudioPosition position;
    uint32_t shown = UINT32_MAX;
    int loudest = 0;
    bool failed = false;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        vy::AudioStatus status;
        recorder->GetStatus(status);
        recorder->GetPosition(position);
        int left = 0, right = 0;
        recorder->GetLevels(left, right);
        loudest = std::max({loudest, left, right});
        if (position.position / 1000 != shown) {
            shown = position.position / 1000;
            std::printf("%02u:%02u:%02u  level %d\n", position.hours, position.minutes, position.seconds, loudest);
            std::fflush(stdout);
            loudest = 0;
        }
        if (!status.running) {
            failed = true;
            break;
        }
        if (position.position >= wanted || g_interrupted || std::chrono::steady_clock::now() > deadline)
            break;
    }
    std::signal(SIGINT, previous);
    const bool stopped = recorder->Stop();
    recorder->GetPosition(position);
    const std::string error = recorder->GetErrorText();
    engines.ReleaseRecorder();
    if (failed || !stopped) {
        PrintError("recording ended early: " + error);
        return kExitFailed;
    }
    std::printf("recorded %02u:%02u:%02u.%03u to %s\n", position.hours, position.minutes, position.seconds,
                position.position % 1000, args.file.c_str());
    return kExitOk;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<RecordArgs>();
    CLI::App* record = app.add_subcommand("record", "Record an input device into an MP3 file");
    record->add_option("OUT", args->file, "MP3 file to write (replaced)")->required();
    record->add_option("--seconds", args->seconds, "Length of the recording")->required()->check(CLI::Range(0.1, 86400.0));
    record->add_option("--device", args->device,
                       "Record the first input device whose name contains this (default: the system's input)");
    record->callback([args, &exitCode] { exitCode = Record(*args); });
}

CCommandRegistrar registrar("record", Setup);

}  // namespace
}  // namespace px40ctl
