#include "cloud/CloudSoundFileDownloader.h"

#include "cloud/CloudEvents.h"
#include "cloud/CloudTexts.h"

#include <cstdio>

namespace vy {

CCloudSoundFileDownloader::CCloudSoundFileDownloader(const SoundItem& entry, std::string localPath, int mode,
                                                     int controlId)
    : CCloudJobThread("CCloudSoundFileDownloader"), m_entry(entry), m_localPath(std::move(localPath)), m_mode(mode),
      m_controlId(controlId)
{
}

CCloudSoundFileDownloader::~CCloudSoundFileDownloader()
{
    Stop(kStopTimeoutMs);
}

int CCloudSoundFileDownloader::Run()
{
    bool ok = false;
    std::string failureText;
    if (m_entry.kind != kSoundKindCloud) {
        failureText = cloudtext::kBadParameter;
    } else if (m_localPath.empty() ||
               !CLibCurlHelper::HttpGetFile(m_localPath, CLibCurlHelper::NewHandle(), m_entry.Path(), CancelCheck())) {
        if (!m_localPath.empty())
            std::remove(m_localPath.c_str());
        failureText = cloudtext::kDownloadFile;
    } else {
        ok = true;
    }
    PostFinish(std::make_shared<EventCloudSoundFileReady>(this, m_entry.cloudId, m_controlId, m_localPath,
                                                          m_entry.Name(), m_mode, ok ? 1 : 0, failureText));
    return ok ? 0 : -1;
}

}  // namespace vy
