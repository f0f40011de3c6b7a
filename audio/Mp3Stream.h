#pragma once

#include "audio/PcmSource.h"

#include <mad.h>

#include <vector>

namespace vy {

// An MP3 sound decoded with libmad as it is read. Opening scans the frame
// headers once, so the length is exact (also for variable bitrates) and a
// seek lands on the right frame. The encoder's delay and padding, when the
// file says them, are cut off so that the samples are the ones encoded.
// Frames that fail to decode play as silence of their length, which keeps
// the timing.
class CMp3Stream : public IPcmSource {
public:
    static std::unique_ptr<CMp3Stream> Open(std::unique_ptr<IByteSource> bytes, std::string& error);
    ~CMp3Stream() override;
    CMp3Stream(const CMp3Stream&) = delete;
    CMp3Stream& operator=(const CMp3Stream&) = delete;

    uint32_t SampleRate() const override { return m_sampleRate; }
    uint32_t Channels() const override { return m_channels; }
    uint64_t TotalFrames() const override { return m_totalFrames; }
    uint32_t BitrateKbps() const override;
    int FormatCode() const override;
    size_t Read(int16_t* out, size_t frames) override;
    void Seek(uint64_t frame) override;

    size_t MpegFrameCount() const { return m_frameOffsets.size(); }
    bool HasEncoderTag() const { return m_encoderTag; }

private:
    explicit CMp3Stream(std::unique_ptr<IByteSource> bytes);
    bool Scan(std::string& error);
    void FindDataRange();
    void ReadEncoderTag(uint64_t offset, const mad_header& header);
    void ResetDecoder(uint64_t offset);
    bool Refill();
    bool DecodeNext();
    uint64_t FrameOffset() const;
    int64_t FrameIndex(uint64_t offset) const;

    std::unique_ptr<IByteSource> m_bytes;
    uint64_t m_dataStart = 0;
    uint64_t m_dataEnd = 0;
    std::vector<uint64_t> m_frameOffsets;
    uint32_t m_samplesPerFrame = 0;
    uint32_t m_sampleRate = 0;
    uint32_t m_channels = 0;
    bool m_encoderTag = false;
    bool m_gapless = false;  // the tag gives the encoder's delay and padding
    uint64_t m_encoderDelay = 0;
    uint64_t m_encoderPadding = 0;
    uint64_t m_skipStart = 0;    // decoded samples before the first sound sample
    uint64_t m_totalFrames = 0;  // sound samples per channel

    // Decoder state.
    mad_stream m_stream;
    mad_frame m_frame;
    mad_synth m_synth;
    std::vector<unsigned char> m_buffer;
    size_t m_bufferFill = 0;
    uint64_t m_bufferOffset = 0;  // file offset of m_buffer[0]
    uint64_t m_readOffset = 0;    // next file offset to read
    bool m_guardAdded = false;
    uint64_t m_nextIndex = 0;        // next MPEG frame expected from the decoder
    std::vector<int16_t> m_pending;  // decoded samples not yet returned
    uint64_t m_pendingStart = 0;     // decoded-sample index of m_pending[0]
    uint64_t m_cursor = 0;           // decoded-sample index of the next sample to return
};

}  // namespace vy
