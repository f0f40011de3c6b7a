// Request/reply exchanges per second through the device manager, against an
// emulated card with no reply latency, over the real socket transport.
#include "device/Packet.h"
#include "tests/support/EmulatorHarness.h"

#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

namespace {

void BM_SendAndReceive(benchmark::State& state)
{
    vy::test::CEmulatorHarness harness;
    if (!harness.Connect()) {
        state.SkipWithError("cannot connect to the emulator");
        return;
    }
    vy::PacketBuffer request {}, reply {};
    int64_t failures = 0;
    for (auto _ : state) {
        request.fill(0);
        request[0] = 0x94;
        if (!harness.Manager().SendAndReceive(request.data(), reply.data(), 1, 1000))
            ++failures;
        benchmark::DoNotOptimize(reply);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK(BM_SendAndReceive)->UseRealTime()->MinTime(2.0);

// Several sender threads share the one link, as the UI, heartbeat and
// transfer threads do; the send lock serialises them.
void BM_SendAndReceiveThreads(benchmark::State& state)
{
    static vy::test::CEmulatorHarness* harness = nullptr;
    if (state.thread_index() == 0) {
        harness = new vy::test::CEmulatorHarness();
        if (!harness->Connect())
            state.SkipWithError("cannot connect to the emulator");
    }
    vy::PacketBuffer request {}, reply {};
    for (auto _ : state) {
        request.fill(0);
        request[0] = 0x92;
        harness->Manager().SendAndReceive(request.data(), reply.data(), 1, 1000);
    }
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) {
        delete harness;
        harness = nullptr;
    }
}
BENCHMARK(BM_SendAndReceiveThreads)->Threads(3)->UseRealTime()->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
