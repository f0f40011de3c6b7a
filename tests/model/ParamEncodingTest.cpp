#include "model/ParamEncoding.h"

#include <gtest/gtest.h>

using vy::ParamDef;
using vy::ParamTriplet;

namespace {

ParamDef Param(int32_t no, int32_t valByte = 0, int32_t sendDevice = 1)
{
    ParamDef def;
    def.paramNo = no;
    def.valByte = valByte;
    def.sendDevice = sendDevice;
    return def;
}

ParamDef Merged(int32_t no, int32_t mergeNo, int32_t shift, int32_t sendDevice = 1)
{
    ParamDef def = Param(no, 0, sendDevice);
    def.bitMerge = 1;
    def.mergeNo = mergeNo;
    def.mergeEndBit = shift;
    def.mergeStartBit = 31 - shift;  // never used by the encoding
    return def;
}

vy::MergeTable TableOf(const std::vector<ParamDef>& defs)
{
    vy::MergeTable table;
    for (const ParamDef& def : defs)
        if (def.bitMerge)
            table.emplace(def.mergeNo, def.paramNo);
    return table;
}

}  // namespace

TEST(ParamEncoding, Triplets)
{
    std::vector<ParamDef> defs;
    for (int32_t i = 0; i < 16; ++i)
        defs.push_back(Param(i, i % 8));
    defs[3].valByte = 0x0D;  // only the low three bits reach the device
    struct Case {
        int32_t key;
        int32_t value;
        ParamTriplet bytes;
    } cases[] = {
        {2, 300, {0x02, 0x41, 0x2C}},     // valByte 2: 0x40 | 0x01
        {0, 0, {0x00, 0x00, 0x00}},
        {7, 8191, {0x07, 0xFF, 0xFF}},    // the widest value
        {1, 8192 + 5, {0x01, 0x20, 0x05}},  // bit 13 and above are dropped
        {4, -1, {0x04, 0x9F, 0xFF}},
        {3, 0x1234, {0x03, 0xB2, 0x34}},  // 0x0D -> 5
        {15, 255, {0x0F, 0xE0, 0xFF}},
    };
    for (const Case& c : cases) {
        ParamTriplet out{};
        ASSERT_TRUE(vy::EncodeParam(defs, c.key, c.value, out)) << c.key;
        EXPECT_EQ(out, c.bytes) << "key " << c.key << " value " << c.value;
    }
}

TEST(ParamEncoding, KeysOutsideTheListAreRefused)
{
    std::vector<ParamDef> defs{Param(0), Param(1)};
    for (int32_t key : {2, -1, 64, 1000}) {
        ParamTriplet out{9, 9, 9};
        EXPECT_FALSE(vy::EncodeParam(defs, key, 1, out)) << key;
        EXPECT_EQ(out, (ParamTriplet{9, 9, 9}));
    }
}

TEST(ParamEncoding, MergedWordIsTheOrOfShiftedParts)
{
    std::vector<ParamDef> defs;
    for (int32_t i = 0; i < 12; ++i)
        defs.push_back(Param(i));
    defs[2] = Merged(2, 10, 4);
    defs[5] = Merged(5, 10, 0);
    defs[7] = Merged(7, 11, 2);
    vy::MergeTable table = TableOf(defs);
    std::vector<int32_t> values(64, 0);
    values[2] = 3;
    values[5] = 5;
    values[7] = 1;
    values[10] = 0x700;  // the carrier's own value is not part of its word
    EXPECT_EQ(vy::ComposeMerged(defs, table, values, 10), 0x35);
    EXPECT_EQ(vy::ComposeMerged(defs, table, values, 11), 4);
    EXPECT_EQ(vy::ComposeMerged(defs, table, values, 3), 0);  // no parts

    // No masking: a value wider than its field spills into the next field.
    values[5] = 0x1F;
    EXPECT_EQ(vy::ComposeMerged(defs, table, values, 10), 0x3F);

    // A part with a shift outside 0..31 adds nothing instead of shifting undefined.
    defs[5].mergeEndBit = 40;
    EXPECT_EQ(vy::ComposeMerged(defs, table, values, 10), 0x30);
    // The encoding of the word uses the carrier's valByte.
    defs[10].valByte = 4;
    ParamTriplet out{};
    ASSERT_TRUE(vy::EncodeParam(defs, 10, 0x35, out));
    EXPECT_EQ(out, (ParamTriplet{0x0A, 0x80, 0x35}));
}

TEST(ParamEncoding, FullSetSendsEachKeyOnce)
{
    // 0 effect number; 1 sent; 2 a card setting (not sent with effects);
    // 3 the carrier of parts 4 (sent) and 5 (not sent); 6 a part whose
    // carrier 7 comes after it.
    std::vector<ParamDef> defs{Param(0),          Param(1),          Param(2, 0, 0), Param(3, 4, 0),
                               Merged(4, 3, 0),  Merged(5, 3, 4, 0), Merged(6, 7, 1), Param(7)};
    std::vector<int32_t> values{9, 11, 22, 0xF00, 1, 2, 3, 0x40};
    values.resize(64, 0);

    struct Case {
        bool all;
        vy::ParamWords expected;
    } cases[] = {
        // Carrier 7 sits after its part and has a stale value: the word is the part alone.
        {false, {{0, 9}, {1, 11}, {3, 1}, {7, 6}}},
        {true, {{0, 9}, {1, 11}, {2, 22}, {3, 0x21}, {7, 6}}},
    };
    for (const Case& c : cases) {
        vy::ParamWords words{{3, 0x7777}, {50, 1}};  // waiting words: replaced, or kept when untouched
        vy::ComposeFullSet(defs, values, c.all, words);
        vy::ParamWords expected = c.expected;
        expected[50] = 1;
        EXPECT_EQ(words, expected) << "all=" << c.all;
    }
}
