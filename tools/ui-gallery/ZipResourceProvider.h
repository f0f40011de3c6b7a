#pragma once

#include "base/ResourceProvider.h"

#include <string>

namespace vy {

// Reads resources from a ZIP file laid out like the UI archive
// ("<TYPE>/<name>[.ext]"), for rendering the program's own archive.
class CZipResourceProvider : public IResourceProvider {
public:
    explicit CZipResourceProvider(std::string path);
    ~CZipResourceProvider() override;
    CZipResourceProvider(const CZipResourceProvider&) = delete;
    CZipResourceProvider& operator=(const CZipResourceProvider&) = delete;

    bool IsOpen() const { return m_zip != nullptr; }
    bool Find(std::string_view type, std::string_view name, std::string& content) const override;

private:
    void* m_zip = nullptr;
};

}  // namespace vy
