#pragma once

#include "base/ThreadObject.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace vy {

class CVYAudioProtocol;
class IMessageTarget;

// Messages the transfer posts to its window.
constexpr uint32_t kMsgSoundAccepted = 0x22B9; // wParam 0, lParam: total bytes
constexpr uint32_t kMsgSoundProgress = 0x227C; // wParam: bytes sent so far
constexpr uint32_t kMsgSoundFinished = 0x228A; // wParam: result

// Results of a sound transfer.
constexpr int kSoundTransferDone = 0;
constexpr int kSoundTransferFailed = 1;
constexpr int kSoundTransferRefused = 2;

// One sound for one of the card's sound slots. The data stays the caller's
// and must outlive the transfer (until the finished message).
struct SSoundTransferJob {
    uint16_t slot = 0;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    IMessageTarget* window = nullptr;
};

// Sends a converted sound: the 0xB0 header, then one 0xB2 packet per chunk of
// L - 8 bytes, reporting to the job's window. A Stop request between packets
// ends the transfer as failed.
class CSoundTransferThread : public CThreadObject {
public:
    explicit CSoundTransferThread(CVYAudioProtocol& protocol);
    ~CSoundTransferThread() override;

    // False when a transfer is running or the thread cannot be created.
    bool Start(const SSoundTransferJob& job);
    // The result of the last finished transfer, -1 before.
    int Result() const { return m_result.load(); }

    // The transfer itself, on the calling thread: returns the result (also
    // stored in `resultOut` before the finished message is posted).
    static int Transfer(CVYAudioProtocol& protocol, const SSoundTransferJob& job,
        const std::function<bool()>& stopRequested = {}, std::atomic<int>* resultOut = nullptr);

protected:
    int Run() override;

private:
    CVYAudioProtocol& m_protocol;
    SSoundTransferJob m_job;
    std::atomic<int> m_result { -1 };
};

} // namespace vy
