#pragma once

#include <mutex>
#include <string>

namespace vy {

// Everything the cloud jobs need to know about their surroundings. Each
// downloader thread takes a copy when it is created, so a later change
// (another device model, another service) never reaches a running job.
struct CloudSettings {
    // The service's base URL; every API path is appended to it.
    std::string baseUrl;
    // The current device model's name and number: the effect list asks for
    // genre 17 for "PX40" and 18 otherwise; the parameter groups ask for the
    // model's number.
    std::string modelName = "PX40";
    int modelNumber = 18;
    // Downloaded cloud effect files go to resourceFolder/cloudEffectFolder.
    std::string resourceFolder;
    std::string cloudEffectFolder = "CloudEffect";
};

// The process-wide cloud settings. The application fills them at start-up
// and when the device model changes; px40ctl fills them from its options.
//
// The base URL is a configuration value, looked up in this order:
//   1. the environment variable VYAUDIO_CLOUD_URL;
//   2. the key [Cloud] BaseUrl of device.cfg in the data folder;
//   3. kDefaultBaseUrl, the reference service on this machine.
// Only http:// and https:// URLs are accepted; anything else is logged and
// the next source is used.
class CCloudConfig {
public:
    static constexpr const char* kDefaultBaseUrl = "http://127.0.0.1:8765/tuning";
    static constexpr const char* kEnvironmentVariable = "VYAUDIO_CLOUD_URL";
    static constexpr const char* kSection = "Cloud";
    static constexpr const char* kKey = "BaseUrl";

    static CloudSettings Get();
    static void Set(const CloudSettings& settings);
    static void SetBaseUrl(const std::string& baseUrl);

    // The base URL from the sources above; `deviceCfgPath` may be empty.
    static std::string ResolveBaseUrl(const std::string& deviceCfgPath);
    // True for an http:// or https:// URL with a host; a trailing "/" is
    // dropped from `url` so that API paths append cleanly.
    static bool NormalizeBaseUrl(std::string& url);

private:
    static std::mutex s_mutex;
    static CloudSettings s_settings;
};

}  // namespace vy
