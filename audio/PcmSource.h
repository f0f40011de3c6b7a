#pragma once

#include "audio/ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vy {

// A sound decoded on demand to interleaved 16-bit samples (1 or 2
// channels), with random access by frame.
class IPcmSource {
public:
    virtual ~IPcmSource() = default;
    virtual uint32_t SampleRate() const = 0;
    virtual uint32_t Channels() const = 0;
    virtual uint64_t TotalFrames() const = 0;
    virtual uint32_t BitrateKbps() const = 0;
    virtual int FormatCode() const = 0;  // kAudioFormatMp3 or kAudioFormatWave
    // Fills up to `frames` frames; fewer only at the end.
    virtual size_t Read(int16_t* out, size_t frames) = 0;
    // The next Read starts at `frame` (clamped to the end).
    virtual void Seek(uint64_t frame) = 0;
};

// Opens an MP3 or WAV sound; `format` is kAudioFormatMp3, kAudioFormatWave
// or kAudioFormatDetect. Null with `error` set when it is neither.
std::unique_ptr<IPcmSource> OpenPcmSource(std::unique_ptr<IByteSource> bytes, int format, std::string& error);

}  // namespace vy
