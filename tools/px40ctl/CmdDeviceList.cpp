// px40ctl device list: the PX40 cards (and emulators) present.
#include "CmdDevice.h"

#include "base/Log.h"
#include "device/CommunicateDevice.h"
#include "device/hid/DeviceEnum.h"
#include "device/hid/DeviceIds.h"
#include "device/hid/DevicePath.h"
#include "device/hid/HidBase.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace px40ctl {
namespace {

struct ListArgs {
    bool all = false;
};

void DiscardLog(const std::string&, void*) { }

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<ListArgs>();
    CLI::App* list = DeviceCommand(app)->add_subcommand("list",
        "List the PX40 cards present: path, vendor:product, input and output report length (report id "
        "included), one a line");
    list->add_flag("--all", args->all, "List every HID device and emulator, whatever its USB id");
    list->callback([args, &exitCode] {
        const vy::SUsbIds ids = vy::ModelUsbIds();
        int listed = 0;
        bool denied = false;
        vy::SetLogSink(&DiscardLog, nullptr);
        for (const vy::SFoundDevice& device : vy::FindDevices(vy::EmulatorFolder())) {
            if (!args->all && (device.vendorId != ids.vendorId || device.productId != ids.productId))
                continue;
            std::unique_ptr<vy::ICommunicateDevice> transport(vy::CreateTransport(device.path));
            std::string lengths = "? ?";
            if (transport->OpenDevice()) {
                lengths = std::to_string(transport->GetInputLength() + 1) + " "
                    + std::to_string(transport->GetOutputLength() + 1);
                transport->CloseDevice();
            } else if (!vy::IsEmuDevicePath(device.path) && ::access(device.path.c_str(), R_OK | W_OK) != 0
                && errno == EACCES) {
                denied = true;
            }
            std::printf("%s %04x:%04x %s\n", device.path.c_str(), device.vendorId, device.productId, lengths.c_str());
            ++listed;
        }
        vy::SetLogSink(nullptr, nullptr);
        if (denied)
            PrintError(vy::PermissionFixText("some devices"));
        if (listed == 0) {
            char text[160];
            std::snprintf(text, sizeof text, "no PX40 found (USB id %04x:%04x, emulators in %s)", ids.vendorId,
                ids.productId, vy::EmulatorFolder().c_str());
            PrintError(args->all ? std::string("no HID device or emulator found") : std::string(text));
        }
        exitCode = listed > 0 ? kExitOk : kExitFailed;
    });
}

CCommandRegistrar registrar("device list", Setup);

} // namespace
} // namespace px40ctl
