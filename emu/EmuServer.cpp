#include "emu/EmuServer.h"

#include "base/Log.h"
#include "device/hid/ReportDescriptor.h"
#include "device/hid/SocketHello.h"
#include "emu/EmuLevelReporter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vy::emu {
namespace {

constexpr int kStopTimeoutMs = 2000;
constexpr size_t kMaxIncoming = 512;

// Reply times are kept in microseconds, so that a latency of 1 ms is 1 ms
// and not anything from 0 to 2.
int64_t NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool FillAddress(const std::string& path, sockaddr_un& address)
{
    address = sockaddr_un {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when something accepts connections at `path`.
bool SocketIsLive(const std::string& path)
{
    sockaddr_un address;
    if (!FillAddress(path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool live = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return live;
}

} // namespace

CEmuServer::CEmuServer(const SEmuConfig& config)
    : CThreadObject("px40-emu")
    , m_config(config)
    , m_device(config)
    , m_faults(config.faults)
    , m_faultRandom(config.seed)
{
    // The device clamps the lengths; keep the same figures everywhere.
    m_config = m_device.Config();
}

CEmuServer::~CEmuServer()
{
    Stop();
}

bool CEmuServer::Start(const std::string& socketPath)
{
    if (IsRunning() || m_listenFd >= 0)
        return false;
    sockaddr_un address;
    if (!FillAddress(socketPath, address)) {
        VY_LOG("socket path too long or empty: %s", socketPath.c_str());
        return false;
    }
    struct stat info { };
    if (::lstat(socketPath.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            VY_LOG("%s exists and is not a socket", socketPath.c_str());
            return false;
        }
        if (SocketIsLive(socketPath)) {
            VY_LOG("%s is in use by another emulator", socketPath.c_str());
            return false;
        }
        ::unlink(socketPath.c_str());
    }

    // Bind under a temporary name and rename into place once listening, so
    // that whoever sees the file appear can connect at once.
    // The temporary name starts with '.', which enumeration passes over.
    const size_t slash = socketPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : socketPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? socketPath : socketPath.substr(slash + 1);
    const std::string temporary = folder + "." + name + ".part" + std::to_string(::getpid());
    sockaddr_un temporaryAddress;
    if (!FillAddress(temporary, temporaryAddress)) {
        VY_LOG("socket path too long: %s", socketPath.c_str());
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        VY_LOG("socket: %s", std::strerror(errno));
        return false;
    }
    ::unlink(temporary.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&temporaryAddress), sizeof temporaryAddress) < 0
        || ::listen(fd, 16) < 0 || ::rename(temporary.c_str(), socketPath.c_str()) < 0) {
        VY_LOG("cannot listen on %s: %s", socketPath.c_str(), std::strerror(errno));
        ::unlink(temporary.c_str());
        ::close(fd);
        return false;
    }
    if (::lstat(socketPath.c_str(), &info) == 0)
        m_socketInode = info.st_ino;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        VY_LOG("eventfd: %s", std::strerror(errno));
        ::unlink(socketPath.c_str());
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_socketPath = socketPath;
    m_stopping = false;
    if (!CThreadObject::Start()) {
        Stop();
        return false;
    }
    return true;
}

void CEmuServer::Stop()
{
    SetLevelReports(0);
    m_stopping = true;
    Wake();
    CThreadObject::Stop(kStopTimeoutMs);
    CloseAllConnections();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
    if (!m_socketPath.empty()) {
        // Remove the file only if it is still ours.
        struct stat info { };
        if (::lstat(m_socketPath.c_str(), &info) == 0 && info.st_ino == m_socketInode)
            ::unlink(m_socketPath.c_str());
        m_socketPath.clear();
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_outgoing = {};
    }
    m_changed.notify_all();
}

void CEmuServer::Wake()
{
    if (m_wakeFd < 0)
        return;
    const uint64_t one = 1;
    (void)!::write(m_wakeFd, &one, sizeof one);
}

void CEmuServer::SetHandler(uint8_t code, CEmuDevice::Handler handler)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_device.SetHandler(code, std::move(handler));
}

void CEmuServer::SetTraceHook(TraceHook hook)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_trace = std::move(hook);
}

bool CEmuServer::WaitUntil(const std::function<bool(const SEmuState&)>& done, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done(m_device.State()); });
}

