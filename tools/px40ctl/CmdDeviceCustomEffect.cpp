// px40ctl device custom-effect SLOT: the 64 values of a device custom slot (0x98 series).
#include "CmdDevice.h"

#include "protocol/VYAudioProtocol.h"

#include <cstdio>
#include <memory>

namespace px40ctl {
namespace {

struct CustomArgs {
    SDeviceOptions device;
    int slot = 1;
};

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<CustomArgs>();
    CLI::App* custom = DeviceCommand(app)->add_subcommand(
        "custom-effect", "Print the 64 values of a device custom slot, one NUMBER=VALUE a line");
    AddDeviceOptions(custom, args->device);
    custom->add_option("SLOT", args->slot, "Slot number, from 1")->required()->check(CLI::Range(1, 15));
    custom->callback([args, &exitCode] {
        vy::CVYAudioProtocol protocol;
        CDeviceSession session(args->device, &protocol);
        if (!session.Open()) {
            exitCode = kExitFailed;
            return;
        }
        vy::EffectRecord record;
        if (!protocol.GetDevDiyEff(args->slot, record)) {
            PrintError(
                "cannot read custom slot " + std::to_string(args->slot) + " (no answer, no such slot, or over 4 s)");
            exitCode = kExitFailed;
            return;
        }
        for (size_t i = 0; i < vy::kEffectValueCount; ++i)
            std::printf("%zu=%d\n", i, record.values[i]);
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("device custom-effect", Setup);

} // namespace
} // namespace px40ctl
