#pragma once

#include "base/ResourceProvider.h"

#include <string>

namespace vy {

// Resources as plain files, laid out by the path rule of IResourceProvider:
// <root>/<TYPE>/<name>[.ext]. Made with a fixed type, it serves only that
// type and the files lie directly in the root: a folder of definition
// documents ("parameter.xml", "rule.xml", ...). Folder and file names match
// without regard to case; among several matches the first in name order wins.
class CFolderResourceProvider : public IResourceProvider {
public:
    explicit CFolderResourceProvider(std::string root);
    CFolderResourceProvider(std::string root, std::string onlyType);

    const std::string& Root() const { return m_root; }

    bool Find(std::string_view type, std::string_view name, std::string& content) const override;

private:
    std::string m_root;
    std::string m_onlyType;
    bool m_fixedType = false;
};

}  // namespace vy
