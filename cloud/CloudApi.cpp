#include "cloud/CloudApi.h"

#include "base/Log.h"
#include "cloud/CloudReply.h"
#include "cloud/CloudTexts.h"

#include <cstdlib>
#include <memory>

namespace vy {
namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

// A doubled "&" cut in half would show as a shortcut marker: drop the half.
std::string CutDoubledText(const std::string& doubled, size_t maxUnits)
{
    std::string cut = CutUtf16Units(doubled, maxUnits);
    size_t run = 0;
    while (run < cut.size() && cut[cut.size() - 1 - run] == '&')
        ++run;
    if (run % 2 == 1)
        cut.pop_back();
    return cut;
}

}  // namespace

CCloudApi::CCloudApi(CloudSettings settings, CLibCurlHelper::CancelCheck cancel)
    : m_settings(std::move(settings)), m_cancel(std::move(cancel))
{
}

std::string CCloudApi::CategorySoundsBody(int categoryId)
{
    return "categoryId=" + std::to_string(categoryId);
}

std::string CCloudApi::CloudEffectsBody(const std::string& modelName)
{
    return modelName == "PX40" ? "genreId=17&pageNumber=1&categoryId=-1&pageSize=10000"
                               : "genreId=18&pageNumber=1&categoryId=-1&pageSize=10000";
}

std::string CCloudApi::EffectCategoriesBody()
{
    return "token=&type=1";
}

std::string CCloudApi::ParamGroupsBody(int modelNumber)
{
    return "token=&genreId=" + std::to_string(modelNumber);
}

bool CCloudApi::GrowingCall(const char* path, const char* body, const char* requestText, const char* parseText,
                            Json::Value& data, std::string& failureText) const
{
    char* raw = nullptr;
    int length = CLibCurlHelper::HttpPost(Url(path), body, &raw, m_cancel);
    std::unique_ptr<char, FreeDeleter> reply(raw);
    if (length <= 0 || !reply) {
        failureText = requestText;
        return false;
    }
    return ReadCloudReply(std::string_view(reply.get(), static_cast<size_t>(length)), parseText, data, failureText);
}

bool CCloudApi::FixedCall(const char* path, const std::string& body, char* buffer, int capacity,
                          const char* requestText, Json::Value& data, std::string& failureText) const
{
    if (!buffer || capacity <= 0) {
        failureText = requestText;
        return false;
    }
    int length = CLibCurlHelper::HttpPost(Url(path), body.c_str(), buffer, capacity, m_cancel);
    if (length <= 0) {
        failureText = requestText;
        return false;
    }
    return ReadCloudReply(std::string_view(buffer, static_cast<size_t>(length)), cloudtext::kParseJson, data,
                          failureText);
}

bool CCloudApi::FetchSoundCategories(std::vector<CloudSoundCategory>& categories, std::string& failureText) const
{
    categories.clear();
    Json::Value data;
    if (!GrowingCall(kSoundCategoriesPath, nullptr, cloudtext::kSoundCategoriesRequest, cloudtext::kParseJson, data,
                     failureText))
        return false;
    for (const Json::Value& item : data) {
        if (!item.isObject())
            continue;
        CloudSoundCategory category;
        category.id = CloudJsonInt(item["id"]);
        category.name = CutUtf8Bytes(CloudJsonString(item["categoryName"]), CloudSoundCategory::kNameBytes);
        categories.push_back(std::move(category));
    }
    return true;
}

bool CCloudApi::FetchCategorySounds(int categoryId, std::vector<CloudSoundRecord>& sounds,
                                    std::string& failureText) const
{
    sounds.clear();
    Json::Value data;
    std::string body = CategorySoundsBody(categoryId);
    if (!GrowingCall(kCategorySoundsPath, body.c_str(), cloudtext::kCategorySoundsRequest,
                     cloudtext::kParseJsonCategorySounds, data, failureText))
        return false;
    for (const Json::Value& item : data) {
        if (!item.isObject())
            continue;
        CloudSoundRecord sound;
        bool urlFits = true;
        sound.url = CutUtf16Units(CloudJsonString(item["url"]), CloudSoundRecord::kUrlUnits, &urlFits);
        sound.id = CloudJsonInt(item["id"]);
        if (!urlFits) {
            // A cut URL would fetch something else: leave the sound out.
            VY_LOG("cloud sound %d of category %d skipped: its URL is longer than %zu characters", sound.id,
                   categoryId, CloudSoundRecord::kUrlUnits);
            continue;
        }
        sound.name = CutUtf16Units(CloudJsonString(item["name"]), CloudSoundRecord::kNameUnits);
        sounds.push_back(std::move(sound));
    }
    return true;
}

