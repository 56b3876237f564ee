#include "cli_io.h"
#include "usage.h"

#include "core/decoder.h"

#include <memory>

namespace morvane::cli {

// Nothing reaches an output file unless the whole code decodes: the file is
// replaced only by Commit, and a failure leaves it as it was.
int RunDecode(int argc, char** argv)
{
    return RunStreamCommand(argc, argv, kDecodeUsage, kTakesKey | kTakesOutput | kTakesRaw, [](StreamRun& run) {
        Decoder decoder(run.table, run.codeWidth, run.options.raw ? LineBreaks::Cr : LineBreaks::CrLf);
        if (!decoder.ok())
            return Fail(run.options.keyFile, decoder.message());
        std::string text(decoder.TextRoom(kReadBlock), '\0');
        return RunStream(run, {[&](std::string_view code, const WriteBytes& write) {
                                   std::size_t written = 0;
                                   const bool decoded = decoder.Feed(code, text.data(), written);
                                   return write(std::string_view(text.data(), written)) && decoded;
                               },
                               [&] { return decoder.Finish(); }, [&] { return decoder.message(); }});
    });
}

} // namespace morvane::cli
