#include "Console.h"

#include "base/UserFolders.h"
#include "emu/EmuConsole.h"
#include "emu/EmuDefaults.h"
#include "emu/EmuServer.h"
#include "model/ArchiveResourceProvider.h"
#include "model/Definitions.h"
#include "model/FolderResourceProvider.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

constexpr int kKnobTop = 100;

void Print(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

std::string LoadDefinitions(vy::emu::CEmuServer& server, const std::string& archive, const std::string& dataDir)
{
    std::unique_ptr<vy::IResourceProvider> resources;
    std::string description;
    if (!dataDir.empty()) {
        resources = std::make_unique<vy::CFolderResourceProvider>(dataDir, "DATA");
        description = "folder " + dataDir;
    } else {
        const std::string path = archive.empty() ? (vy::UserDataFolder() + "/data/res/layout") : archive;
        auto provider = std::make_unique<vy::CArchiveResourceProvider>();
        if (!provider->Open(path))
            return {};
        description = "archive " + path;
        resources = std::move(provider);
    }
    vy::CDefinitions defs;
    vy::EffectRecord current;
    if (!defs.LoadParamDefs(*resources, current))
        return {};
    defs.LoadGroupDefs(*resources);
    defs.LoadDefaultEffects(*resources);
    server.WithState([&](vy::emu::SEmuState& state) { vy::emu::LoadProductDefaults(state, defs, current); });
    return description;
}

int RunConsole(vy::emu::CEmuServer& server, const sigset_t& signals, int knobParam)
{
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("px40-emu: signalfd");
        return 1;
    }
    bool inputOpen = true;
    std::string pending;
    for (;;) {
        pollfd entries[2] = { { signalFd, POLLIN, 0 }, { inputOpen ? STDIN_FILENO : -1, POLLIN, 0 } };
        if (::poll(entries, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            std::perror("px40-emu: poll");
            break;
        }
        if (entries[0].revents & POLLIN) {
            signalfd_siginfo info {};
            if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo != SIGUSR1)
                    break;
                const int32_t value = server.WithState([&](vy::emu::SEmuState& state) {
                    const int32_t now = state.params[static_cast<size_t>(knobParam)].Value();
                    return now >= kKnobTop ? 0 : now + 1;
                });
                server.TurnKnob(knobParam, value);
                Print("knob " + std::to_string(knobParam) + " turned to " + std::to_string(value) + "\n");
            }
        }
        if (inputOpen && (entries[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[1024];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                // No console (end of input): keep serving until a signal.
                inputOpen = false;
                continue;
            }
            pending.append(buffer, static_cast<size_t>(got));
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                Print(vy::emu::RunConsoleCommand(server, pending.substr(0, end)));
                pending.erase(0, end + 1);
            }
        }
    }
    ::close(signalFd);
    return 0;
}