bool CCloudApi::FetchCloudEffects(char* buffer, int capacity, std::vector<CloudEffectItem>& items,
                                  std::string& failureText) const
{
    items.clear();
    Json::Value data;
    if (!FixedCall(kCloudEffectsPath, CloudEffectsBody(m_settings.modelName), buffer, capacity,
                   cloudtext::kCloudEffectsRequest, data, failureText))
        return false;
    for (const Json::Value& entry : data) {
        if (!entry.isObject())
            continue;
        CloudEffectItem item;
        bool urlFits = true;
        item.url = CutUtf16Units(CloudJsonString(entry["url"]), CloudEffectItem::kUrlUnits, &urlFits);
        item.id = CloudJsonInt(entry["id"]);
        if (!urlFits) {
            VY_LOG("cloud effect %d skipped: its URL is longer than %zu characters", item.id,
                   CloudEffectItem::kUrlUnits);
            continue;
        }
        item.name = CutDoubledText(DoubleAmpersands(CloudJsonString(entry["soundName"])), CloudEffectItem::kTextUnits);
        item.category =
            CutDoubledText(DoubleAmpersands(CloudJsonString(entry["categoryName"])), CloudEffectItem::kTextUnits);
        items.push_back(std::move(item));
    }
    return true;
}

bool CCloudApi::FetchEffectCategories(char* buffer, int capacity, std::vector<EffectCategory>& categories,
                                      std::string& failureText) const
{
    categories.clear();
    Json::Value data;
    if (!FixedCall(kEffectCategoriesPath, EffectCategoriesBody(), buffer, capacity,
                   cloudtext::kEffectCategoriesRequest, data, failureText))
        return false;
    for (const Json::Value& entry : data) {
        if (!entry.isObject())
            continue;
        EffectCategory category;
        category.id = CloudJsonInt(entry["id"]);
        category.name = CutUtf16Units(CloudJsonString(entry["categoryName"]), EffectCategory::kNameUnits);
        categories.push_back(std::move(category));
    }
    return true;
}

bool CCloudApi::FetchParamGroups(char* buffer, int capacity, std::vector<ParamGroup>& groups,
                                 std::string& failureText) const
{
    groups.clear();
    Json::Value data;
    if (!FixedCall(kParamGroupsPath, ParamGroupsBody(m_settings.modelNumber), buffer, capacity,
                   cloudtext::kParamGroupsRequest, data, failureText))
        return false;
    for (const Json::Value& entry : data) {
        if (!entry.isObject())
            continue;
        ParamGroup group;
        group.id = CloudJsonInt(entry["id"]);
        const Json::Value& params = entry["paramList"];
        if (params.isArray()) {
            int listed = static_cast<int>(params.size());
            if (listed > ParamGroup::kSlots)
                VY_LOG("parameter group %d lists %d parameters; keeping the first %d", group.id, listed,
                       ParamGroup::kSlots);
            group.count = listed < ParamGroup::kSlots ? listed : ParamGroup::kSlots;
            for (int slot = 0; slot < group.count; ++slot) {
                const Json::Value& param = params[static_cast<Json::ArrayIndex>(slot)];
                if (!param.isObject())
                    continue;
                int paramNo = CloudJsonInt(param["paramNo"]);
                if (paramNo < 0 || paramNo >= ParamGroup::kParamCount)
                    continue;  // no such parameter; the slot stays empty
                group.entries[static_cast<size_t>(slot)] =
                    ParamEntry{CloudJsonInt(param["id"]), CloudJsonInt(param["bitNum"]), paramNo};
            }
        }
        groups.push_back(group);
    }
    return true;
}

}  // namespace vy
