#pragma once

#include "cloud/CloudJobThread.h"
#include "cloud/CloudRecords.h"

#include <string>
#include <vector>

namespace vy {

// Fetches the categories of cloud effects, then posts EventThreadCloudEffectCategoryFinishEvent with the
// list, which stays valid until the thread is destroyed.
class CEffectCategoryListDownloader : public CCloudJobThread {
public:
    CEffectCategoryListDownloader();
    ~CEffectCategoryListDownloader() override;

    // Read only after the finish event.
    const std::vector<EffectCategory>& Categories() const { return m_list; }

protected:
    int Run() override;

private:
    std::vector<EffectCategory> m_list;
};

}  // namespace vy
