#include "audio/AcmStream.h"
#include "tests/audio/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vy;
using namespace vy::test::sound;

namespace {

WaveFormatEx Pcm(uint16_t channels, uint32_t rate, uint16_t bits)
{
    uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
    return {kWaveFormatPcm, channels, rate, rate * align, align, bits, 0};
}

std::vector<uint8_t> Convert(const std::vector<uint8_t>& source, const WaveFormatEx& from, const WaveFormatEx& to)
{
    CAcmStream stream;
    EXPECT_TRUE(stream.Open(static_cast<uint32_t>(source.size()), from, to));
    if (!stream.IsOpen())
        return {};
    std::memcpy(stream.SourceBuffer(), source.data(), source.size());
    EXPECT_TRUE(stream.Convert());
    EXPECT_LE(stream.ConvertedLength(), stream.TargetCapacity());
    return {stream.TargetBuffer(), stream.TargetBuffer() + stream.ConvertedLength()};
}

std::vector<uint8_t> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

}  // namespace

TEST(AcmStream, ChannelsAndSampleSizesAtTheSameRate)
{
    struct Case {
        const char* name;
        WaveFormatEx from, to;
        std::string in, out;
    };
    const Case cases[] = {
        {"16-bit mono copied as is", Pcm(1, 44100, 16), Pcm(1, 44100, 16), Le16(1000) + Le16(0x8000) + Le16(0x7FFF),
         Le16(1000) + Le16(0x8000) + Le16(0x7FFF)},
        {"stereo to mono averages", Pcm(2, 44100, 16), Pcm(1, 44100, 16),
         Le16(1000) + Le16(3000) + Le16(static_cast<uint16_t>(-2000)) + Le16(static_cast<uint16_t>(-4000)),
         Le16(2000) + Le16(static_cast<uint16_t>(-3000))},
        {"mono to stereo copies", Pcm(1, 48000, 16), Pcm(2, 48000, 16), Le16(1234) + Le16(static_cast<uint16_t>(-5)),
         Le16(1234) + Le16(1234) + Le16(static_cast<uint16_t>(-5)) + Le16(static_cast<uint16_t>(-5))},
        {"16 to 8 bits", Pcm(1, 8000, 16), Pcm(1, 8000, 8), Le16(0) + Le16(256) + Le16(0x8000) + Le16(0x7FFF),
         std::string("\x80\x81\x00\xFF", 4)},
        {"8 to 16 bits", Pcm(1, 8000, 8), Pcm(1, 8000, 16), std::string("\x80\x81\x00\xFF", 4),
         Le16(0) + Le16(256) + Le16(0x8000) + Le16(0x7F00)},
        {"16 to 32 bits", Pcm(1, 8000, 16), Pcm(1, 8000, 32), Le16(1) + Le16(0x8000),
         Le32(0x00010000) + Le32(0x80000000)},
        {"32 to 16 bits", Pcm(1, 8000, 32), Pcm(1, 8000, 16), Le32(0x00010000) + Le32(0x7FFFFFFF),
         Le16(1) + Le16(0x7FFF)},
        {"a partial last block is left out", Pcm(2, 44100, 16), Pcm(2, 44100, 16), Le32(0x00020001) + "xy",
         Le32(0x00020001)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Convert(Bytes(c.in), c.from, c.to), Bytes(c.out));
    }
}

TEST(AcmStream, ResamplingGivesTheExpectedLengthAndKeepsTheTone)
{
    struct Case {
        uint32_t from, to;
        unsigned inChannels, outChannels;
    };
    const Case cases[] = {{44100, 48000, 2, 1}, {48000, 44100, 1, 1}, {22050, 44100, 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        size_t frames = c.from / 2;  // half a second
        std::vector<double> tones(c.inChannels, 1000.0);
        std::vector<int16_t> samples = Sine(c.from, frames, tones, 0.5);
        std::vector<uint8_t> in(samples.size() * 2);
        std::memcpy(in.data(), samples.data(), in.size());
        auto from = Pcm(static_cast<uint16_t>(c.inChannels), c.from, 16);
        auto to = Pcm(static_cast<uint16_t>(c.outChannels), c.to, 16);
        std::vector<uint8_t> out = Convert(in, from, to);
        EXPECT_EQ(out.size(), static_cast<size_t>(c.to / 2) * 2 * c.outChannels);
        std::vector<int16_t> converted = Samples16(out.data(), out.size());
        EXPECT_NEAR(ToneLevel(converted, c.outChannels, 0, c.to, 1000.0), 0.5, 0.02);
        EXPECT_LT(ToneLevel(converted, c.outChannels, 0, c.to, 1500.0), 0.01);
        EXPECT_EQ(Convert(in, from, to), out) << "the same input gives the same bytes";
    }
}

TEST(AcmStream, RefusesFormatsItDoesNotConvert)
{
    struct Case {
        const char* name;
        WaveFormatEx format;
    };
    WaveFormatEx misaligned = Pcm(2, 44100, 16);
    misaligned.blockAlign = 2;
    WaveFormatEx notPcm = Pcm(1, 44100, 16);
    notPcm.formatTag = 3;
    const Case cases[] = {
        {"24-bit", Pcm(1, 44100, 24)}, {"3 channels", Pcm(3, 44100, 16)}, {"rate 0", Pcm(1, 0, 16)},
        {"block align that does not match", misaligned}, {"float tag", notPcm}, {"absurd rate", Pcm(1, 5000000, 16)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAcmStream stream;
        EXPECT_FALSE(stream.Open(400, c.format, Pcm(1, 44100, 16)));
        EXPECT_FALSE(stream.Open(400, Pcm(1, 44100, 16), c.format));
        EXPECT_FALSE(stream.IsOpen());
        EXPECT_FALSE(stream.Convert());
    }
}

TEST(AcmStream, ReopeningReplacesTheEarlierStream)
{
    CAcmStream stream;
    ASSERT_TRUE(stream.Open(4000, Pcm(2, 44100, 16), Pcm(1, 48000, 16)));
    ASSERT_TRUE(stream.Open(8, Pcm(1, 44100, 16), Pcm(1, 44100, 16)));
    EXPECT_EQ(stream.SourceLength(), 8u);
    EXPECT_EQ(stream.TargetCapacity(), 8u);
    std::memcpy(stream.SourceBuffer(), "abcdefgh", 8);
    ASSERT_TRUE(stream.Convert());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.TargetBuffer()), stream.ConvertedLength()), "abcdefgh");
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.ConvertedLength(), 0u);
}
