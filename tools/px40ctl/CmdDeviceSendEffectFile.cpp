// px40ctl device send-effect-file FILE --number N: an effect file in the
// layout of the device model, after the link exchange that gives the
// scrambling parameters.
#include "CmdDevice.h"
#include "ProgressBar.h"

#include "protocol/VYAudioProtocol.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace px40ctl {
namespace {

struct SendArgs {
    SDeviceOptions device;
    std::string file;
    int number = 0;
    std::string model = "PX40";
};

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<SendArgs>();
    CLI::App* send = DeviceCommand(app)->add_subcommand(
        "send-effect-file", "Send an effect file (0x02 header, 0x04/0x06/0x16 data) with a progress bar");
    AddDeviceOptions(send, args->device);
    send->add_option("FILE", args->file, "Effect file")->required()->check(CLI::ExistingFile);
    send->add_option("--number", args->number, "Effect number: 0 to apply, a custom slot to store")
        ->required()
        ->check(CLI::Range(0, 0xFFFF));
    send->add_option("--model", args->model, "Device model: PX40 takes the two-list layout, any other the three-list")
        ->capture_default_str();
    send->callback([args, &exitCode] {
        vy::CVYAudioProtocol protocol(vy::CreatePackData(args->model));
        CDeviceSession session(args->device, &protocol);
        if (!session.Open()) {
            exitCode = kExitFailed;
            return;
        }
        if (!protocol.Handshake(vy::cmd::kTakeControl)) {
            PrintError("the device does not accept the connection (0x90, 0x0e)");
            exitCode = kExitFailed;
            return;
        }
        std::atomic<int> progress { 0 };
        std::atomic<bool> done { false };
        bool ok = false;
        std::thread worker([&] {
            ok = protocol.SendEffectFile(args->file, static_cast<uint16_t>(args->number), &progress);
            done = true;
        });
        {
            CProgressBar bar("effect file");
            while (!done) {
                bar.Show(progress.load());
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (ok)
                bar.Show(100);
        }
        worker.join();
        protocol.Handshake(vy::cmd::kRelease);
        if (!ok) {
            PrintError(
                "the effect file was not taken (a bad file, or a packet not acknowledged; --verbose shows which)");
            exitCode = kExitFailed;
            return;
        }
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("device send-effect-file", Setup);

} // namespace
} // namespace px40ctl
