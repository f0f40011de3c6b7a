// px40ctl device monitor: connect as the program does (take control, link
// exchange, heartbeat) and print the card's reports as they arrive.
#include "CmdDevice.h"
#include "DefinitionSource.h"

#include "base/MessageTarget.h"
#include "base/NotifyCenter.h"
#include "base/QueuedUiLoop.h"
#include "protocol/DeviceEvents.h"
#include "protocol/ParamItems.h"
#include "protocol/VYAudioProtocol.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <pthread.h>
#include <thread>

namespace px40ctl {
namespace {

struct MonitorArgs {
    SDeviceOptions device;
    DefinitionSource source;
};

// Receives the heartbeat's loss notice and ends the loop.
class CMonitorWindow : public vy::CMessageTarget {
public:
    explicit CMonitorWindow(vy::CRunLoop& loop)
        : CMessageTarget(loop)
        , m_loop(loop)
    {
    }
    bool lost = false;

protected:
    intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t) override
    {
        if (msg == vy::WMU_APP_NOTIFY && wParam == 2) {
            lost = true;
            m_loop.Quit();
        }
        return 0;
    }

private:
    vy::CRunLoop& m_loop;
};

void PrintReport(const vy::CVYAudioProtocol& protocol, const vy::PacketBuffer& packet, int length)
{
    if (packet[vy::kPacketCode] == vy::cmd::kCustomEffectsChanged) {
        std::printf("custom effects changed on the card\n");
    } else if (packet[vy::kPacketCode] == vy::cmd::kParamReport) {
        const std::vector<vy::ParamDef>& defs = protocol.Definitions().ParamDefs();
        for (const vy::SParamItem& item : vy::ReadItemList(packet.data(), length, vy::EItemEncoding::kParamReport)) {
            const bool known = item.number >= 0 && item.number < static_cast<int32_t>(defs.size());
            std::printf("param %d %s = %d\n", item.number,
                known ? defs[static_cast<size_t>(item.number)].name.c_str() : "(not defined)", item.value);
        }
    }
    std::fflush(stdout);
}

void PrintLevels(const vy::PacketBuffer& packet, int length)
{
    int last = length - 1; // the levels end before the check byte; trailing zeros are unused meters
    while (last > vy::kPacketPayload && packet[static_cast<size_t>(last - 1)] == 0)
        --last;
    std::printf("levels");
    for (int i = vy::kPacketPayload; i < std::max(last, vy::kPacketPayload + 1); ++i)
        std::printf(" %d", packet[static_cast<size_t>(i)]);
    std::printf("\n");
    std::fflush(stdout);
}

int Monitor(const MonitorArgs& args)
{
    // Interrupts are taken by a thread of their own, never by the link's threads.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    vy::CRunLoop loop;
    loop.AdoptCurrentThread();
    vy::SNotifyCenter center(loop);
    vy::CVYAudioProtocol protocol;
    OpenedDefinitions opened;
    std::string error;
    vy::EffectRecord current;
    if (!OpenDefinitions(args.source, opened, error)
        || !protocol.Definitions().LoadParamDefs(*opened.resources, current))
        std::fprintf(stderr, "px40ctl: no parameter definitions (%s): parameters are shown by number only\n",
            error.empty() ? "none in the documents" : error.c_str());
    protocol.SetNotifyCenter(&center);

    CDeviceSession session(args.device, &protocol);
    if (!session.Open())
        return kExitFailed;
    protocol.SetDeviceManager(&session.Manager());
    if (!protocol.Handshake(vy::cmd::kTakeControl)) {
        PrintError("the device does not accept the connection (0x90, 0x0e)");
        return kExitFailed;
    }
    CMonitorWindow window(loop);
    protocol.SetMainWindow(&window);
    protocol.Heartbeat().Start();
    std::fprintf(stderr, "px40ctl: monitoring %s (Ctrl+C ends)\n", session.Path().c_str());

    const int length = protocol.GetPacketLength();
    vy::CEventSubscription reports(center, vy::events::kRecvData, [&](const vy::CEventBase& event) {
        PrintReport(protocol, static_cast<const vy::CPacketEvent&>(event).Packet(), length);
    });
    vy::CEventSubscription levels(center, vy::events::kVolumeRecvData, [&](const vy::CEventBase& event) {
        PrintLevels(static_cast<const vy::CPacketEvent&>(event).Packet(), length);
    });

    std::atomic<bool> finishing { false };
    std::thread waiter([&] {
        int received = 0;
        sigwait(&signals, &received);
        if (!finishing)
            loop.Quit(); // interrupted
    });
    loop.Run();
    finishing = true;
    pthread_kill(waiter.native_handle(), SIGTERM); // wakes the waiter if it still waits
    waiter.join();

    protocol.SetMainWindow(nullptr);
    protocol.Heartbeat().Stop();
    if (window.lost) {
        PrintError("heartbeat lost: the card stopped answering");
        return kExitFailed;
    }
    protocol.Handshake(vy::cmd::kRelease);
    return kExitOk;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<MonitorArgs>();
    CLI::App* monitor = DeviceCommand(app)->add_subcommand(
        "monitor", "Connect with a heartbeat and print the card's parameter and level reports until interrupted");
    AddDeviceOptions(monitor, args->device);
    AddDefinitionOptions(monitor, args->source);
    monitor->callback([args, &exitCode] { exitCode = Monitor(*args); });
}

CCommandRegistrar registrar("device monitor", Setup);

} // namespace
} // namespace px40ctl
