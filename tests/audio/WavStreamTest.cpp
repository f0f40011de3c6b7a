#include "audio/ByteSource.h"
#include "audio/WavStream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vy::test {
namespace {

void Put16(std::string& out, uint16_t v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}
void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char(v >> (8 * i) & 0xFF));
}

struct WavLayout {
    WavLayout(uint16_t tag_, uint16_t channels_, uint32_t rate_, uint16_t bits_, bool extensible_ = false,
            std::string before_ = {}, int64_t claimedData_ = -1)
        : tag(tag_), channels(channels_), rate(rate_), bits(bits_), extensible(extensible_),
          before(std::move(before_)), claimedData(claimedData_)
    {
    }
    uint16_t tag;
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    bool extensible;
    std::string before;   // chunks between "fmt " and "data"
    int64_t claimedData;  // the data size written in the header; -1: the real one
};

std::string Wav(const WavLayout& layout, const std::string& data)
{
    std::string fmt;
    const uint16_t blockAlign = uint16_t(layout.channels * layout.bits / 8);
    Put16(fmt, layout.extensible ? 0xFFFE : layout.tag);
    Put16(fmt, layout.channels);
    Put32(fmt, layout.rate);
    Put32(fmt, layout.rate * blockAlign);
    Put16(fmt, blockAlign);
    Put16(fmt, layout.bits);
    if (layout.extensible) {
        Put16(fmt, 22);
        Put16(fmt, layout.bits);
        Put32(fmt, 3);
        Put16(fmt, layout.tag);
        fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    std::string body = "WAVEfmt ";
    Put32(body, uint32_t(fmt.size()));
    body += fmt + layout.before + "data";
    Put32(body, layout.claimedData < 0 ? uint32_t(data.size()) : uint32_t(layout.claimedData));
    body += data;
    std::string out = "RIFF";
    Put32(out, uint32_t(body.size()));
    return out + body;
}

std::string Floats(std::initializer_list<float> values)
{
    std::string out;
    for (float v : values)
        out.append(reinterpret_cast<const char*>(&v), 4);
    return out;
}
std::string Doubles(std::initializer_list<double> values)
{
    std::string out;
    for (double v : values)
        out.append(reinterpret_cast<const char*>(&v), 8);
    return out;
}

struct ReadCase {
    const char* name;
    WavLayout layout;
    std::string data;
    uint32_t channels;
    std::vector<int16_t> expected;
};

TEST(WavStreamTest, ReadsEachEncodingAsSixteenBits)
{
    std::string list = "LIST";
    Put32(list, 5);
    list += std::string("abcde\0", 6);  // odd size, padded
    const std::vector<ReadCase> cases = {
        {"pcm8", {1, 1, 8000, 8}, std::string("\x80\xFF\x00", 3), 1, {0, 127 << 8, -32768}},
        {"pcm16 stereo", {1, 2, 8000, 16}, std::string("\x01\x00\xFF\xFF\x00\x80\xFF\x7F", 8), 2, {1, -1, -32768, 32767}},
        {"pcm24", {1, 1, 8000, 24}, std::string("\xFF\x34\x12\x00\x00\x80", 6), 1, {0x1234, -32768}},
        {"pcm32", {1, 1, 8000, 32}, std::string("\x00\x00\x34\x12\xFF\xFF\xFF\xFF", 8), 1, {0x1234, -1}},
        {"float32", {3, 1, 8000, 32}, Floats({0.5f, -1.0f, 2.0f}), 1, {16384, -32768, 32767}},
        {"float64", {3, 1, 8000, 64}, Doubles({-0.25, 0.0}), 1, {-8192, 0}},
        {"extensible pcm16", {1, 1, 8000, 16, true}, std::string("\x10\x00\x20\x00", 4), 1, {16, 32}},
        {"three channels keep two", {1, 3, 8000, 16}, std::string("\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00", 12), 2, {1, 2, 4, 5}},
        {"list chunk of odd size", {1, 1, 8000, 16, false, list}, std::string("\x07\x00", 2), 1, {7}},
        {"data longer than the file", {1, 1, 8000, 16, false, {}, 1000}, std::string("\x09\x00\x0A\x00\x0B", 5), 1, {9, 10}},
    };
    for (const ReadCase& c : cases) {
        std::string bytes = Wav(c.layout, c.data);
        std::string error;
        auto stream = CWavStream::Open(CopyMemoryBytes(bytes.data(), bytes.size()), error);
        ASSERT_TRUE(stream) << c.name << ": " << error;
        EXPECT_EQ(stream->Channels(), c.channels) << c.name;
        EXPECT_EQ(stream->SampleRate(), c.layout.rate) << c.name;
        ASSERT_EQ(stream->TotalFrames(), c.expected.size() / c.channels) << c.name;
        std::vector<int16_t> out(c.expected.size() + 8, 99);
        size_t got = stream->Read(out.data(), out.size() / c.channels);
        out.resize(got * c.channels);
        EXPECT_EQ(out, c.expected) << c.name;
        // Random access lands on the frame asked for.
        stream->Seek(stream->TotalFrames() - 1);
        int16_t last[2];
        ASSERT_EQ(stream->Read(last, 1), 1u) << c.name;
        EXPECT_EQ(last[0], c.expected[c.expected.size() - c.channels]) << c.name;
    }
}

TEST(WavStreamTest, RefusesWhatItCannotPlay)
{
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"not riff", "RIFX1234WAVEfmt "},
        {"adpcm", Wav({2, 1, 8000, 4}, "abcd")},
        {"12-bit pcm", Wav({1, 1, 8000, 12}, "abcd")},
        {"16-bit float", Wav({3, 1, 8000, 16}, "abcd")},
        {"no channels", Wav({1, 0, 8000, 16}, "abcd")},
        {"no rate", Wav({1, 1, 0, 16}, "abcd")},
        {"header only", Wav({1, 1, 8000, 16}, "").substr(0, 36)},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : cases) {
        std::string error;
        EXPECT_FALSE(CWavStream::Open(CopyMemoryBytes(bytes.data(), bytes.size()), error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

}  // namespace
}  // namespace vy::test
