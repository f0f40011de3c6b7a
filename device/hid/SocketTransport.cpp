#include "device/hid/SocketTransport.h"

#include "base/Log.h"
#include "device/hid/DevicePath.h"
#include "device/hid/ReportDescriptor.h"
#include "device/hid/SocketHello.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vy {
namespace {

// Connects and receives the first message; returns the socket or -1.
int ConnectAndGreet(const std::string& socketPath, int timeoutMs, SSocketHello& hello, bool logErrors)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        if (logErrors)
            VY_LOG("socket path too long or empty: %s", socketPath.c_str());
        return -1;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    auto fail = [&](const char* what, int error) {
        if (logErrors)
            VY_LOG("%s %s: %s", what, socketPath.c_str(), std::strerror(error));
        ::close(fd);
        return -1;
    };
    // Connecting a Unix socket does not wait for the peer's accept.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 && errno != EINPROGRESS)
        return fail("cannot connect to", errno);
    pollfd entry { fd, POLLIN, 0 };
    const int ready = ::poll(&entry, 1, timeoutMs);
    if (ready <= 0)
        return fail("no greeting from", ready == 0 ? ETIMEDOUT : errno);
    uint8_t message[16 + kMaxDescriptorSize];
    const ssize_t got = ::recv(fd, message, sizeof message, 0);
    if (got <= 0)
        return fail("no greeting from", got == 0 ? ECONNRESET : errno);
    if (!DecodeSocketHello(message, static_cast<size_t>(got), hello))
        return fail("malformed greeting from", EPROTO);
    return fd;
}

} // namespace

CSocketTransport::CSocketTransport(std::string path)
    : CHidBase(path)
    , m_socketPath(SocketPathOf(path))
{
}

std::string CSocketTransport::SocketPathOf(const std::string& devicePath)
{
    std::string path = devicePath;
    if (IsEmuDevicePath(path)) {
        path.erase(0, std::strlen(kEmuPathPrefix));
        // The ids follow the last '#'; a '#' earlier on belongs to the path.
        const size_t hash = path.rfind('#');
        if (hash != std::string::npos)
            path.resize(hash);
    }
    return path;
}

bool CSocketTransport::QueryIds(const std::string& socketPath, uint16_t& vendorId, uint16_t& productId, int timeoutMs)
{
    SSocketHello hello;
    const int fd = ConnectAndGreet(socketPath, timeoutMs, hello, false);
    if (fd < 0)
        return false;
    ::close(fd);
    vendorId = hello.vendorId;
    productId = hello.productId;
    return true;
}

bool CSocketTransport::OpenHandles(SHandles& handles)
{
    SSocketHello hello;
    const int fd = ConnectAndGreet(m_socketPath, kHelloTimeoutMs, hello, true);
    if (fd < 0)
        return false;
    SReportLengths lengths;
    std::string error;
    if (!ParseReportDescriptor(hello.descriptor.data(), hello.descriptor.size(), lengths, &error)) {
        VY_LOG("HidD_GetPreparsedData failed.");
        VY_LOG("report descriptor from %s: %s", m_socketPath.c_str(), error.c_str());
        ::close(fd);
        return false;
    }
    // Separate write and read descriptors, as on a hidraw node.
    const int writeFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (writeFd < 0) {
        VY_LOG("CreateFile for write error.");
        ::close(fd);
        return false;
    }
    m_vendorId = hello.vendorId;
    m_productId = hello.productId;
    handles.readFd = fd;
    handles.writeFd = writeFd;
    handles.inputLength = lengths.input;
    handles.outputLength = lengths.output;
    handles.readsReportId = true;
    return true;
}

} // namespace vy
