#include "model/FolderResourceProvider.h"

#include "base/Log.h"
#include "base/Utf.h"
#include "model/ResourcePath.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vy {
namespace {

namespace fs = std::filesystem;

// Names of the folder's entries of one kind, sorted; empty when unreadable.
std::vector<std::string> ListNames(const fs::path& folder, bool directories)
{
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error)
        return names;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::error_code statError;
        const bool isDirectory = it->is_directory(statError);
        const bool isFile = it->is_regular_file(statError);
        if (directories ? isDirectory : isFile)
            names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadWholeFile(const fs::path& path, std::string& content)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error || size > resource_path::kMaxResourceBytes)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<size_t>(in.gcount()) != bytes.size())
        return false;
    content = std::move(bytes);
    return true;
}

bool FindIn(const fs::path& folder, std::string_view name, std::string& content)
{
    for (const std::string& file : ListNames(folder, false))
        if (resource_path::FileNameMatches(file, name)) {
            if (ReadWholeFile(folder / file, content))
                return true;
            VY_LOG("cannot read resource file %s", (folder / file).c_str());
            return false;
        }
    return false;
}

}  // namespace

CFolderResourceProvider::CFolderResourceProvider(std::string root) : m_root(std::move(root)) {}

CFolderResourceProvider::CFolderResourceProvider(std::string root, std::string onlyType)
    : m_root(std::move(root)), m_onlyType(std::move(onlyType)), m_fixedType(true)
{
}

bool CFolderResourceProvider::Find(std::string_view type, std::string_view name, std::string& content) const
{
    if (!resource_path::IsValidRequest(type, name))
        return false;
    if (m_fixedType)
        return EqualsNoCase(type, m_onlyType) && FindIn(m_root, name, content);
    if (type.empty())
        return FindIn(m_root, name, content);
    // "DATA" and "data" are two folders here; both hold the type.
    for (const std::string& folder : ListNames(m_root, true))
        if (EqualsNoCase(folder, type) && FindIn(fs::path(m_root) / folder, name, content))
            return true;
    return false;
}

}  // namespace vy
