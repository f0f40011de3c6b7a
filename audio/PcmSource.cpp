#include "audio/PcmSource.h"

#include "audio/AudioEngine.h"
#include "audio/Mp3Stream.h"
#include "audio/WavStream.h"

#include <cstring>

namespace vy {

std::unique_ptr<IPcmSource> OpenPcmSource(std::unique_ptr<IByteSource> bytes, int format, std::string& error)
{
    if (!bytes || bytes->Size() == 0) {
        error = "the sound is empty";
        return nullptr;
    }
    if (format != kAudioFormatMp3 && format != kAudioFormatWave) {
        unsigned char head[12] = {};
        bytes->ReadAt(0, head, sizeof head);
        bool riff = std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
        format = riff ? kAudioFormatWave : kAudioFormatMp3;
    }
    if (format == kAudioFormatWave)
        return CWavStream::Open(std::move(bytes), error);
    std::string reason;
    auto stream = CMp3Stream::Open(std::move(bytes), reason);
    if (!stream)
        error = "not an MP3 or WAV sound: " + reason;
    return stream;
}

}  // namespace vy
