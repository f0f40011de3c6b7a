#pragma once

#include "model/Definitions.h"
#include "model/ParamDef.h"

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace vy {

// Three bytes as a value travels to the device: the key, then valByte << 5
// with bits 12..8 of the value, then bits 7..0. Values carry 13 bits.
using ParamTriplet = std::array<uint8_t, 3>;

// Parameter words waiting to be written: key (parameter number or the
// mergeNo of a packed word) -> value, in ascending key order.
using ParamWords = std::map<int32_t, int32_t>;

// Encodes `value` under `key` with the valByte of the parameter at position
// `key`. False, `out` untouched, when key is not a parameter position.
bool EncodeParam(const std::vector<ParamDef>& defs, int32_t key, int32_t value, ParamTriplet& out);

// The packed word of `mergeNo`: the OR of every merged parameter's value
// shifted left by its mergeEndBit, in merge-table order. No masking: a value
// wider than its field spills into the next one. Parts whose position lies
// outside `values` or whose shift is not 0..31 add nothing.
int32_t ComposeMerged(const std::vector<ParamDef>& defs, const MergeTable& merges, std::span<const int32_t> values,
                      int32_t mergeNo);

// The full parameter set: every parameter with sendDevice set (every one
// when `all`), in position order, either under its own number or ORed into
// the word of its mergeNo. Each key appears once. A word that has packed
// parts is made from those parts alone, so the carrier's own stored value
// (stale, or written before its parts) never adds or clears bits.
void ComposeFullSet(const std::vector<ParamDef>& defs, std::span<const int32_t> values, bool all, ParamWords& words);

}  // namespace vy
