#include "protocol/SoundTransferThread.h"

#include "base/Log.h"
#include "base/MessageTarget.h"
#include "device/Packet.h"
#include "protocol/Bytes.h"
#include "protocol/CommandSet.h"
#include "protocol/VYAudioProtocol.h"

#include <algorithm>
#include <cstring>

namespace vy {
namespace {

// The header's counts are 24-bit fields.
constexpr uint32_t kMaxField = 0xFFFFFF;

void Post(const SSoundTransferJob& job, uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    if (job.window)
        job.window->PostMessage(msg, wParam, lParam);
}

int Send(CVYAudioProtocol& protocol, const SSoundTransferJob& job, const std::function<bool()>& stopRequested)
{
    const int length = protocol.GetPacketLength();
    if (length < 12 || length > kPacketBufferSize) {
        VY_LOG("packet length %d cannot carry sound data", length);
        return kSoundTransferFailed;
    }
    if (!job.data && job.length > 0)
        return kSoundTransferFailed;
    const auto chunk = static_cast<uint32_t>(length - 8);
    const uint32_t packets = bytes::CeilDiv(job.length, chunk);
    if (job.length > kMaxField || packets > kMaxField) {
        VY_LOG("sound of %u bytes is too long for the transfer header", job.length);
        return kSoundTransferFailed;
    }

    PacketBuffer header {}, reply {};
    header[kPacketCode] = cmd::kSoundHeader;
    header[4] = static_cast<uint8_t>(job.slot & 0xFF);
    bytes::PutLe24(&header[5], packets);
    bytes::PutLe24(&header[8], job.length);
    if (!protocol.Exchange(header.data(), reply.data(), cmd::kSoundHeaderRetry))
        return kSoundTransferFailed;
    if (reply[5] == 0 && reply[6] == 0 && reply[7] == 0)
        return kSoundTransferRefused;
    Post(job, kMsgSoundAccepted, 0, static_cast<intptr_t>(job.length));

    for (uint32_t offset = 0, index = 0; offset < job.length; offset += chunk, ++index) {
        if (stopRequested && stopRequested()) {
            VY_LOG("sound transfer stopped after %u of %u bytes", offset, job.length);
            return kSoundTransferFailed;
        }
        PacketBuffer packet {};
        packet[kPacketCode] = cmd::kSoundData;
        const uint32_t count = std::min(chunk, job.length - offset);
        std::memcpy(&packet[kPacketPayload], job.data + offset, count);
        bytes::PutLe24(&packet[static_cast<size_t>(length - 4)], index);
        if (!protocol.Exchange(packet.data(), reply.data(), cmd::kSoundDataRetry))
            return kSoundTransferFailed;
        Post(job, kMsgSoundProgress, offset + count, 0);
    }
    return kSoundTransferDone;
}

} // namespace

CSoundTransferThread::CSoundTransferThread(CVYAudioProtocol& protocol)
    : CThreadObject("CSoundTransfer")
    , m_protocol(protocol)
{
}

CSoundTransferThread::~CSoundTransferThread()
{
    Stop(5000);
}

bool CSoundTransferThread::Start(const SSoundTransferJob& job)
{
    if (IsRunning())
        return false;
    m_job = job;
    return CThreadObject::Start();
}

int CSoundTransferThread::Transfer(CVYAudioProtocol& protocol, const SSoundTransferJob& job,
    const std::function<bool()>& stopRequested, std::atomic<int>* resultOut)
{
    const int result = Send(protocol, job, stopRequested);
    if (resultOut)
        *resultOut = result;
    Post(job, kMsgSoundFinished, static_cast<uintptr_t>(result), 0);
    return result;
}

int CSoundTransferThread::Run()
{
    return Transfer(
        m_protocol, m_job, [this] { return IsStopRequested(); }, &m_result);
}

} // namespace vy
