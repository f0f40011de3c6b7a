#pragma once

#include "base/ThreadObject.h"
#include "emu/EmuConfig.h"
#include "emu/EmuDevice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <queue>
#include <random>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vy::emu {

class CEmuLevelReporter;

// The emulated card on a listening Unix SOCK_SEQPACKET socket. Each
// connection first receives the card's ids and report descriptor, then every
// output report it sends is handled by the device's command table and
// answered with an input report, subject to the configured faults. One
// thread serves every connection; handlers run on it under the lock.
class CEmuServer : private CThreadObject {
public:
    // Called on the serving thread for every packet received ('>') or sent
    // ('<'), without the report-id byte.
    using TraceHook = std::function<void(char direction, const uint8_t* packet, int length)>;

    explicit CEmuServer(const SEmuConfig& config = {});
    ~CEmuServer() override;

    // Binds `socketPath` (replacing a stale socket file, never a live one)
    // and starts serving. The socket file appears complete, ready to connect.
    bool Start(const std::string& socketPath);
    // Closes every connection and removes the socket file.
    void Stop();
    bool IsServing() const { return IsRunning(); }
    const std::string& SocketPath() const { return m_socketPath; }
    const SEmuConfig& Config() const { return m_config; }

    // Command handlers (see CEmuDevice); may be changed while serving.
    void SetHandler(uint8_t code, CEmuDevice::Handler handler);
    void SetTraceHook(TraceHook hook);

    // Runs `f` on the card's state under the lock.
    template <class F> auto WithState(F&& f)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return f(m_device.State());
    }
    // Waits until `done` holds for the state (checked after every request).
    bool WaitUntil(const std::function<bool(const SEmuState&)>& done, int timeoutMs);

    void SetFaults(const SEmuFaults& faults);
    // The next `count` requests (with that code, or any when code < 0) get `fault`.
    void InjectFault(EEmuFault fault, int count = 1, int code = -1);
    // A card that stops answering still reads requests but replies to none.
    void SetStopAnswering(bool stop);
    // Closes every connection now; the socket keeps listening.
    void DisconnectAll();

    // Sends a report to every connection, sealed with the check byte unless
    // `seal` is false. Returns how many connections it was queued for.
    int Push(const uint8_t* packet, int length, bool seal = true);
    int ConnectionCount() const;
    bool WaitForConnections(int count, int timeoutMs);
    // Reports that could not be sent because a host did not read them.
    uint64_t OverflowCount() const;

    // What the card reports on its own. A knob turned on the card: the value
    // is stored and a parameter report (0x9E) sent; false for a number
    // outside 0 .. 63.
    bool TurnKnob(int param, int32_t value);
    // One parameter report carrying the stored values of `params`.
    int ReportParams(const std::vector<int>& params);
    // A custom slot (from 1) changed on the card: `values` (number, value)
    // are stored and the custom-effects-changed report (0x9A) sent.
    bool ChangeCustomEffect(int slot, const std::vector<std::pair<int, int32_t>>& values);
    // Level reports (0x1F) `perSecond` times a second (0: none), carrying
    // `levels`, or a slowly moving pair of meters when empty.
    void SetLevelReports(int perSecond, std::vector<uint8_t> levels = {});

private:
    struct SOutgoing {
        int64_t due; // steady clock, microseconds
        uint64_t sequence;
        uint64_t connection;
        std::vector<uint8_t> report; // report id first
        bool operator>(const SOutgoing& other) const
        {
            return due != other.due ? due > other.due : sequence > other.sequence;
        }
    };
    struct SScripted {
        EEmuFault fault;
        int code;
    };

    int Run() override;
    void Wake();
    void AcceptConnection();
    void HandleReport(uint64_t connection, const uint8_t* data, size_t size);
    void QueueLocked(uint64_t connection, const uint8_t* packet, int length, int64_t due);
    void SendDue();
    void CloseConnection(uint64_t connection);
    void CloseAllConnections();
    // Microseconds until the next reply is due, -1 when none waits.
    int64_t NextTimeoutUs();
    void PushLevels();

    SEmuConfig m_config;
    std::string m_socketPath;
    ino_t m_socketInode = 0;
    int m_listenFd = -1;
    int m_wakeFd = -1;
    std::atomic<bool> m_stopping { false };
    std::atomic<bool> m_disconnectRequested { false };

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    CEmuDevice m_device;
    TraceHook m_trace;
    SEmuFaults m_faults;
    std::deque<SScripted> m_scripted;
    bool m_stopAnswering = false;
    std::mt19937 m_faultRandom;
    std::map<uint64_t, int> m_connections;
    uint64_t m_nextConnection = 1;
    std::priority_queue<SOutgoing, std::vector<SOutgoing>, std::greater<SOutgoing>> m_outgoing;
    uint64_t m_nextSequence = 0;
    uint64_t m_overflows = 0;

    std::mutex m_levelMutex; // serialises SetLevelReports and Stop
    std::unique_ptr<CEmuLevelReporter> m_levelReporter;
    std::vector<uint8_t> m_levels;
    uint32_t m_levelTicks = 0;
};

} // namespace vy::emu
