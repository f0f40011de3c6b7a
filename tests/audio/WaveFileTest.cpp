#include "audio/WaveFile.h"
#include "tests/audio/SoundTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vy;
using namespace vy::test;
using namespace vy::test::sound;

namespace {

const std::string kSamples = std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8);

struct AcceptedCase {
    const char* name;
    std::string file;
    uint32_t headerLength;
    WaveFormatEx format;
};

std::string Fmt16Mono()
{
    return CWavBuilder::FmtPayload(1, 1, 44100, 16);
}

}  // namespace

TEST(WaveFile, AcceptsPcmFilesAndStepsOverOtherChunks)
{
    const std::string list = "INFOISFT" + Le32(5) + "abcd" + std::string(1, '\0');  // 17 bytes: odd
    const AcceptedCase cases[] = {
        {"canonical mono 16-bit", CWavBuilder().Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Build(), 44,
         {1, 1, 44100, 88200, 2, 16, 0}},
        {"LIST before fmt", CWavBuilder().Chunk("LIST", "INFO").Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Build(),
         56, {1, 1, 44100, 88200, 2, 16, 0}},
        {"odd LIST between fmt and data, with its pad byte",
         CWavBuilder().Chunk("fmt ", Fmt16Mono()).Chunk("LIST", list).Chunk("data", kSamples).Build(), 44 + 8 + 18,
         {1, 1, 44100, 88200, 2, 16, 0}},
        {"fmt with the extra-size word",
         CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 2, 48000, 16) + Le16(0)).Chunk("data", kSamples).Build(),
         46, {1, 2, 48000, 192000, 4, 16, 0}},
        {"8-bit stereo", CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 2, 22050, 8)).Chunk("data", kSamples).Build(),
         44, {1, 2, 22050, 44100, 2, 8, 0}},
        {"32-bit mono", CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 1, 8000, 32)).Chunk("data", kSamples).Build(),
         44, {1, 1, 8000, 32000, 4, 32, 0}},
        {"rates kept as the file states them",
         CWavBuilder()
             .Chunk("fmt ", Le16(1) + Le16(1) + Le32(44100) + Le32(12345) + Le16(7) + Le16(16))
             .Chunk("data", kSamples)
             .Build(),
         44, {1, 1, 44100, 12345, 7, 16, 0}},
    };
    CTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.File("in.wav");
        WriteFileBytes(path, c.file);
        CWaveFile wave;
        WaveFormatEx format{};
        ASSERT_TRUE(wave.Open(path, &format)) << CWaveFile::ErrorText(wave.LastError());
        EXPECT_EQ(format.formatTag, c.format.formatTag);
        EXPECT_EQ(format.channels, c.format.channels);
        EXPECT_EQ(format.samplesPerSec, c.format.samplesPerSec);
        EXPECT_EQ(format.avgBytesPerSec, c.format.avgBytesPerSec);
        EXPECT_EQ(format.blockAlign, c.format.blockAlign);
        EXPECT_EQ(format.bitsPerSample, c.format.bitsPerSample);
        EXPECT_EQ(format.cbSize, 0);
        EXPECT_EQ(wave.GetHeaderLength(), c.headerLength);
        EXPECT_EQ(wave.GetDataLength(), kSamples.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(wave.Data()), wave.GetDataLength()), kSamples);
        wave.Close();
        EXPECT_FALSE(wave.IsOpen());
        std::filesystem::remove(path);
    }
}

