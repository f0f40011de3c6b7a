#include "model/EffectRecord.h"

#include "base/Utf.h"

namespace vy {

std::string EffectRecord::Name() const
{
    return Utf16ToUtf8(ReadFixedUtf16(name, kEffectNameUnits));
}

bool EffectRecord::SetName(std::string_view utf8)
{
    return CopyToFixedUtf16(Utf8ToUtf16(utf8), name, kEffectNameUnits);
}

std::string EffectRecord::Path() const
{
    return Utf16ToUtf8(ReadFixedUtf16(path, kEffectPathUnits));
}

bool EffectRecord::SetPath(std::string_view utf8)
{
    return CopyToFixedUtf16(Utf8ToUtf16(utf8), path, kEffectPathUnits);
}

EffectRecord EffectRecord::MakeEmpty()
{
    EffectRecord record;
    record.empty = 1;
    return record;
}

}  // namespace vy
