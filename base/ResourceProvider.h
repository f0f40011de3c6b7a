#pragma once

#include <string>
#include <string_view>

namespace vy {

// Finds a document by type and name: "DATA" + "parameter", "LAYOUT" +
// "XML_MAINWND", "IMG" + "image_logo", "SMENU" + "menu_tray". Every store of
// resources (the UI archive, a folder, the executable's own resources) lays
// a resource out at the path "<TYPE>/<name>" with an optional extension
// ("DATA/parameter.xml", "LAYOUT/XML_MAINWND.xml", "IMG/image_logo.png");
// type and name match without regard to case, and the first match wins.
class IResourceProvider {
public:
    virtual ~IResourceProvider() = default;
    // True and the bytes in `content` when found; false, content untouched,
    // when missing or unreadable. Never throws.
    virtual bool Find(std::string_view type, std::string_view name, std::string& content) const = 0;
};

// "LAYOUT:XML_MAINWND" -> ("LAYOUT", "XML_MAINWND"); a name without a colon
// has an empty type.
inline void SplitResourceName(std::string_view prefixed, std::string_view& type, std::string_view& name)
{
    size_t colon = prefixed.find(':');
    if (colon == std::string_view::npos) {
        type = {};
        name = prefixed;
    } else {
        type = prefixed.substr(0, colon);
        name = prefixed.substr(colon + 1);
    }
}

}  // namespace vy
