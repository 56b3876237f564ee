// morvane-cli run as a user runs it, from bash, on real files.
#include "io/key_file.h"
#include "core/encoder.h"

#include "support/temp_dir.h"

#include "support/all.h"

#include <gtest/gtest.h>
#include <csignal>
#include <memory>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace morvane;
using namespace morvane::testing;
using namespace std::string_literals;

namespace {

namespace fs = std::filesystem;

struct Outcome { int status = -1; std::string out, err; };

// Runs a bash script in the folder, where "cli" and $CLI run morvane-cli.
Outcome Bash(const TempDir& dir, const std::string& script)
{
    WriteBytes(dir / "_run.sh", "CLI='" MORVANE_CLI "'\ncli() { \"$CLI\" \"$@\"; }\n" + script);
    const int raw = std::system(("cd '" + dir.path() + "' && bash _run.sh >_out 2>_err </dev/null").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(dir / "_out"), ReadBytes(dir / "_err")};
}

std::string EncodeInProcess(const std::string& keyFile, std::string_view text, std::uint32_t seed)
{
    KeyTable table;
    std::uint8_t width = 0;
    EXPECT_TRUE(io::LoadKeyFile(keyFile, table, width).ok);
    const auto encoder = std::make_unique<Encoder>(table, width);
    RandomSource random(seed);
    std::string code = encoder->Header();
    encoder->EncodeChunk(text, random, code);
    return code;
}

long Leftovers(const TempDir& dir) // temporary files (.NAME.xxxxxx) left behind in the folder
{
    const auto temporary = [](const fs::directory_entry& e) { return e.path().filename().c_str()[0] == '.'; };
    return std::count_if(fs::directory_iterator(dir.path()), {}, temporary);
}

} // namespace

TEST(Cli, KeygenWritesPrivateKeysAndNeverReplacesOneUnaskedAndUsageIsChecked)
{
    TempDir dir;
    Outcome run = Bash(dir, "cli keygen --seed 0 k.key");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bytes = ReadBytes(dir / "k.key");
    EXPECT_EQ((All{bytes.size(), bytes.starts_with("01141000128287482823")}), (All{31644u, true}));
    EXPECT_EQ(fs::status(dir / "k.key").permissions(), fs::perms(0600)) << "a new key is private";
    ASSERT_EQ(Bash(dir, "chmod 640 k.key && cli keygen --seed 1 --force k.key").status, 0);
    EXPECT_EQ((All{ReadBytes(dir / "k.key") != bytes, fs::status(dir / "k.key").permissions()}),
              (All{true, fs::perms(0640)}));

    // Leading zeros and the largest seed; "--" before a name that starts with a dash.
    ASSERT_EQ(Bash(dir, "cli keygen --seed 000000000000 -- -zero.key && cli keygen --seed 4294967295 m.key").status, 0);
    EXPECT_EQ(ReadBytes(dir / "-zero.key"), bytes);

    // Two keygens racing for one name: exactly one wins, every time.
    run = Bash(dir, "for i in $(seq 20); do cli keygen race$i.key 2>/dev/null & p=$!\n"
                    "  cli keygen race$i.key 2>/dev/null & q=$!; wait $p; a=$?; wait $q; echo -n $((a + $?)); done");
    EXPECT_EQ(run.out, std::string(20, '1')) << "one success and one refusal in each round";
    EXPECT_EQ(Leftovers(dir), 0);

    // Usage errors exit with 2, --help with 0 and the usage on standard output.
    for (const char* arguments : {"", "frobnicate", "keygen", "keygen -", "keygen --seed 4294967296 x.key",
                                  "keygen --seed -1 x.key", "keygen --seed 1x x.key", "encode in.txt", "encode --key",
                                  "decode in.etx", "decode --key k.key --bogus", "decode --key k.key a b",
                                  "encode --key -", "decode --key /dev/stdin -"}) // the key would swallow the text
        EXPECT_EQ(Bash(dir, "cli " + std::string(arguments)).status, 2) << arguments;
    EXPECT_FALSE(fs::exists(dir / "-")) << "keygen - writes no file named '-'";
    for (const std::string command : {"--help", "keygen --help", "encode --help", "decode --help"}) {
        const Outcome run = Bash(dir, "cli " + command);
        EXPECT_EQ((All{run.status, run.out.starts_with("usage: morvane-cli ")}), (All{0, true})) << command;
    }
    run = Bash(dir, "cli --version");
    EXPECT_EQ(run.out.substr(run.out.find('\n')), "\nencode path: "s + EncodePathName(WidestEncodePath()) + "\n");
}

