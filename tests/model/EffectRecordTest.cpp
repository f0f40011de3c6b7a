#include "model/EffectRecord.h"

#include <gtest/gtest.h>

#include <cstring>

using vy::EffectRecord;

namespace {

uint32_t U32At(const uint8_t* bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

}  // namespace

TEST(EffectRecord, ByteImageAsStored)
{
    EffectRecord record;
    ASSERT_TRUE(record.SetName("唱歌A"));
    ASSERT_TRUE(record.SetPath("effects/a.eff"));
    record.values[0] = 0x25;
    record.values[63] = -2;
    record.cloudId = 0x01020304;
    record.kind = 5;
    record.index = 7;
    record.hotkey = (2 << 16) | 0x41;
    record.empty = 1;
    record.isFile = 1;

    uint8_t bytes[vy::kEffectRecordSize];
    std::memcpy(bytes, &record, sizeof bytes);
    // UTF-16LE name: 唱 U+5531, 歌 U+6B4C, 'A', terminator.
    const uint8_t name[] = {0x31, 0x55, 0x4C, 0x6B, 0x41, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(bytes, name, sizeof name), 0);
    for (size_t i = 128; i < 768; ++i)
        ASSERT_EQ(bytes[i], 0) << "reserved byte " << i;
    EXPECT_EQ(U32At(bytes, 768), 0x25u);
    EXPECT_EQ(U32At(bytes, 768 + 63 * 4), 0xFFFFFFFEu);
    EXPECT_EQ(U32At(bytes, 1024), 0x01020304u);
    EXPECT_EQ(U32At(bytes, 1028), 5u);
    EXPECT_EQ(U32At(bytes, 1032), 7u);
    EXPECT_EQ(U32At(bytes, 1036), 0x20041u);
    EXPECT_EQ(U32At(bytes, 1040), 1u);
    EXPECT_EQ(U32At(bytes, 1044), 1u);
    EXPECT_EQ(bytes[1048], 'e');
    EXPECT_EQ(bytes[1049], 0);

    EffectRecord back;
    std::memcpy(&back, bytes, sizeof bytes);
    EXPECT_EQ(back.Name(), "唱歌A");
    EXPECT_EQ(back.Path(), "effects/a.eff");
}

TEST(EffectRecord, LongTextIsCutToItsField)
{
    EffectRecord record;
    EXPECT_FALSE(record.SetName(std::string(70, 'x')));
    EXPECT_EQ(record.Name(), std::string(63, 'x'));
    EXPECT_EQ(record.name[63], u'\0');
    EXPECT_FALSE(record.SetPath(std::string(300, 'p')));
    EXPECT_EQ(record.Path().size(), 259u);
    // A name that fills the field exactly with its last character unread
    // (no terminator) still reads back without running past the field.
    std::fill(std::begin(record.name), std::end(record.name), u'y');
    EXPECT_EQ(record.Name(), std::string(64, 'y'));
}

TEST(EffectRecord, EmptySlot)
{
    EffectRecord slot = EffectRecord::MakeEmpty();
    EXPECT_EQ(slot.empty, 1);
    EXPECT_EQ(slot.Name(), "");
    EffectRecord zero;
    zero.empty = 1;
    EXPECT_EQ(std::memcmp(&slot, &zero, sizeof slot), 0);
}
