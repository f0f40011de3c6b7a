#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace vy {

// Peak levels of a stream, kept per short block by the block's time in the
// stream, so that what is shown matches what is heard now rather than what
// was just handed to the server.
class CLevelMeter {
public:
    static constexpr uint32_t kBlockMs = 10;
    static constexpr uint32_t kWindowMs = 50;

    void Reset() { m_blocks.clear(); }
    // Interleaved samples starting at `startMs` in the stream.
    void Add(const int16_t* samples, size_t frames, uint32_t channels, uint32_t sampleRate, uint64_t startMs);
    // The loudest block in the window ending at `nowMs`, 0 to 100 per
    // channel, after a linear gain (the playback volume).
    void Get(uint64_t nowMs, int& left, int& right, double gainLeft = 1.0, double gainRight = 1.0) const;
    // Forgets blocks ending before `ms`.
    void DropBefore(uint64_t ms);

    // 0 to 100 over the 60 dB below full scale.
    static int LevelFromPeak(double peak);

private:
    struct Block {
        uint64_t startMs;
        uint64_t endMs;
        int16_t left;
        int16_t right;
    };
    std::deque<Block> m_blocks;
};

}  // namespace vy
