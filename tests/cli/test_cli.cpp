// morvane-cli run as a user runs it, on real files.
#include "core/encoder.h"
#include "core/key_table.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <array>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace morvane;
using morvane::testing::ReadBytes;
using morvane::testing::TempDir;
using morvane::testing::WriteBytes;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs morvane-cli with the arguments (a shell word list, quoted by the caller).
CliRun Cli(const TempDir& dir, const std::string& arguments, const std::string& input = {})
{
    const std::string in = dir.file("stdin"), out = dir.file("stdout"), err = dir.file("stderr");
    WriteBytes(in, input);
    const std::string command = std::string("'") + MORVANE_CLI + "' " + arguments + " <'" + in + "' >'" + out +
                                "' 2>'" + err + "'";
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadBytes(out);
    run.err = ReadBytes(err);
    return run;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

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

} // namespace

TEST(CliKeygen, WritesTheKnownKeyAndNeverReplacesOneUnasked)
{
    TempDir dir;
    const std::string key = dir.file("k.key");
    CliRun run = Cli(dir, "keygen --seed 0 " + Quote(key));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bytes = ReadBytes(key);
    EXPECT_EQ(bytes.size(), 31644u);
    EXPECT_EQ(bytes.substr(0, 20), "01141000128287482823");

    run = Cli(dir, "keygen --seed 1 " + Quote(key));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(key), bytes) << "the existing key is untouched";

    run = Cli(dir, "keygen --seed 1 --force " + Quote(key));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(ReadBytes(key), bytes);

    EXPECT_EQ(Cli(dir, "keygen --seed 1 " + Quote(dir.file("no/such/dir.key"))).err,
              "Unable to create a key file.\n");
}

TEST(CliUsage, UsageErrorsExitTwoAndHelpExitsZero)
{
    TempDir dir;
    EXPECT_EQ(Cli(dir, "").status, 2);
    EXPECT_EQ(Cli(dir, "frobnicate").status, 2);
    EXPECT_EQ(Cli(dir, "keygen").status, 2);
    EXPECT_EQ(Cli(dir, "keygen --seed 4294967296 x.key").status, 2);
    EXPECT_EQ(Cli(dir, "keygen --seed -1 x.key").status, 2);
    EXPECT_EQ(Cli(dir, "encode in.txt").status, 2) << "--key is required";
    EXPECT_EQ(Cli(dir, "encode --key").status, 2);
    for (const char* command : {"--help", "keygen --help", "encode --help"}) {
        const CliRun run = Cli(dir, command);
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_NE(run.out.find("usage:"), std::string::npos) << command;
    }
}

TEST(CliEncode, SameCodeAsTheEngineFromFileOrStandardInput)
{
    TempDir dir;
    const std::string key = dir.file("k.key");
    ASSERT_EQ(Cli(dir, "keygen --seed 9 " + Quote(key)).status, 0);
    std::string text;
    for (int i = 0; i < (3 << 20) + 77; ++i)
        text += static_cast<char>(i % 251 == 26 ? 'z' : i % 251);
    const std::string input = dir.file("in.txt");
    WriteBytes(input, text);
    const std::string expected = EncodeInProcess(key, text, 1234);

    const CliRun fromFile = Cli(dir, "encode --key " + Quote(key) + " --seed 1234 " + Quote(input));
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_TRUE(fromFile.out == expected) << "blocks of the stream join into the one code";

    const CliRun fromStdin = Cli(dir, "encode --key " + Quote(key) + " --seed 1234 -", text);
    EXPECT_TRUE(fromStdin.out == expected);

    const std::string output = dir.file("out.etx");
    ASSERT_EQ(Cli(dir, "encode --key " + Quote(key) + " --seed 1234 -o " + Quote(output) + " " + Quote(input)).status, 0);
    EXPECT_TRUE(ReadBytes(output) == expected);

    EXPECT_EQ(Cli(dir, "encode --key " + Quote(key) + " --seed 5", std::string("AB\x1a" "CD", 5)).out,
              EncodeInProcess(key, "AB", 5)) << "the first Ctrl-Z ends the text";
    EXPECT_EQ(Cli(dir, "encode --key " + Quote(key), "").out, "") << "an empty text gives an empty code";

    // An output that is a pipe (like /dev/null or /dev/stdout) is written
    // into, never replaced by a file.
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string got = dir.file("got");
    const std::string command = "timeout 10 cat " + Quote(fifo) + " >" + Quote(got) + " & reader=$!; '" +
                                MORVANE_CLI + "' encode --key " + Quote(key) + " --seed 1234 -o " + Quote(fifo) +
                                " " + Quote(input) + "; status=$?; wait $reader; exit $status";
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(ReadBytes(got) == expected);
}

TEST(CliEncode, FailuresSayWhyAndLeaveTheOutputAlone)
{
    TempDir dir;
    const std::string key = dir.file("k.key");
    ASSERT_EQ(Cli(dir, "keygen --seed 2 " + Quote(key)).status, 0);
    const std::string output = dir.file("out.etx");
    WriteBytes(output, "old code");

    CliRun run = Cli(dir, "encode --key " + Quote(dir.file("missing.key")) + " -o " + Quote(output), "text");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "The key file could not be found.\n");

    const std::string badWidth = dir.file("bad.key");
    WriteBytes(badWidth, "011q" + ReadBytes(key).substr(4));
    run = Cli(dir, "encode --key " + Quote(badWidth) + " -o " + Quote(output), "text");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "'q' is not a valid integer value.\n");

    const std::string shortKey = dir.file("short.key");
    WriteBytes(shortKey, ReadBytes(key).substr(0, 100));
    EXPECT_EQ(Cli(dir, "encode --key " + Quote(shortKey), "text").err, "The key file could not be read correctly.\n");

    run = Cli(dir, "encode --key " + Quote(key) + " -o " + Quote(output) + " " + Quote(dir.file("missing.txt")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to open the file.\n");
    EXPECT_EQ(Cli(dir, "encode --key " + Quote(key) + " /dev/zero").err, "Unable to open the file.\n");

    run = Cli(dir, "encode --key " + Quote(key) + " -o " + Quote(dir.file("no/dir/out.etx")), "text");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to save the file.\n");
    EXPECT_EQ(ReadBytes(output), "old code");
}
