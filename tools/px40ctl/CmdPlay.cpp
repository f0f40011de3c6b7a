// px40ctl play: play an MP3 or WAV file through the program's audio engine,
// showing the elapsed and the total time.
#include "Command.h"

#include "audio/AudioEngines.h"
#include "audio/EventPlaybackMsg.h"
#include "base/NotifyCenter.h"
#include "base/QueuedUiLoop.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

namespace px40ctl {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int)
{
    g_interrupted = true;
}

std::string Clock(uint32_t hours, uint32_t minutes, uint32_t seconds)
{
    char text[32];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%u:%02u:%02u", hours, minutes, seconds);
    else
        std::snprintf(text, sizeof text, "%02u:%02u", minutes, seconds);
    return text;
}

struct PlayArgs {
    std::string file;
    std::string device;
    int volume = 100;
};

int Play(const PlayArgs& args)
{
    vy::CRunLoop loop;
    vy::SNotifyCenter center(loop);
    vy::CAudioEngines engines(&center);
    if (!engines.OpenPlayer(args.device, args.file)) {
        PrintError(engines.LastErrorText());
        return kExitFailed;
    }
    vy::IAudioEngine* player = engines.Player();
    vy::AudioStreamInfo info;
    player->GetStreamInfo(info);
    const std::string total = Clock(info.totalHours, info.totalMinutes, info.totalSecondsOfMinute);
    player->SetVolume(args.volume, args.volume);
    if (!player->Start()) {
        PrintError(player->GetErrorText());
        return kExitFailed;
    }
    bool ended = false;
    vy::CEventSubscription subscription(center, vy::events::kPlaybackMsg, [&](const vy::CEventBase& event) {
        if (static_cast<const vy::EventPlaybackMsg&>(event).Engines() == &engines) {
            ended = true;
            loop.Quit();
        }
    });
    uint32_t shown = UINT32_MAX;
    loop.StartTimer(200, [&] {
        if (g_interrupted) {
            loop.Quit();
            return;
        }
        vy::AudioPosition position;
        if (player->GetPosition(position) && position.position / 1000 != shown) {
            shown = position.position / 1000;
            std::cout << Clock(position.hours, position.minutes, position.seconds) << " / " << total << '\n'
                      << std::flush;
        }
    });
    auto previous = std::signal(SIGINT, OnInterrupt);
    loop.Run();
    std::signal(SIGINT, previous);
    const std::string failure = player->GetErrorText();
    engines.ReleasePlayer();
    if (!ended) {
        std::cout << "stopped\n";
        return kExitOk;
    }
    if (!failure.empty()) {
        PrintError(failure);
        return kExitFailed;
    }
    if (shown != info.totalSeconds)
        std::cout << total << " / " << total << '\n';
    return kExitOk;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<PlayArgs>();
    CLI::App* play = app.add_subcommand("play", "Play an MP3 or WAV file, showing elapsed and total time");
    play->add_option("FILE", args->file, "MP3 or WAV file")->required();
    play->add_option("--device", args->device,
                     "Play on the first output device whose name contains this (default: the system's output)");
    play->add_option("--volume", args->volume, "Volume in percent")->check(CLI::Range(0, 100));
    play->callback([args, &exitCode] { exitCode = Play(*args); });
}

CCommandRegistrar registrar("play", Setup);

}  // namespace
}  // namespace px40ctl
