#include "cloud/EffectCategoryListDownloader.h"

#include "cloud/CloudApi.h"
#include "cloud/CloudEvents.h"

namespace vy {

CEffectCategoryListDownloader::CEffectCategoryListDownloader() : CCloudJobThread("CEffectCategoryListDownloader")
{
    AllocateReplyBuffer();
}

CEffectCategoryListDownloader::~CEffectCategoryListDownloader()
{
    Stop(kStopTimeoutMs);
}

int CEffectCategoryListDownloader::Run()
{
    std::string failureText;
    CCloudApi api(Settings(), CancelCheck());
    bool ok = api.FetchEffectCategories(ReplyBuffer(), ReplyCapacity(), m_list, failureText);
    if (ok)
        failureText.clear();
    PostFinish(std::make_shared<EventThreadCloudEffectCategoryFinishEvent>(this, &m_list, ok ? 1 : 0, failureText));
    return ok ? 0 : -1;
}

}  // namespace vy
