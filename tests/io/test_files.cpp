// Files: keys and codes written whole or not at all, texts read only from regular files.
#include "core/key_generator.h"
#include "io/key_file.h"
#include "io/text_file.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include "support/all.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace morvane;
using namespace morvane::io;
using namespace morvane::testing;
using namespace std::string_literals;

namespace fs = std::filesystem;

KeyTable Generated()
{
    KeyTable table;
    RandomSource random(3);
    GenerateKey(random, table);
    return table;
}

// Keys and codes replace a file whole or not at all; texts are bytes up to the first Ctrl-Z.
TEST(Files, WrittenWholeOrNotAtAllAndReadUpToTheFirstCtrlZ)
{
    TempDir dir;
    const KeyTable table = Generated();
    KeyTable loaded;
    int rows = 0;
    ASSERT_TRUE(WriteKeyFile(dir / "new.key", table, [&](int) { ++rows; }).ok);
    EXPECT_EQ(rows, 226);
    for (const std::string& bad : {dir / "no/such/folder.key", dir.path()})
        EXPECT_EQ(WriteKeyFile(bad, table).message, kKeyCreateFailed) << bad;
    EXPECT_EQ(ReadBytes(dir / "new.key"), FormatKeyFile(table)) << "the old key stays whole";
    std::uint8_t width = 0;
    WriteBytes(dir / "wide.key", "0117" + std::string(kKeyCells * 7, '7')); // a file as long as a key file may be
    EXPECT_EQ((All{LoadKeyFile(dir / "wide.key", loaded, width).ok, loaded.cell(226, 35)}),
              (All{true, 7777777 % 65536}));
    for (const std::string& name : {dir / "", dir / "missing.key", ""s})
        EXPECT_EQ(LoadKeyFile(name, loaded, width).message, kKeyNotFound) << name;

    std::string all(256, '\0'), big(3 << 20, 'z'), text;
    std::iota(all.begin(), all.end(), '\0');
    all.erase(26, 1) += "\r\n\n"; // every byte but Ctrl-Z; no line end is translated
    const std::pair<std::string, std::string> cases[] = {
        {all, all}, {std::string("ab\x1a" "cd\x1a", 6), "ab"}, {"", ""}, {big + "\x1a" + "tail", big}, {big, big}};
    for (const auto& [bytes, read] : cases) {
        WriteBytes(dir / "t.txt", bytes);
        EXPECT_EQ((All{ReadTextFile(dir / "t.txt", text), text}), (All{true, read})) << bytes.size();
    }
    EXPECT_LT(text.capacity(), big.size() + 64) << "a large file is held once, not twice";
    for (const std::string& name : {dir / "missing.txt", dir.path()})
        EXPECT_TRUE(!ReadTextFile(name, text = "old") && text.empty()) << name;

    std::string message; // codes are saved as they are, with no line end
    for (const char* code : {"011412345678", "01149999"}) {
        ASSERT_TRUE(SaveCode(dir / "code.etx", code, message));
        EXPECT_EQ(ReadBytes(dir / "code.etx"), code);
    }
    for (const std::string& bad : {dir / "missing/code.etx", dir.path()})
        EXPECT_EQ((All{SaveCode(bad, "0114", message), message}), (All{false, kSaveFailed})) << bad;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 4) << "no temporary file left";
}

// Links, pipes, devices, modes and a full disk, as POSIX systems have them.
TEST(Files, LinksPipesDevicesModesAndAFullDisk)
{
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links, named pipes, devices, POSIX modes and file size limits: not on Windows";
#else
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink(dir / "fifo", dir / "fifo-link");
    const KeyTable table = Generated();
    KeyTable loaded;
    ASSERT_TRUE(WriteKeyFile(dir / "new.key", table).ok);
    EXPECT_EQ([&] { FileSizeLimit full(9); return WriteKeyFile(dir / "new.key", {}).message; }(), kKeyWriteFailed);
    EXPECT_EQ(ReadBytes(dir / "new.key"), FormatKeyFile(table)) << "the old key stays whole";
    std::uint8_t width = 0;
    fs::create_symlink(dir / "new.key", dir / "link.key");
    EXPECT_EQ((All{LoadKeyFile(dir / "link.key", loaded, width).ok, loaded.rows}), (All{true, table.rows}));
    std::string text;
    for (const std::string& name : {dir / "fifo", "/dev/zero"s}) { // neither hangs
        EXPECT_EQ(LoadKeyFile(name, loaded, width).message, kKeyNotFound) << name;
        EXPECT_TRUE(!ReadTextFile(name, text = "old") && text.empty()) << name;
    }

    // Through a link into the file it leads to, which keeps its mode.
    const std::string name = dir / "code.etx";
    std::string message;
    ASSERT_TRUE(SaveCode(name, "011412345678", message));
    ::chmod(name.c_str(), 0640);
    fs::create_symlink(name, dir / "link.etx");
    ASSERT_TRUE(SaveCode(dir / "link.etx", "01149999", message));
    EXPECT_EQ((All{ReadBytes(name), fs::is_symlink(dir / "link.etx")}),
              (All{"01149999", true})) << "the link's file is replaced";
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0640)) << "a replaced file keeps its mode";
    EXPECT_TRUE(SaveCode(dir / std::string(255, 'n'), "0114", message)) << "a name as long as a name can be";
    fs::create_symlink("later.etx", dir / "dangling.etx"); // written through, as the shell's ">" would
    ASSERT_TRUE(SaveCode(dir / "dangling.etx", "0114", message));
    EXPECT_EQ((All{fs::is_symlink(dir / "dangling.etx"), ReadBytes(dir / "later.etx")}), (All{true, "0114"}));
    // A pipe (or a device) is never renamed over, directly or through a link.
    for (const std::string& bad : {dir / "fifo", dir / "fifo-link"})
        EXPECT_EQ((All{SaveCode(bad, "0114", message), message}), (All{false, kSaveFailed})) << bad;
    EXPECT_TRUE(fs::is_fifo(dir / "fifo") && fs::is_symlink(dir / "fifo-link"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 9) << "no temporary file left";
#endif
}
