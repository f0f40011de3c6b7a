#pragma once

#include "cloud/CloudConfig.h"
#include "cloud/CloudRecords.h"
#include "cloud/LibCurlHelper.h"

#include <json/value.h>

#include <string>
#include <vector>

namespace vy {

// The five calls of the cloud API, each turning the service's answer into
// records. Every call returns true on success; on failure `failureText` holds
// what the user is shown (the request's own text, the parse failure text, or
// the service's message). Calls may block for the transfer's time-out and
// return early when the cancel check answers true.
class CCloudApi {
public:
    static constexpr const char* kSoundCategoriesPath = "/api/live/getSpecialEffectCategory.json";
    static constexpr const char* kCategorySoundsPath = "/api/live/findByCategory.json";
    static constexpr const char* kCloudEffectsPath = "/api/effect_sound/getSoundByCategory.json";
    static constexpr const char* kEffectCategoriesPath = "/api/sound/getCategoryList.json";
    static constexpr const char* kParamGroupsPath = "/api/sound/getParamList.json";

    explicit CCloudApi(CloudSettings settings, CLibCurlHelper::CancelCheck cancel = {});

    std::string Url(const char* path) const { return m_settings.baseUrl + path; }
    static std::string CategorySoundsBody(int categoryId);
    static std::string CloudEffectsBody(const std::string& modelName);
    static std::string EffectCategoriesBody();
    static std::string ParamGroupsBody(int modelNumber);

    // Growing-buffer calls.
    bool FetchSoundCategories(std::vector<CloudSoundCategory>& categories, std::string& failureText) const;
    bool FetchCategorySounds(int categoryId, std::vector<CloudSoundRecord>& sounds, std::string& failureText) const;

    // Fixed-buffer calls: the reply goes into `buffer` of `capacity` bytes
    // (CLibCurlHelper::kFixedBufferSize for the program's own jobs). With no
    // buffer the call fails without a request.
    bool FetchCloudEffects(char* buffer, int capacity, std::vector<CloudEffectItem>& items,
                           std::string& failureText) const;
    bool FetchEffectCategories(char* buffer, int capacity, std::vector<EffectCategory>& categories,
                               std::string& failureText) const;
    bool FetchParamGroups(char* buffer, int capacity, std::vector<ParamGroup>& groups,
                          std::string& failureText) const;

private:
    // Sends a fixed-buffer POST and reads its envelope.
    bool FixedCall(const char* path, const std::string& body, char* buffer, int capacity, const char* requestText,
                   Json::Value& data, std::string& failureText) const;
    bool GrowingCall(const char* path, const char* body, const char* requestText, const char* parseText,
                     Json::Value& data, std::string& failureText) const;

    CloudSettings m_settings;
    CLibCurlHelper::CancelCheck m_cancel;
};

}  // namespace vy
