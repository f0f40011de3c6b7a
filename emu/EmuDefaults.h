#pragma once

#include "emu/EmuState.h"

namespace vy {
class CDefinitions;
struct EffectRecord;
} // namespace vy

namespace vy::emu {

// Makes the card hold what the product definitions declare: every defined
// parameter with `current`'s value (the defaults after loading), the custom
// slots of the effect list with their values, and the effect-number parameter.
void LoadProductDefaults(SEmuState& state, const CDefinitions& defs, const EffectRecord& current);

} // namespace vy::emu
