#pragma once

#include <cstdint>
#include <string_view>

namespace vy {

// The one built-in device model.
constexpr std::string_view kModelPX40 = "PX40";

// How packets and effect files are laid out for a model: the PX40 uses the
// two-list format with scrambled packets, every other model the version-2
// three-list format.
enum class PacketVariant {
    kTwoList,    // "PX40"
    kThreeList,  // any other model
};

// The sound format a model stores in its sound slots.
struct ModelSoundFormat {
    int32_t adpcm = 0;  // 0: a WAV image; non-zero: IMA ADPCM
    int32_t sampleRate = 44100;
};

// The model name matches exactly, letter case included.
inline bool IsModelPX40(std::string_view model)
{
    return model == kModelPX40;
}

inline PacketVariant PacketVariantForModel(std::string_view model)
{
    return IsModelPX40(model) ? PacketVariant::kTwoList : PacketVariant::kThreeList;
}

inline ModelSoundFormat SoundFormatForModel(std::string_view model)
{
    return IsModelPX40(model) ? ModelSoundFormat{0, 44100} : ModelSoundFormat{1, 48000};
}

}  // namespace vy
