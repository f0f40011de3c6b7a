#pragma once

#include "cloud/CloudJobThread.h"
#include "cloud/CloudRecords.h"

#include <string>
#include <vector>

namespace vy {

// Fetches the cloud parameter groups, then posts EventThreadCloudEffectParamGroupFinishEvent with the
// list, which stays valid until the thread is destroyed.
class CEffectParamListDownloader : public CCloudJobThread {
public:
    CEffectParamListDownloader();
    ~CEffectParamListDownloader() override;

    // Read only after the finish event.
    const std::vector<ParamGroup>& Groups() const { return m_list; }

protected:
    int Run() override;

private:
    std::vector<ParamGroup> m_list;
};

}  // namespace vy
