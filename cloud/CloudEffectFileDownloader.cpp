#include "cloud/CloudEffectFileDownloader.h"

#include "base/Log.h"
#include "cloud/CloudEvents.h"
#include "cloud/CloudFileName.h"
#include "cloud/CloudTexts.h"

#include <cstdio>

namespace vy {

CCloudEffectFileDownloader::CCloudEffectFileDownloader(const CloudEffectItem& item)
    : CCloudJobThread("CCloudEffectDetailDownloader"), m_item(item)
{
}

CCloudEffectFileDownloader::~CCloudEffectFileDownloader()
{
    Stop(kStopTimeoutMs);
}

bool CCloudEffectFileDownloader::Download(std::string& failureText)
{
    failureText = cloudtext::kDownloadCloudEffect;
    std::string folder = CloudEffectFolderPath(Settings().resourceFolder, Settings().cloudEffectFolder);
    if (folder.empty())
        return false;
    std::string path = folder + "/" + CloudFileNameFromUrl(m_item.url, m_item.id, kFallbackExtension);
    EffectRecord record;
    if (!record.SetPath(path)) {
        // The effect record could not name the file it describes.
        VY_LOG("cloud effect %d: local path %s is too long for an effect record", m_item.id, path.c_str());
        return false;
    }
    if (!CLibCurlHelper::HttpGetFile(path, CLibCurlHelper::NewHandle(), m_item.url, CancelCheck())) {
        std::remove(path.c_str());
        return false;
    }
    // The effect's number and its cloud id are both the service's id.
    record.kind = kEffectKindCloudFile;
    record.cloudId = m_item.id;
    record.index = m_item.id;
    record.isFile = 1;
    record.SetName(m_item.name);
    m_record = record;
    failureText.clear();
    return true;
}

int CCloudEffectFileDownloader::Run()
{
    std::string failureText;
    bool ok = Download(failureText);
    PostFinish(std::make_shared<EventCommonThreadFinishEvent>(this, EventCommonThreadFinishEvent::kTypeDetail,
                                                              &m_record, m_item.id, ok ? 1 : 0, failureText));
    return ok ? 0 : -1;
}

}  // namespace vy
