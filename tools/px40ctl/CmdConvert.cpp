// px40ctl convert: an MP3 to the exact bytes one of the card's sound slots
// receives, through the same decode and conversion as the send dialog.
#include "Command.h"
#include "DefinitionSource.h"

#include "audio/SoundConverter.h"
#include "base/EventIds.h"
#include "base/NotifyCenter.h"
#include "base/QueuedUiLoop.h"
#include "model/ChainResourceProvider.h"
#include "model/DeviceModel.h"
#include "model/FolderResourceProvider.h"
#include "model/RuleSet.h"

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
    std::string model{vy::kModelPX40};
    bool fromResource = false;
    DefinitionSource source;
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

// The rule set as the program has it for `model`: the rule document of the
// chosen definitions, then the model's override. `resources` also serves the
// built-in sounds.
bool LoadRules(const ConvertArgs& args, vy::RuleSet& rules, vy::CChainResourceProvider& resources)
{
    OpenedDefinitions opened;
    std::string error;
    const bool named = !args.source.archive.empty() || !args.source.dataDir.empty();
    if (OpenDefinitions(args.source, opened, error)) {
        std::shared_ptr<const vy::IResourceProvider> documents(std::move(opened.resources));
        if (!rules.Load(*documents))
            std::cerr << "px40ctl: no rule document in the " << opened.description << ": using the default rules\n";
        resources.Append(documents);
        // A folder of documents may also hold built-in sounds as mp3/<name>.mp3.
        if (!args.source.dataDir.empty())
            resources.Append(std::make_shared<vy::CFolderResourceProvider>(args.source.dataDir));
    } else if (named) {
        PrintError(error);
        return false;
    } else {
        // Without product data the program runs on the reset values too.
        std::cerr << "px40ctl: " << error << ": using the default rules\n";
        rules.Reset();
    }
    rules.ApplyModelOverride(args.model);
    return true;
}

int Convert(const ConvertArgs& args)
{
    vy::RuleSet rules;
    vy::CChainResourceProvider resources;
    if (!LoadRules(args, rules, resources))
        return kExitFailed;
    const vy::SoundRule rule = vy::SoundRule::From(rules);

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

    vy::CSoundConverter converter(&resources, &center, &rules);
    if (!converter.StartDecode(args.slot, nullptr, args.input, args.volume, args.fromResource, rule)) {
        PrintError("cannot start decoding: no temporary file can be made");
        return kExitFailed;
    }
    loop.Run();
    if (status != 1) {
        PrintError("cannot decode " + args.input +
                   (args.fromResource ? ": no such built-in sound, or no MP3 frame in it"
                                      : ": unreadable, or no MP3 frame could be decoded"));
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
    sub->add_option("IN", args->input, "MP3 file (with --from-resource: a built-in sound's name)")->required();
    sub->add_option("-o,--output", args->output, "Output file")->required();
    sub->add_option("--slot", args->slot, "Sound slot (1 to 5 on the sound pad page); selects the length limit")
        ->check(CLI::Range(0, 255))
        ->capture_default_str();
    sub->add_option("--volume", args->volume,
                    "Send volume in percent: sound volume / 100 x system master volume")
        ->check(CLI::Range(0.0f, 100.0f))
        ->capture_default_str();
    sub->add_option("--model", args->model, "Device model: PX40 stores WAV images at 44100 Hz, others IMA ADPCM at 48000 Hz")
        ->capture_default_str();
    sub->add_flag("--from-resource", args->fromResource,
                  "IN names a built-in sound (type mp3) of the archive or folder, such as DJ_ZS");
    AddDefinitionOptions(sub, args->source);
    sub->callback([args, &exitCode] { exitCode = Convert(*args); });
}

CCommandRegistrar registrar("convert", Setup);

}  // namespace
}  // namespace px40ctl
