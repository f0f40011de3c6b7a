#pragma once

#include "cloud/CloudJobThread.h"
#include "cloud/CloudRecords.h"
#include "model/EffectRecord.h"

#include <string>

namespace vy {

// Downloads one cloud effect file into <resource folder>/<cloud effect
// folder>/ and posts EventCommonThreadFinishEvent with the type tag 'detl'
// and, on success, the effect record to add to the downloaded effects.
class CCloudEffectFileDownloader : public CCloudJobThread {
public:
    // The file's name when the URL names no safe file: the id and this.
    static constexpr const char* kFallbackExtension = ".bin";

    explicit CCloudEffectFileDownloader(const CloudEffectItem& item);
    ~CCloudEffectFileDownloader() override;

    const CloudEffectItem& Item() const { return m_item; }
    // Read only after the finish event.
    const EffectRecord& Record() const { return m_record; }

protected:
    int Run() override;

private:
    bool Download(std::string& failureText);

    CloudEffectItem m_item;
    EffectRecord m_record;
};

}  // namespace vy
