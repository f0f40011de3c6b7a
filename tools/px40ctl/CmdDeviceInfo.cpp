// px40ctl device info: hardware and firmware versions and the device type (0x92).
#include "CmdDevice.h"

#include "protocol/ParamItems.h"
#include "protocol/VYAudioProtocol.h"

#include <cstdio>
#include <memory>

namespace px40ctl {
namespace {

void Setup(CLI::App& app, int& exitCode)
{
    auto options = std::make_shared<SDeviceOptions>();
    CLI::App* info
        = DeviceCommand(app)->add_subcommand("info", "Show the card's hardware and firmware versions and type");
    AddDeviceOptions(info, *options);
    info->callback([options, &exitCode] {
        vy::CVYAudioProtocol protocol;
        CDeviceSession session(*options, &protocol);
        if (!session.Open()) {
            exitCode = kExitFailed;
            return;
        }
        vy::PacketBuffer reply {};
        if (!protocol.GetDeviceInfo(reply.data())) {
            PrintError("the device does not answer the information request (0x92)");
            exitCode = kExitFailed;
            return;
        }
        std::printf("hardware  %s\n", vy::VersionText(reply[vy::kInfoHardwareVersion]).c_str());
        std::printf("firmware  %s\n", vy::VersionText(reply[vy::kInfoFirmwareVersion]).c_str());
        std::printf("type      %s\n", vy::DeviceTypeName(reply[vy::kInfoDeviceType]).c_str());
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("device info", Setup);

} // namespace
} // namespace px40ctl
