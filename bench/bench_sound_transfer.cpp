// Sound transfer rate (0xB0 header, then one 0xB2 packet per 32 bytes) into an
// emulated card over the real socket transport: with no reply latency, and
// with every packet answered after 1 ms, where the ideal is one packet a
// millisecond. "ideal_ratio" is the measured rate over 1000 packets a second.
#include "protocol/SoundTransferThread.h"
#include "protocol/VYAudioProtocol.h"
#include "tests/support/EmulatorHarness.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_SoundTransfer(benchmark::State& state)
{
    const auto latencyMs = static_cast<int>(state.range(0));
    const auto bytes = static_cast<uint32_t>(state.range(1));
    vy::emu::SEmuConfig config;
    config.faults.latencyMs = latencyMs;
    vy::CVYAudioProtocol protocol;
    vy::test::CEmulatorHarness harness(config);
    if (!harness.Connect(&protocol)) {
        state.SkipWithError("cannot connect to the emulator");
        return;
    }
    std::vector<uint8_t> sound(bytes);
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<uint8_t>(i * 31);
    const uint32_t chunk = static_cast<uint32_t>(protocol.GetPacketLength() - 8);
    const uint32_t packets = (bytes + chunk - 1) / chunk;
    int64_t failures = 0;
    for (auto _ : state) {
        const vy::SSoundTransferJob job { 1, sound.data(), bytes, nullptr };
        if (vy::CSoundTransferThread::Transfer(protocol, job) != vy::kSoundTransferDone)
            ++failures;
    }
    const double sent = static_cast<double>(state.iterations()) * (packets + 1);
    state.counters["packets_per_s"] = benchmark::Counter(sent, benchmark::Counter::kIsRate);
    state.counters["ideal_ratio"] = benchmark::Counter(sent / 1000.0, benchmark::Counter::kIsRate);
    state.counters["failures"] = static_cast<double>(failures);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}
// 64 KiB: 2048 data packets a transfer.
BENCHMARK(BM_SoundTransfer)->Args({ 0, 65536 })->Args({ 1, 65536 })->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
