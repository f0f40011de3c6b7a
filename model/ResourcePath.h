#pragma once

#include <cstddef>
#include <string_view>

namespace vy {

// The path rule every store of resources follows: a resource (type, name)
// lives at "<TYPE>/<name>" or "<TYPE>/<name>.<ext>", type and name matched
// without regard to case. A resource without a type lives at the top.
namespace resource_path {

// Larger resources are refused: nothing the program loads comes near it, and
// a damaged size field must not make it allocate gigabytes.
constexpr size_t kMaxResourceBytes = 64u << 20;

// True when type and name can name a resource: a name that is not empty and
// neither of them holding a path separator or being "." or "..".
bool IsValidRequest(std::string_view type, std::string_view name);

// A file name in the type's folder matches the name when it equals it or is
// it followed by "." and an extension without further dots.
bool FileNameMatches(std::string_view fileName, std::string_view name);

// A whole stored path ("DATA/parameter.xml"; "\" also separates) matches
// (type, name).
bool PathMatches(std::string_view path, std::string_view type, std::string_view name);

}  // namespace resource_path
}  // namespace vy