void CEmuServer::SetFaults(const SEmuFaults& faults)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_faults = faults;
}

void CEmuServer::InjectFault(EEmuFault fault, int count, int code)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    for (int i = 0; i < count; ++i)
        m_scripted.push_back(SScripted { fault, code });
}

void CEmuServer::SetStopAnswering(bool stop)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_stopAnswering = stop;
}

void CEmuServer::DisconnectAll()
{
    if (!IsRunning()) {
        CloseAllConnections();
        return;
    }
    m_disconnectRequested = true;
    Wake();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(
        lock, std::chrono::milliseconds(kStopTimeoutMs), [this] { return !m_disconnectRequested.load(); });
}

int CEmuServer::Push(const uint8_t* packet, int length, bool seal)
{
    if (!packet || length <= 0)
        return 0;
    std::vector<uint8_t> copy(256, 0);
    std::memcpy(copy.data(), packet, static_cast<size_t>(std::min(length, 256)));
    int queued = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (seal)
            m_device.Seal(copy.data());
        const int64_t now = NowUs();
        for (const auto& entry : m_connections) {
            QueueLocked(entry.first, copy.data(), m_device.ReplyLength(), now);
            ++queued;
        }
    }
    Wake();
    return queued;
}

int CEmuServer::ConnectionCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_connections.size());
}

bool CEmuServer::WaitForConnections(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [&] { return static_cast<int>(m_connections.size()) >= count; });
}

uint64_t CEmuServer::OverflowCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_overflows;
}

void CEmuServer::QueueLocked(uint64_t connection, const uint8_t* packet, int length, int64_t due)
{
    SOutgoing outgoing;
    outgoing.due = due;
    outgoing.sequence = m_nextSequence++;
    outgoing.connection = connection;
    outgoing.report.assign(static_cast<size_t>(length) + 1, 0);
    std::memcpy(outgoing.report.data() + 1, packet, static_cast<size_t>(length));
    m_outgoing.push(std::move(outgoing));
}

int64_t CEmuServer::NextTimeoutUs()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_outgoing.empty())
        return -1;
    const int64_t wait = m_outgoing.top().due - NowUs();
    return wait > 0 ? std::min<int64_t>(wait, 60000000) : 0;
}

