#include "cloud/CloudEffectFileListDownloader.h"

#include "cloud/CloudApi.h"
#include "cloud/CloudEvents.h"

namespace vy {

CCloudEffectFileListDownloader::CCloudEffectFileListDownloader() : CCloudJobThread("CCloudEffectListDownloader")
{
    AllocateReplyBuffer();
}

CCloudEffectFileListDownloader::~CCloudEffectFileListDownloader()
{
    Stop(kStopTimeoutMs);
}

int CCloudEffectFileListDownloader::Run()
{
    std::string failureText;
    CCloudApi api(Settings(), CancelCheck());
    bool ok = api.FetchCloudEffects(ReplyBuffer(), ReplyCapacity(), m_list, failureText);
    if (ok)
        failureText.clear();
    PostFinish(std::make_shared<EventThreadCloudEffectFinishEvent>(this, &m_list, ok ? 1 : 0, failureText));
    return ok ? 0 : -1;
}

}  // namespace vy
