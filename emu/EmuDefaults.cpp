#include "emu/EmuDefaults.h"

#include "model/Definitions.h"

namespace vy::emu {
namespace {

SEmuParam Encoded(const ParamDef& def, int32_t value)
{
    SEmuParam param;
    param.present = true;
    param.high = static_cast<uint8_t>((def.valByte << 5) | ((value >> 8) & 0x1F));
    param.low = static_cast<uint8_t>(value & 0xFF);
    return param;
}

} // namespace

void LoadProductDefaults(SEmuState& state, const CDefinitions& defs, const EffectRecord& current)
{
    const std::vector<ParamDef>& params = defs.ParamDefs();
    state.params = {};
    for (size_t i = 0; i < params.size() && i < static_cast<size_t>(kEmuParamCount); ++i)
        state.params[i] = Encoded(params[i], current.values[i]);
    state.effectNumberParam = defs.EffectNumberParam();
    const int slots = defs.DeviceCustomEffectCount();
    state.customSlots.assign(static_cast<size_t>(slots > 0 ? slots : 0), SEmuParamStore {});
    for (int s = 0; s < slots; ++s) {
        const size_t index = static_cast<size_t>(defs.DefaultEffectCount() + s);
        if (index >= defs.Effects().size())
            break;
        for (size_t i = 0; i < params.size() && i < static_cast<size_t>(kEmuParamCount); ++i)
            state.customSlots[static_cast<size_t>(s)][i] = Encoded(params[i], defs.Effects()[index].values[i]);
    }
}

} // namespace vy::emu
