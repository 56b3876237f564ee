#include "platform/file_system.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace morvane::platform;
using namespace morvane::testing;
namespace fs = std::filesystem;

namespace {

// Makes a folder current for the test and the old one current again after.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : old_(CurrentDirectory()) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(old_); }

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
    for (const std::string& name : {dir / "folder", dir / "folder-link", dir / "fifo", dir / "dangling",
                                   dir / "missing", std::string("/dev/null"), std::string()})
        EXPECT_FALSE(FileExists(name)) << name;
    InFolder here(dir.path());
    EXPECT_TRUE(FileExists("file")) << "relative to the current directory";
}

TEST(FileSystem, FullPathCurrentDirectoryAndProgramDirectory)
{
    EXPECT_TRUE(FileExists(ProgramDirectory() + "/platform_native_tests"));
    TempDir dir;
    fs::create_directory(dir / "sub");
    const std::string real = fs::canonical(dir.path()).string();
    InFolder here(real);
    EXPECT_EQ(CurrentDirectory(), real);
    const std::pair<std::string, std::string> cases[] = {
        {"name.txt", real + "/name.txt"}, {"./a/./b/../c.txt", real + "/a/c.txt"}, {"sub/", real + "/sub"},
        {".", real}, {"//x///y/", "/x/y"}, {"/../..", "/"}, {"", ""},
    };
    for (const auto& [name, full] : cases)
        EXPECT_EQ(FullPath(name), full) << name;
    fs::current_path("sub");
    EXPECT_EQ(CurrentDirectory(), real + "/sub");
}

TEST(FileSystem, FindEntryNameFindsTheFirstMatchingEntry)
{
    TempDir dir;
    for (const char* name : {"alpha.txt", "alpha2.txt", "Beta.txt", ".hidden", "noext"})
        WriteBytes(dir / name, "");
    fs::create_directory(dir / "folder");

    const std::pair<const char*, const char*> found[] = {
        {"alpha.txt", "alpha.txt"}, {"folder", "folder"},  {"alpha?.txt", "alpha2.txt"},
        {"*.txt", "Beta.txt"}, // the first by name, capitals first
        {"a*", "alpha.txt"},        {"*", ".hidden"}, // hidden entries match; . and .. do not
        {"fold??", "folder"},       {"noext*", "noext"},
    };
    for (const auto& [pattern, name] : found)
        EXPECT_EQ(FindEntryName(dir / pattern), name) << pattern;
    // Letter case tells names apart here.
    for (const char* pattern : {"beta.txt", "missing", "*.key", "alpha?", "missing/*", ""})
        EXPECT_FALSE(FindEntryName(dir / pattern)) << pattern;

    InFolder here(dir.path());
    EXPECT_EQ(FindEntryName("alpha*"), "alpha.txt") << "a name without a folder searches the current one";

    EXPECT_TRUE(MatchesWildcards("*", ""));
    EXPECT_TRUE(MatchesWildcards("a*b*c", "aXXbYbc"));
    EXPECT_FALSE(MatchesWildcards("a*b*c", "aXXbYbcd"));
    EXPECT_TRUE(MatchesWildcards("??.k*", "ab.key"));
    EXPECT_FALSE(MatchesWildcards("??.k*", "abc.key"));
    EXPECT_FALSE(MatchesWildcards("*.*", "noext"));
    EXPECT_TRUE(MatchesWildcards("[a].txt", "[a].txt")) << "brackets are plain characters";
    EXPECT_FALSE(MatchesWildcards("[a].txt", "a.txt"));
}

} // namespace
