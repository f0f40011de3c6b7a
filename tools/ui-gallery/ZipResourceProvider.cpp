#include "ZipResourceProvider.h"

#include "base/Utf.h"

#include <unzip.h>

#include <vector>

namespace vy {
namespace {

bool MatchEntry(std::string_view entry, std::string_view type, std::string_view name)
{
    size_t slash = entry.find('/');
    if (slash == std::string_view::npos || !EqualsNoCase(entry.substr(0, slash), type))
        return false;
    std::string_view file = entry.substr(slash + 1);
    if (EqualsNoCase(file, name))
        return true;
    if (file.size() <= name.size() + 1 || file[name.size()] != '.' || !EqualsNoCase(file.substr(0, name.size()), name))
        return false;
    std::string_view ext = file.substr(name.size() + 1);
    return ext.find('.') == std::string_view::npos && ext.find('/') == std::string_view::npos;
}

}  // namespace

CZipResourceProvider::CZipResourceProvider(std::string path) : m_zip(unzOpen64(path.c_str())) {}

CZipResourceProvider::~CZipResourceProvider()
{
    if (m_zip)
        unzClose(m_zip);
}

bool CZipResourceProvider::Find(std::string_view type, std::string_view name, std::string& content) const
{
    while (!name.empty() && name.front() == ':')
        name.remove_prefix(1);
    if (!m_zip || type.empty() || name.empty())
        return false;
    for (int rc = unzGoToFirstFile(m_zip); rc == UNZ_OK; rc = unzGoToNextFile(m_zip)) {
        unz_file_info64 info{};
        char entry[512];
        if (unzGetCurrentFileInfo64(m_zip, &info, entry, sizeof entry, nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        if (!MatchEntry(entry, type, name))
            continue;
        if (info.uncompressed_size > (64u << 20) || unzOpenCurrentFile(m_zip) != UNZ_OK)
            return false;
        std::string bytes(static_cast<size_t>(info.uncompressed_size), '\0');
        int read = bytes.empty() ? 0 : unzReadCurrentFile(m_zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        unzCloseCurrentFile(m_zip);
        if (read != static_cast<int>(bytes.size()))
            return false;
        content = std::move(bytes);
        return true;
    }
    return false;
}

}  // namespace vy
