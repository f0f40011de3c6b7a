// px40ctl pads: inspect the sound pad file (mood.db).
#include "Command.h"

#include "base/HotkeyText.h"
#include "base/UserFolders.h"
#include "store/SoundPadStore.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace px40ctl {
namespace {

const char* KindText(int32_t kind)
{
    switch (kind) {
    case vy::kSoundKindBuiltIn:
        return "built-in";
    case vy::kSoundKindFile:
        return "file";
    case vy::kSoundKindCloud:
        return "cloud";
    default:
        return "unknown";
    }
}

std::string Duration(int seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

void PrintList(const char* title, const std::vector<vy::SoundItem>& items, bool withHotkeys)
{
    std::printf("%s (%zu):\n", title, items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const vy::SoundItem& item = items[i];
        if (withHotkeys) {
            std::string hotkey = vy::HotkeyText(item.hotkey);
            std::printf("  %zu  %-16s", i, hotkey.empty() ? "-" : hotkey.c_str());
        } else {
            std::printf("  %zu", i);
        }
        std::printf("  %-8s", KindText(item.kind));
        if (item.cloudId != 0)
            std::printf("  cloud id %d", item.cloudId);
        std::printf("  %s  %s\n", item.Name().c_str(), item.Path().c_str());
    }
}

int Show(const std::string& file)
{
    vy::CSoundPadStore store;
    if (!store.LoadFile(file)) {
        PrintError("no sound pad file at " + file);
        return kExitFailed;
    }
    std::printf("file: %s\n", file.c_str());
    std::printf("volume: %d\n", store.GetVolume());
    PrintList("favorites", store.GetFavorites(), true);
    PrintList("local", store.GetLocalItems(), false);
    PrintList("downloaded", store.GetDownloadedItems(), false);
    const vy::SoundItem& last = store.GetLastPlayed();
    if (last.Name().empty() && last.Path().empty())
        std::printf("last played: none\n");
    else
        std::printf("last played: %s  %s  %s\n", last.Name().c_str(), last.Path().c_str(),
                    Duration(store.GetLastTotal()).c_str());
    const vy::CSoundPadStore::LoadReport& report = store.GetLoadReport();
    if (report.damaged > 0)
        std::printf("skipped: %d damaged entries\n", report.damaged);
    if (report.missingFiles > 0)
        std::printf("skipped: %d entries whose file is gone\n", report.missingFiles);
    return kExitOk;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto file = std::make_shared<std::string>();
    CLI::App* pads = app.add_subcommand("pads", "Inspect the sound pad file (mood.db)");
    pads->require_subcommand(1);
    CLI::App* show = pads->add_subcommand(
        "show", "Print the favorites with their hotkeys, the local and downloaded pads, the volume and the last "
                "played pad");
    show->add_option("FILE", *file, "Sound pad file (default: the installed program's mood.db)");
    show->callback([file, &exitCode] {
        exitCode = Show(file->empty() ? (vy::UserDataFolder() + "/data/mood.db") : *file);
        std::fflush(stdout);
    });
}

CCommandRegistrar registrar("pads", Setup);

}  // namespace
}  // namespace px40ctl
