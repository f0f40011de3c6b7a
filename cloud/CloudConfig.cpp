#include "cloud/CloudConfig.h"

#include "base/Log.h"
#include "base/PrivateProfile.h"
#include "base/Utf.h"

#include <cstdlib>

namespace vy {

std::mutex CCloudConfig::s_mutex;
CloudSettings CCloudConfig::s_settings = [] {
    CloudSettings settings;
    settings.baseUrl = CCloudConfig::kDefaultBaseUrl;
    return settings;
}();

CloudSettings CCloudConfig::Get()
{
    std::lock_guard<std::mutex> guard(s_mutex);
    return s_settings;
}

void CCloudConfig::Set(const CloudSettings& settings)
{
    std::lock_guard<std::mutex> guard(s_mutex);
    s_settings = settings;
}

void CCloudConfig::SetBaseUrl(const std::string& baseUrl)
{
    std::lock_guard<std::mutex> guard(s_mutex);
    s_settings.baseUrl = baseUrl;
}

bool CCloudConfig::NormalizeBaseUrl(std::string& url)
{
    std::string lower = ToLowerAscii(url);
    size_t schemeEnd = 0;
    if (lower.rfind("http://", 0) == 0)
        schemeEnd = 7;
    else if (lower.rfind("https://", 0) == 0)
        schemeEnd = 8;
    else
        return false;
    if (url.size() <= schemeEnd || url[schemeEnd] == '/')
        return false;  // no host
    for (char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return false;
    }
    while (url.size() > schemeEnd + 1 && url.back() == '/')
        url.pop_back();
    return true;
}

std::string CCloudConfig::ResolveBaseUrl(const std::string& deviceCfgPath)
{
    if (const char* fromEnvironment = std::getenv(kEnvironmentVariable); fromEnvironment && *fromEnvironment) {
        std::string url = fromEnvironment;
        if (NormalizeBaseUrl(url))
            return url;
        VY_LOG("ignoring %s=\"%s\": not an http or https URL", kEnvironmentVariable, fromEnvironment);
    }
    if (!deviceCfgPath.empty()) {
        std::string url = CPrivateProfile::GetString(deviceCfgPath, kSection, kKey);
        if (!url.empty()) {
            if (NormalizeBaseUrl(url))
                return url;
            VY_LOG("ignoring [%s] %s=\"%s\" of %s: not an http or https URL", kSection, kKey, url.c_str(),
                   deviceCfgPath.c_str());
        }
    }
    return kDefaultBaseUrl;
}

}  // namespace vy
