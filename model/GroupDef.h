#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vy {

// Longest group name, in UTF-16 units.
constexpr size_t kGroupNameChars = 63;
constexpr size_t kGroupMaxParams = 64;

// A named list of parameter numbers, one entry of "DefaultGroupInfo". The
// workspace refers to groups by their position in the list.
struct GroupDef {
    std::string name;
    int32_t nParam = 0;              // leading entries of paramNos that belong to the group
    std::vector<int32_t> paramNos;   // in display order, at most 64
};

}  // namespace vy
