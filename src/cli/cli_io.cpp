#include "cli_io.h"

#include "core/failure.h"
#include "core/text_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace morvane::cli {

namespace {

constexpr const char* kStandardInput = "standard input";
constexpr const char* kStandardOutput = "standard output";

bool IsStandardStream(const std::string& name) { return name.empty() || name == "-"; }

#ifdef _WIN32
// A file is told by its volume's serial number and its index on the volume.
std::optional<FileId> IdOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info {};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return FileId{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::optional<FileId> IdOfDescriptor(int fd)
{
    return IdOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

std::optional<FileId> IdOfOutput(const std::string& name)
{
    if (IsStandardStream(name))
        return IdOfDescriptor(1);
    // Opened for no access at all: only to ask which file the name is.
    const HANDLE handle = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const std::optional<FileId> id = IdOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return id;
}
#else
std::optional<FileId> IdOf(int status, const struct stat& st)
{
    if (status != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<FileId> IdOfDescriptor(int fd)
{
    struct stat st {};
    return IdOf(::fstat(fd, &st), st);
}

std::optional<FileId> IdOfOutput(const std::string& name)
{
    if (IsStandardStream(name))
        return IdOfDescriptor(1);
    if (const int fd = DescriptorOfName(name); fd >= 0)
        return IdOfDescriptor(fd);
    struct stat st {};
    return IdOf(::stat(name.c_str(), &st), st);
}
#endif

#ifndef _WIN32
extern "C" void OnInterrupt(int signal)
{
    RemovePendingTemporaryFiles();
    ::_exit(128 + signal);
}
#endif

} // namespace

std::optional<std::uint32_t> ParseSeed(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

int Fail(std::string_view name, std::string_view cause)
{
    std::fprintf(stderr, "morvane-cli: %.*s: %.*s\n", static_cast<int>(name.size()), name.data(),
                 static_cast<int>(cause.size()), cause.data());
    return kExitFailure;
}

int FailWithError(std::string_view name, int error)
{
    return Fail(name, std::strerror(error));
}

int UsageError(std::string_view usage, std::string_view problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "morvane-cli: %.*s\n", static_cast<int>(problem.size()), problem.data());
    std::fprintf(stderr, "%.*s", static_cast<int>(usage.size()), usage.data());
    return kExitUsage;
}

void RemoveTemporaryFilesOnInterrupt()
{
#ifndef _WIN32
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
#endif
}

RandomSource SeededRandom(const Options& options)
{
    RandomSource random;
    if (options.seed)
        random.RandomState = *options.seed;
    else
        SeedRandom(random, std::chrono::system_clock::now());
    return random;
}

std::optional<int> ParseOptions(int argc, char** argv, std::string_view usage, unsigned takes, Options& options)
{
    const char* const fileName = takes & kTakesKey ? "INPUT" : "KEYFILE";
    bool haveFile = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string& to) {
            if (++i == argc)
                return false;
            to = argv[i];
            return true;
        };
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (haveFile)
                return UsageError(usage, std::string("only one ") + fileName + " may be given");
            options.file = arg;
            haveFile = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            return 0;
        } else if (takes & kTakesKey && arg == "--key") {
            if (!value(options.keyFile))
                return UsageError(usage, "--key needs a file name");
        } else if (takes & kTakesOutput && (arg == "-o" || arg == "--output")) {
            if (!value(options.output))
                return UsageError(usage, "-o needs a file name");
        } else if (takes & kTakesSeed && arg == "--seed") {
            if (++i == argc || !(options.seed = ParseSeed(argv[i])))
                return UsageError(usage, "--seed takes a number from 0 to 4294967295");
        } else if (takes & kTakesRaw && arg == "--raw") {
            options.raw = true;
        } else if (takes & kTakesForce && arg == "--force") {
            options.force = true;
        } else {
            return UsageError(usage, "unknown option " + std::string(arg));
        }
    }
    if (takes & kTakesKey && options.keyFile.empty())
        return UsageError(usage, "--key KEYFILE is required");
    return std::nullopt;
}

Input::~Input()
{
    if (owned_)
        ::close(fd_);
}

bool Input::Open(const std::string& name)
{
    name_ = IsStandardStream(name) ? kStandardInput : name;
    int fd = IsStandardStream(name) ? 0 : DescriptorOfName(name);
    if (fd < 0) {
#ifdef _WIN32
        fd = ::_open(name.c_str(), _O_RDONLY | _O_BINARY);
#else
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
#endif
        owned_ = fd >= 0;
    }
#ifdef _WIN32
    if (fd == 0)
        ::_setmode(0, _O_BINARY);
#endif
    fd_ = fd;
    error_ = fd < 0 ? errno : 0;
    return fd >= 0;
}

long long Input::Read(char* buffer, std::size_t size)
{
    for (;;) {
#ifdef _WIN32
        const long long n = ::_read(fd_, buffer, static_cast<unsigned>(size));
#else
        const long long n = ::read(fd_, buffer, size);
#endif
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            error_ = errno;
            return -1;
        }
    }
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

std::optional<FileId> Input::id() const
{
    return IdOfDescriptor(fd_);
}

namespace {

std::optional<int> LoadKey(const std::string& keyFile, StreamRun& run, std::optional<FileId>& keyId)
{
    Input in;
    if (!in.Open(keyFile))
        return FailWithError(in.name(), in.error());
    keyId = in.id();
    std::string bytes;
    const bool read = in.ReadText([&](std::string_view block) {
        bytes.append(block.substr(0, kMostKeyFileBytes - bytes.size()));
        return bytes.size() < kMostKeyFileBytes;
    });
    if (!read)
        return FailWithError(in.name(), in.error());
    try {
        const KeyLoadResult loaded = ParseKeyFile(bytes, run.table, run.codeWidth);
        if (!loaded.ok)
            return Fail(in.name(), loaded.message);
    } catch (const Failure& failure) {
        return Fail(in.name(), WithFullStop(failure.what()));
    }
    return std::nullopt;
}

} // namespace

std::string OutputName(const std::string& name)
{
    return IsStandardStream(name) ? kStandardOutput : name;
}

std::optional<int> StartStreamRun(const Options& options, StreamRun& run)
{
    std::optional<FileId> keyId;
    if (const auto status = LoadKey(options.keyFile, run, keyId))
        return status;
    if (!run.in.Open(options.file))
        return FailWithError(run.in.name(), run.in.error());

    const std::string& name = options.output;
    const std::optional<FileId> outputId = IdOfOutput(name);
    if (outputId && outputId == keyId)
        return Fail(OutputName(name), "the output is the key file, which it would destroy");
    if (outputId && outputId == run.in.id())
        return Fail(OutputName(name), "the output is the input file, which it would destroy");
#ifdef _WIN32
    if (IsStandardStream(name))
        ::_setmode(1, _O_BINARY);
#endif
    WriteOptions writeOptions;
    writeOptions.streamsInPlace = true;
    if (!(IsStandardStream(name) ? run.out.OpenDescriptor(1) : run.out.Open(name, writeOptions)))
        return FailWithError(OutputName(name), run.out.error());
    return std::nullopt;
}

} // namespace morvane::cli
