#include "model/ArchiveResourceProvider.h"

#include "base/Log.h"
#include "model/ResourcePath.h"

#include <unzip.h>

namespace vy {

struct CArchiveResourceProvider::Entry {
    std::string path;
    unz64_file_pos position{};
    uint64_t size = 0;
};

void CArchiveResourceProvider::ZipCloser::operator()(void* zip) const
{
    if (zip)
        unzClose(static_cast<unzFile>(zip));
}

CArchiveResourceProvider::CArchiveResourceProvider() = default;
CArchiveResourceProvider::~CArchiveResourceProvider() = default;

bool CArchiveResourceProvider::Open(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_zip.reset();
    m_entries.clear();
    m_path = path;

    std::unique_ptr<void, ZipCloser> zip(unzOpen64(path.c_str()));
    if (!zip) {
        VY_LOG("cannot open the resource archive %s", path.c_str());
        return false;
    }
    auto* file = static_cast<unzFile>(zip.get());
    std::vector<Entry> entries;
    int status = unzGoToFirstFile(file);
    while (status == UNZ_OK) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        std::string name(info.size_filename, '\0');
        if (unzGetCurrentFileInfo64(file, &info, name.data(), static_cast<uLong>(name.size() + 1), nullptr, 0,
                                    nullptr, 0) != UNZ_OK)
            break;
        const bool directory = !name.empty() && (name.back() == '/' || name.back() == '\\');
        const bool encrypted = (info.flag & 1) != 0;
        if (!directory && !encrypted) {
            Entry entry;
            entry.path = std::move(name);
            entry.size = info.uncompressed_size;
            if (unzGetFilePos64(file, &entry.position) == UNZ_OK)
                entries.push_back(std::move(entry));
        }
        status = unzGoToNextFile(file);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        VY_LOG("the resource archive %s is damaged (index error %d)", path.c_str(), status);
        return false;
    }
    m_zip = std::move(zip);
    m_entries = std::move(entries);
    return true;
}

void CArchiveResourceProvider::Close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_zip.reset();
    m_entries.clear();
}

bool CArchiveResourceProvider::IsOpen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_zip != nullptr;
}

std::vector<std::string> CArchiveResourceProvider::EntryPaths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> paths;
    for (const Entry& entry : m_entries)
        paths.push_back(entry.path);
    return paths;
}

bool CArchiveResourceProvider::Find(std::string_view type, std::string_view name, std::string& content) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_zip)
        return false;
    for (const Entry& entry : m_entries)
        if (resource_path::PathMatches(entry.path, type, name))
            return ReadEntry(entry, content);  // the first match decides
    return false;
}

bool CArchiveResourceProvider::ReadEntry(const Entry& entry, std::string& content) const
{
    if (entry.size > resource_path::kMaxResourceBytes) {
        VY_LOG("resource %s is too large (%llu bytes)", entry.path.c_str(),
               static_cast<unsigned long long>(entry.size));
        return false;
    }
    auto* file = static_cast<unzFile>(m_zip.get());
    unz64_file_pos position = entry.position;
    if (unzGoToFilePos64(file, &position) != UNZ_OK || unzOpenCurrentFile(file) != UNZ_OK) {
        VY_LOG("cannot open resource %s in %s", entry.path.c_str(), m_path.c_str());
        return false;
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(entry.size));
    char buffer[16384];
    int got = 0;
    while ((got = unzReadCurrentFile(file, buffer, sizeof buffer)) > 0) {
        // The stored size may lie; never inflate past the limit.
        if (bytes.size() + static_cast<size_t>(got) > resource_path::kMaxResourceBytes) {
            got = -1;
            break;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
    // Closing checks the CRC once the whole entry was read.
    const int closed = unzCloseCurrentFile(file);
    if (got < 0 || closed != UNZ_OK) {
        VY_LOG("resource %s in %s is damaged (read %d, close %d)", entry.path.c_str(), m_path.c_str(), got, closed);
        return false;
    }
    content = std::move(bytes);
    return true;
}

}  // namespace vy
