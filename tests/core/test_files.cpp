#include "core/encoder.h"
#include "core/text_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace morvane;
using morvane::testing::ReadBytes;
using morvane::testing::TempDir;
using morvane::testing::WriteBytes;

TEST(TextFile, BytesUnchangedUpToTheFirstCtrlZ)
{
    TempDir dir;
    std::string all;
    for (int c = 0; c < 256; ++c)
        if (c != 26)
            all += static_cast<char>(c);
    const std::string name = dir.file("all.txt");
    WriteBytes(name, all + "\r\n\n");
    std::string text;
    ASSERT_TRUE(ReadTextFile(name, text));
    EXPECT_EQ(text, all + "\r\n\n") << "no line end is translated";

    WriteBytes(name, std::string("ab\x1a" "cd\x1a", 6));
    ASSERT_TRUE(ReadTextFile(name, text));
    EXPECT_EQ(text, "ab");

    WriteBytes(name, "");
    ASSERT_TRUE(ReadTextFile(name, text));
    EXPECT_EQ(text, "");

    const std::string big(3 << 20, 'z');
    WriteBytes(name, big + "\x1a" + "tail");
    ASSERT_TRUE(ReadTextFile(name, text));
    EXPECT_EQ(text.size(), big.size()) << "a Ctrl-Z beyond the first block";
    WriteBytes(name, big);
    ASSERT_TRUE(ReadTextFile(name, text));
    EXPECT_TRUE(text == big);
    EXPECT_LT(text.capacity(), big.size() + 64) << "a large file is held once, not twice";
}

TEST(TextFile, NamesThatAreNoRegularFileFail)
{
    TempDir dir;
    std::string text = "old";
    EXPECT_FALSE(ReadTextFile(dir.file("missing.txt"), text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(ReadTextFile(dir.path(), text));
    EXPECT_FALSE(ReadTextFile("/dev/zero", text)) << "a device must not be read endlessly";
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadTextFile(fifo, text)) << "a pipe must not hang";
    EXPECT_FALSE(IsRegularFile(fifo));
    EXPECT_FALSE(IsRegularFile(""));
}

TEST(SaveCode, WritesTheExactBytesAndKeepsTheOldFileOnFailure)
{
    TempDir dir;
    const std::string name = dir.file("code.etx");
    std::string message;
    ASSERT_TRUE(SaveCode(name, "011412345678", message));
    EXPECT_EQ(ReadBytes(name), "011412345678") << "no line end";
    ASSERT_TRUE(SaveCode(name, "", message));
    EXPECT_EQ(ReadBytes(name), "");

    ::chmod(name.c_str(), 0640);
    ASSERT_TRUE(SaveCode(name, "0114", message));
    struct stat st {};
    ::stat(name.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "a replaced file keeps its mode";

    EXPECT_FALSE(SaveCode(dir.file("missing/code.etx"), "0114", message));
    EXPECT_EQ(message, kSaveFailed);
    EXPECT_FALSE(SaveCode(dir.path(), "0114", message));

    // A pipe (or a device such as /dev/null) is never renamed over, directly
    // or through a link.
    const std::string fifo = dir.file("fifo.etx");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string fifoLink = dir.file("fifo-link.etx");
    std::filesystem::create_symlink(fifo, fifoLink);
    EXPECT_FALSE(SaveCode(fifo, "0114", message));
    EXPECT_FALSE(SaveCode(fifoLink, "0114", message));
    EXPECT_EQ(message, kSaveFailed);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(fifoLink));

    // Saving through a link replaces the file it points to.
    const std::string link = dir.file("link.etx");
    std::filesystem::create_symlink(name, link);
    ASSERT_TRUE(SaveCode(link, "01149999", message));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(name), "01149999");
}
