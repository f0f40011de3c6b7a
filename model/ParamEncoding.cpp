#include "model/ParamEncoding.h"

#include <set>

namespace vy {
namespace {

// The value at `position` shifted into its field of the packed word.
bool ShiftedPart(const ParamDef& def, int32_t position, std::span<const int32_t> values, uint32_t& part)
{
    if (position < 0 || static_cast<size_t>(position) >= values.size())
        return false;
    if (def.mergeEndBit < 0 || def.mergeEndBit > 31)
        return false;
    part = static_cast<uint32_t>(values[static_cast<size_t>(position)]) << def.mergeEndBit;
    return true;
}

}  // namespace

bool EncodeParam(const std::vector<ParamDef>& defs, int32_t key, int32_t value, ParamTriplet& out)
{
    if (key < 0 || static_cast<size_t>(key) >= defs.size())
        return false;
    const auto valByte = static_cast<uint32_t>(defs[static_cast<size_t>(key)].valByte);
    const auto v = static_cast<uint32_t>(value);
    out[0] = static_cast<uint8_t>(key & 0xFF);
    out[1] = static_cast<uint8_t>(((valByte << 5) | ((v >> 8) & 0x1F)) & 0xFF);
    out[2] = static_cast<uint8_t>(v & 0xFF);
    return true;
}

int32_t ComposeMerged(const std::vector<ParamDef>& defs, const MergeTable& merges, std::span<const int32_t> values,
                      int32_t mergeNo)
{
    uint32_t word = 0;
    auto [begin, end] = merges.equal_range(mergeNo);
    for (auto it = begin; it != end; ++it) {
        // The table holds paramNo; it is used as a position.
        const int32_t p = it->second;
        if (p < 0 || static_cast<size_t>(p) >= defs.size())
            continue;
        uint32_t part = 0;
        if (ShiftedPart(defs[static_cast<size_t>(p)], p, values, part))
            word |= part;
    }
    return static_cast<int32_t>(word);
}

void ComposeFullSet(const std::vector<ParamDef>& defs, std::span<const int32_t> values, bool all, ParamWords& words)
{
    std::set<int32_t> packedKeys;
    for (const ParamDef& def : defs)
        if (def.bitMerge != 0 && (all || def.sendDevice != 0))
            packedKeys.insert(def.mergeNo);

    // Built apart so that a word already waiting in `words` is replaced, not ORed into.
    ParamWords set;
    for (const int32_t key : packedKeys)
        set[key] = 0;
    for (size_t i = 0; i < defs.size() && i < values.size(); ++i) {
        const ParamDef& def = defs[i];
        if (!all && def.sendDevice == 0)
            continue;
        const auto position = static_cast<int32_t>(i);
        if (def.bitMerge != 0) {
            uint32_t part = 0;
            if (ShiftedPart(def, position, values, part))
                set[def.mergeNo] = static_cast<int32_t>(static_cast<uint32_t>(set[def.mergeNo]) | part);
        } else if (packedKeys.count(position) == 0) {
            set[position] = values[i];
        }
    }
    for (const auto& [key, value] : set)
        words[key] = value;
}

}  // namespace vy
