#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace vy {

constexpr size_t kEffectValueCount = 64;
constexpr size_t kEffectNameUnits = 64;   // 63 characters and the terminator
constexpr size_t kEffectPathUnits = 260;  // 259 characters and the terminator

// Effect kinds, as stored in EffectRecord::kind.
constexpr int32_t kEffectKindBuiltIn = 0;
constexpr int32_t kEffectKindDeviceCustom = 1;
constexpr int32_t kEffectKindMyCustom = 2;
constexpr int32_t kEffectKindFileList = 3;
constexpr int32_t kEffectKindExtraList = 4;
constexpr int32_t kEffectKindDownloaded = 5;
constexpr int32_t kEffectKindFile = 6;
constexpr int32_t kEffectKindCloudFile = 7;

// One effect of any kind. The byte image is what the settings file stores,
// so the layout is fixed: 1568 bytes, little-endian, UTF-16 strings.
struct EffectRecord {
    char16_t name[kEffectNameUnits]{};
    uint8_t reserved[640]{};
    int32_t values[kEffectValueCount]{};  // value i belongs to the parameter at position i
    int32_t cloudId = 0;
    int32_t kind = 0;
    int32_t index = 0;   // position inside the list of its kind
    int32_t hotkey = 0;  // (modifier flags << 16) | virtual-key code, 0 = none
    int32_t empty = 0;   // 1 marks an empty custom slot
    int32_t isFile = 0;  // 1 for records that describe an effect file
    char16_t path[kEffectPathUnits]{};

    // UTF-8 views of the two strings. The setters cut the text to the field
    // (never inside a character) and return false when they had to.
    std::string Name() const;
    bool SetName(std::string_view utf8);
    std::string Path() const;
    bool SetPath(std::string_view utf8);

    // An empty custom slot: all zero, empty = 1.
    static EffectRecord MakeEmpty();
};

constexpr size_t kEffectRecordSize = 1568;

static_assert(std::endian::native == std::endian::little, "the stored image is little-endian");
static_assert(std::is_trivially_copyable_v<EffectRecord>);
static_assert(std::is_standard_layout_v<EffectRecord>);
static_assert(sizeof(EffectRecord) == kEffectRecordSize);
static_assert(offsetof(EffectRecord, name) == 0);
static_assert(offsetof(EffectRecord, reserved) == 128);
static_assert(offsetof(EffectRecord, values) == 768);
static_assert(offsetof(EffectRecord, cloudId) == 1024);
static_assert(offsetof(EffectRecord, kind) == 1028);
static_assert(offsetof(EffectRecord, index) == 1032);
static_assert(offsetof(EffectRecord, hotkey) == 1036);
static_assert(offsetof(EffectRecord, empty) == 1040);
static_assert(offsetof(EffectRecord, isFile) == 1044);
static_assert(offsetof(EffectRecord, path) == 1048);

}  // namespace vy
