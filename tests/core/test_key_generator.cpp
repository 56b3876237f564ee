#include "core/atomic_file.h"
#include "core/key_generator.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <set>
#include <csignal>
#include <sys/resource.h>

using namespace morvane;
using morvane::testing::ReadBytes;
using morvane::testing::TempDir;
using morvane::testing::WriteBytes;

namespace {

// Limits the size of the files this process writes, so that writes fail as
// on a full disk; restored when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

// Generation as it reads in words: draw, scan every cell, draw again on a match.
KeyTable GenerateByPlainScan(RandomSource& random)
{
    KeyTable table;
    for (int row = 1; row <= kKeyRows; ++row) {
        for (int column = 1; column <= kKeyColumns; ++column) {
            for (;;) {
                const auto v = static_cast<std::uint16_t>(random.RandomBelow(kCodeChoices) + kLowestCode);
                bool taken = false;
                for (const KeyRow& r : table.rows)
                    for (const std::uint16_t cell : r)
                        taken = taken || cell == v;
                if (!taken) {
                    table.cell(row, column) = v;
                    break;
                }
            }
        }
    }
    return table;
}

} // namespace

TEST(KeyGenerator, KnownStartAndSameDrawsAsThePlainScan)
{
    RandomSource fast(0);
    KeyTable table;
    std::vector<int> rows;
    GenerateKey(fast, table, [&](int row) { rows.push_back(row); });
    EXPECT_EQ(table.cell(1, 1), 1000);
    EXPECT_EQ(table.cell(1, 2), 1282);
    EXPECT_EQ(table.cell(1, 3), 8748);
    EXPECT_EQ(table.cell(1, 4), 2823);
    EXPECT_EQ(rows.size(), 226u);
    EXPECT_EQ(rows.back(), 226);

    RandomSource plain(0);
    EXPECT_EQ(GenerateByPlainScan(plain).rows, table.rows);
    EXPECT_EQ(plain.RandomState, fast.RandomState) << "the same number of draws";
}

TEST(KeyGenerator, DistinctNumbersInRangeForManyStates)
{
    for (std::uint32_t seed : {0u, 1u, 86399999u, 0xFFFFFFFFu}) {
        RandomSource random(seed);
        KeyTable table;
        GenerateKey(random, table);
        std::set<std::uint16_t> seen;
        for (const KeyRow& row : table.rows)
            for (const std::uint16_t cell : row) {
                EXPECT_GE(cell, 1000);
                EXPECT_LE(cell, 9998);
                seen.insert(cell);
            }
        EXPECT_EQ(seen.size(), 7910u) << seed;
        const std::string bytes = FormatKeyFile(table);
        EXPECT_EQ(bytes.size(), 31644u);
        EXPECT_EQ(bytes.substr(0, 4), "0114");
        EXPECT_EQ(bytes.find_first_not_of("0123456789"), std::string::npos);
    }
}

TEST(KeyGenerator, WritingIsAtomic)
{
    TempDir dir;
    RandomSource random(3);
    KeyTable table;
    GenerateKey(random, table);
    const std::string name = dir.file("new.key");
    int written = 0;
    ASSERT_TRUE(WriteKeyFile(name, table, [&](int) { ++written; }).ok);
    EXPECT_EQ(written, 226);
    EXPECT_EQ(ReadBytes(name), FormatKeyFile(table));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary file left";

    EXPECT_EQ(WriteKeyFile(dir.file("no/such/folder.key"), table).message, kKeyCreateFailed);
    EXPECT_EQ(WriteKeyFile(dir.path().string(), table).message, kKeyCreateFailed) << "a folder";

    // A write that fails (the file size limit stands in for a full disk)
    // leaves the key that was there whole, and no temporary file.
    const std::string old = dir.file("old.key");
    WriteBytes(old, "precious key");
    {
        FileSizeLimit limit(1000);
        EXPECT_EQ(WriteKeyFile(old, table).message, kKeyWriteFailed);
    }
    EXPECT_EQ(ReadBytes(old), "precious key");

    // A rename that fails does the same.
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(old + ".next"));
    std::filesystem::create_directory(old + ".next");
    writer.Write("data");
    EXPECT_FALSE(writer.Commit());
    EXPECT_TRUE(std::filesystem::is_directory(old + ".next"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}
