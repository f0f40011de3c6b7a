#pragma once

// Shared parts of the "px40ctl device ..." subcommands.
#include "Command.h"

#include "device/CallbackProtocol.h"
#include "device/DeviceManager.h"

#include <memory>
#include <string>

namespace px40ctl {

// The "device" command group, created by the first subcommand that asks.
CLI::App* DeviceCommand(CLI::App& app);

struct SDeviceOptions {
    std::string device; // empty: the first PX40 found
    bool verbose = false;
};

// Adds --device and --verbose to a device subcommand.
void AddDeviceOptions(CLI::App* command, SDeviceOptions& options);

// An open link to one device for the length of a subcommand. Open prints
// what went wrong (no device, no permission, no answer) on standard error.
class CDeviceSession {
public:
    // Opens the link with `protocol` (the caller's, kept alive until the
    // session ends), or with a frame-only protocol when null.
    explicit CDeviceSession(const SDeviceOptions& options, vy::ICommProtocol* protocol = nullptr);
    ~CDeviceSession();
    CDeviceSession(const CDeviceSession&) = delete;
    CDeviceSession& operator=(const CDeviceSession&) = delete;

    bool Open();
    const std::string& Path() const { return m_path; }
    vy::CDeviceManager& Manager() { return *m_manager; }
    vy::CCallbackProtocol& Protocol() { return m_protocol; }

private:
    SDeviceOptions m_options;
    std::string m_path;
    vy::CCallbackProtocol m_protocol;
    vy::ICommProtocol* m_activeProtocol = nullptr;
    std::unique_ptr<vy::CDeviceManager> m_manager;
};

} // namespace px40ctl
