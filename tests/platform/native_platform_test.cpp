// The Qt-free platform layer: the settings store and file, the file-system helpers and the shell's choice of action.
#include "platform/file_system.h"
#include "platform/reg_file_store.h"
#include "platform/shell_action.h"
#include "platform/user_settings.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include "support/all.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace morvane::platform;
using namespace morvane::testing;
namespace fs = std::filesystem;

const std::string kKey = "software\\morvane";
const std::string kHead = "REGEDIT4\n[HKEY_CURRENT_USER\\software\\morvane]\n";
const std::string kShortFile = kHead + "\"LastTopPos\"=\"1\"\n";

static std::string Sz(const std::string& text) { return text + '\0'; }

static std::string Read(SettingsStore& s, const std::string& n) { return s.ReadValue(n).value_or(ValueData{}).data; }

// Whether a plain user may open the key: in a child that has dropped root.
static bool OpensAsPlainUser(const std::string& file)
{
    if (::fork() == 0) {
        const bool dropped = ::geteuid() != 0 || (!::setgroups(0, nullptr) && !::setgid(65534) && !::setuid(65534));
        ::_exit(dropped ? !RegFileStore(file).OpenKey(kKey) : 2);
    }
    int status = 0;
    return ::wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(RegFileStore, OpensOnlyAWritableKeyReadsEveryValueTypeAndWritesOnlyTheValueOrNothing)
{
    TempDir dir;
    const std::string file = dir / "settings.reg";
    WriteBytes(file, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"InstallPath\"=\"elsewhere\"\r\n"
                     "\"Only\"=\"other key\"\r\n\r\n"
                     "; the program's key, written by hand in another letter case\r\n"
                     "[hkey_current_user\\SOFTWARE\\Morvane]\r\n"
                     "\"InstallPath\"=\"C:\\\\Program Files\\\\Morvane \\\"new\\\"\"\r\n"
                     "\"Caf\xC3\xA9\"=\"na\xC3\xAFve \xE2\x82\xAC \xE2\x84\xA2 \xD0\x96\"\r\n"
                     "\"Number\"=dword:0000007B\r\n\"Blob\"=hex:01,ff,00\r\n@=\"default\"\r\n"
                     "\"Expand\"=hex(2):25,00,3d,d8,00,de,e9,00,00,00\r\n\"Long\"=hex:00,01,02,\\\r\n  03,04\r\n"
                     "\"EmptyNumber\"=hex(4):\r\n\"EmptyString\"=\"\"\r\n\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                     "\"Gone\"=-\r\n\"Broken\"=dword:xyz\r\n\"Twice\"=\"first\"\r\n\"TWICE\"=\"last\"\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Morvane\\Sub]\r\n\"Sub\"=\"not ours\"\r\n"
                     "[HKEY_CURRENT_USER\\software\\morvane]\r\n\"twice\"=\"second\"\r\n");
    RegFileStore store(file);
    EXPECT_FALSE(store.QueryValue("InstallPath")) << "no key open yet";
    ASSERT_TRUE(store.OpenKey(kKey));
    // Names match in any letter case; \\ and \" are escapes. UTF-8 in the file is the 8-bit code page in the program,
    // where neither the Cyrillic letter nor a surrogate pair has a place. The key's sections are read as one, and of a
    // name the last value counts. A value's size is its data's.
    const std::tuple<std::string, std::uint32_t, std::string> cases[] = {
        {"INSTALLPATH", kRegSz, Sz("C:\\Program Files\\Morvane \"new\"")},
        {"CAF\xE9", kRegSz, Sz("na\xEFve \x80 \x99 ?")},
        {"Number", kRegDword, std::string("\x7B\0\0\0", 4)}, {"Blob", kRegBinary, std::string("\x01\xFF\x00", 3)},
        {"Expand", kRegExpandSz, Sz("%?\xE9")}, {"Long", kRegBinary, std::string("\x00\x01\x02\x03\x04", 5)},
        {"EmptyNumber", kRegDword, ""}, {"EmptyString", kRegSz, Sz("")}, {"Twice", kRegSz, Sz("second")},
        {"Qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8)}, {"", kRegSz, Sz("default")},
    };
    for (const auto& [name, type, data] : cases) {
        const auto info = store.QueryValue(name).value_or(ValueInfo{});
        EXPECT_EQ((All{info.type, store.ReadValue(name).value_or(ValueData{}).type}), (All{type, type})) << name;
        EXPECT_EQ((All{info.size, Read(store, name)}), (All{data.size(), data})) << name;
    }
    // Data that cannot be parsed: the value is there but cannot be read.
    EXPECT_EQ((All{store.QueryValue("Broken").value_or(ValueInfo{}).size > 0, store.ReadValue("Broken").has_value()}),
              (All{true, false}));
    // Of another key, of a key below, absent, taken away ("=-"); a name that differs beyond ASCII letter case.
    for (const char* name : {"Only", "Sub", "Missing", "Gone", "caf\xC9"})
        EXPECT_FALSE(store.QueryValue(name) || store.ReadValue(name)) << name;

    // The queries answer from the file as it was read, until it is read again.
    WriteBytes(file, kShortFile);
    EXPECT_TRUE(store.QueryValue("Number"));
    store.Refresh();
    EXPECT_EQ((All{store.QueryValue("Number").has_value(), Read(store, "LastTopPos")}), (All{false, Sz("1")}));

    // Without file, section or write access the key does not open, and nothing is created.
    WriteBytes(dir / "other.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\morvane2]\n\"InstallPath\"=\"x\"\n"
                                  "[HKEY_LOCAL_MACHINE\\software\\morvane]\n\"InstallPath\"=\"x\"\n");
    WriteBytes(dir / "plain.txt", kShortFile.substr(9)); // no header
    WriteBytes(dir / "read-only.reg", kShortFile);
    ASSERT_EQ(::mkfifo((dir / "pipe.reg").c_str(), 0600), 0);
    // A pipe or a device is refused at once, never read: a pipe without a writer would block the start.
    for (const std::string& name : {dir / "missing.reg", dir.path(), dir / "other.reg", dir / "plain.txt",
                                    dir / "pipe.reg", std::string("/dev/zero")})
        EXPECT_FALSE([&] { RegFileStore s(name); return s.OpenKey(kKey) || s.WriteString("Top", "1"); }()) << name;
    EXPECT_FALSE(fs::exists(dir / "missing.reg"));
    EXPECT_TRUE(RegFileStore(dir / "other.reg").OpenKey("software\\MORVANE2")) << "REGEDIT4 files count too";
    fs::permissions(dir.path(), fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
    fs::permissions(dir / "read-only.reg", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(OpensAsPlainUser(dir / "read-only.reg"));
    fs::permissions(dir / "read-only.reg", fs::perms::all);
    EXPECT_TRUE(OpensAsPlainUser(dir / "read-only.reg"));

    // A write changes the value alone and keeps every other byte.
    const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n; positions are written by the program\r\n"
                             "[HKEY_CURRENT_USER\\software\\morvane]\r\n\"InstallPath\"=\"/opt/morvane\"   \r\n";
    const std::string tail = "; end of the key\r\n\r\n[HKEY_CURRENT_USER\\software\\other]\r\n\"LastLeftPos\"=\"7\"\n";
    WriteBytes(file, head + "  \"lastTopPos\" = \"-1\"\r\n\"Blob\"=hex:00,01,\\\r\n  02\r\n" + tail);
    ASSERT_TRUE(store.OpenKey(kKey));
    ASSERT_TRUE(store.WriteString("LASTTOPPOS", "120") && store.WriteString("LastLeftPos", "-33") &&
                store.WriteString("Blob", "C:\\ \"quoted\" \xE9\x80"));
    for (const char* lines : {"one\rtwo", "one\ntwo"})
        EXPECT_FALSE(store.WriteString("Lines", lines)) << "a line break cannot stand in quotes";
    EXPECT_EQ(ReadBytes(file), head + "  \"lastTopPos\"=\"120\"\r\n"
                                      "\"Blob\"=\"C:\\\\ \\\"quoted\\\" \xC3\xA9\xE2\x82\xAC\"\r\n"
                                      "\"LastLeftPos\"=\"-33\"\r\n" + tail);
    RegFileStore again(file); // and the writer sees what it wrote
    ASSERT_TRUE(again.OpenKey(kKey));
    EXPECT_EQ((All{Read(again, "LastTopPos"), again.QueryValue("Blob")->type, Read(again, "Blob"),
                   Read(store, "LastLeftPos")}),
              (All{Sz("120"), kRegSz, Sz("C:\\ \"quoted\" \xE9\x80"), Sz("-33")}));

    // A new value goes after the key's last line and leaves the other values readable: at the end of a file without
    // a line end, or with a lone CR; after a continuation cut short by the end; in the key's last section.
    const std::string other = "[HKEY_CURRENT_USER\\software\\other]\n";
    const std::tuple<std::string, std::string, std::string, std::string> added[] = { // before, joint, end, after
        {kHead + "\"A\"=\"\"", "\n", "", ""}, {kHead + "\"A\"=\"\"\r", "\n", "", ""},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\software\\morvane]\r", "\n", "", ""},
        {kHead + "\"A\"=hex:01,\\\n", "\n", "\n", ""}, {kHead + "\"A\"=hex:01,\\", "\n\n", "", ""},
        {kHead + "\"A\"=\"\"\n" + other + kHead.substr(9), "", "\n", other},
    };
    for (const auto& [before, joint, end, after] : added) {
        WriteBytes(file, before + after);
        ASSERT_TRUE(store.OpenKey(kKey) && store.WriteString("LastTopPos", "5")) << before;
        EXPECT_EQ(ReadBytes(file), before + joint + "\"LastTopPos\"=\"5\"" + end + after) << before;
        RegFileStore fresh(file);
        EXPECT_EQ((All{fresh.OpenKey(kKey), Read(fresh, "LastTopPos"), fresh.QueryValue("A").has_value()}),
                  (All{true, Sz("5"), before.find("\"A\"") != std::string::npos})) << before;
    }

    // A write that fails as on a full disk (even for root) leaves the file whole.
    WriteBytes(file, kShortFile);
    EXPECT_FALSE([&] { FileSizeLimit full(kShortFile.size() - 2); return store.WriteString("LastTopPos", "2"); }());
    EXPECT_EQ((All{ReadBytes(file), std::distance(fs::directory_iterator(dir.path()), {})}), (All{kShortFile, 5}));
    // The key removed from the file after it was opened: never created again.
    WriteBytes(file, "REGEDIT4\n; emptied by hand\n");
    EXPECT_EQ((All{store.WriteString("LastTopPos", "2"), ReadBytes(file)}),
              (All{false, "REGEDIT4\n; emptied by hand\n"}));

    // Two writers at once keep each other's values: each re-reads the file under a lock.
    WriteBytes(file, kHead);
    auto writer = [&](const std::string& name, bool* ok) { // ten values each, A0 to A9 and B0 to B9
        RegFileStore store(file);
        *ok = store.OpenKey(kKey);
        for (char digit = '0'; digit <= '9' && *ok; ++digit)
            *ok = store.WriteString(name + digit, name + digit);
    };
    bool okA = false, okB = false;
    std::thread a(writer, "A", &okA), b(writer, "B", &okB);
    a.join(), b.join();
    ASSERT_TRUE(okA && okB && again.OpenKey(kKey));
    for (const std::string name : {"A", "B"})
        for (char digit = '0'; digit <= '9'; ++digit)
            EXPECT_EQ(Read(again, name + digit), Sz(name + digit));
}

TEST(UserSettings, FileFollowsTheEnvironmentAndStartsAsACopyOfTheSystemDefault)
{
    TempDir dir;
    ::setenv("HOME", "/home/ann", 1);
    ::unsetenv("MORVANE_SETTINGS");
    for (const char* configHome : {"", "relative/config", "/xdg"}) { // a relative one is ignored
        ::setenv("XDG_CONFIG_HOME", configHome, 1);
        EXPECT_EQ(UserSettingsPath(), *configHome == '/' ? "/xdg/morvane/settings.reg"
                                                         : "/home/ann/.config/morvane/settings.reg");
    }
    ::setenv("MORVANE_SETTINGS", (dir / "named.reg").c_str(), 1);
    EXPECT_EQ(UserSettingsPath(), dir / "named.reg");

    // A user without a settings file gets a copy of the first system default in $XDG_CONFIG_DIRS, in private folders.
    const std::string sys1 = dir / "sys1", sys2 = dir / "sys2", home = dir / "home";
    for (const auto& [folder, text] : {std::pair{sys1, "first"}, std::pair{sys2, kShortFile.c_str()}})
        fs::create_directories(folder + "/morvane"), WriteBytes(folder + "/morvane/settings.reg", text);
    WriteBytes(dir / "blocker", "");
    const std::string relative = fs::relative(sys1).string(); // sys1, but ignored
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = { // before and after: "" for none
        {relative + ":" + dir / "none:" + sys2 + ":" + sys1, home + "/.config/morvane/settings.reg", "", kShortFile},
        {sys1, dir / "damaged.reg", "[damaged", "[damaged"}, // never replaced
        {sys1, dir / "link.reg", "->", ""},                   // a link to nothing
        {relative + ":" + dir / "none", dir / "nowhere.reg", "", ""},
        {sys1, dir / "blocker/morvane/settings.reg", "", ""},
    };
    for (const auto& [configDirs, userFile, before, after] : cases) {
        ::setenv("XDG_CONFIG_DIRS", configDirs.c_str(), 1);
        if (before == "->")
            fs::create_symlink(dir / "target.reg", userFile);
        else if (!before.empty())
            WriteBytes(userFile, before);
        EXPECT_EQ(CopySystemDefaultSettings(userFile), before.empty() && !after.empty()) << userFile;
        EXPECT_EQ(ReadBytes(userFile), after) << userFile; // nothing where there is no file
    }
    for (const std::string& folder : {home, home + "/.config", home + "/.config/morvane"})
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;

    // The program copies it to the default place, never to a named file.
    ::setenv("XDG_CONFIG_DIRS", sys2.c_str(), 1);
    ::setenv("MORVANE_SETTINGS", (dir / "named-missing.reg").c_str(), 1);
    EXPECT_FALSE(CreateUserSettingsStore()->OpenKey(kKey) || fs::exists(dir / "named-missing.reg"));
    ::unsetenv("MORVANE_SETTINGS");
    ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    const auto store = CreateUserSettingsStore();
    ASSERT_TRUE(store->OpenKey(kKey));
    EXPECT_EQ((All{Read(*store, "LastTopPos"), ReadBytes(dir / "xdg/morvane/settings.reg")}),
              (All{Sz("1"), kShortFile}));
}

TEST(FileSystem, FileExistsFullPathFindEntryNameAndShellAction)
{
    TempDir dir;
    const std::string real = fs::canonical(dir.path()).string();
    for (const char* name : {"alpha.txt", "alpha2.txt", "Beta.txt", ".hidden", "noext"})
        WriteBytes(dir / name, "");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const auto& [target, link] : {std::pair{"noext", "link"}, {"folder", "folder-link"}, {"nothing", "dangling"}})
        fs::create_symlink(dir / target, dir / link);
    EXPECT_TRUE(FileExists(ProgramDirectory() + "/platform_native_tests"));
    const std::string old = CurrentDirectory();
    fs::current_path(real);
    EXPECT_EQ(CurrentDirectory(), real);
    for (const std::string& name : {dir / "noext", dir / "link", std::string("alpha.txt")})
        EXPECT_TRUE(FileExists(name)) << name; // links followed; relative to the current directory
    for (const std::string& name : {dir / "folder", dir / "folder-link", dir / "fifo", dir / "dangling",
                                    dir / "missing", std::string("/dev/null"), std::string()})
        EXPECT_FALSE(FileExists(name)) << name;

    const std::pair<std::string, std::string> full[] = {
        {"name.txt", real + "/name.txt"}, {"./a/./b/../c.txt", real + "/a/c.txt"}, {"folder/", real + "/folder"},
        {".", real}, {"//x///y/", "/x/y"}, {"/../..", "/"}, {"", ""},
    };
    for (const auto& [name, path] : full)
        EXPECT_EQ(FullPath(name), path) << name;

    // The first match by name; letter case tells names apart; hidden entries match, "." and ".." not; [ is plain.
    const std::pair<std::string, std::optional<std::string>> found[] = {
        {"alpha.txt", "alpha.txt"}, {"folder", "folder"}, {"alpha?.txt", "alpha2.txt"}, {"*.txt", "Beta.txt"},
        {"a*", "alpha.txt"}, {"*", ".hidden"}, {"fold??", "folder"}, {"noext*", "noext"}, {"*l*k", "folder-link"},
        {"beta.txt", {}}, {"missing", {}}, {"*.key", {}}, {"alpha?", {}}, {"missing/*", {}}, {"", {}}, {"[a]*", {}},
        {"n*e*t", "noext"}, {"?*?.t?t", "Beta.txt"}, {"*.*t", "Beta.txt"}, {"noext.*", {}}, {"*.tx", {}},
    };
    for (const auto& [pattern, name] : found)
        EXPECT_EQ(FindEntryName(dir / pattern), name) << pattern;
    EXPECT_EQ(FindEntryName("alpha*"), "alpha.txt") << "a name without a folder searches the current one";
    EXPECT_TRUE(MatchesWildcards("[a].txt", "[a].txt"));
    fs::current_path(old);

    // The shell starts programs directly and hands addresses and documents to the desktop.
    const std::string program = dir / "morvanedecoder";
    WriteBytes(program, "#!/bin/sh\n");
    fs::permissions(program, fs::perms::owner_all);
    fs::permissions(dir / "folder", fs::perms::all); // an executable folder is still a folder
    using enum ShellAction;
    const std::pair<std::string, ShellAction> cases[] = {
        {program, StartProgram}, {dir / "alpha.txt", OpenDocument}, {dir / "folder", OpenDocument},
        {"https://www.morvane.example/", OpenAddress}, {"mailto:author@morvane.example", OpenAddress},
        // Nothing to do: the shell call fails quietly. A drive letter or a path is no address.
        {dir / "missing", Nothing}, {"", Nothing}, {"C:\\Program Files\\Morvane\\morvanedecoder.exe", Nothing},
        {dir / "https:x", Nothing},
    };
    for (const auto& [file, action] : cases) {
        const ShellTarget target = ChooseShellAction(file, {});
        EXPECT_EQ((All{target.action, action == Nothing ? file : target.path}), (All{action, file}));
    }
    const ShellTarget relative = ChooseShellAction("morvanedecoder", dir.path()); // a name in the given folder
    EXPECT_EQ((All{relative.action, relative.path}), (All{StartProgram, program}));
}
