// Speed of the cipher core: key generation, key loading and encoding.
#include "core/encoder.h"
#include "core/key_generator.h"
#include "core/key_table.h"
#include "support/plain_scan_key.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>

using namespace morvane;

namespace {

void BM_GenerateKey(benchmark::State& state)
{
    RandomSource random(1);
    KeyTable table;
    for (auto _ : state) {
        GenerateKey(random, table);
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_GenerateKey)->Unit(benchmark::kMicrosecond);

void BM_GenerateKeyPlainScanBaseline(benchmark::State& state)
{
    RandomSource random(1);
    KeyTable table;
    for (auto _ : state) {
        testing::GenerateKeyByPlainScan(random, table);
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_GenerateKeyPlainScanBaseline)->Unit(benchmark::kMillisecond);

void BM_LoadKeyFile(benchmark::State& state)
{
    RandomSource random(2);
    KeyTable table;
    GenerateKey(random, table);
    const std::string name = (std::filesystem::temp_directory_path() / "morvane-bench.key").string();
    std::ofstream(name, std::ios::binary) << FormatKeyFile(table);
    std::uint8_t width = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadKeyFile(name, table, width));
    }
    std::filesystem::remove(name);
}
BENCHMARK(BM_LoadKeyFile)->Unit(benchmark::kMicrosecond);

class NoStop : public EncodeHook {
    bool Yield(std::size_t) override { return true; }
};

// A text of printable characters with line breaks, like a letter.
std::string Letter(std::size_t size)
{
    static const std::string line = "Dear friend, the meeting moves to Thursday at 10:30. Bring the papers.\r\n";
    std::string text;
    text.reserve(size);
    while (text.size() < size)
        text += line;
    text.resize(size);
    return text;
}

void BM_Encode(benchmark::State& state)
{
    RandomSource random(3);
    KeyTable table;
    GenerateKey(random, table);
    const std::string text = Letter(static_cast<std::size_t>(state.range(0)));
    NoStop hook;
    std::string code;
    for (auto _ : state) {
        EncodeText(text, table, 4, random, hook, code);
        benchmark::DoNotOptimize(code.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Encode)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

} // namespace
