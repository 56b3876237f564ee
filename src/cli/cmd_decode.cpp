#include "cli_io.h"

#include "core/decoder.h"
#include "core/encoder.h"
#include "core/failure.h"
#include "core/text_file.h"

#include <cstring>
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

constexpr std::size_t kBlock = 1 << 20;

} // namespace

int RunDecode(int argc, char** argv)
{
    std::string keyFile, output, input;
    bool haveInput = false;
    LineBreaks lineBreaks = LineBreaks::CrLf;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--key") {
            if (++i == argc)
                return UsageError(kUsage, "--key needs a file name");
            keyFile = argv[i];
        } else if (arg == "-o" || arg == "--output") {
            if (++i == argc)
                return UsageError(kUsage, "-o needs a file name");
            output = argv[i];
        } else if (arg == "--raw") {
            lineBreaks = LineBreaks::Cr;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(kUsage, "unknown option " + std::string(arg));
        } else if (!haveInput) {
            input = arg;
            haveInput = true;
        } else {
            return UsageError(kUsage, "only one INPUT may be given");
        }
    }
    if (keyFile.empty())
        return UsageError(kUsage, "--key KEYFILE is required");

    auto table = std::make_unique<KeyTable>();
    std::uint8_t codeWidth = 0;
    try {
        const KeyLoadResult loaded = LoadKeyFile(keyFile, *table, codeWidth);
        if (!loaded.ok)
            return Fail(loaded.message);
    } catch (const Failure& failure) {
        return Fail(WithFullStop(failure.what()));
    }
    Decoder decoder(*table, codeWidth, lineBreaks);
    if (!decoder.ok())
        return Fail(decoder.message());

    Input in;
    if (!in.Open(input))
        return Fail(kOpenFailed);
    // Nothing reaches an output file unless the whole code decodes: the file
    // is replaced only by Close, and a failure leaves it as it was.
    Output out;
    if (!out.Open(output))
        return Fail(kSaveFailed);

    const auto buffer = std::make_unique<char[]>(kBlock);
    std::string text(decoder.TextRoom(kBlock), '\0');
    for (;;) {
        const long long n = in.Read(buffer.get(), kBlock);
        if (n < 0)
            return Fail(kOpenFailed);
        if (n == 0)
            break;
        std::string_view code(buffer.get(), static_cast<std::size_t>(n));
        const void* ctrlZ = std::memchr(code.data(), kCtrlZ, code.size());
        if (ctrlZ)
            code = code.substr(0, static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - code.data()));
        std::size_t written = 0;
        const bool good = decoder.Feed(code, text.data(), written);
        out.Write(std::string_view(text.data(), written));
        if (!good)
            return Fail(decoder.message());
        if (ctrlZ)
            break;
    }
    if (!decoder.Finish())
        return Fail(decoder.message());
    if (!out.Close())
        return Fail(kSaveFailed);
    return 0;
}

} // namespace morvane::cli