TEST(WaveFile, RefusesWhatItCannotConvertAndLeavesTheFileAlone)
{
    struct Case {
        const char* name;
        std::string file;
        CWaveFile::Error error;
    };
    const auto data = [] { return CWavBuilder().Chunk("data", kSamples); };
    const Case cases[] = {
        {"24-bit", CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 1, 44100, 24)).Chunk("data", kSamples).Build(),
         CWaveFile::Error::UnsupportedBits},
        {"3 channels", CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 3, 44100, 16)).Chunk("data", kSamples).Build(),
         CWaveFile::Error::UnsupportedChannels},
        {"0 channels", CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 0, 44100, 16)).Chunk("data", kSamples).Build(),
         CWaveFile::Error::UnsupportedChannels},
        {"float", CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(3, 1, 44100, 32)).Chunk("data", kSamples).Build(),
         CWaveFile::Error::UnsupportedTag},
        {"extensible",
         CWavBuilder()
             .Chunk("fmt ", CWavBuilder::FmtPayload(0xFFFE, 2, 44100, 16) + Le16(22) + std::string(22, '\0'))
             .Chunk("data", kSamples)
             .Build(),
         CWaveFile::Error::UnsupportedTag},
        {"data running past the end of the file",
         CWavBuilder().Chunk("fmt ", Fmt16Mono()).Raw("data" + Le32(1000) + kSamples).Build(), CWaveFile::Error::NoData},
        {"RIFF size beyond the file", CWavBuilder().Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Build(500),
         CWaveFile::Error::NoRiff},
        {"not WAVE", "RIFF" + Le32(12) + "AVI " + "JUNK" + Le32(0), CWaveFile::Error::NotWave},
        {"no fmt", data().Build(), CWaveFile::Error::NoFmt},
        {"no data", CWavBuilder().Chunk("fmt ", Fmt16Mono()).Build(), CWaveFile::Error::NoData},
        {"fmt shorter than 16 bytes", CWavBuilder().Chunk("fmt ", Le16(1) + Le16(1)).Chunk("data", kSamples).Build(),
         CWaveFile::Error::FmtTooShort},
        {"not RIFF at all", "ID3\x03 some mp3 bytes", CWaveFile::Error::NoRiff},
        {"a few bytes", "RIF", CWaveFile::Error::NoRiff},
        {"chunk size near 4 GiB",
         CWavBuilder().Raw("LIST" + Le32(0xFFFFFFF8)).Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Build(),
         CWaveFile::Error::NoFmt},
    };
    CTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.File("bad.wav");
        WriteFileBytes(path, c.file);
        CWaveFile wave;
        WaveFormatEx format{};
        EXPECT_FALSE(wave.Open(path, &format));
        EXPECT_EQ(wave.LastError(), c.error) << CWaveFile::ErrorText(wave.LastError());
        EXPECT_FALSE(wave.IsOpen());
        EXPECT_EQ(wave.Data(), nullptr);
        EXPECT_EQ(wave.GetDataLength(), 0u);
        EXPECT_EQ(wave.GetHeaderLength(), 0u);
        EXPECT_EQ(wave.GetMappedSize(), 0u);
        EXPECT_EQ(ReadFileBytes(path), c.file) << "a refused file is not changed";
        std::filesystem::remove(path);
    }
}

TEST(WaveFile, CloseCutsTrailingChunksAndTheFileStillOpens)
{
    struct Case {
        const char* name;
        std::string data;
        std::string file;
    };
    const std::string odd = "\x11\x22\x33";
    const Case cases[] = {
        {"LIST after the samples", kSamples,
         CWavBuilder().Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Chunk("LIST", "INFOISFT" + Le32(2) + "ab").Build()},
        {"pad byte after odd samples", odd, CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 1, 8000, 8)).Chunk("data", odd).Build()},
        {"junk outside the RIFF chunk", kSamples,
         CWavBuilder().Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Build() + "trailing junk"},
    };
    CTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.File("cut.wav");
        WriteFileBytes(path, c.file);
        {
            CWaveFile wave;
            ASSERT_TRUE(wave.Open(path, nullptr));
        }  // the destructor closes
        std::string after = ReadFileBytes(path);
        ASSERT_EQ(after.size(), 44 + c.data.size());
        EXPECT_EQ(after.substr(44), c.data);
        EXPECT_EQ(ReadLe32(after, 4), after.size() - 8) << "the RIFF chunk ends where the file now ends";
        EXPECT_EQ(ReadLe32(after, 40), c.data.size());

        CWaveFile again;
        EXPECT_TRUE(again.Open(path, nullptr)) << CWaveFile::ErrorText(again.LastError());
        EXPECT_EQ(again.GetDataLength(), c.data.size());
    }
}

TEST(WaveFile, NewFileGetsACanonicalHeaderFromTheFormat)
{
    CTempDir dir;
    std::string path = dir.File("new.wav");
    // Average bytes and block align are recomputed whatever the record says.
    WaveFormatEx format{7, 2, 48000, 1, 1, 16, 99};
    {
        CWaveFile wave;
        ASSERT_TRUE(wave.Open(path, &format));
        EXPECT_EQ(wave.GetMappedSize(), CWaveFile::kNewFileMapSize);
        EXPECT_EQ(wave.GetHeaderLength(), 44u);
        EXPECT_EQ(wave.GetDataLength(), 0u);
        EXPECT_EQ(wave.Format().formatTag, 1);
        EXPECT_EQ(wave.Format().avgBytesPerSec, 192000u);
        EXPECT_EQ(wave.Format().blockAlign, 4);
    }
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(ReadLe32(bytes, 4), 36u);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(ReadLe32(bytes, 16), 16u);
    EXPECT_EQ(ReadLe16(bytes, 20), 1);
    EXPECT_EQ(ReadLe16(bytes, 22), 2);
    EXPECT_EQ(ReadLe32(bytes, 24), 48000u);
    EXPECT_EQ(ReadLe32(bytes, 28), 192000u);
    EXPECT_EQ(ReadLe16(bytes, 32), 4);
    EXPECT_EQ(ReadLe16(bytes, 34), 16);
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(ReadLe32(bytes, 40), 0u);
}

