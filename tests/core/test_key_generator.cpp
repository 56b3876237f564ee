#include "core/atomic_file.h"
#include "core/key_generator.h"

#include "support/file_size_limit.h"
#include "support/plain_scan_key.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <set>

using namespace morvane;
using morvane::testing::FileSizeLimit;
using morvane::testing::ReadBytes;
using morvane::testing::TempDir;
using morvane::testing::WriteBytes;


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
    KeyTable reference;
    morvane::testing::GenerateKeyByPlainScan(plain, reference);
    EXPECT_EQ(reference.rows, table.rows);
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
    EXPECT_EQ(WriteKeyFile(dir.path(), table).message, kKeyCreateFailed) << "a folder";

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
