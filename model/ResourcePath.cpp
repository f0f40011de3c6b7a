#include "model/ResourcePath.h"

#include "base/Utf.h"

namespace vy::resource_path {
namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool IsPlainComponent(std::string_view part)
{
    if (part == "." || part == "..")
        return false;
    for (char c : part)
        if (IsSeparator(c) || c == '\0')
            return false;
    return true;
}

}  // namespace

bool IsValidRequest(std::string_view type, std::string_view name)
{
    return !name.empty() && IsPlainComponent(name) && IsPlainComponent(type);
}

bool FileNameMatches(std::string_view fileName, std::string_view name)
{
    if (fileName.size() < name.size() || !EqualsNoCase(fileName.substr(0, name.size()), name))
        return false;
    if (fileName.size() == name.size())
        return true;
    std::string_view rest = fileName.substr(name.size());
    return rest.size() > 1 && rest.front() == '.' && rest.find('.', 1) == std::string_view::npos;
}

bool PathMatches(std::string_view path, std::string_view type, std::string_view name)
{
    if (!IsValidRequest(type, name))
        return false;
    size_t separator = path.find_first_of("/\\");
    if (type.empty())
        return separator == std::string_view::npos && FileNameMatches(path, name);
    if (separator == std::string_view::npos || !EqualsNoCase(path.substr(0, separator), type))
        return false;
    std::string_view file = path.substr(separator + 1);
    if (file.find_first_of("/\\") != std::string_view::npos)
        return false;
    return FileNameMatches(file, name);
}

}  // namespace vy::resource_path
