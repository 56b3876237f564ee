// morvane-cli run as a user runs it, from bash, on real files.
#include "core/encoder.h"
#include "core/key_table.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace morvane;
using morvane::testing::ReadBytes;
using morvane::testing::TempDir;
using morvane::testing::WriteBytes;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a bash script in the folder, with $cli naming morvane-cli.
Outcome Bash(const TempDir& dir, const std::string& script)
{
    WriteBytes(dir / ".script", "cli='" + std::string(MORVANE_CLI) + "'\n" + script);
    const std::string command = "cd '" + dir.path() + "' && bash .script >.out 2>.err </dev/null";
    Outcome run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadBytes(dir / ".out");
    run.err = ReadBytes(dir / ".err");
    return run;
}

class NoYield : public EncodeHook {
    bool Yield(std::size_t) override { return true; }
};

std::string EncodeInProcess(const std::string& keyFile, std::string_view text, std::uint32_t seed)
{
    KeyTable table;
    std::uint8_t width = 0;
    EXPECT_TRUE(LoadKeyFile(keyFile, table, width).ok);
    RandomSource random(seed);
    NoYield hook;
    std::string code;
    EncodeText(text, table, width, random, hook, code);
    return code;
}

mode_t ModeOf(const std::string& name)
{
    struct stat st {};
    ::stat(name.c_str(), &st);
    return st.st_mode & 07777;
}

// Temporary files left behind in the folder.
std::vector<std::string> Leftovers(const TempDir& dir)
{
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.' && name != ".script" && name != ".out" && name != ".err")
            left.push_back(name);
    }
    return left;
}

} // namespace

TEST(CliKeygen, WritesPrivateKeysAndNeverReplacesOneUnasked)
{
    TempDir dir;
    Outcome run = Bash(dir, "\"$cli\" keygen --seed 0 k.key");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bytes = ReadBytes(dir / "k.key");
    EXPECT_EQ(bytes.size(), 31644u);
    EXPECT_EQ(bytes.substr(0, 20), "01141000128287482823");
    EXPECT_EQ(ModeOf(dir / "k.key"), 0600u) << "a new key is private";

    run = Bash(dir, "\"$cli\" keygen --seed 1 k.key");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "morvane-cli: k.key: the key file exists already; use --force to replace it\n");
    EXPECT_EQ(ReadBytes(dir / "k.key"), bytes) << "the existing key is untouched";

    ::chmod((dir / "k.key").c_str(), 0640);
    ASSERT_EQ(Bash(dir, "\"$cli\" keygen --seed 1 --force k.key").status, 0);
    EXPECT_NE(ReadBytes(dir / "k.key"), bytes);
    EXPECT_EQ(ModeOf(dir / "k.key"), 0640u) << "a replaced key keeps its mode";

    // Leading zeros in a seed; "--" before a name that starts with a dash.
    ASSERT_EQ(Bash(dir, "\"$cli\" keygen --seed 000000000000000000000 -- -zero.key").status, 0);
    EXPECT_EQ(ReadBytes(dir / "-zero.key").substr(0, 20), "01141000128287482823");

    EXPECT_EQ(Bash(dir, "\"$cli\" keygen no/such/dir.key").err,
              "morvane-cli: no/such/dir.key: No such file or directory\n");

    // Two keygens racing for one name: exactly one wins, every time.
    run = Bash(dir, "for i in $(seq 20); do\n"
                    "  \"$cli\" keygen race$i.key 2>/dev/null & \"$cli\" keygen race$i.key 2>/dev/null & \n"
                    "  wait -n; a=$?; wait -n; b=$?; echo $((a + b))\n"
                    "done");
    std::string ones;
    for (int i = 0; i < 20; ++i)
        ones += "1\n";
    EXPECT_EQ(run.out, ones) << "one success and one refusal in each round";
    EXPECT_TRUE(Leftovers(dir).empty());
}

