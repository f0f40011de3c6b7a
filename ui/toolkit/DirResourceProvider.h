#pragma once

#include "base/ResourceProvider.h"

#include <string>

namespace vy {

// A folder laid out like the UI archive: "<folder>/<TYPE>/<name>[.ext]".
// The gallery and the tests use it; the program reads the archive.
class CDirResourceProvider : public IResourceProvider {
public:
    explicit CDirResourceProvider(std::string folder);
    bool Find(std::string_view type, std::string_view name, std::string& content) const override;
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
};

}  // namespace vy
