// Time from the workspace's SetParam to the write of the packet on the
// transport, for the first change after a quiet period (the send throttle
// writes it at once), against an emulated card over the real socket.
// Counters: p50_us, p99_us and max_us over every iteration.
#include "base/NotifyCenter.h"
#include "device/hid/SocketTransport.h"
#include "model/FolderResourceProvider.h"
#include "model/RuleSet.h"
#include "protocol/VYAudioProtocol.h"
#include "tests/support/EmulatorHarness.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/TempDir.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The socket transport, noting when a report is handed to it.
class CTimedTransport : public vy::CSocketTransport {
public:
    using CSocketTransport::CSocketTransport;
    bool Write(const uint8_t* data, int length) override
    {
        lastWrite = Clock::now().time_since_epoch().count();
        return CSocketTransport::Write(data, length);
    }
    std::atomic<int64_t> lastWrite { 0 };
};

class CBenchWorkspace : public vy::CVYAudioProtocol {
public:
    using CVYAudioProtocol::SetConnected;
};

void BM_SetParamToWrite(benchmark::State& state)
{
    vy::test::CFakeUiLoop loop;
    loop.AdoptCurrentThread();
    vy::SNotifyCenter center(loop);
    vy::test::CTempDir dir;
    vy::CSettingsFile settings;
    settings.Open(dir.File("data.db"));
    vy::CFolderResourceProvider resources(std::string(VY_SOURCE_DIR) + "/data/archive");
    vy::RuleSet rules;
    rules.Load(resources);

    CBenchWorkspace workspace;
    vy::SWorkspaceConfig config;
    config.resources = &resources;
    workspace.SetWorkspaceConfig(config);
    workspace.SetUiLoop(&loop);
    workspace.SetNotifyCenter(&center);
    workspace.SetSettingsFile(&settings);
    workspace.SetRuleSet(&rules);
    workspace.Start();

    vy::test::CEmulatorHarness harness;
    auto* transport = new CTimedTransport(harness.DevicePath());
    if (!harness.Manager().Open(transport, &workspace)) {
        state.SkipWithError("cannot connect to the emulator");
        return;
    }
    workspace.SetDeviceManager(&harness.Manager());
    workspace.SetConnected(1);

    std::vector<double> samples;
    int32_t value = 0;
    for (auto _ : state) {
        state.PauseTiming();
        loop.Advance(300); // a quiet period: the next change is written at once
        value = value == 40 ? 41 : 40;
        state.ResumeTiming();
        const int64_t start = Clock::now().time_since_epoch().count();
        workspace.SetParam(5, value);
        const int64_t written = transport->lastWrite.load();
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::duration(written - start)).count());
    }
    harness.Disconnect();
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    auto percentile
        = [&](double p) { return samples[static_cast<size_t>(p * static_cast<double>(samples.size() - 1))]; };
    state.counters["p50_us"] = percentile(0.50);
    state.counters["p99_us"] = percentile(0.99);
    state.counters["max_us"] = samples.back();
}
BENCHMARK(BM_SetParamToWrite)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
