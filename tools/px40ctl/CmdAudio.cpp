// px40ctl audio: the sound server's devices and the system volume, as the
// program's audio engine sees them.
#include "Command.h"

#include "audio/AudioEngine.h"
#include "audio/SystemVolume.h"

#include <iostream>

namespace px40ctl {
namespace {

void PrintDevices(vy::IAudioEngine& engine, bool outputs)
{
    const int count = outputs ? engine.GetOutputDeviceCount() : engine.GetInputDeviceCount();
    std::cout << (outputs ? "outputs:" : "inputs:") << '\n';
    for (int i = 0; i < count; ++i) {
        vy::AudioDeviceInfo info;
        if (!(outputs ? engine.GetOutputDeviceInfo(i, info) : engine.GetInputDeviceInfo(i, info)))
            continue;
        std::cout << "  " << i << "  " << info.name << "  (" << info.id << ", " << info.sampleRate << " Hz, "
                  << info.channels << " ch" << (info.monitor ? ", monitor" : "") << ")\n";
    }
}

void Setup(CLI::App& app, int& exitCode)
{
    CLI::App* audio = app.add_subcommand("audio", "Sound devices and the system volume");
    audio->require_subcommand(1);

    CLI::App* devices = audio->add_subcommand("devices", "List the output and input devices");
    devices->callback([&exitCode] {
        vy::AudioEnginePtr engine(vy::CreateAudioEngine());
        if (!engine) {
            PrintError("cannot create the audio engine");
            exitCode = kExitFailed;
            return;
        }
        if (engine->GetOutputDeviceCount() < 0) {
            PrintError(engine->GetErrorText());
            exitCode = kExitFailed;
            return;
        }
        PrintDevices(*engine, true);
        PrintDevices(*engine, false);
        exitCode = kExitOk;
    });

    CLI::App* master = audio->add_subcommand(
        "master-volume", "Print the system master volume (0-100) as the program reads it; 30 when it cannot");
    master->callback([&exitCode] {
        double scalar = 0;
        std::string error;
        if (!vy::ReadDefaultOutputScalar(scalar, error)) {
            std::cout << vy::kSystemVolumeFallback << '\n';
            PrintError("cannot read the system volume: " + error);
            exitCode = kExitFailed;
            return;
        }
        std::cout << vy::MasterVolumeFromScalar(scalar) << '\n';
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("audio", Setup);

}  // namespace
}  // namespace px40ctl
