#include "cli_io.h"

#include "core/decoder.h"
#include "core/encoder.h"
#include "core/text_file.h"

#include <memory>

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: morvane-cli decode --key KEYFILE [--raw] [-o OUTPUT] [INPUT]\n"
    "\n"
    "Decodes the code in INPUT (a file; standard input when absent or '-') with\n"
    "the key in KEYFILE and writes the text to OUTPUT or standard output.\n"
    "The input ends at its first Ctrl-Z byte; spaces and line breaks in the code\n"
    "are skipped. Line breaks come out as CR LF.\n"
    "\n"
    "  --key KEYFILE  the key file the code was made with\n"
    "  --raw          write each line break as the CR alone, as it is in the code\n"
    "  -o OUTPUT      write the text to OUTPUT, replacing it as a whole\n";

} // namespace

int RunDecode(int argc, char** argv)
{
    StreamOptions options;
    if (const auto status = ParseStreamOptions(argc, argv, kUsage, false, true, options))
        return *status;

    auto table = std::make_unique<KeyTable>();
    std::uint8_t codeWidth = 0;
    if (const auto status = LoadKey(options.keyFile, *table, codeWidth))
        return *status;
    Decoder decoder(*table, codeWidth, options.raw ? LineBreaks::Cr : LineBreaks::CrLf);
    if (!decoder.ok())
        return Fail(decoder.message());

    Input in;
    if (!in.Open(options.input))
        return Fail(kOpenFailed);
    // Nothing reaches an output file unless the whole code decodes: the file
    // is replaced only by Close, and a failure leaves it as it was.
    Output out;
    if (!out.Open(options.output))
        return Fail(kSaveFailed);

    std::string text(decoder.TextRoom(kReadBlock), '\0');
    bool good = true;
    const bool read = in.ReadText([&](std::string_view code) {
        std::size_t written = 0;
        good = decoder.Feed(code, text.data(), written);
        out.Write(std::string_view(text.data(), written));
        return good;
    });
    if (!read)
        return Fail(kOpenFailed);
    if (!good || !decoder.Finish())
        return Fail(decoder.message());
    if (!out.Close())
        return Fail(kSaveFailed);
    return 0;
}

} // namespace morvane::cli
