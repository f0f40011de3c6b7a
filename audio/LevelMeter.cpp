#include "audio/LevelMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vy {
namespace {
constexpr double kRangeDb = 60.0;
constexpr size_t kMaxBlocks = 2000;  // 20 s of blocks; far more than any buffer holds
}  // namespace

int CLevelMeter::LevelFromPeak(double peak)
{
    if (!(peak > 0.0))
        return 0;
    double db = 20.0 * std::log10(std::min(peak, 32768.0) / 32768.0);
    double level = (db + kRangeDb) / kRangeDb * 100.0;
    return static_cast<int>(std::clamp(std::lround(level), 0L, 100L));
}

void CLevelMeter::Add(const int16_t* samples, size_t frames, uint32_t channels, uint32_t sampleRate, uint64_t startMs)
{
    if (sampleRate == 0 || channels == 0)
        return;
    const size_t blockFrames = std::max<size_t>(1, sampleRate * kBlockMs / 1000);
    for (size_t first = 0; first < frames; first += blockFrames) {
        const size_t count = std::min(blockFrames, frames - first);
        int left = 0, right = 0;
        for (size_t i = first; i < first + count; ++i) {
            const int16_t* frame = samples + i * channels;
            left = std::max(left, std::abs(int(frame[0])));
            right = std::max(right, std::abs(int(frame[channels > 1 ? 1 : 0])));
        }
        Block block;
        block.startMs = startMs + first * 1000 / sampleRate;
        block.endMs = startMs + (first + count) * 1000 / sampleRate;
        block.left = static_cast<int16_t>(std::min(left, 32767));
        block.right = static_cast<int16_t>(std::min(right, 32767));
        m_blocks.push_back(block);
    }
    while (m_blocks.size() > kMaxBlocks)
        m_blocks.pop_front();
}

void CLevelMeter::Get(uint64_t nowMs, int& left, int& right, double gainLeft, double gainRight) const
{
    const uint64_t from = nowMs > kWindowMs ? nowMs - kWindowMs : 0;
    int peakLeft = 0, peakRight = 0;
    for (const Block& block : m_blocks) {
        if (block.endMs <= from || block.startMs > nowMs)
            continue;
        peakLeft = std::max(peakLeft, int(block.left));
        peakRight = std::max(peakRight, int(block.right));
    }
    left = LevelFromPeak(peakLeft * gainLeft);
    right = LevelFromPeak(peakRight * gainRight);
}

void CLevelMeter::DropBefore(uint64_t ms)
{
    while (!m_blocks.empty() && m_blocks.front().endMs < ms)
        m_blocks.pop_front();
}

}  // namespace vy
