#include "device/hid/DevicePnpMonitor.h"

#include "base/Log.h"
#include "base/UiLoop.h"
#include "device/hid/DeviceEnum.h"
#include "device/hid/DevicePath.h"
#include "device/hid/SocketTransport.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vy {
namespace {

constexpr int kStopTimeoutMs = 2000;
constexpr int kQueryTimeoutMs = 500;
constexpr uint32_t kWatchMask = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF;

udev* Udev(void* p)
{
    return static_cast<udev*>(p);
}
udev_monitor* Monitor(void* p)
{
    return static_cast<udev_monitor*>(p);
}

} // namespace

CDevicePnpMonitor::CDevicePnpMonitor(IUiLoop& loop)
    : CThreadObject("DevicePnpMonitor")
    , m_loop(loop)
{
}

CDevicePnpMonitor::~CDevicePnpMonitor()
{
    Stop();
}

void CDevicePnpMonitor::SetReceiver(IDevicePnpNotificationReceiver* receiver)
{
    m_receiver = receiver;
    if (m_delivery)
        m_delivery->receiver = receiver;
}

bool CDevicePnpMonitor::Start()
{
    if (IsRunning())
        return true;
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFd < 0) {
        VY_LOG("eventfd: %s", std::strerror(errno));
        return false;
    }

    // hidraw nodes through udev. Without a udev daemon the monitor is quiet.
    m_udev = udev_new();
    if (m_udev) {
        udev_monitor* monitor = udev_monitor_new_from_netlink(Udev(m_udev), "udev");
        if (monitor && udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) >= 0
            && udev_monitor_enable_receiving(monitor) >= 0) {
            m_udevMonitor = monitor;
        } else {
            if (monitor)
                udev_monitor_unref(monitor);
            VY_LOG("no udev monitor: hidraw arrivals and removals will not be seen");
        }
    }

    // Emulators through their folder.
    m_folder = EmulatorFolder();
    std::error_code error;
    // A folder made here is private; one that exists is left as it is.
    if (std::filesystem::create_directories(m_folder, error))
        ::chmod(m_folder.c_str(), 0700);
    m_inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_inotifyFd >= 0)
        m_watch = ::inotify_add_watch(m_inotifyFd, m_folder.c_str(), kWatchMask);
    if (m_watch < 0) {
        VY_LOG("cannot watch the emulator folder %s: %s", m_folder.c_str(), std::strerror(errno));
        if (m_inotifyFd >= 0)
            ::close(m_inotifyFd);
        m_inotifyFd = -1;
    }

    if (!m_udevMonitor && m_inotifyFd < 0) {
        Stop();
        return false;
    }
    m_delivery = std::make_shared<SDelivery>();
    m_delivery->receiver = m_receiver.load();
    // The sockets present now are known before any change is read, so that
    // their removal carries the path enumeration gave them.
    m_known.clear();
    if (m_inotifyFd >= 0)
        ScanFolder();
    if (!CThreadObject::Start()) {
        Stop();
        return false;
    }
    return true;
}

void CDevicePnpMonitor::Stop()
{
    if (m_stopFd >= 0) {
        const uint64_t one = 1;
        (void)!::write(m_stopFd, &one, sizeof one);
    }
    CThreadObject::Stop(kStopTimeoutMs);
    if (m_delivery) {
        m_delivery->live = false;
        m_delivery.reset();
    }
    if (m_udevMonitor) {
        udev_monitor_unref(Monitor(m_udevMonitor));
        m_udevMonitor = nullptr;
    }
    if (m_udev) {
        udev_unref(Udev(m_udev));
        m_udev = nullptr;
    }
    if (m_inotifyFd >= 0) {
        ::close(m_inotifyFd);
        m_inotifyFd = -1;
        m_watch = -1;
    }
    if (m_stopFd >= 0) {
        ::close(m_stopFd);
        m_stopFd = -1;
    }
}

void CDevicePnpMonitor::Post(int removed, const std::string& path)
{
    std::shared_ptr<SDelivery> delivery = m_delivery;
    m_loop.Post([delivery, removed, path] {
        if (!delivery->live)
            return;
        if (IDevicePnpNotificationReceiver* receiver = delivery->receiver.load())
            receiver->OnDevicePnp(removed, path);
    });
}

int CDevicePnpMonitor::Run()
{
    while (!IsStopRequested()) {
        pollfd entries[3] = { { m_stopFd, POLLIN, 0 }, { -1, POLLIN, 0 }, { -1, POLLIN, 0 } };
        if (m_udevMonitor)
            entries[1].fd = udev_monitor_get_fd(Monitor(m_udevMonitor));
        entries[2].fd = m_inotifyFd;
        if (::poll(entries, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            VY_LOG("poll: %s", std::strerror(errno));
            break;
        }
        if (entries[0].revents)
            break;
        if (entries[1].revents & POLLIN)
            HandleUdev();
        if (entries[2].revents & POLLIN)
            HandleInotify();
    }
    return 0;
}

void CDevicePnpMonitor::HandleUdev()
{
    udev_device* device = udev_monitor_receive_device(Monitor(m_udevMonitor));
    if (!device)
        return;
    const char* action = udev_device_get_action(device);
    const char* node = udev_device_get_devnode(device);
    if (action && node) {
        if (std::strcmp(action, "add") == 0)
            Post(0, node);
        else if (std::strcmp(action, "remove") == 0)
            Post(1, node);
    }
    udev_device_unref(device);
}

std::string CDevicePnpMonitor::QuerySocket(const std::string& socketPath, int attempts)
{
    // A new socket may appear an instant before it listens; give it a moment.
    for (int attempt = 0; attempt < attempts && !IsStopRequested(); ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        struct stat info { };
        if (::lstat(socketPath.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode))
            return {};
        uint16_t vendor = 0, product = 0;
        if (CSocketTransport::QueryIds(socketPath, vendor, product, kQueryTimeoutMs))
            return EmuDevicePath(socketPath, vendor, product);
    }
    return {};
}

void CDevicePnpMonitor::ScanFolder()
{
    for (const std::string& socket : EmulatorSockets(m_folder)) {
        const std::string path = QuerySocket(socket, 1);
        if (!path.empty())
            m_known[socket] = path;
    }
}

void CDevicePnpMonitor::HandleInotify()
{
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(m_inotifyFd, buffer, sizeof buffer);
        if (got <= 0)
            return;
        for (ssize_t offset = 0; offset < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                // The folder itself went away: every emulator in it is gone.
                for (const auto& known : m_known)
                    Post(1, known.second);
                m_known.clear();
                VY_LOG("emulator folder %s removed; no longer watched", m_folder.c_str());
                continue;
            }
            if (event->len == 0 || event->name[0] == '.')
                continue;
            const std::string socket = m_folder + "/" + event->name;
            if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
                if (m_known.count(socket))
                    continue;
                const std::string path = QuerySocket(socket, 5);
                if (path.empty())
                    continue;
                m_known[socket] = path;
                Post(0, path);
            } else if (event->mask & (IN_DELETE | IN_MOVED_FROM)) {
                auto found = m_known.find(socket);
                if (found == m_known.end())
                    continue;
                Post(1, found->second);
                m_known.erase(found);
            }
        }
    }
}

} // namespace vy
