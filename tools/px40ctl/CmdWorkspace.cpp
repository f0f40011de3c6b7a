// px40ctl workspace show: what the program stored in a user's settings file
// (data.db), read with the product definitions the program reads it with.
#include "Command.h"
#include "DefinitionSource.h"

#include "base/HotkeyText.h"
#include "base/UserFolders.h"
#include "model/ArchiveResourceProvider.h"
#include "model/RuleSet.h"
#include "protocol/SettingsFile.h"
#include "protocol/VYAudioProtocol.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace px40ctl {
namespace {

struct ShowArgs {
    std::string userDir;
    DefinitionSource source;
};

const char* KindText(int32_t kind)
{
    switch (kind) {
    case vy::kEffectKindBuiltIn:
        return "built-in";
    case vy::kEffectKindDeviceCustom:
        return "device custom slot";
    case vy::kEffectKindMyCustom:
        return "my effect";
    case vy::kEffectKindFileList:
        return "effect-file list";
    case vy::kEffectKindExtraList:
        return "second list";
    case vy::kEffectKindDownloaded:
        return "downloaded";
    case vy::kEffectKindFile:
        return "effect file";
    case vy::kEffectKindCloudFile:
        return "cloud effect file";
    default:
        return "unknown kind";
    }
}

std::string HotkeySuffix(int32_t hotkey)
{
    if (hotkey == 0)
        return {};
    return "  [" + vy::HotkeyText(static_cast<uint32_t>(hotkey)) + "]";
}

void Show(const ShowArgs& args, int& exitCode)
{
    const std::string userDir = args.userDir.empty() ? vy::UserDataFolder() : args.userDir;
    const std::string resourceFolder = userDir + "/data/res";
    const std::string settingsPath = resourceFolder + "/data.db";
    std::error_code error;
    if (!std::filesystem::is_regular_file(settingsPath, error)) {
        PrintError("no settings file " + settingsPath + " (the program has not run for this user yet?)");
        exitCode = kExitFailed;
        return;
    }
    DefinitionSource source = args.source;
    if (source.archive.empty() && source.dataDir.empty())
        source.archive = resourceFolder + "/layout";
    OpenedDefinitions opened;
    std::string message;
    if (!OpenDefinitions(source, opened, message)) {
        PrintError(message);
        exitCode = kExitFailed;
        return;
    }

    // Read only: the file is attached, never created or written.
    vy::CSettingsFile settings;
    settings.Attach(settingsPath);
    vy::RuleSet rules;
    rules.Load(*opened.resources);
    rules.ApplyModelOverride(vy::kModelPX40);
    vy::CVYAudioProtocol workspace;
    vy::SWorkspaceConfig config;
    config.resources = opened.resources.get();
    config.resourceFolder = resourceFolder;
    workspace.SetWorkspaceConfig(config);
    workspace.SetSettingsFile(&settings);
    workspace.SetRuleSet(&rules);
    workspace.Init();

    std::printf("settings file   %s\n", settingsPath.c_str());
    std::printf("definitions     %s\n", opened.description.c_str());
    vy::EffectRecord stored;
    if (settings.ReadEffect(vy::settings::kLastStatus, vy::settings::kCurrentEffect, stored))
        std::printf("current effect  %s (%s %d)%s\n", stored.Name().c_str(), KindText(stored.kind), stored.index,
            rules.SupportSyncDeviceParams() ? ", not used: the card's own state is adopted at connection" : "");
    else
        std::printf("current effect  none stored\n");

    const std::vector<vy::EffectRecord>& effects = workspace.Effects();
    std::printf("device custom slots (%d):\n", workspace.DeviceCustomEffectCount());
    for (int32_t s = 0; s < workspace.DeviceCustomEffectCount(); ++s) {
        const int32_t global = workspace.DefaultEffectCount() + s;
        const vy::EffectRecord& record = effects[static_cast<size_t>(global)];
        vy::EffectRecord probe;
        const bool fromFile = settings.ReadEffect(vy::settings::kDeviceCustomEffect, std::to_string(s), probe);
        std::printf("  %2d  slot %d  %s  effect number 0x%02x  (%s)%s\n", global, s, record.Name().c_str(),
            record.values[workspace.EffectNumberParam()], fromFile ? "stored" : "default",
            HotkeySuffix(record.hotkey).c_str());
    }
    std::printf("my effects (%zu slots):\n", workspace.MyEffects().size());
    for (size_t s = 0; s < workspace.MyEffects().size(); ++s) {
        const vy::EffectRecord& record = workspace.MyEffects()[s];
        const int32_t global = workspace.DeviceEffectCount() + static_cast<int32_t>(s);
        if (record.empty)
            std::printf("  %2d  slot %zu  (empty)\n", global, s);
        else
            std::printf("  %2d  slot %zu  %s  effect number 0x%02x%s\n", global, s, record.Name().c_str(),
                record.values[workspace.EffectNumberParam()], HotkeySuffix(record.hotkey).c_str());
    }
    std::printf("effect files (%zu):\n", workspace.EffectFiles().size());
    for (size_t i = 0; i < workspace.EffectFiles().size(); ++i) {
        const vy::EffectRecord& record = workspace.EffectFiles()[i];
        const std::string path = resourceFolder + "/" + record.Path();
        std::printf("  %2zu  %s  %s%s\n", i, record.Name().c_str(), record.Path().c_str(),
            std::filesystem::is_regular_file(path, error) ? "" : "  (missing)");
    }
    std::printf("downloaded effects (%zu):\n", workspace.Downloaded().size());
    for (const vy::EffectRecord& record : workspace.Downloaded())
        std::printf("  cloud id %d  %s  %s  %s\n", record.cloudId, record.Name().c_str(), KindText(record.kind),
            record.Path().c_str());
    std::printf("effect hotkeys (%zu):\n", workspace.Hotkeys().size());
    for (const auto& [global, hotkey] : workspace.Hotkeys()) {
        std::string name = "(no effect)";
        if (global < static_cast<int32_t>(effects.size()))
            name = effects[static_cast<size_t>(global)].Name();
        else if (global - workspace.DeviceEffectCount() < static_cast<int32_t>(workspace.MyEffects().size()))
            name = workspace.MyEffects()[static_cast<size_t>(global - workspace.DeviceEffectCount())].Name();
        std::printf("  %2d  %-16s %s\n", global, vy::HotkeyText(hotkey).c_str(), name.c_str());
    }
    exitCode = kExitOk;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<ShowArgs>();
    CLI::App* workspace = app.add_subcommand("workspace", "The program's stored effects and hotkeys");
    workspace->require_subcommand(1);
    CLI::App* show = workspace->add_subcommand(
        "show", "Print the current effect, custom slots, my effects, effect files, downloads and hotkeys of data.db");
    show->add_option("--user-dir", args->userDir, "User data folder (default $XDG_DATA_HOME/novarel/PX40)");
    AddDefinitionOptions(show, args->source);
    show->callback([args, &exitCode] { Show(*args, exitCode); });
}

CCommandRegistrar registrar("workspace", Setup);

} // namespace
} // namespace px40ctl
