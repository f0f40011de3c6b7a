#include "device/hid/DeviceEnum.h"

#include "base/Log.h"
#include "device/hid/DevicePath.h"
#include "device/hid/SocketTransport.h"

#include <algorithm>
#include <dirent.h>
#include <libudev.h>
#include <memory>
#include <sys/stat.h>

namespace vy {
namespace {

// An emulator answers its first message at once; one that does not within
// this time is not counted.
constexpr int kQueryTimeoutMs = 500;

struct SUdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

void FindHidraw(std::vector<SFoundDevice>& found)
{
    std::unique_ptr<udev, SUdevDeleter> context(udev_new());
    if (!context) {
        VY_LOG("udev is not available: no HID devices enumerated");
        return;
    }
    std::unique_ptr<udev_enumerate, SUdevDeleter> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0
        || udev_enumerate_scan_devices(enumerate.get()) < 0) {
        VY_LOG("udev enumeration of hidraw devices failed");
        return;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        std::unique_ptr<udev_device, SUdevDeleter> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device)
            continue;
        const char* node = udev_device_get_devnode(device.get());
        // The parent belongs to the child and is not unreferenced separately.
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device.get(), "hid", nullptr);
        const char* hidId = hid ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
        SFoundDevice candidate;
        if (!node || !hidId || !ParseHidId(hidId, candidate.vendorId, candidate.productId))
            continue;
        candidate.path = node;
        found.push_back(candidate);
    }
}

} // namespace

std::vector<std::string> EmulatorSockets(const std::string& folder)
{
    std::vector<std::string> sockets;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return sockets;
    while (dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string path = folder + "/" + entry->d_name;
        struct stat info { };
        if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
            sockets.push_back(path);
    }
    std::sort(sockets.begin(), sockets.end());
    return sockets;
}

std::vector<SFoundDevice> FindDevices(const std::string& emulatorFolder)
{
    std::vector<SFoundDevice> found;
    FindHidraw(found);
    for (const std::string& socket : EmulatorSockets(emulatorFolder)) {
        SFoundDevice candidate;
        if (!CSocketTransport::QueryIds(socket, candidate.vendorId, candidate.productId, kQueryTimeoutMs))
            continue; // a stale socket file of an emulator that is gone
        candidate.path = EmuDevicePath(socket, candidate.vendorId, candidate.productId);
        found.push_back(candidate);
    }
    return found;
}

int EnumDevices(std::string* paths, int capacity, uint16_t vendorId, uint16_t productId)
{
    int count = 0;
    for (const SFoundDevice& device : FindDevices(EmulatorFolder())) {
        if (device.vendorId != vendorId || device.productId != productId)
            continue;
        if (paths && count < capacity)
            paths[count] = device.path;
        ++count;
    }
    return count;
}

} // namespace vy
