#include "store/BuiltInSounds.h"

namespace vy {

const std::array<BuiltInSound, kBuiltInSoundCount>& BuiltInSounds()
{
    static const std::array<BuiltInSound, kBuiltInSoundCount> kTable = {{
        {"大哄笑", "DJ_DHX", "LAUGH"},
        {"掌声", "DJ_ZS", "CLAP"},
        {"亲嘴", "DJ_QZ", "KISS"},
        {"小哄笑", "DJ_XHX", "LOL"},
        {"打耳光", "DJ_DEG", "SLAP"},
        {"感谢", "DJ_GX", "THANKS"},
        {"欢迎大哥", "DJ_HYDG", "HYDG"},
        {"神话情话", "DJ_SHQH", "SHQH"},
        {"鄙视", "DJ_BS", "BOO"},
    }};
    return kTable;
}

SoundItem BuiltInSoundItem(size_t row)
{
    SoundItem item;
    if (row < kBuiltInSoundCount)
        MakeSoundItem(kSoundKindBuiltIn, BuiltInSounds()[row].name, BuiltInSounds()[row].resource, 0, item);
    return item;
}

}  // namespace vy
