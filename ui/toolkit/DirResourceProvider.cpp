#include "ui/toolkit/DirResourceProvider.h"

#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/QtResourceProvider.h"

namespace vy {

CDirResourceProvider::CDirResourceProvider(std::string folder) : m_folder(std::move(folder)) {}

bool CDirResourceProvider::Find(std::string_view type, std::string_view name, std::string& content) const
{
    return FindInResourceDir(ToQString(m_folder), type, name, content);
}

}  // namespace vy
