#include "cli_io.h"

#include "system.h"

#include "core/failure.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

namespace morvane::cli {

namespace {

constexpr const char* kStandardInput = "standard input";
constexpr const char* kStandardOutput = "standard output";

bool IsStandardStream(const std::string& name) { return name.empty() || name == "-"; }

std::string OutputName(const std::string& name) { return IsStandardStream(name) ? kStandardOutput : name; }

// Each slot holds a writer's temporary name while the writer keeps that string unchanged.
class Pending : public io::TemporaryFiles {
public:
    void Add(const char* name) override
    {
        for (auto& slot : slots_) {
            const char* empty = nullptr;
            if (slot.compare_exchange_strong(empty, name))
                return;
        }
    }
    void Remove(const char* name) override
    {
        for (auto& slot : slots_) {
            const char* expected = name;
            slot.compare_exchange_strong(expected, nullptr);
        }
    }
    void RemoveFiles()
    {
        for (auto& slot : slots_)
            if (const char* name = slot.load())
                RemoveFileInHandler(name);
    }

private:
    std::atomic<const char*> slots_[8] = {};
};

Pending pending;
std::atomic<bool> holding{false};
std::atomic<int> heldSignal{0};

// The descriptor a stream's name stands for ("" and "-": the standard one), or -1.
int DescriptorOf(const std::string& name, int standard)
{
    return IsStandardStream(name) ? standard : DescriptorOfName(name);
}

std::optional<int> LoadKey(const std::string& keyFile, StreamRun& run, std::optional<io::FileId>& keyId)
{
    Input in;
    if (!in.Open(keyFile))
        return FailWithError(in.name, in.file.error());
    keyId = in.file.id();
    std::string bytes;
    const bool read = in.ReadText([&](std::string_view block) {
        bytes.append(block.substr(0, kMostKeyFileBytes - bytes.size()));
        return bytes.size() < kMostKeyFileBytes;
    });
    if (!read)
        return FailWithError(in.name, in.file.error());
    try {
        const KeyLoadResult loaded = ParseKeyFile(bytes, run.table, run.codeWidth);
        if (!loaded.ok)
            return Fail(in.name, loaded.message);
    } catch (const Failure& failure) {
        return Fail(in.name, WithFullStop(failure.what()));
    }
    return std::nullopt;
}

} // namespace

io::TemporaryFiles& PendingTemporaryFiles() { return pending; }

void Interrupted(int signal)
{
    if (holding.load()) {
        heldSignal.store(signal);
        return;
    }
    pending.RemoveFiles();
    ExitInHandler(128 + signal);
}

namespace {
bool closedAtStart[3] = {};
}

void GuardStandardDescriptors()
{
    for (int fd = 0; fd < 3; ++fd) {
        closedAtStart[fd] = IsClosed(fd);
        if (closedAtStart[fd])
            OpenNullDeviceAs(fd);
    }
}

bool ClosedAtStart(int fd) { return fd >= 0 && fd < 3 && closedAtStart[fd]; }

HeldSignals::HeldSignals() { holding.store(true); }

void HeldSignals::Release()
{
    holding.store(false);
    if (const int signal = heldSignal.exchange(0))
        Interrupted(signal);
}

std::string Quoted(std::string_view name)
{
    const auto control = [](unsigned char c) { return c < 0x20 || c == 0x7f; };
    if (std::none_of(name.begin(), name.end(), control))
        return std::string(name);
    std::string out = "$'";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\t' || c == '\r')
            out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
        else if (c == '\\' || c == '\'')
            out += std::string("\\") + c;
        else if (control(byte))
            out += {'\\', static_cast<char>('0' + (byte >> 6)), static_cast<char>('0' + ((byte >> 3) & 7)),
                    static_cast<char>('0' + (byte & 7))};
        else
            out += c;
    }
    return out + "'";
}

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
    const std::string shown = Quoted(name);
    std::fprintf(stderr, "morvane-cli: %s: %.*s\n", shown.c_str(), static_cast<int>(cause.size()), cause.data());
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
            return UsageError(usage, "unknown option " + Quoted(arg));
        }
    }
    if (takes & kTakesKey && options.keyFile.empty())
        return UsageError(usage, "--key KEYFILE is required");
    return std::nullopt;
}

