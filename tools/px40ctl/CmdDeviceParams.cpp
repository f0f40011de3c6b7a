// px40ctl device params: the card's current parameter values (0x9c series).
#include "CmdDevice.h"

#include "protocol/VYAudioProtocol.h"

#include <cstdio>
#include <map>
#include <memory>

namespace px40ctl {
namespace {

void Setup(CLI::App& app, int& exitCode)
{
    auto options = std::make_shared<SDeviceOptions>();
    CLI::App* params
        = DeviceCommand(app)->add_subcommand("params", "Print the card's current values, one NUMBER=VALUE a line");
    AddDeviceOptions(params, *options);
    params->callback([options, &exitCode] {
        vy::CVYAudioProtocol protocol;
        CDeviceSession session(*options, &protocol);
        if (!session.Open()) {
            exitCode = kExitFailed;
            return;
        }
        std::map<int32_t, int32_t> values;
        if (!protocol.ReadDeviceParams(values)) {
            PrintError("the device does not answer the read of its values (0x9c)");
            exitCode = kExitFailed;
            return;
        }
        for (const auto& [number, value] : values)
            std::printf("%d=%d\n", number, value);
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("device params", Setup);

} // namespace
} // namespace px40ctl
