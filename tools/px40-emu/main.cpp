// px40-emu: the emulated PX40 on a socket, for running the program and the
// tools without a card.
#include "emu/EmuServer.h"
#include "emu/PacketTrace.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    CLI::App app{"px40-emu: an emulated PX40 sound card served on a Unix socket"};
    std::string socketPath;
    std::string vid = "0x" + [] {
        char text[8];
        std::snprintf(text, sizeof text, "%04x", vy::kPx40VendorId);
        return std::string(text);
    }();
    std::string pid = "0x" + [] {
        char text[8];
        std::snprintf(text, sizeof text, "%04x", vy::kPx40ProductId);
        return std::string(text);
    }();
    vy::emu::SEmuConfig config;
    int reportLength = 41;
    bool trace = false;

    app.add_option("--socket", socketPath, "Socket path to listen on")->required();
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
    CLI11_PARSE(app, argc, argv);

    if (!vy::ParseUsbId(vid, config.vendorId) || !vy::ParseUsbId(pid, config.productId)) {
        std::cerr << "px40-emu: --vid and --pid take 16-bit hexadecimal ids\n";
        return 2;
    }
    config.inputReportLength = reportLength;
    config.outputReportLength = reportLength;

    // Signals are taken by sigwait below, so the serving thread never sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
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
    std::fprintf(stderr, "px40-emu: serving %04x:%04x on %s (reports of %d bytes)\n", config.vendorId,
                 config.productId, socketPath.c_str(), reportLength);
    int received = 0;
    sigwait(&signals, &received);
    server.Stop();
    return 0;
}
