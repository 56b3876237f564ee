#include "cli_io.h"

#include "core/failure.h"
#include "core/text_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace morvane::cli {

std::optional<std::uint32_t> ParseSeed(std::string_view text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

int Fail(std::string_view message)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return kExitFailure;
}

int UsageError(std::string_view usage, std::string_view problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "morvane-cli: %.*s\n", static_cast<int>(problem.size()), problem.data());
    std::fprintf(stderr, "%.*s", static_cast<int>(usage.size()), usage.data());
    return kExitUsage;
}

std::optional<int> ParseStreamOptions(int argc, char** argv, std::string_view usage, bool takesSeed,
                                      bool takesRaw, StreamOptions& options)
{
    bool haveInput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            return 0;
        }
        if (arg == "--key") {
            if (++i == argc)
                return UsageError(usage, "--key needs a file name");
            options.keyFile = argv[i];
        } else if (arg == "-o" || arg == "--output") {
            if (++i == argc)
                return UsageError(usage, "-o needs a file name");
            options.output = argv[i];
        } else if (takesSeed && arg == "--seed") {
            if (++i == argc || !(options.seed = ParseSeed(argv[i])))
                return UsageError(usage, "--seed takes a number from 0 to 4294967295");
        } else if (takesRaw && arg == "--raw") {
            options.raw = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(usage, "unknown option " + std::string(arg));
        } else if (!haveInput) {
            options.input = arg;
            haveInput = true;
        } else {
            return UsageError(usage, "only one INPUT may be given");
        }
    }
    if (options.keyFile.empty())
        return UsageError(usage, "--key KEYFILE is required");
    return std::nullopt;
}

std::optional<int> LoadKey(const std::string& keyFile, KeyTable& table, std::uint8_t& codeWidth)
{
    try {
        const KeyLoadResult loaded = LoadKeyFile(keyFile, table, codeWidth);
        if (!loaded.ok)
            return Fail(loaded.message);
    } catch (const Failure& failure) {
        return Fail(WithFullStop(failure.what()));
    }
    return std::nullopt;
}

bool Input::ReadText(const std::function<bool(std::string_view)>& take)
{
    const auto buffer = std::make_unique<char[]>(kReadBlock);
    for (;;) {
        const long long n = Read(buffer.get(), kReadBlock);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        std::string_view text(buffer.get(), static_cast<std::size_t>(n));
        const void* ctrlZ = std::memchr(text.data(), kCtrlZ, text.size());
        if (ctrlZ)
            text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - text.data()));
        if (!take(text) || ctrlZ)
            return true;
    }
}

bool Input::Open(const std::string& name)
{
    if (name.empty() || name == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        file_ = stdin;
        return true;
    }
    if (!IsRegularFile(name))
        return false;
    file_ = std::fopen(name.c_str(), "rb");
    owned_ = file_ != nullptr;
    return owned_;
}

long long Input::Read(char* buffer, std::size_t size)
{
    const std::size_t n = std::fread(buffer, 1, size, file_);
    if (n == 0 && std::ferror(file_))
        return -1;
    return static_cast<long long>(n);
}

Input::~Input()
{
    if (owned_)
        std::fclose(file_);
}

bool Output::Open(const std::string& name)
{
    if (name.empty() || name == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        stream_ = stdout;
        return true;
    }
    std::error_code error;
    const auto status = std::filesystem::status(name, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
        !std::filesystem::is_directory(status)) {
        stream_ = std::fopen(name.c_str(), "wb");
        owned_ = stream_ != nullptr;
        return owned_;
    }
    return file_.Open(name);
}

void Output::Write(std::string_view bytes)
{
    if (!stream_) {
        file_.Write(bytes);
    } else if (!failed_ && !bytes.empty()) {
        failed_ = std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size();
    }
}

bool Output::Close()
{
    if (!stream_)
        return file_.Commit();
    bool ok = std::fflush(stream_) == 0 && !failed_;
    if (owned_)
        ok = std::fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    owned_ = false;
    return ok;
}

Output::~Output()
{
    if (owned_)
        std::fclose(stream_);
}

} // namespace morvane::cli
