#pragma once

#include "cloud/CloudJobThread.h"
#include "cloud/CloudRecords.h"

#include <string>
#include <vector>

namespace vy {

// Fetches the list of cloud effects the effect page shows, then posts EventThreadCloudEffectFinishEvent with the
// list, which stays valid until the thread is destroyed.
class CCloudEffectFileListDownloader : public CCloudJobThread {
public:
    CCloudEffectFileListDownloader();
    ~CCloudEffectFileListDownloader() override;

    // Read only after the finish event.
    const std::vector<CloudEffectItem>& Items() const { return m_list; }

protected:
    int Run() override;

private:
    std::vector<CloudEffectItem> m_list;
};

}  // namespace vy
