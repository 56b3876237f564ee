#include "platform/file_system.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace morvane::platform;
using namespace morvane::testing;
namespace fs = std::filesystem;

namespace {

// Runs the test in a folder of its own and returns to the old one after.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : old_(CurrentDirectory())
    {
        EXPECT_TRUE(SetCurrentDirectory(folder));
    }
    ~InFolder() { SetCurrentDirectory(old_); }

private:
    std::string old_;
};

TEST(FileSystem, FileExistsOnlyForRegularFiles)
{
    TempDir dir;
    WriteBytes(dir / "file", "x");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink(dir / "file", dir / "link");
    fs::create_symlink(dir / "folder", dir / "folder-link");
    fs::create_symlink(dir / "nothing", dir / "dangling");

    EXPECT_TRUE(FileExists(dir / "file"));
    EXPECT_TRUE(FileExists(dir / "link")) << "links are followed";
    EXPECT_FALSE(FileExists(dir / "folder"));
    EXPECT_FALSE(FileExists(dir / "folder-link"));
    EXPECT_FALSE(FileExists(dir / "fifo"));
    EXPECT_FALSE(FileExists(dir / "dangling"));
    EXPECT_FALSE(FileExists(dir / "missing"));
    EXPECT_FALSE(FileExists("/dev/null"));
    EXPECT_FALSE(FileExists(""));

    InFolder here(dir.path());
    EXPECT_TRUE(FileExists("file")) << "relative to the current directory";
}

TEST(FileSystem, FullPathAndCurrentDirectory)
{
    TempDir dir;
    fs::create_directory(dir / "sub");
    const std::string real = fs::canonical(dir.path()).string();
    InFolder here(real);
    EXPECT_EQ(CurrentDirectory(), real);

    EXPECT_EQ(FullPath("name.txt"), real + "/name.txt");
    EXPECT_EQ(FullPath("./a/./b/../c.txt"), real + "/a/c.txt");
    EXPECT_EQ(FullPath("sub/"), real + "/sub");
    EXPECT_EQ(FullPath("."), real);
    EXPECT_EQ(FullPath("//x///y/"), "/x/y");
    EXPECT_EQ(FullPath("/../.."), "/");
    EXPECT_EQ(FullPath(""), "");

    ASSERT_TRUE(SetCurrentDirectory("sub"));
    EXPECT_EQ(CurrentDirectory(), real + "/sub");
    EXPECT_FALSE(SetCurrentDirectory(real + "/missing"));
    EXPECT_EQ(CurrentDirectory(), real + "/sub");
}

TEST(FileSystem, TrueNameFindsTheFirstMatchingEntry)
{
    TempDir dir;
    WriteBytes(dir / "alpha.txt", "");
    WriteBytes(dir / "alpha2.txt", "");
    WriteBytes(dir / "Beta.txt", "");
    WriteBytes(dir / ".hidden", "");
    WriteBytes(dir / "noext", "");
    fs::create_directory(dir / "folder");

    EXPECT_EQ(TrueName(dir / "alpha.txt"), "alpha.txt");
    EXPECT_EQ(TrueName(dir / "folder"), "folder") << "folders are found too";
    EXPECT_EQ(TrueName(dir / "alpha?.txt"), "alpha2.txt");
    EXPECT_EQ(TrueName(dir / "*.txt"), "Beta.txt") << "the first by name, capitals first";
    EXPECT_EQ(TrueName(dir / "a*"), "alpha.txt");
    EXPECT_EQ(TrueName(dir / "*"), ".hidden") << "hidden entries match; . and .. do not";
    EXPECT_EQ(TrueName(dir / "fold??"), "folder");
    EXPECT_EQ(TrueName(dir / "noext*"), "noext");

    EXPECT_FALSE(TrueName(dir / "beta.txt")) << "names are told apart by letter case here";
    EXPECT_FALSE(TrueName(dir / "missing"));
    EXPECT_FALSE(TrueName(dir / "*.key"));
    EXPECT_FALSE(TrueName(dir / "alpha?"));
    EXPECT_FALSE(TrueName(dir / "missing/*"));
    EXPECT_FALSE(TrueName(dir.path() + "/"));

    InFolder here(dir.path());
    EXPECT_EQ(TrueName("alpha*"), "alpha.txt") << "a name without a folder searches the current one";
}

TEST(FileSystem, WildcardRule)
{
    EXPECT_TRUE(MatchesWildcards("*", ""));
    EXPECT_TRUE(MatchesWildcards("a*b*c", "aXXbYbc"));
    EXPECT_FALSE(MatchesWildcards("a*b*c", "aXXbYbcd"));
    EXPECT_TRUE(MatchesWildcards("??.k*", "ab.key"));
    EXPECT_FALSE(MatchesWildcards("??.k*", "abc.key"));
    EXPECT_FALSE(MatchesWildcards("*.*", "noext"));
    EXPECT_TRUE(MatchesWildcards("[a].txt", "[a].txt")) << "brackets are plain characters";
    EXPECT_FALSE(MatchesWildcards("[a].txt", "a.txt"));
}

TEST(FileSystem, ProgramDirectoryHoldsTheRunningProgram)
{
    const std::string folder = ProgramDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(FileExists(folder + "/platform_native_tests"));
}

} // namespace
