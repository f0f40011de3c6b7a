#pragma once

#include "cloud/CloudJobThread.h"

namespace vy {

class CCloudApi;
class CSoundPadStore;

// Fetches the cloud sound categories and the sounds of each into the sound
// pad store's cloud pages (one page per category, items of kind 2 whose path
// is the download URL), then posts EventThreadCloudSoundFinishEvent: success
// when the categories came, with the last failure text.
//
// A category whose sounds cannot be fetched is asked again, at most
// kCategoryAttempts times in all with kRetryPauseMs between the attempts;
// after that its page stays empty and the job goes on with the next one.
class CCloudSoundListDownloader : public CCloudJobThread {
public:
    static constexpr int kCategoryAttempts = 3;
    static constexpr int kRetryPauseMs = 1000;

    explicit CCloudSoundListDownloader(CSoundPadStore& store);
    ~CCloudSoundListDownloader() override;

    // Before Start only; tests shorten the pause.
    void SetRetryPolicy(int attempts, int pauseMs);

protected:
    int Run() override;

private:
    // Fetches one category's sounds into `page`; false when stopped.
    bool FillPage(const CCloudApi& api, int categoryId, int page, std::string& failureText);

    CSoundPadStore& m_store;
    int m_attempts = kCategoryAttempts;
    int m_pauseMs = kRetryPauseMs;
};

}  // namespace vy
