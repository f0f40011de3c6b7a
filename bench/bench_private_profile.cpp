// Reads and writes on a settings file of 200 keys.
#include "base/PrivateProfile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct SettingsFile {
    std::string dir;
    std::string path;
    SettingsFile()
    {
        std::string pattern = "/tmp/vybench-XXXXXX";
        dir = ::mkdtemp(pattern.data());
        path = dir + "/data.db";
        vy::CPrivateProfile::CreateIfMissing(path);
        unsigned char record[1568];
        for (size_t i = 0; i < sizeof record; ++i)
            record[i] = static_cast<unsigned char>(i * 7);
        for (int i = 0; i < 200; ++i) {
            std::string section = "Section" + std::to_string(i % 10);
            if (i % 20 == 0)
                vy::CPrivateProfile::WriteStruct(path, section, std::to_string(i), record, sizeof record);
            else
                vy::CPrivateProfile::WriteInt(path, section, std::to_string(i), i);
        }
    }
    ~SettingsFile() { std::filesystem::remove_all(dir); }
};

void BM_ReadInt(benchmark::State& state)
{
    SettingsFile file;
    int i = 0;
    for (auto _ : state) {
        int key = 1 + (i++ % 199);
        if (key % 20 == 0)
            ++key;
        benchmark::DoNotOptimize(
            vy::CPrivateProfile::GetInt(file.path, "Section" + std::to_string(key % 10), std::to_string(key), -1));
    }
}
BENCHMARK(BM_ReadInt);

void BM_ReadStruct1568(benchmark::State& state)
{
    SettingsFile file;
    unsigned char record[1568];
    for (auto _ : state)
        benchmark::DoNotOptimize(vy::CPrivateProfile::GetStruct(file.path, "Section0", "100", record, sizeof record));
}
BENCHMARK(BM_ReadStruct1568);

void BM_WriteInt(benchmark::State& state)
{
    SettingsFile file;
    int i = 0;
    for (auto _ : state)
        vy::CPrivateProfile::WriteInt(file.path, "Section3", "13", i++);
}
BENCHMARK(BM_WriteInt)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
