// px40ctl convert: an MP3 to the exact bytes one of the card's sound slots
// receives, through the same decode and conversion as the send dialog.
#include "Command.h"

#include "audio/SoundConverter.h"
#include "base/EventIds.h"
#include "base/NotifyCenter.h"
#include "base/QueuedUiLoop.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace px40ctl {
namespace {

struct ConvertArgs {
    std::string input;
    std::string output;
    int slot = 1;
    float volume = 100;
};

// Writes next to the destination and renames, so a failed write never
// leaves half a file under the asked name.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::string temp = path + ".part" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    if (error) {
        std::filesystem::remove(temp, error);
        return false;
    }
    return true;
}

int Convert(const ConvertArgs& args, const vy::SoundRule& rule)
{
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

    vy::CSoundConverter converter(nullptr, &center);
    if (!converter.StartDecode(args.slot, nullptr, args.input, args.volume, false, rule)) {
        PrintError("cannot start decoding: no temporary file can be made");
        return kExitFailed;
    }
    loop.Run();
    if (status != 1) {
        PrintError("cannot decode " + args.input + ": no MP3 frame could be decoded");
        return kExitFailed;
    }
    bool converted = converter.ConvertForDevice(wavPath, rule);
    converter.Decoder().Reset();
    std::error_code ignored;
    std::filesystem::remove(wavPath, ignored);
    if (!converted) {
        PrintError("cannot convert " + args.input + " to " + std::to_string(rule.channelNum) + " channel(s), " +
                   std::to_string(rule.soundSampleRate) + " Hz, " + std::to_string(rule.bitPerSample) + " bits");
        return kExitFailed;
    }
    if (!WriteFileAtomically(args.output, converter.Output())) {
        PrintError("cannot write " + args.output);
        return kExitFailed;
    }
    std::cout << "slot " << args.slot << ": limit " << converter.Limit() << " s, " << rule.channelNum
              << (rule.channelNum == 1 ? " channel, " : " channels, ") << rule.soundSampleRate << " Hz, "
              << rule.bitPerSample << " bits, " << (rule.adpcm ? "IMA ADPCM" : "WAV image") << ": "
              << converter.Output().size() << " bytes\n";
    return kExitOk;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<ConvertArgs>();
    CLI::App* sub = app.add_subcommand("convert", "Convert an MP3 to the bytes a sound slot of the card receives");
    sub->add_option("IN", args->input, "MP3 file")->required();
    sub->add_option("-o,--output", args->output, "Output file")->required();
    sub->add_option("--slot", args->slot, "Sound slot (1 to 5 on the sound pad page); selects the length limit")
        ->check(CLI::Range(0, 255))
        ->capture_default_str();
    sub->add_option("--volume", args->volume,
                    "Send volume in percent: sound volume / 100 x system master volume")
        ->check(CLI::Range(0.0f, 100.0f))
        ->capture_default_str();
    sub->callback([args, &exitCode] { exitCode = Convert(*args, vy::SoundRule{}); });
}

CCommandRegistrar registrar("convert", Setup);

}  // namespace
}  // namespace px40ctl