int CEmuServer::Run()
{
    // Reply latencies of a millisecond must not be stretched by the
    // default 50 us timer slack of every wait.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    std::vector<pollfd> entries;
    std::vector<uint64_t> ids;
    while (!m_stopping) {
        entries.clear();
        ids.clear();
        entries.push_back({ m_listenFd, POLLIN, 0 });
        entries.push_back({ m_wakeFd, POLLIN, 0 });
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            for (const auto& entry : m_connections) {
                entries.push_back({ entry.second, POLLIN, 0 });
                ids.push_back(entry.first);
            }
        }
        const int64_t waitUs = NextTimeoutUs();
        timespec timeout { static_cast<time_t>(waitUs / 1000000), static_cast<long>(waitUs % 1000000) * 1000 };
        const int ready = ::ppoll(entries.data(), entries.size(), waitUs < 0 ? nullptr : &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            VY_LOG("poll: %s", std::strerror(errno));
            break;
        }
        if (m_stopping)
            break;
        if (entries[1].revents & POLLIN) {
            uint64_t count = 0;
            (void)!::read(m_wakeFd, &count, sizeof count);
        }
        if (m_disconnectRequested) {
            CloseAllConnections();
            m_disconnectRequested = false;
            m_changed.notify_all();
            continue;
        }
        if (entries[0].revents & POLLIN)
            AcceptConnection();
        for (size_t i = 2; i < entries.size(); ++i) {
            if (!(entries[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            uint8_t buffer[kMaxIncoming];
            const ssize_t got = ::recv(entries[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0)
                HandleReport(ids[i - 2], buffer, static_cast<size_t>(got));
            else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                CloseConnection(ids[i - 2]);
        }
        SendDue();
    }
    return 0;
}

void CEmuServer::AcceptConnection()
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    SSocketHello hello;
    hello.vendorId = m_config.vendorId;
    hello.productId = m_config.productId;
    hello.descriptor = BuildVendorReportDescriptor(m_config.inputReportLength, m_config.outputReportLength);
    const std::vector<uint8_t> message = EncodeSocketHello(hello);
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(message.size())) {
        ::close(fd);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_connections[m_nextConnection++] = fd;
        ++m_device.State().connectionsAccepted;
    }
    m_changed.notify_all();
}

void CEmuServer::HandleReport(uint64_t connection, const uint8_t* data, size_t size)
{
    // Drop the report-id byte; a short report reads as zero-padded.
    uint8_t packet[256] = {};
    if (size > 1)
        std::memcpy(packet, data + 1, std::min<size_t>(size - 1, sizeof packet));
    bool disconnect = false;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        const int length = m_device.PacketLength();
        if (m_trace)
            m_trace('>', packet, length);

        // Every request draws the same numbers, so that a seed replays a run
        // whatever the rates are.
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const double dropDraw = unit(m_faultRandom);
        const double rejectDraw = unit(m_faultRandom);
        const double corruptDraw = unit(m_faultRandom);
        const int jitter = m_faults.latencyJitterMs > 0
            ? std::uniform_int_distribution<int>(0, m_faults.latencyJitterMs)(m_faultRandom)
            : 0;

        bool scriptedDrop = false, scriptedReject = false, scriptedCorrupt = false;
        for (auto it = m_scripted.begin(); it != m_scripted.end(); ++it) {
            if (it->code < 0 || it->code == packet[kPacketCode]) {
                scriptedDrop = it->fault == EEmuFault::Drop;
                scriptedReject = it->fault == EEmuFault::Reject;
                scriptedCorrupt = it->fault == EEmuFault::Corrupt;
                disconnect = it->fault == EEmuFault::Disconnect;
                m_scripted.erase(it);
                break;
            }
        }

        SEmuState& state = m_device.State();
        if (m_stopAnswering || disconnect) {
            ++state.requests;
            ++state.requestsByCode[packet[kPacketCode]];
            if (state.requestLog.size() < SEmuState::kMaxLoggedCodes)
                state.requestLog.push_back(packet[kPacketCode]);
        } else {
            SEmuExchange exchange;
            exchange.request = packet;
            exchange.requestLength = length;
            m_device.Process(exchange);
            const int64_t due = NowUs() + 1000 * static_cast<int64_t>(m_faults.latencyMs + jitter);
            const bool drop = scriptedDrop || dropDraw < m_faults.dropRate;
            if (exchange.sendReply && !drop) {
                if (scriptedReject || rejectDraw < m_faults.rejectRate)
                    exchange.reply[kPacketStatus] = 0x00;
                m_device.Seal(exchange.reply.data());
                if ((scriptedCorrupt || corruptDraw < m_faults.corruptRate) && length >= 1)
                    exchange.reply[static_cast<size_t>(length - 1)] ^= 0xFF;
                QueueLocked(connection, exchange.reply.data(), m_device.ReplyLength(), due);
            }
            for (std::vector<uint8_t>& report : exchange.followUps) {
                report.resize(256, 0);
                m_device.Seal(report.data());
                QueueLocked(connection, report.data(), m_device.ReplyLength(), due);
            }
        }
    }
    if (disconnect)
        CloseConnection(connection);
    m_changed.notify_all();
}

void CEmuServer::SendDue()
{
    const int64_t now = NowUs();
    std::vector<uint64_t> broken;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        while (!m_outgoing.empty() && m_outgoing.top().due <= now) {
            const SOutgoing& outgoing = m_outgoing.top();
            auto found = m_connections.find(outgoing.connection);
            if (found != m_connections.end()) {
                const ssize_t sent = ::send(
                    found->second, outgoing.report.data(), outgoing.report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
                if (sent == static_cast<ssize_t>(outgoing.report.size())) {
                    if (m_trace)
                        m_trace('<', outgoing.report.data() + 1, static_cast<int>(outgoing.report.size() - 1));
                } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    ++m_overflows;
                } else {
                    broken.push_back(outgoing.connection);
                }
            }
            m_outgoing.pop();
        }
    }
    for (uint64_t connection : broken)
        CloseConnection(connection);
}

void CEmuServer::CloseConnection(uint64_t connection)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        auto found = m_connections.find(connection);
        if (found == m_connections.end())
            return;
        ::close(found->second);
        m_connections.erase(found);
    }
    m_changed.notify_all();
}

void CEmuServer::CloseAllConnections()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (const auto& entry : m_connections)
            ::close(entry.second);
        m_connections.clear();
    }
    m_changed.notify_all();
}

} // namespace vy::emu
