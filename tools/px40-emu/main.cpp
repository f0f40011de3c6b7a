// px40-emu: the emulated PX40 on a socket, for running the program and the
// tools without a card.
#include "Console.h"
#include "device/hid/DevicePath.h"
#include "emu/EmuServer.h"
#include "emu/PacketTrace.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    CLI::App app { "px40-emu: an emulated PX40 sound card served on a Unix socket" };
    std::string socketPath;
    // By default the ids the program looks for (built in, or overridden).
    const vy::SUsbIds model = vy::ModelUsbIds();
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", model.vendorId);
    std::string vid = text;
    std::snprintf(text, sizeof text, "0x%04x", model.productId);
    std::string pid = text;
    vy::emu::SEmuConfig config;
    int reportLength = 41;
    bool trace = false;
    bool discoverable = false;
    std::string archive, dataDir;
    int knobParam = 5;
    int levelRate = 0;
    long refuseAbove = -1;
    std::string name;

    CLI::Option* socketOption = app.add_option("--socket", socketPath, "Socket path to listen on");
    CLI::Option* discoverableOption = app.add_flag("--discoverable", discoverable,
        "Listen in the emulator folder ($PX40_EMU_DIR, else $XDG_RUNTIME_DIR/px40-emu), where the program and "
        "px40ctl find emulators as they find cards");
    app.add_option("--name", name, "Socket file name in the emulator folder (default px40-PID.sock)")
        ->needs(discoverableOption);
    socketOption->excludes(discoverableOption);
    app.add_option("--vid", vid, "USB vendor id (hex)")->capture_default_str();
    app.add_option("--pid", pid, "USB product id (hex)")->capture_default_str();
    app.add_option("--report-length", reportLength, "Input and output report length, report id included")
        ->check(CLI::Range(2, 128))
        ->capture_default_str();
    app.add_option("--latency-ms", config.faults.latencyMs, "Delay of every reply")->check(CLI::Range(0, 600000));
    app.add_option("--jitter-ms", config.faults.latencyJitterMs, "Random extra delay, 0 to N ms")
        ->check(CLI::Range(0, 600000));
    app.add_option("--drop", config.faults.dropRate, "Probability that a reply is not sent")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--corrupt", config.faults.corruptRate, "Probability of a wrong check byte")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--reject", config.faults.rejectRate, "Probability of a reply with status 0x00")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--seed", config.seed, "Seed of the fault and link-parameter draws")->capture_default_str();
    app.add_flag("--trace", trace, "Print every packet received (>) and sent (<)");
    CLI::Option* archiveOption
        = app.add_option("--archive", archive, "Take the parameters and custom slots from this UI resource archive");
    app.add_option("--data", dataDir, "Take them from a folder of definition documents (parameter.xml, ...)")
        ->excludes(archiveOption);
    app.add_option("--knob", knobParam, "Parameter that SIGUSR1 turns one step up")
        ->check(CLI::Range(0, 63))
        ->capture_default_str();
    app.add_option("--levels", levelRate, "Level reports (0x1f) a second")->check(CLI::Range(0, 1000));
    app.add_option("--refuse-above", refuseAbove, "Refuse sounds longer than this many bytes")
        ->check(CLI::Range(0L, 0xFFFFFFL));
    CLI11_PARSE(app, argc, argv);

    if (!vy::ParseUsbId(vid, config.vendorId) || !vy::ParseUsbId(pid, config.productId)) {
        std::cerr << "px40-emu: --vid and --pid take 16-bit hexadecimal ids\n";
        return 2;
    }
    if (discoverable) {
        const std::string folder = vy::EmulatorFolder();
        std::error_code error;
        if (std::filesystem::create_directories(folder, error))
            ::chmod(folder.c_str(), 0700);
        if (error) {
            std::cerr << "px40-emu: cannot create " << folder << ": " << error.message() << '\n';
            return 1;
        }
        socketPath = folder + "/" + (name.empty() ? "px40-" + std::to_string(::getpid()) + ".sock" : name);
    } else if (socketPath.empty()) {
        std::cerr << "px40-emu: give --socket PATH or --discoverable\n";
        return 2;
    }
    config.inputReportLength = reportLength;
    config.outputReportLength = reportLength;

    // Signals are taken by the console below, so the serving thread never sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    vy::emu::CEmuServer server(config);
    if (trace) {
        server.SetTraceHook([](char direction, const uint8_t* packet, int length) {
            std::printf("%s\n", vy::emu::FormatTraceLine(direction, packet, length).c_str());
            std::fflush(stdout);
        });
    }
    if (!server.Start(socketPath)) {
        std::cerr << "px40-emu: cannot serve on " << socketPath << '\n';
        return 1;
    }
    std::fprintf(stderr, "px40-emu: serving %04x:%04x on %s (reports of %d bytes)\n", config.vendorId, config.productId,
        socketPath.c_str(), reportLength);
    std::fprintf(
        stderr, "px40-emu: device path %s\n", vy::EmuDevicePath(socketPath, config.vendorId, config.productId).c_str());
    const std::string loaded = LoadDefinitions(server, archive, dataDir);
    if (!loaded.empty())
        std::fprintf(stderr, "px40-emu: parameters and custom slots from %s\n", loaded.c_str());
    else if (!archive.empty() || !dataDir.empty())
        std::fprintf(stderr, "px40-emu: no parameter definitions found; the card starts with none\n");
    if (refuseAbove >= 0)
        server.WithState([&](vy::emu::SEmuState& state) { state.soundMaxLength = static_cast<uint32_t>(refuseAbove); });
    if (levelRate > 0)
        server.SetLevelReports(levelRate);
    std::fprintf(
        stderr, "px40-emu: commands on standard input ('help'); SIGUSR1 turns the knob of parameter %d\n", knobParam);
    const int result = RunConsole(server, signals, knobParam);
    server.Stop();
    return result;
}
