#include "device/hid/HidBase.h"

#include "base/Log.h"
#include "device/hid/ReportDescriptor.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vy {
namespace {

// A file descriptor closed when it goes out of scope, unless released.
class CFd {
public:
    explicit CFd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~CFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

void CloseFd(std::atomic<int>& fd)
{
    int old = fd.exchange(-1);
    if (old >= 0)
        ::close(old);
}

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Milliseconds left until `deadline` for poll (-1: no deadline).
int Remaining(int64_t deadline)
{
    if (deadline < 0)
        return -1;
    const int64_t left = deadline - NowMs();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

std::string PermissionFixText(const std::string& path)
{
    return "no permission to open " + path
        + ": install the udev rule 70-px40.rules (see the README: \"Access to the card\"), then unplug and replug "
          "the card";
}

CHidBase::CHidBase(std::string path)
    : m_path(std::move(path))
{
}

CHidBase::~CHidBase()
{
    CloseDevice();
}

bool CHidBase::IsOpen()
{
    return m_writeFd.load() >= 0 && m_readFd.load() >= 0;
}

bool CHidBase::OpenHandles(SHandles& handles)
{
    CFd probe(::open(m_path.c_str(), O_RDWR | O_CLOEXEC));
    if (probe.Get() < 0) {
        if (errno == EACCES || errno == EPERM)
            VY_LOG("%s", PermissionFixText(m_path).c_str());
        return false;
    }
    int descriptorSize = 0;
    hidraw_report_descriptor descriptor {};
    SReportLengths lengths;
    std::string error;
    if (::ioctl(probe.Get(), HIDIOCGRDESCSIZE, &descriptorSize) < 0 || descriptorSize < 0
        || descriptorSize > HID_MAX_DESCRIPTOR_SIZE) {
        VY_LOG("HidD_GetPreparsedData failed.");
        return false;
    }
    descriptor.size = static_cast<uint32_t>(descriptorSize);
    if (::ioctl(probe.Get(), HIDIOCGRDESC, &descriptor) < 0
        || !ParseReportDescriptor(descriptor.value, descriptor.size, lengths, &error)) {
        VY_LOG("HidD_GetPreparsedData failed.");
        if (!error.empty())
            VY_LOG("report descriptor of %s: %s", m_path.c_str(), error.c_str());
        return false;
    }
    handles.inputLength = lengths.input;
    handles.outputLength = lengths.output;
    handles.readsReportId = lengths.usesReportIds;
    ::close(probe.Release());

    CFd writeFd(::open(m_path.c_str(), O_WRONLY | O_CLOEXEC));
    if (writeFd.Get() < 0) {
        VY_LOG("CreateFile for write error.");
        return false;
    }
    CFd readFd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (readFd.Get() < 0) {
        VY_LOG("CreateFile for write error.");
        return false;
    }
    handles.writeFd = writeFd.Release();
    handles.readFd = readFd.Release();
    return true;
}

bool CHidBase::OpenDevice()
{
    if (m_writeFd.load() >= 0 || m_readFd.load() >= 0) {
        VY_LOG("One device is already opened.");
        return false;
    }
    SHandles handles;
    if (!OpenHandles(handles))
        return false;
    CFd readFd(handles.readFd);
    CFd writeFd(handles.writeFd);
    if (handles.inputLength < 1 || handles.inputLength > kMaxReportLength || handles.outputLength < 1
        || handles.outputLength > kMaxReportLength) {
        VY_LOG("invalide device report byte length.");
        return false;
    }
    CFd cancelFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (cancelFd.Get() < 0) {
        VY_LOG("CreateEvent failed.");
        return false;
    }
    m_inputLength = handles.inputLength;
    m_outputLength = handles.outputLength;
    m_readsReportId = handles.readsReportId;
    m_bufferSelector = 0;
    std::memset(m_recvBuffers, 0, sizeof m_recvBuffers);
    m_cancelFd = cancelFd.Release();
    m_writeFd = writeFd.Release();
    m_readFd = readFd.Release();
    return true;
}

void CHidBase::CloseDevice()
{
    CloseFd(m_writeFd);
    CloseFd(m_readFd);
    CloseFd(m_cancelFd);
    m_inputLength = 0;
    m_outputLength = 0;
}

int CHidBase::GetInputLength()
{
    return IsOpen() ? m_inputLength - 1 : -1;
}

int CHidBase::GetOutputLength()
{
    return IsOpen() ? m_outputLength - 1 : -1;
}

bool CHidBase::Write(const uint8_t* data, int length)
{
    if (!data || length <= 0 || length > m_outputLength - 1) {
        VY_LOG("invalide parameter.");
        return false;
    }
    const int fd = m_writeFd.load();
    if (fd < 0) {
        VY_LOG("Please OpenDevice before Write.");
        return false;
    }
    std::memset(m_sendBuffer, 0, sizeof m_sendBuffer);
    m_sendBuffer[0] = 0; // report id
    std::memcpy(m_sendBuffer + 1, data, static_cast<size_t>(length));

    const int64_t deadline = NowMs() + kWriteTimeoutMs;
    for (;;) {
        const ssize_t written = ::write(fd, m_sendBuffer, static_cast<size_t>(m_outputLength));
        if (written == m_outputLength)
            return true;
        int error = written < 0 ? errno : EIO;
        if (written < 0 && error == EINTR)
            continue;
        if (written < 0 && (error == EAGAIN || error == EWOULDBLOCK)) {
            pollfd entry { fd, POLLOUT, 0 };
            const int left = Remaining(deadline);
            if (left > 0 && ::poll(&entry, 1, left) > 0 && !(entry.revents & (POLLERR | POLLHUP | POLLNVAL)))
                continue;
            error = entry.revents & (POLLERR | POLLHUP) ? EPIPE : ETIMEDOUT;
        }
        VY_LOG("error code %ld", static_cast<long>(error));
        return false;
    }
}

bool CHidBase::Read(const uint8_t** packet, int timeoutMs)
{
    const int fd = m_readFd.load();
    if (fd < 0) {
        VY_LOG("Please OpenDevice before Read.");
        return false;
    }
    // Alternate halves: the packet handed out last stays intact while the
    // next read waits.
    uint8_t* half = m_recvBuffers + m_bufferSelector * kHalfSize;
    m_bufferSelector ^= 1;
    std::memset(half, 0, kHalfSize);

    const int64_t deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
    for (;;) {
        pollfd entries[2] = { { fd, POLLIN, 0 }, { m_cancelFd.load(), POLLIN, 0 } };
        const int ready = ::poll(entries, 2, Remaining(deadline));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (ready == 0)
            return false; // time-out
        if (entries[1].revents & POLLIN) {
            uint64_t count = 0;
            (void)!::read(entries[1].fd, &count, sizeof count);
            if (packet)
                *packet = half + 1;
            return true; // cancelled: a zeroed packet
        }
        // Without numbered reports, hidraw leaves the report-id byte out.
        uint8_t* target = m_readsReportId ? half : half + 1;
        const size_t room = m_readsReportId ? kHalfSize : kHalfSize - 1;
        const ssize_t got = ::read(fd, target, room);
        if (got > 0) {
            if (packet)
                *packet = half + 1;
            return true;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        // 0 bytes: the peer of a socket node closed; an error: the device is gone.
        return false;
    }
}

void CHidBase::CancelRead()
{
    const int fd = m_cancelFd.load();
    if (fd < 0)
        return;
    const uint64_t one = 1;
    (void)!::write(fd, &one, sizeof one);
}

} // namespace vy
