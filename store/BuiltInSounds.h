#pragma once

#include "store/SoundItem.h"

#include <array>
#include <cstddef>

namespace vy {

// The sounds shipped inside the program, played from its resources (type
// "MP3") by resource name. Their order is the row order of the local grid.
struct BuiltInSound {
    const char* name;      // display name
    const char* resource;  // resource name, also the item's path
    const char* label;     // English label
};

constexpr size_t kBuiltInSoundCount = 9;

const std::array<BuiltInSound, kBuiltInSoundCount>& BuiltInSounds();

// The item of built-in row `row` (kind 0, no hotkey, cloud id 0); an empty
// item for a row out of range.
SoundItem BuiltInSoundItem(size_t row);

}  // namespace vy