TEST(WaveFile, SamplesWrittenToANewFileReadBack)
{
    CTempDir dir;
    std::string path = dir.File("written.wav");
    WaveFormatEx format{1, 1, 44100, 0, 0, 16, 0};
    {
        CWaveFile wave;
        ASSERT_TRUE(wave.Open(path, &format));
        EXPECT_EQ(wave.Write(kSamples.data(), 8), 8u);
        EXPECT_EQ(wave.Write(kSamples.data(), 4), 4u);
        wave.FlushHeader();
        std::string flushed = ReadFileBytes(path);
        EXPECT_EQ(ReadLe32(flushed, 4), 48u);
        EXPECT_EQ(ReadLe32(flushed, 40), 12u);
    }
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path, nullptr));
    ASSERT_EQ(wave.GetDataLength(), 12u);
    char buffer[32] = {};
    EXPECT_EQ(wave.Read(buffer, sizeof buffer), 12u);
    EXPECT_EQ(std::string(buffer, 12), kSamples + kSamples.substr(0, 4));
    EXPECT_EQ(wave.Read(buffer, 3), 3u) << "reads start at the first sample byte, up to the capacity";
    EXPECT_EQ(wave.Read(nullptr, 3), 0u);
    EXPECT_EQ(wave.Read(buffer, 0), 0u);
}

TEST(WaveFile, MissingFileWithoutFormatFailsAndLeavesAnEmptyFile)
{
    CTempDir dir;
    std::string path = dir.File("missing.wav");
    CWaveFile wave;
    EXPECT_FALSE(wave.Open(path, nullptr));
    EXPECT_EQ(wave.LastError(), CWaveFile::Error::EmptyWithoutFormat);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_FALSE(wave.Open("", nullptr));
    EXPECT_EQ(wave.LastError(), CWaveFile::Error::NoPath);
    EXPECT_FALSE(wave.Open(dir.Path(), nullptr)) << "a folder is not a file";
}

TEST(WaveFile, SecondOpenKeepsTheFirstFile)
{
    CTempDir dir;
    WriteFileBytes(dir.File("a.wav"), CWavBuilder().Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Build());
    WriteFileBytes(dir.File("b.wav"),
                   CWavBuilder().Chunk("fmt ", CWavBuilder::FmtPayload(1, 2, 48000, 16)).Chunk("data", "xxxx").Build());
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(dir.File("a.wav"), nullptr));
    WaveFormatEx format{};
    EXPECT_TRUE(wave.Open(dir.File("b.wav"), &format));
    EXPECT_EQ(format.channels, 0) << "the second call does not even look at its arguments";
    EXPECT_EQ(wave.Format().samplesPerSec, 44100u);
    EXPECT_EQ(wave.GetDataLength(), kSamples.size());
}

TEST(WaveFile, ReadOnlyOpenNeitherCreatesNorCuts)
{
    CTempDir dir;
    std::string file =
        CWavBuilder().Chunk("fmt ", Fmt16Mono()).Chunk("data", kSamples).Chunk("LIST", "INFO").Build();
    WriteFileBytes(dir.File("keep.wav"), file);
    {
        CWaveFile wave;
        ASSERT_TRUE(wave.OpenReadOnly(dir.File("keep.wav"), nullptr));
        EXPECT_EQ(wave.GetDataLength(), kSamples.size());
        EXPECT_EQ(wave.Write(kSamples.data(), 2), 0u);
    }
    EXPECT_EQ(ReadFileBytes(dir.File("keep.wav")), file);

    CWaveFile wave;
    EXPECT_FALSE(wave.OpenReadOnly(dir.File("absent.wav"), nullptr));
    EXPECT_EQ(wave.LastError(), CWaveFile::Error::CannotOpen);
    EXPECT_FALSE(std::filesystem::exists(dir.File("absent.wav")));
}
