#include "store/SoundItem.h"

#include "base/Utf.h"

#include <algorithm>

namespace vy {

std::u16string SoundItem::NameUtf16() const
{
    return ReadFixedUtf16(name, kSoundNameChars);
}

std::string SoundItem::Name() const
{
    return Utf16ToUtf8(NameUtf16());
}

bool SoundItem::SetName(std::string_view utf8)
{
    return CopyToFixedUtf16(Utf8ToUtf16(utf8), name, kSoundNameChars);
}

std::u16string SoundItem::PathUtf16() const
{
    return ReadFixedUtf16(path, kSoundPathChars);
}

std::string SoundItem::Path() const
{
    return Utf16ToUtf8(PathUtf16());
}

bool SoundItem::SetPath(std::string_view utf8)
{
    if (utf8.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return false;
    std::u16string wide = Utf8ToUtf16(utf8);
    if (wide.size() >= kSoundPathChars)
        return false;
    // Bytes that are not UTF-8 (possible in Linux file names) would be
    // replaced on the way in and name another file on the way out.
    if (Utf16ToUtf8(wide) != utf8)
        return false;
    std::fill(std::begin(path), std::end(path), u'\0');
    std::copy(wide.begin(), wide.end(), path);
    return true;
}

bool MakeSoundItem(int32_t kind, std::string_view name, std::string_view path, int32_t cloudId, SoundItem& item,
                   uint32_t hotkey)
{
    SoundItem made;
    made.kind = kind;
    made.SetName(name);
    if (!made.SetPath(path))
        return false;
    made.cloudId = cloudId;
    made.hotkey = hotkey;
    item = made;
    return true;
}

}  // namespace vy
