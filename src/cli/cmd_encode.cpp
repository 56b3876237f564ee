#include "cli_io.h"
#include "usage.h"

#include "core/encoder.h"

#include <memory>

namespace morvane::cli {

int RunEncode(int argc, char** argv)
{
    return RunStreamCommand(argc, argv, kEncodeUsage, kTakesKey | kTakesOutput | kTakesSeed, [](StreamRun& run) {
        RandomSource random = SeededRandom(run.options);
        // The header goes before the first character; an empty text gives
        // an empty code. Each block is encoded and written a quarter at a
        // time, so that the code stays in the processor's caches.
        constexpr std::size_t kSlice = kReadBlock / 4;
        const auto encoder = std::make_unique<Encoder>(run.table, run.codeWidth);
        std::string code;
        bool started = false;
        return RunStream(run, {[&](std::string_view text, const WriteBytes& write) {
            for (std::size_t at = 0; at < text.size(); at += kSlice) {
                code.clear();
                if (!started) {
                    code = encoder->Header();
                    started = true;
                }
                encoder->EncodeChunk(text.substr(at, kSlice), random, code);
                if (!write(code))
                    return false;
            }
            return true;
        }});
    });
}

} // namespace morvane::cli
