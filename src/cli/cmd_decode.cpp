#include "cli_io.h"

#include "core/decoder.h"

#include <memory>

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: morvane-cli decode --key KEYFILE [--raw] [-o OUTPUT] [--] [INPUT]\n"
    "\n"
    "Decodes the code in INPUT (standard input when absent or '-') with the key\n"
    "in KEYFILE and writes the text to OUTPUT or standard output. INPUT and\n"
    "KEYFILE may be any readable file or stream. The input ends at its first\n"
    "Ctrl-Z byte; spaces and line breaks in the code are skipped. Line breaks\n"
    "come out as CR LF.\n"
    "\n"
    "  --key KEYFILE  the key file the code was made with\n"
    "  --raw          write each line break as the CR alone, as it is in the code\n"
    "  -o OUTPUT      write the text to OUTPUT, replacing it as a whole only when the\n"
    "                 whole code decodes; a device, a pipe or /dev/stdout is written into\n"
    "  --             end of the options\n";

} // namespace

int RunDecode(int argc, char** argv)
{
    // Nothing reaches an output file unless the whole code decodes: the file
    // is replaced only by Commit, and a failure leaves it as it was.
    const auto run = std::make_unique<StreamRun>();
    if (const auto status = StartStreamRun(argc, argv, kUsage, kTakesKey | kTakesOutput | kTakesRaw, *run))
        return *status;
    const Options& options = run->options;
    Decoder decoder(run->table, run->codeWidth, options.raw ? LineBreaks::Cr : LineBreaks::CrLf);
    if (!decoder.ok())
        return Fail(options.keyFile, decoder.message());

    std::string text(decoder.TextRoom(kReadBlock), '\0');
    return RunStream(*run,
                     {[&](std::string_view code, const WriteBytes& write) {
                          std::size_t written = 0;
                          const bool decoded = decoder.Feed(code, text.data(), written);
                          return write(std::string_view(text.data(), written)) && decoded;
                      },
                      [&] { return decoder.Finish(); }, [&] { return decoder.message(); }});
}

} // namespace morvane::cli
