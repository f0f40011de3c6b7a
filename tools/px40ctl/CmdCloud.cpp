// px40ctl cloud: query the cloud service the way the program does and
// download the files its answers link to.
#include "Command.h"

#include "cloud/CloudApi.h"
#include "cloud/CloudConfig.h"
#include "cloud/CloudReply.h"
#include "cloud/LibCurlHelper.h"

#include <iostream>
#include <memory>
#include <vector>

namespace px40ctl {
namespace {

struct CloudArgs {
    std::string baseUrl;
    std::string model = "PX40";
    int modelNumber = 18;
    int categoryId = 0;
    std::string url;
    std::string output;
};

// The settings for one call; false (with a message) for a bad base URL.
bool MakeSettings(const CloudArgs& args, vy::CloudSettings& settings)
{
    settings.baseUrl = args.baseUrl.empty() ? vy::CCloudConfig::ResolveBaseUrl("") : args.baseUrl;
    if (!vy::CCloudConfig::NormalizeBaseUrl(settings.baseUrl)) {
        PrintError("--base-url must be an http:// or https:// URL, not \"" + args.baseUrl + "\"");
        return false;
    }
    settings.modelName = args.model;
    settings.modelNumber = args.modelNumber;
    return true;
}

void AddBaseUrl(CLI::App* sub, CloudArgs& args)
{
    sub->add_option("--base-url", args.baseUrl,
                    std::string("Service base URL (default: $") + vy::CCloudConfig::kEnvironmentVariable + ", else " +
                        vy::CCloudConfig::kDefaultBaseUrl + ")");
}

// Runs one list call; prints its failure text and sets the exit code.
template <typename Call>
void RunList(const std::shared_ptr<CloudArgs>& args, int& exitCode, Call call)
{
    vy::CloudSettings settings;
    if (!MakeSettings(*args, settings)) {
        exitCode = kExitUsage;
        return;
    }
    vy::CCloudApi api(settings);
    std::string failureText;
    if (!call(api, failureText)) {
        PrintError(failureText);
        exitCode = kExitFailed;
        return;
    }
    exitCode = kExitOk;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<CloudArgs>();
    CLI::App* cloud = app.add_subcommand("cloud", "Query the cloud service and download its files");
    cloud->require_subcommand(1);

    CLI::App* effects = cloud->add_subcommand("effects", "List the cloud effects: id, category, name, URL");
    AddBaseUrl(effects, *args);
    effects->add_option("--model", args->model, "Device model name (\"PX40\" asks for genre 17, others for 18)");
    effects->callback([args, &exitCode] {
        RunList(args, exitCode, [](const vy::CCloudApi& api, std::string& failure) {
            std::vector<char> buffer(vy::CLibCurlHelper::kFixedBufferSize);
            std::vector<vy::CloudEffectItem> items;
            if (!api.FetchCloudEffects(buffer.data(), static_cast<int>(buffer.size()), items, failure))
                return false;
            for (const auto& item : items)
                std::cout << item.id << '\t' << vy::ShownLabelText(item.category) << '\t'
                          << vy::ShownLabelText(item.name) << '\t' << item.url << '\n';
            return true;
        });
    });

    CLI::App* soundCategories = cloud->add_subcommand("sound-categories", "List the cloud sound categories: id, name");
    AddBaseUrl(soundCategories, *args);
    soundCategories->callback([args, &exitCode] {
        RunList(args, exitCode, [](const vy::CCloudApi& api, std::string& failure) {
            std::vector<vy::CloudSoundCategory> categories;
            if (!api.FetchSoundCategories(categories, failure))
                return false;
            for (const auto& category : categories)
                std::cout << category.id << '\t' << category.name << '\n';
            return true;
        });
    });

    CLI::App* sounds = cloud->add_subcommand("sounds", "List the sounds of a cloud sound category: id, name, URL");
    sounds->add_option("CATEGORY_ID", args->categoryId, "Category id")->required();
    AddBaseUrl(sounds, *args);
    sounds->callback([args, &exitCode] {
        RunList(args, exitCode, [args](const vy::CCloudApi& api, std::string& failure) {
            std::vector<vy::CloudSoundRecord> records;
            if (!api.FetchCategorySounds(args->categoryId, records, failure))
                return false;
            for (const auto& record : records)
                std::cout << record.id << '\t' << record.name << '\t' << record.url << '\n';
            return true;
        });
    });

    CLI::App* effectCategories = cloud->add_subcommand("effect-categories", "List the cloud effect categories: id, name");
    AddBaseUrl(effectCategories, *args);
    effectCategories->callback([args, &exitCode] {
        RunList(args, exitCode, [](const vy::CCloudApi& api, std::string& failure) {
            std::vector<char> buffer(vy::CLibCurlHelper::kFixedBufferSize);
            std::vector<vy::EffectCategory> categories;
            if (!api.FetchEffectCategories(buffer.data(), static_cast<int>(buffer.size()), categories, failure))
                return false;
            for (const auto& category : categories)
                std::cout << category.id << '\t' << category.name << '\n';
            return true;
        });
    });

    CLI::App* paramGroups = cloud->add_subcommand(
        "param-groups", "List the cloud parameter groups: group id, slot, id, bitNum, paramNo (\"-\": none)");
    AddBaseUrl(paramGroups, *args);
    paramGroups->add_option("--model-number", args->modelNumber, "Device model number (18 for the PX40)");
    paramGroups->callback([args, &exitCode] {
        RunList(args, exitCode, [](const vy::CCloudApi& api, std::string& failure) {
            std::vector<char> buffer(vy::CLibCurlHelper::kFixedBufferSize);
            std::vector<vy::ParamGroup> groups;
            if (!api.FetchParamGroups(buffer.data(), static_cast<int>(buffer.size()), groups, failure))
                return false;
            for (const auto& group : groups) {
                for (int slot = 0; slot < group.count; ++slot) {
                    const vy::ParamEntry& entry = group.entries[static_cast<size_t>(slot)];
                    std::cout << group.id << '\t' << slot << '\t' << entry.id << '\t' << entry.bitNum << '\t';
                    if (entry.paramNo == vy::ParamEntry::kNoParam)
                        std::cout << "-\n";
                    else
                        std::cout << entry.paramNo << '\n';
                }
            }
            return true;
        });
    });

    CLI::App* download = cloud->add_subcommand("download", "Download a file the service links to (3 s limit)");
    download->add_option("URL", args->url, "http:// or https:// URL")->required();
    download->add_option("-o,--output", args->output, "Local file to write")->required();
    download->callback([args, &exitCode] {
        int64_t size = -1;
        if (!vy::CLibCurlHelper::HttpGetFile(args->output, vy::CLibCurlHelper::NewHandle(), args->url, {}, &size)) {
            PrintError("download of " + args->url + " to " + args->output + " failed");
            exitCode = kExitFailed;
            return;
        }
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("cloud", Setup);

}  // namespace
}  // namespace px40ctl