TEST(CliEncode, SameCodeAsTheEngineFromAnyStreamIntoAnyOutputAndBack)
{
    TempDir dir;
    ASSERT_EQ(Bash(dir, "cli keygen --seed 9 k.key && mkfifo fifo").status, 0);
    std::string text, raw, crlf; // the text, and what decode gives back with and without --raw
    for (int i = 0; i < (3 << 20) + 77; ++i) {
        const char c = (text += static_cast<char>(i % 251 == 26 ? 'z' : i % 251)).back(); // every byte but Ctrl-Z
        if (RowOf(static_cast<unsigned char>(c)) != 0)
            raw += c, crlf += c == '\r' ? "\r\n" : std::string(1, c);
    }
    WriteBytes(dir / "in.txt", text);
    const std::string expected = EncodeInProcess(dir / "k.key", text, 1234);

    // Files, standard input, pipes and process substitution alike; the first Ctrl-Z ends the text; empty in, empty out.
    WriteBytes(dir / "ctrlz.txt", "AB\x1a" + std::string(3 << 20, 'C'));
    const std::pair<std::string, std::string> sources[] = {{"in.txt", expected}, {"- < in.txt", expected},
        {"/dev/stdin < in.txt", expected}, {"<(cat in.txt)", expected}, {"fifo & cat in.txt > fifo; wait $!", expected},
        {"ctrlz.txt", EncodeInProcess(dir / "k.key", "AB", 1234)}, {"< /dev/null", ""}};
    for (const auto& [source, code] : sources) {
        const Outcome run = Bash(dir, "cli encode --key k.key --seed 1234 " + source);
        EXPECT_EQ((All{run.status, run.out}), (All{0, code})) << source << ": " << run.err;
    }
    ASSERT_EQ(Bash(dir, "cli encode --key k.key --seed 1234 -o out.etx in.txt").status, 0);
    EXPECT_EQ(ReadBytes(dir / "out.etx"), expected);
    // Decoding a code of many read blocks, into a file and from a stream.
    ASSERT_EQ(Bash(dir, "cli decode --key k.key -o back.txt out.etx").status, 0);
    EXPECT_EQ(ReadBytes(dir / "back.txt"), crlf) << "each CR comes back as CR LF";
    EXPECT_EQ(Bash(dir, "cli decode --raw --key k.key < out.etx").out, raw);

    // Names of open streams are written into in place: the lines around the code stay, an appended file keeps its own.
    WriteBytes(dir / "short.txt", "Hi");
    const std::string hi = EncodeInProcess(dir / "k.key", "Hi", 5);
    for (const char* target : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1", "/dev/stderr 2>&1"}) {
        const Outcome run = Bash(dir, "echo old > log.txt\n{ echo header; cli encode --key k.key --seed 5 -o " +
                                      std::string(target) + " short.txt; echo footer; } >> log.txt && cat log.txt");
        EXPECT_EQ(run.out, "old\nheader\n" + hi + "footer\n") << target;
    }
    ASSERT_EQ(Bash(dir, "cat fifo >got & cli encode --key k.key --seed 5 -o fifo short.txt; wait").status, 0);
    EXPECT_EQ((All{fs::is_fifo(dir / "fifo"), ReadBytes(dir / "got")}), (All{true, hi}));
    EXPECT_EQ(Leftovers(dir), 0);
}

