#pragma once

#include "base/ResourceProvider.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vy {

// Resources inside a ZIP archive (the UI archive "layout"), laid out by the
// path rule of IResourceProvider. The archive's index is read once by Open;
// documents are inflated on demand. A missing or damaged archive, an entry
// that fails its checksum or is encrypted all read as "not found".
class CArchiveResourceProvider : public IResourceProvider {
public:
    CArchiveResourceProvider();
    ~CArchiveResourceProvider() override;
    CArchiveResourceProvider(const CArchiveResourceProvider&) = delete;
    CArchiveResourceProvider& operator=(const CArchiveResourceProvider&) = delete;

    // Opens `path` (closing any archive opened before). False when it is
    // missing or not a readable ZIP archive; Find then finds nothing.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;
    const std::string& ArchivePath() const { return m_path; }
    // Stored paths of the files in the archive, in archive order.
    std::vector<std::string> EntryPaths() const;

    bool Find(std::string_view type, std::string_view name, std::string& content) const override;

private:
    struct Entry;
    struct ZipCloser {
        void operator()(void* zip) const;
    };

    bool ReadEntry(const Entry& entry, std::string& content) const;

    mutable std::mutex m_mutex;  // the archive handle has one read position
    std::unique_ptr<void, ZipCloser> m_zip;
    std::vector<Entry> m_entries;
    std::string m_path;
};

}  // namespace vy
