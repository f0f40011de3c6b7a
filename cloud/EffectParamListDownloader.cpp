#include "cloud/EffectParamListDownloader.h"

#include "cloud/CloudApi.h"
#include "cloud/CloudEvents.h"

namespace vy {

CEffectParamListDownloader::CEffectParamListDownloader() : CCloudJobThread("CEffectParamListDownloader")
{
    AllocateReplyBuffer();
}

CEffectParamListDownloader::~CEffectParamListDownloader()
{
    Stop(kStopTimeoutMs);
}

int CEffectParamListDownloader::Run()
{
    std::string failureText;
    CCloudApi api(Settings(), CancelCheck());
    bool ok = api.FetchParamGroups(ReplyBuffer(), ReplyCapacity(), m_list, failureText);
    if (ok)
        failureText.clear();
    PostFinish(std::make_shared<EventThreadCloudEffectParamGroupFinishEvent>(this, &m_list, ok ? 1 : 0, failureText));
    return ok ? 0 : -1;
}

}  // namespace vy