TEST(Cli, FailuresNameTheFileAndTheCauseAndLeaveTheOutputAndTheKeyAlone)
{
    TempDir dir;
    ASSERT_EQ(Bash(dir, "cli keygen --seed 2 k.key && head -c 100 k.key > short.key && "
                        "{ printf 011q; tail -c +5 k.key; } > bad.key && mkdir folder && echo text > t.txt && "
                        "{ printf 0111; yes 1 | head -n 7910 | tr -d '\\n'; } > 1.key && "
                        "printf 01149 > cut.etx && yes 'A long letter' | head -c 400000 > long.txt && "
                        "{ cli encode --key k.key long.txt; printf 0000; } > bad.etx && "
                        "cli encode --key k.key long.txt | sed 's/^0114/0114 /' > spaced.etx").status, 0);
    const std::string key = ReadBytes(dir / "k.key");
    WriteBytes(dir / "out.etx", "old code");
    const std::pair<std::string, std::string> cases[] = {
        {"keygen k.key", "k.key: the key file exists already; use --force to replace it"},
        {"keygen no/such/dir.key", "no/such/dir.key: No such file or directory"},
        {"encode --key missing.key -o out.etx t.txt", "missing.key: No such file or directory"},
        {"encode --key bad.key -o out.etx t.txt", "bad.key: 'q' is not a valid integer value."},
        {"encode --key short.key -o out.etx t.txt", "short.key: The key file could not be read correctly."},
        {"encode --key folder -o out.etx t.txt", "folder: Is a directory"},
        {"encode --key k.key -o out.etx missing.txt", "missing.txt: No such file or directory"},
        {"encode --key k.key -o out.etx folder", "folder: Is a directory"},
        {"encode --key k.key -o no/dir/out.etx t.txt", "no/dir/out.etx: No such file or directory"},
        {"encode --key k.key -o folder t.txt", "folder: Is a directory"},
        {"encode --key k.key -o k.key t.txt", "k.key: the output is the key file, which it would destroy"},
        {"encode --key k.key -o t.txt t.txt", "t.txt: the output is the input file, which it would destroy"},
        {"encode --key k.key t.txt >> t.txt", "standard output: the output is the input file, which it would destroy"},
        {"decode --key 1.key cut.etx", "1.key: The key holds 1 twice, in row 1, column 1 and in row 1, column 2."},
        {"decode --key k.key -o out.etx cut.etx", "cut.etx: The code is cut short: its last number has 1 of 4 digits."},
        {"decode --key k.key -o out.etx bad.etx", "bad.etx: The code holds 0000 at position " +
                                                      std::to_string(ReadBytes(dir / "bad.etx").size() - 3) +
                                                      ", which is not a number of this key."},
        {"encode --key k.key t.txt >&-", "standard output: Bad file descriptor"}, // not the input, opened as 1
        {"encode --key $'k\\ney' t.txt", "$'k\\ney': No such file or directory"}, // one line, quoted as the shell does
        // A file grown past the size limit is a failed write, blamed on the output.
        {"ulimit -f 20; cli encode --key k.key -o big.etx long.txt", "big.etx: File too large"},
        {"ulimit -f 20; cli decode --key k.key -o big.txt spaced.etx", "big.txt: File too large"},
        {"ulimit -f 20; cli keygen big.key", "big.key: File too large"},
    };
    for (const auto& [arguments, message] : cases) { // outputs of at most 10 MB: a run into its own input ends
        const std::string command = arguments.starts_with("ulimit") ? arguments : "cli " + arguments;
        const Outcome run = Bash(dir, "ulimit -f 10000; " + command);
        EXPECT_EQ(std::to_string(run.status) + " " + run.err, "1 morvane-cli: " + message + "\n") << arguments;
    }
    EXPECT_EQ((All{ReadBytes(dir / "out.etx"), ReadBytes(dir / "k.key")}), (All{"old code", key}));
    EXPECT_EQ((All{ReadBytes(dir / "t.txt"), Leftovers(dir)}), (All{"text\n", 0}));

    // With SIGPIPE ignored, a closed output ends an endless run at once.
    const Outcome run = Bash(dir, "trap '' PIPE; yes | timeout 60 \"$CLI\" encode --key k.key | head -c 4; "
                                  "echo \" ${PIPESTATUS[1]}\"");
    EXPECT_EQ(run.out, "0114 1\n");
    EXPECT_NE(run.err.find("morvane-cli: standard output: Broken pipe"), std::string::npos) << run.err;
}

