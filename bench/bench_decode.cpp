// Decoding throughput: codes of 1 MiB and 64 MiB made with a generated key,
// decoded in blocks of 1 MiB as morvane-cli decode reads them.
#include "core/decoder.h"
#include "core/encoder.h"
#include "core/key_generator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

using namespace morvane;

constexpr std::size_t kBlock = 1 << 20;

struct Fixture {
    KeyTable key;
    std::string code;
};

// A code of about codeBytes characters for a text of letters, spaces and
// CR LF line breaks.
std::unique_ptr<Fixture> MakeFixture(std::size_t codeBytes)
{
    auto fixture = std::make_unique<Fixture>();
    RandomSource random(12345);
    GenerateKey(random, fixture->key);
    std::string text;
    text.reserve(codeBytes / 4);
    while (text.size() + 2 < codeBytes / 4) {
        const std::uint32_t pick = random.RandomBelow(64);
        if (pick == 0)
            text += "\r\n";
        else
            text += static_cast<char>(pick < 12 ? ' ' : 'a' + static_cast<char>(pick % 26));
    }
    const Encoder encoder(fixture->key, 4);
    fixture->code = encoder.Header();
    fixture->code.reserve(codeBytes + 8);
    encoder.EncodeChunk(text, random, fixture->code);
    return fixture;
}

void BM_Decode(benchmark::State& state)
{
    static const auto small = MakeFixture(std::size_t{1} << 20);
    static const auto large = MakeFixture(std::size_t{64} << 20);
    const Fixture& fixture = state.range(0) == 1 ? *small : *large;
    std::string text;
    std::size_t characters = 0;
    for (auto _ : state) {
        Decoder decoder(fixture.key, 4);
        text.resize(decoder.TextRoom(kBlock));
        std::string_view code = fixture.code;
        characters = 0;
        while (!code.empty()) {
            const std::size_t n = std::min(code.size(), kBlock);
            std::size_t written = 0;
            if (!decoder.Feed(code.substr(0, n), text.data(), written))
                state.SkipWithError("decoding failed");
            benchmark::DoNotOptimize(text.data());
            characters += written;
            code.remove_prefix(n);
        }
        if (!decoder.Finish())
            state.SkipWithError("decoding failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fixture.code.size()));
    // Characters of text per second, to set beside the encoder's figure.
    state.counters["characters"] = benchmark::Counter(static_cast<double>(characters),
                                                      benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(state.range(0) == 1 ? "1 MiB code" : "64 MiB code");
}
BENCHMARK(BM_Decode)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);

} // namespace

