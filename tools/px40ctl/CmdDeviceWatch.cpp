// px40ctl device watch: a line for every device that arrives or leaves.
#include "CmdDevice.h"

#include "base/QueuedUiLoop.h"
#include "device/hid/DevicePnpMonitor.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace px40ctl {
namespace {

class CPrinter : public vy::IDevicePnpNotificationReceiver {
public:
    void OnDevicePnp(int removed, const std::string& path) override
    {
        std::printf("%s %s\n", removed ? "removed" : "arrived", path.c_str());
        std::fflush(stdout);
    }
};

void Setup(CLI::App& app, int& exitCode)
{
    CLI::App* watch = DeviceCommand(app)->add_subcommand("watch",
        "Print \"arrived PATH\" or \"removed PATH\" for every card or emulator that comes or goes, until "
        "interrupted");
    watch->callback([&exitCode] {
        // The signals end the loop through a thread of their own; every
        // other thread, started after this, leaves them blocked.
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        sigaddset(&signals, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);

        vy::CRunLoop loop;
        loop.AdoptCurrentThread();
        CPrinter printer;
        vy::CDevicePnpMonitor monitor(loop);
        monitor.SetReceiver(&printer);
        if (!monitor.Start()) {
            PrintError("cannot watch for devices");
            exitCode = kExitFailed;
            return;
        }
        std::fprintf(stderr, "px40ctl: watching hidraw devices and the emulators in %s\n",
            monitor.EmulatorFolderWatched().c_str());
        std::thread waiter([&] {
            int received = 0;
            sigwait(&signals, &received);
            loop.Quit();
        });
        loop.Run();
        waiter.join();
        monitor.Stop();
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("device watch", Setup);

} // namespace
} // namespace px40ctl
