// px40ctl device ping: take control, agree the link parameters, release,
// and show how long each exchange took.
#include "CmdDevice.h"

#include "device/LinkExchange.h"
#include "device/Packet.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

namespace px40ctl {
namespace {

constexpr uint8_t kControlCode = 0x90;

struct PingArgs {
    SDeviceOptions device;
    int timeoutMs = 1000;
};

// Runs one exchange and prints its round-trip time; false when unanswered.
bool Timed(const char* name, const std::function<bool()>& exchange)
{
    const auto start = std::chrono::steady_clock::now();
    const bool ok = exchange();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        PrintError(std::string("the device does not answer: ") + name);
        return false;
    }
    std::printf("%-28s %8.3f ms\n", name, ms);
    return true;
}

bool Control(vy::CDeviceManager& manager, uint8_t take, int timeoutMs)
{
    vy::PacketBuffer request {}, reply {};
    request[vy::kPacketCode] = kControlCode;
    request[vy::kPacketPayload] = take;
    return manager.SendAndReceive(request.data(), reply.data(), 3, timeoutMs);
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<PingArgs>();
    CLI::App* ping = DeviceCommand(app)->add_subcommand(
        "ping", "Take control of the card (0x90), agree the link parameters (0x0e), release it, with timings");
    AddDeviceOptions(ping, args->device);
    ping->add_option("--timeout-ms", args->timeoutMs, "Wait for each reply (3 attempts)")
        ->check(CLI::Range(1, 60000))
        ->capture_default_str();
    ping->callback([args, &exitCode] {
        CDeviceSession session(args->device);
        if (!session.Open()) {
            exitCode = kExitFailed;
            return;
        }
        std::printf("%s\n", session.Path().c_str());
        vy::CDeviceManager& manager = session.Manager();
        vy::SScrambleParams params;
        const bool ok = Timed("take control (0x90)", [&] { return Control(manager, 1, args->timeoutMs); })
            && Timed("link parameters (0x0e)", [&] { return vy::ExchangeLinkParameters(manager, params); })
            && Timed("release (0x90)", [&] { return Control(manager, 0, args->timeoutMs); });
        exitCode = ok ? kExitOk : kExitFailed;
    });
}

CCommandRegistrar registrar("device ping", Setup);

} // namespace
} // namespace px40ctl
