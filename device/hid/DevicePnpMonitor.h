#pragma once

#include "base/ThreadObject.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>

namespace vy {

class IUiLoop;

// Told about devices that arrive and leave, on the UI thread.
class IDevicePnpNotificationReceiver {
public:
    virtual ~IDevicePnpNotificationReceiver() = default;
    // `removed` is 1 for a removal and 0 for an arrival; `path` is the path
    // enumeration gives for the device.
    virtual void OnDevicePnp(int removed, const std::string& path) = 0;
};

// Watches for hidraw nodes (through a udev monitor) and for emulators (an
// inotify watch on the emulator folder) coming and going, and tells the
// receiver on the UI thread through the UI loop.
class CDevicePnpMonitor : private CThreadObject {
public:
    explicit CDevicePnpMonitor(IUiLoop& loop);
    ~CDevicePnpMonitor() override;

    void SetReceiver(IDevicePnpNotificationReceiver* receiver);
    // Starts watching; false when neither source could be watched.
    bool Start();
    // Stops watching; notices not yet delivered are dropped.
    void Stop();
    bool IsWatching() const { return IsRunning(); }
    // The emulator folder being watched (created by Start when missing).
    const std::string& EmulatorFolderWatched() const { return m_folder; }

private:
    struct SDelivery {
        std::atomic<IDevicePnpNotificationReceiver*> receiver { nullptr };
        std::atomic<bool> live { true };
    };

    int Run() override;
    void Post(int removed, const std::string& path);
    void HandleUdev();
    void HandleInotify();
    void ScanFolder();
    // The emulator path for a socket that has just appeared, or "".
    std::string QuerySocket(const std::string& socketPath, int attempts);

    IUiLoop& m_loop;
    std::shared_ptr<SDelivery> m_delivery;
    std::atomic<IDevicePnpNotificationReceiver*> m_receiver { nullptr };
    std::string m_folder;
    int m_stopFd = -1;
    int m_inotifyFd = -1;
    int m_watch = -1;
    void* m_udev = nullptr;
    void* m_udevMonitor = nullptr;
    // Sockets seen, with the path they were announced under: removals must
    // carry the same path though the emulator is gone.
    std::map<std::string, std::string> m_known;
};

} // namespace vy
