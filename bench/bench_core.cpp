// Speed of the cipher core: key generation, key loading and encoding.
#include "io/key_file.h"
#include "core/encoder.h"
#include "core/key_generator.h"
#include "core/key_table.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <optional>

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

// The baseline: draw a number, scan every cell of the table for it, draw
// again on a match (the generator draws the same numbers with a constant-time
// membership test).
void GenerateKeyByPlainScan(RandomSource& random, KeyTable& table)
{
    table.Clear();
    for (int cell = 0; cell < kKeyCells; ++cell) {
        std::uint16_t v;
        do
            v = static_cast<std::uint16_t>(random.RandomBelow(kCodeChoices) + kLowestCode);
        while (std::any_of(table.rows.begin(), table.rows.end(),
                           [v](const KeyRow& r) { return std::find(r.begin(), r.end(), v) != r.end(); }));
        table.rows[cell / kKeyColumns][cell % kKeyColumns] = v;
    }
}

void BM_GenerateKeyPlainScanBaseline(benchmark::State& state)
{
    RandomSource random(1);
    KeyTable table;
    for (auto _ : state) {
        GenerateKeyByPlainScan(random, table);
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
        benchmark::DoNotOptimize(io::LoadKeyFile(name, table, width));
    }
    std::filesystem::remove(name);
}
BENCHMARK(BM_LoadKeyFile)->Unit(benchmark::kMicrosecond);

// A run that is never offered to stop, as in morvane-cli.
class NoStop : public EncodeHook {
    bool YieldDue(std::size_t) override { return false; }
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

// The whole run (the key's digits prepared, the header, every number) on
// the path given, or on the one chosen for this processor.
void BM_Encode(benchmark::State& state, std::optional<EncodePath> path)
{
    RandomSource random(3);
    KeyTable table;
    GenerateKey(random, table);
    const std::string text = Letter(static_cast<std::size_t>(state.range(0)));
    NoStop hook;
    std::string code;
    (void)ForceEncodePath(path); // every path given runs here
    state.SetLabel(EncodePathName(ChosenEncodePath(CodeCells(table, 4))));
    // One run before the timing puts the code buffer's pages in place: the
    // first touch of fresh memory is slow on some machines (virtual ones
    // above all) and is no part of the encoding.
    EncodeText(text, table, 4, random, hook, code);
    for (auto _ : state) {
        EncodeText(text, table, 4, random, hook, code);
        benchmark::DoNotOptimize(code.data());
    }
    (void)ForceEncodePath(std::nullopt);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// BM_Encode/SIZE is the path chosen for this processor; BM_Encode_PATH/SIZE
// forces one (every path this processor runs, the plain loop among them).
[[maybe_unused]] const bool kRegistered = [] {
    benchmark::RegisterBenchmark("BM_Encode", BM_Encode, std::nullopt)
        ->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond);
    for (const EncodePath path : SupportedEncodePaths())
        benchmark::RegisterBenchmark((std::string("BM_Encode_") + EncodePathName(path)).c_str(), BM_Encode, path)
            ->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