bool Input::Open(const std::string& fileName)
{
    name = IsStandardStream(fileName) ? kStandardInput : fileName;
    const int fd = DescriptorOf(fileName, 0);
    if (fd < 0)
        return file.Open(fileName, io::InputFile::Accept::Anything);
    file.Adopt(fd);
    return true;
}

bool Input::ReadText(const std::function<bool(std::string_view)>& take)
{
    const auto buffer = std::make_unique<char[]>(kReadBlock);
    for (;;) {
        const long long n = file.Read(buffer.get(), kReadBlock);
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

int OpenOutput(const std::string& name, io::AtomicFileWriter& out, io::WriteOptions options)
{
    const int fd = DescriptorOf(name, 1);
    if (ClosedAtStart(fd))
        return EBADF;
    options.streamsInPlace = true;
    options.whenFolderRefuses = io::FolderRefuses::WriteInPlace;
    options.temporaries = &pending;
    const bool opened = fd >= 0 ? out.OpenDescriptor(fd) : out.Open(name, options);
    return opened ? 0 : out.error();
}

std::optional<int> StartStreamRun(int argc, char** argv, std::string_view usage, unsigned takes, StreamRun& run)
{
    const Options& options = run.options;
    if (const auto status = ParseOptions(argc, argv, usage, takes, run.options))
        return status;
    // The key reader would take the text as well.
    if (const int fd = DescriptorOf(options.keyFile, 0); fd >= 0 && fd == DescriptorOf(options.file, 0))
        return UsageError(usage, fd == 0 ? "the key and the input cannot both come from standard input"
                                         : "the key and the input cannot both come from one stream");
    // A closed standard stream is reported before any file is opened.
    const std::string& name = options.output;
    if (ClosedAtStart(DescriptorOf(name, 1)))
        return FailWithError(OutputName(name), EBADF);
    for (const std::string* input : {&options.keyFile, &options.file})
        if (ClosedAtStart(DescriptorOf(*input, 0)))
            return FailWithError(IsStandardStream(*input) ? kStandardInput : *input, EBADF);
    std::optional<io::FileId> keyId;
    if (const auto status = LoadKey(options.keyFile, run, keyId))
        return status;
    if (!run.in.Open(options.file))
        return FailWithError(run.in.name, run.in.file.error());

    const int fd = DescriptorOf(name, 1);
    const std::optional<io::FileId> outputId = fd >= 0 ? io::IdOfDescriptor(fd) : io::IdOfName(name);
    if (outputId && outputId == keyId)
        return Fail(OutputName(name), "the output is the key file, which it would destroy");
    if (outputId && outputId == run.in.file.id())
        return Fail(OutputName(name), "the output is the input file, which it would destroy");
    if (const int error = OpenOutput(name, run.out, {}))
        return FailWithError(OutputName(name), error);
    return std::nullopt;
}

int RunStreamCommand(int argc, char** argv, std::string_view usage, unsigned takes,
                     const std::function<int(StreamRun& run)>& body)
{
    const auto run = std::make_unique<StreamRun>();
    if (const auto status = StartStreamRun(argc, argv, usage, takes, *run))
        return *status;
    return body(*run);
}

int RunStream(StreamRun& run, const Conversion& conversion)
{
    const Options& options = run.options;
    bool writeFailed = false;
    const WriteBytes write = [&](std::string_view bytes) { return run.out.Write(bytes) || !(writeFailed = true); };
    bool faulty = false;
    const bool read = run.in.ReadText([&](std::string_view block) {
        if (conversion.convert(block, write))
            return true;
        faulty = !writeFailed;
        return false;
    });
    if (writeFailed)
        return FailWithError(OutputName(options.output), run.out.error());
    if (!read)
        return FailWithError(run.in.name, run.in.file.error());
    if (faulty || !conversion.finish())
        return Fail(run.in.name, conversion.fault());
    HeldSignals held;
    if (!run.out.Commit()) {
        held.Release();
        return FailWithError(OutputName(options.output), run.out.error());
    }
    return 0;
}

} // namespace morvane::cli