TEST(CliEncode, AsAPlainUserWritesExactlyWhereAPlainProgramMay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    TempDir dir;
    ASSERT_EQ(Bash(dir, "chmod 777 . && cli keygen --seed 3 k.key && chmod 644 k.key && echo text > t.txt && "
                        "echo root > ro.etx && chmod 444 ro.etx && mkdir locked && printf %0100d 0 > locked/own.etx && "
                        "chown 65534:65534 locked/own.etx && chmod 555 locked && mkdir -m 1777 sticky && "
                        "echo old > sticky/root.etx && chmod 666 sticky/root.etx && "
                        "{ cli encode --key k.key t.txt; printf 9999; } > bad.etx").status, 0);
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups \"$CLI\" ";
    const std::string code = EncodeInProcess(dir / "k.key", "text\n", 8);

    // Another user's write-protected file in a folder anyone may write to.
    Outcome run = Bash(dir, asNobody + "encode --key k.key -o ro.etx t.txt");
    EXPECT_EQ(std::to_string(run.status) + " " + run.err, "1 morvane-cli: ro.etx: Permission denied\n");
    EXPECT_EQ(ReadBytes(dir / "ro.etx"), "root\n");

    // Files that cannot be replaced by a rename (one's own in a folder that takes no new file, another user's writable
    // one in a sticky folder) are written in place, and what stood beyond the code is cut off; a failed run (the code
    // is staged elsewhere until it is whole) leaves them as they were.
    for (const std::string target : {"locked/own.etx", "sticky/root.etx"}) {
        run = Bash(dir, asNobody + "encode --key k.key --seed 8 -o " + target + " t.txt");
        EXPECT_EQ(std::to_string(run.status) + run.err + ReadBytes(dir / target), "0" + code) << target;
        run = Bash(dir, asNobody + "decode --key k.key -o " + target + " bad.etx");
        EXPECT_EQ((All{run.status, ReadBytes(dir / target)}), (All{1, code})) << target << run.err;
    }
}

// The run is interrupted once its temporary file is there: an inotify watch on the folder tells when (a pidfd, if not).
TEST(CliEncode, InterruptionRemovesTheTemporaryFileAndKeepsTheTarget)
{
    TempDir dir;
    ASSERT_EQ(Bash(dir, "cli keygen k.key").status, 0);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, -SIGHUP}) { // -SIGHUP: ignored from the start, as under nohup
        WriteBytes(dir / "out.etx", "old code");
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_CREATE), 0);
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(input[0], 0);
            ::close(input[1]);
            for (const int s : {SIGINT, SIGTERM, SIGHUP}) // a background job's SIGINT is ignored
                std::signal(s, s == -signal ? SIG_IGN : SIG_DFL);
            ::execl(MORVANE_CLI, MORVANE_CLI, "encode", "--seed", "1", "--key", (dir / "k.key").c_str(), "-o",
                    (dir / "out.etx").c_str(), nullptr);
            ::_exit(127);
        }
        ::close(input[0]);
        ASSERT_EQ(::write(input[1], "some text", 9), 9);
        pollfd events[] = {{watch, POLLIN, 0}, {static_cast<int>(::syscall(SYS_pidfd_open, child, 0)), POLLIN, 0}};
        ASSERT_GE(::poll(events, 2, -1), 1);
        EXPECT_EQ((All{events[0].revents, Leftovers(dir)}),
                  (All{POLLIN, 1})) << "it ended before making its temporary file";
        ::kill(child, std::abs(signal));
        for (const int fd : {input[1], watch, events[1].fd})
            ::close(fd);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ((All{WIFEXITED(status), WEXITSTATUS(status)}), (All{true, signal < 0 ? 0 : 128 + signal})) << signal;
        EXPECT_EQ(Leftovers(dir), 0) << signal;
        EXPECT_EQ(ReadBytes(dir / "out.etx"), signal < 0 ? EncodeInProcess(dir / "k.key", "some text", 1) : "old code");
    }    // A signal that comes once the new key is in place (the rename, as the watch sees it) finds the run done: exit 0.
    for (int round = 0; round < 50; ++round) {
        const std::string before = ReadBytes(dir / "k.key");
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_TO), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(MORVANE_CLI, MORVANE_CLI, "keygen", "--force", (dir / "k.key").c_str(), nullptr);
            ::_exit(127);
        }
        pollfd moved{watch, POLLIN, 0};
        ASSERT_EQ(::poll(&moved, 1, 60000), 1);
        ::kill(child, SIGINT);
        ::close(watch);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_EQ((All{WIFEXITED(status), WEXITSTATUS(status)}), (All{true, 0})) << "round " << round;
        ASSERT_NE(ReadBytes(dir / "k.key"), before);
    }
}
