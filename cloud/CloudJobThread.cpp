#include "cloud/CloudJobThread.h"

#include "base/Log.h"

#include <new>

namespace vy {

CCloudJobThread::CCloudJobThread(const char* threadName) : CThreadObject(threadName), m_settings(CCloudConfig::Get())
{
}

void CCloudJobThread::PostFinish(EventPtr event)
{
    if (IsStopRequested())
        return;
    SNotifyCenter* center = SNotifyCenter::Current();
    if (!center) {
        VY_LOG("no notification center: event %u dropped", event ? event->Id() : 0u);
        return;
    }
    center->Post(std::move(event));
}

void CCloudJobThread::AllocateReplyBuffer()
{
    m_replyBuffer.reset(new (std::nothrow) char[CLibCurlHelper::kFixedBufferSize]);
    m_replyCapacity = m_replyBuffer ? CLibCurlHelper::kFixedBufferSize : 0;
}

}  // namespace vy
