#include "cloud/CloudFileName.h"

#include "base/Log.h"

#include <filesystem>
#include <system_error>

namespace vy {
namespace {

constexpr size_t kMaxNameBytes = 255;

bool EnsureFolder(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return true;
    std::filesystem::create_directories(path, error);
    if (error || !std::filesystem::is_directory(path, error)) {
        VY_LOG("cannot create folder %s", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool IsSafeSingleFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxNameBytes)
        return false;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

std::string CloudFileNameFromUrl(std::string_view url, int id, std::string_view fallbackExtension)
{
    std::string_view path = url;
    size_t end = path.find_first_of("?#");
    if (end != std::string_view::npos)
        path = path.substr(0, end);
    // The host of "http://host" is no file name.
    size_t scheme = path.find("://");
    size_t pathStart = scheme == std::string_view::npos ? 0 : path.find('/', scheme + 3);
    size_t slash = path.rfind('/');
    std::string_view name;
    if (slash != std::string_view::npos && pathStart != std::string_view::npos && slash >= pathStart)
        name = path.substr(slash + 1);
    if (IsSafeSingleFileName(name))
        return std::string(name);
    return std::to_string(id) + std::string(fallbackExtension);
}

std::string CloudSoundFilePath(const std::string& userDataFolder, std::string_view url, int id)
{
    if (userDataFolder.empty()) {
        VY_LOG("no user data folder for cloud sounds");
        return {};
    }
    std::string folder = userDataFolder + "/CloudSound";
    if (!EnsureFolder(folder))
        return {};
    return folder + "/" + CloudFileNameFromUrl(url, id, ".mp3");
}

std::string CloudEffectFolderPath(const std::string& resourceFolder, const std::string& cloudEffectFolder)
{
    if (resourceFolder.empty()) {
        VY_LOG("no resource folder for cloud effects");
        return {};
    }
    if (!IsSafeSingleFileName(cloudEffectFolder)) {
        VY_LOG("cloud effect folder name \"%s\" is not a single folder name", cloudEffectFolder.c_str());
        return {};
    }
    std::string folder = resourceFolder + "/" + cloudEffectFolder;
    if (!EnsureFolder(folder))
        return {};
    return folder;
}

}  // namespace vy
