#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct lame_global_struct;

namespace vy {

// Encodes 16-bit PCM to an MP3 file with LAME as it arrives. Close writes
// the last frames and the tag frame with the exact length, so players know
// the duration and drop the encoder's padding.
class CMp3Encoder {
public:
    CMp3Encoder() = default;
    ~CMp3Encoder();
    CMp3Encoder(const CMp3Encoder&) = delete;
    CMp3Encoder& operator=(const CMp3Encoder&) = delete;

    // Creates (or replaces) `path`. Constant bitrate of `kbps`.
    bool Open(const std::string& path, uint32_t sampleRate, uint32_t channels, uint32_t kbps, std::string& error);
    bool IsOpen() const { return m_file != nullptr; }
    // Interleaved samples; false (and the file kept as far as written) on a
    // write error.
    bool Encode(const int16_t* samples, size_t frames, std::string& error);
    bool Close(std::string& error);
    uint64_t EncodedFrames() const { return m_frames; }
    const std::string& Path() const { return m_path; }

private:
    bool WriteOut(const unsigned char* bytes, size_t length, std::string& error);

    lame_global_struct* m_lame = nullptr;
    FILE* m_file = nullptr;
    std::string m_path;
    uint32_t m_channels = 0;
    uint64_t m_frames = 0;
    std::vector<unsigned char> m_out;
};

}  // namespace vy
