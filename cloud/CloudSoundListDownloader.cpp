#include "cloud/CloudSoundListDownloader.h"

#include "base/Log.h"
#include "cloud/CloudApi.h"
#include "cloud/CloudEvents.h"
#include "store/SoundPadStore.h"

namespace vy {

CCloudSoundListDownloader::CCloudSoundListDownloader(CSoundPadStore& store)
    : CCloudJobThread("CCloudSoundListDownloader"), m_store(store)
{
}

CCloudSoundListDownloader::~CCloudSoundListDownloader()
{
    Stop(kStopTimeoutMs);
}

void CCloudSoundListDownloader::SetRetryPolicy(int attempts, int pauseMs)
{
    m_attempts = attempts < 1 ? 1 : attempts;
    m_pauseMs = pauseMs < 0 ? 0 : pauseMs;
}

bool CCloudSoundListDownloader::FillPage(const CCloudApi& api, int categoryId, int page, std::string& failureText)
{
    for (int attempt = 1; attempt <= m_attempts; ++attempt) {
        std::vector<CloudSoundRecord> sounds;
        std::string text;
        if (api.FetchCategorySounds(categoryId, sounds, text)) {
            std::vector<SoundItem> items;
            items.reserve(sounds.size());
            for (const CloudSoundRecord& sound : sounds) {
                SoundItem item;
                if (!MakeSoundItem(kSoundKindCloud, sound.name, sound.url, sound.id, item)) {
                    VY_LOG("cloud sound %d of category %d skipped: its URL cannot be kept", sound.id, categoryId);
                    continue;
                }
                items.push_back(item);
            }
            m_store.SetCloudPageItems(static_cast<size_t>(page), items);
            return true;
        }
        failureText = text;
        if (IsStopRequested())
            return false;
        if (attempt < m_attempts && WaitForStop(m_pauseMs))
            return false;
    }
    VY_LOG("sounds of cloud category %d not fetched after %d attempts: %s", categoryId, m_attempts,
           failureText.c_str());
    return true;
}

int CCloudSoundListDownloader::Run()
{
    CCloudApi api(Settings(), CancelCheck());
    std::vector<CloudSoundCategory> categories;
    std::string failureText;
    bool ok = api.FetchSoundCategories(categories, failureText);
    if (ok) {
        failureText.clear();
        m_store.ClearCloudPages();
        for (const CloudSoundCategory& category : categories) {
            if (IsStopRequested())
                return -1;
            int page = m_store.AddCloudPage(category.name);
            if (page < 0)
                continue;
            if (!FillPage(api, category.id, page, failureText))
                return -1;  // stopped
        }
    }
    PostFinish(std::make_shared<EventThreadCloudSoundFinishEvent>(this, ok ? 1 : 0, failureText));
    return ok ? 0 : -1;
}

}  // namespace vy
