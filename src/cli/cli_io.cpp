#include "cli_io.h"

#include "core/text_file.h"

#include <cstdio>
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
    toFile_ = !(name.empty() || name == "-");
    if (!toFile_) {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        return true;
    }
    return file_.Open(name);
}

void Output::Write(std::string_view bytes)
{
    if (toFile_) {
        file_.Write(bytes);
    } else if (!failed_ && !bytes.empty()) {
        failed_ = std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size();
    }
}

bool Output::Close()
{
    if (toFile_)
        return file_.Commit();
    return std::fflush(stdout) == 0 && !failed_;
}

} // namespace morvane::cli
