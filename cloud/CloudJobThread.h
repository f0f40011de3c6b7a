#pragma once

#include "base/NotifyCenter.h"
#include "base/ThreadObject.h"
#include "cloud/CloudConfig.h"
#include "cloud/LibCurlHelper.h"

#include <memory>

namespace vy {

// What the six cloud jobs share: a copy of the cloud settings taken when the
// job is created, a cancel check that ends a transfer as soon as the thread
// is asked to stop, and the posting of the finish event.
class CCloudJobThread : public CThreadObject {
public:
    // How long a creator waits for a finished job's thread to end.
    static constexpr int kStopTimeoutMs = 100;

    const CloudSettings& Settings() const { return m_settings; }

protected:
    explicit CCloudJobThread(const char* threadName);

    // For the transfers of Run: true once Stop was called.
    CLibCurlHelper::CancelCheck CancelCheck() { return [this] { return IsStopRequested(); }; }

    // Posts the finish event to the process's notification center. A job
    // that was stopped posts nothing: its creator is tearing it down and the
    // thread pointer in the event would not outlive the handler.
    void PostFinish(EventPtr event);

    // The three list jobs' reply buffer of CLibCurlHelper::kFixedBufferSize
    // bytes; capacity 0 when it could not be allocated.
    void AllocateReplyBuffer();
    char* ReplyBuffer() { return m_replyBuffer.get(); }
    int ReplyCapacity() const { return m_replyCapacity; }

private:
    CloudSettings m_settings;
    std::unique_ptr<char[]> m_replyBuffer;
    int m_replyCapacity = 0;
};

}  // namespace vy