TEST(CliUsage, UsageErrorsExitTwoAndHelpExitsZero)
{
    TempDir dir;
    for (const char* arguments : {"", "frobnicate", "keygen", "keygen -", "keygen --seed 4294967296 x.key",
                                  "keygen --seed -1 x.key", "keygen --seed 1x x.key", "encode in.txt",
                                  "encode --key", "decode --key k.key a b"})
        EXPECT_EQ(Bash(dir, std::string("\"$cli\" ") + arguments).status, 2) << arguments;
    EXPECT_FALSE(std::filesystem::exists(dir / "-")) << "keygen - writes no file named '-'";
    for (const char* command : {"--help", "keygen --help", "encode --help", "decode --help"}) {
        const Outcome run = Bash(dir, std::string("\"$cli\" ") + command);
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_NE(run.out.find("usage:"), std::string::npos) << command;
    }
}

TEST(CliEncode, SameCodeAsTheEngineFromAnyStreamIntoAnyOutput)
{
    TempDir dir;
    ASSERT_EQ(Bash(dir, "\"$cli\" keygen --seed 9 k.key").status, 0);
    std::string text;
    for (int i = 0; i < (3 << 20) + 77; ++i)
        text += static_cast<char>(i % 251 == 26 ? 'z' : i % 251);
    WriteBytes(dir / "in.txt", text);
    const std::string expected = EncodeInProcess(dir / "k.key", text, 1234);

    // Files, standard input, named pipes and process substitution alike.
    for (const char* source : {"in.txt", "- < in.txt", "/dev/stdin < in.txt", "<(cat in.txt)",
                               "fifo & cat in.txt > fifo; wait $!"}) {
        const Outcome run = Bash(dir, std::string("rm -f fifo; mkfifo fifo\n") +
                                      "\"$cli\" encode --key k.key --seed 1234 " + source);
        ASSERT_EQ(run.status, 0) << source << ": " << run.err;
        EXPECT_TRUE(run.out == expected) << source;
    }
    ASSERT_EQ(Bash(dir, "\"$cli\" encode --key k.key --seed 1234 -o out.etx in.txt").status, 0);
    EXPECT_TRUE(ReadBytes(dir / "out.etx") == expected);

    // Names of open streams are written into in place: the lines around the
    // code stay, and an appended file keeps what it had.
    WriteBytes(dir / "short.txt", "Hi");
    const std::string hi = EncodeInProcess(dir / "k.key", "Hi", 5);
    for (const char* target : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1", "/dev/stderr 2>&1"}) {
        const Outcome run = Bash(dir, std::string("echo old > log.txt\n") +
                                      "{ echo header; \"$cli\" encode --key k.key --seed 5 -o " + target +
                                      " short.txt; echo footer; } >> log.txt && cat log.txt");
        EXPECT_EQ(run.out, "old\nheader\n" + hi + "footer\n") << target;
    }
    ASSERT_EQ(Bash(dir, "mkfifo pipe; cat pipe > got & \"$cli\" encode --key k.key --seed 5 -o pipe short.txt; wait")
                  .status, 0);
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "pipe"));
    EXPECT_EQ(ReadBytes(dir / "got"), hi);

    // An output name as long as a name can be.
    const std::string longest(255, 'n');
    ASSERT_EQ(Bash(dir, "\"$cli\" encode --key k.key --seed 5 -o " + longest + " short.txt").status, 0);
    EXPECT_EQ(ReadBytes(dir / longest), hi);

    EXPECT_EQ(Bash(dir, "printf 'AB\\032CD' | \"$cli\" encode --key k.key --seed 5").out,
              EncodeInProcess(dir / "k.key", "AB", 5)) << "the first Ctrl-Z ends the text";
    EXPECT_EQ(Bash(dir, "\"$cli\" encode --key k.key < /dev/null").out, "") << "an empty text gives an empty code";
    EXPECT_TRUE(Leftovers(dir).empty());
}

