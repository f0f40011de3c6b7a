#pragma once

#include "emu/EmuState.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vy::emu {

class CEmuDevice;

// Installs the card's command set in the device's handler table: device
// information, parameter writes and reads, custom slots, effect files and
// sound slots.
void InstallCommandSet(CEmuDevice& device);

// The value bytes the card keeps for `value` written over `previous`: the
// width tag of the previous high byte stays, the value's bits 12..8 and 7..0
// replace the rest.
SEmuParam StoreValue(const SEmuParam& previous, int32_t value);

// Report packets the card sends on its own, unsealed, of `length` bytes.
std::vector<uint8_t> BuildParamReport(const SEmuParamStore& params, const std::vector<int>& numbers, int length);
std::vector<uint8_t> BuildCustomChangedReport(int length);
std::vector<uint8_t> BuildLevelReport(const std::vector<uint8_t>& levels, int length);

} // namespace vy::emu
