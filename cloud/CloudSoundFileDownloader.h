#pragma once

#include "cloud/CloudJobThread.h"
#include "store/SoundItem.h"

#include <string>

namespace vy {

// Downloads one cloud sound (an item of kind 2, whose path is its URL) to
// `localPath` and posts EventCloudSoundFileReady. The sound pad page picks
// the path with CloudSoundFilePath; mode and control id are passed through.
class CCloudSoundFileDownloader : public CCloudJobThread {
public:
    CCloudSoundFileDownloader(const SoundItem& entry, std::string localPath, int mode, int controlId);
    ~CCloudSoundFileDownloader() override;

    const SoundItem& Entry() const { return m_entry; }
    const std::string& LocalPath() const { return m_localPath; }

protected:
    int Run() override;

private:
    SoundItem m_entry;
    std::string m_localPath;
    int m_mode;
    int m_controlId;
};

}  // namespace vy
