// The "device" command group and what its subcommands share.
#include "CmdDevice.h"

#include "base/Log.h"
#include "device/hid/DeviceEnum.h"
#include "device/hid/DeviceIds.h"
#include "device/hid/DevicePath.h"
#include "device/hid/HidBase.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace px40ctl {
namespace {

void DiscardLog(const std::string&, void*) { }

} // namespace

CLI::App* DeviceCommand(CLI::App& app)
{
    for (CLI::App* sub : app.get_subcommands(nullptr)) {
        if (sub->get_name() == "device")
            return sub;
    }
    CLI::App* device = app.add_subcommand("device", "Talk to a PX40 card (or an emulated one)");
    device->require_subcommand(1);
    return device;
}

void AddDeviceOptions(CLI::App* command, SDeviceOptions& options)
{
    command->add_option("--device", options.device,
        "Device path: /dev/hidrawN, or emu:SOCKET for an emulator (px40-emu --socket SOCKET); "
        "default: the first PX40 found");
    command->add_flag("--verbose", options.verbose, "Show the link's log records on standard error");
}

CDeviceSession::CDeviceSession(const SDeviceOptions& options, vy::ICommProtocol* protocol)
    : m_options(options)
    , m_activeProtocol(protocol ? protocol : &m_protocol)
{
    // Link records (time-outs, retries) are for diagnosis; the command says
    // what failed in its own words.
    if (!m_options.verbose)
        vy::SetLogSink(&DiscardLog, nullptr);
    m_manager = std::make_unique<vy::CDeviceManager>();
}

CDeviceSession::~CDeviceSession()
{
    m_manager.reset();
    if (!m_options.verbose)
        vy::SetLogSink(nullptr, nullptr);
}

bool CDeviceSession::Open()
{
    m_path = m_options.device;
    if (m_path.empty()) {
        const vy::SUsbIds ids = vy::ModelUsbIds();
        if (vy::EnumDevices(&m_path, 1, ids.vendorId, ids.productId) == 0) {
            char text[160];
            std::snprintf(text, sizeof text, "no PX40 found (USB id %04x:%04x, emulators in %s); give --device PATH",
                ids.vendorId, ids.productId, vy::EmulatorFolder().c_str());
            PrintError(text);
            return false;
        }
    }
    if (!vy::IsEmuDevicePath(m_path) && ::access(m_path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        PrintError(vy::PermissionFixText(m_path));
        return false;
    }
    if (!m_manager->Open(vy::CreateTransport(m_path), m_activeProtocol)) {
        if (vy::IsEmuDevicePath(m_path))
            PrintError("cannot open " + m_path + ": no emulator answers on that socket (is px40-emu running?)");
        else
            PrintError("cannot open " + m_path + " (--verbose shows why)");
        return false;
    }
    return true;
}

} // namespace px40ctl