TEST(CliEncode, FailuresNameTheFileAndTheCauseAndLeaveTheOutputAlone)
{
    TempDir dir;
    ASSERT_EQ(Bash(dir, "\"$cli\" keygen --seed 2 k.key && head -c 100 k.key > short.key && "
                        "{ printf 011q; tail -c +5 k.key; } > bad.key && mkdir folder && echo text > t.txt")
                  .status, 0);
    const std::string key = ReadBytes(dir / "k.key");
    WriteBytes(dir / "out.etx", "old code");
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"--key missing.key -o out.etx t.txt", "missing.key: No such file or directory"},
        {"--key bad.key -o out.etx t.txt", "bad.key: 'q' is not a valid integer value."},
        {"--key short.key -o out.etx t.txt", "short.key: The key file could not be read correctly."},
        {"--key folder -o out.etx t.txt", "folder: Is a directory"},
        {"--key k.key -o out.etx missing.txt", "missing.txt: No such file or directory"},
        {"--key k.key -o out.etx folder", "folder: Is a directory"},
        {"--key k.key -o no/dir/out.etx t.txt", "no/dir/out.etx: No such file or directory"},
        {"--key k.key -o folder t.txt", "folder: Is a directory"},
        {"--key k.key -o k.key t.txt", "k.key: the output is the key file, which it would destroy"},
        {"--key k.key -o t.txt t.txt", "t.txt: the output is the input file, which it would destroy"},
        {"--key k.key t.txt >> t.txt", "standard output: the output is the input file, which it would destroy"},
    };
    for (const auto& c : cases) {
        const Outcome run = Bash(dir, std::string("\"$cli\" encode ") + c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments;
        EXPECT_EQ(run.err, "morvane-cli: " + std::string(c.message) + "\n") << c.arguments;
    }
    EXPECT_EQ(ReadBytes(dir / "out.etx"), "old code");
    EXPECT_EQ(ReadBytes(dir / "k.key"), key);
    EXPECT_EQ(ReadBytes(dir / "t.txt"), "text\n");

    // With SIGPIPE ignored, a closed output ends an endless run at once.
    const Outcome run = Bash(dir, "trap '' PIPE; yes | timeout 60 \"$cli\" encode --key k.key | head -c 4; "
                              "echo \" ${PIPESTATUS[1]}\"");
    EXPECT_EQ(run.out, "0114 1\n");
    EXPECT_NE(run.err.find("morvane-cli: standard output: Broken pipe"), std::string::npos) << run.err;
}

TEST(CliEncode, AsAPlainUserWritesExactlyWhereAPlainProgramMay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    ASSERT_EQ(Bash(dir, "\"$cli\" keygen --seed 3 k.key && chmod 644 k.key && echo text > t.txt && "
                        "echo protected > ro.etx && chmod 444 ro.etx && mkdir locked && "
                        "echo mine > locked/mine.etx && chown 65534:65534 locked/mine.etx && chmod 555 locked")
                  .status, 0);
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups \"$cli\" encode --key k.key ";

    // Another user's write-protected file in a folder anyone may write to.
    Outcome run = Bash(dir, asNobody + "-o ro.etx t.txt");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "morvane-cli: ro.etx: Permission denied\n");
    EXPECT_EQ(ReadBytes(dir / "ro.etx"), "protected\n");

    // One's own file in a folder that takes no new file is written in place.
    run = Bash(dir, asNobody + "--seed 8 -o locked/mine.etx t.txt");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir / "locked/mine.etx"), EncodeInProcess(dir / "k.key", "text\n", 8));
}

TEST(CliEncode, InterruptionRemovesTheTemporaryFileAndKeepsTheTarget)
{
    TempDir dir;
    ASSERT_EQ(Bash(dir, "\"$cli\" keygen k.key").status, 0);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        WriteBytes(dir / "out.etx", "old code");
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(input[0], 0);
            ::close(input[1]);
            for (const int s : {SIGINT, SIGTERM, SIGHUP})
                std::signal(s, SIG_DFL); // a background job's SIGINT is ignored
            ::execl(MORVANE_CLI, MORVANE_CLI, "encode", "--key", (dir / "k.key").c_str(), "-o",
                    (dir / "out.etx").c_str(), nullptr);
            ::_exit(127);
        }
        ::close(input[0]);
        ASSERT_EQ(::write(input[1], "some text", 9), 9);
        // The run is under way once its temporary file is there.
        int status = 0;
        for (int tries = 0; tries < 3000 && Leftovers(dir).empty() && ::waitpid(child, &status, WNOHANG) == 0;
             ++tries)
            ::usleep(10000);
        EXPECT_EQ(Leftovers(dir).size(), 1u);
        ::kill(child, signal);
        ::waitpid(child, &status, 0);
        ::close(input[1]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << signal;
        EXPECT_TRUE(Leftovers(dir).empty()) << signal;
        EXPECT_EQ(ReadBytes(dir / "out.etx"), "old code");
    }
}
