#include "platform/reg_file_store.h"
#include "platform/user_settings.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <thread>

using namespace morvane::platform;
using namespace morvane::testing;

namespace {

const std::string kKey = "software\\morvane";
const std::string kShortFile = "REGEDIT4\n[HKEY_CURRENT_USER\\software\\morvane]\n\"LastTopPos\"=\"1\"\n";

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

std::string ReadOrMissing(RegFileStore& store, const std::string& name)
{
    const auto value = store.ReadValue(name);
    return value ? value->data : "<missing>";
}

TEST(RegFileStore, ReadsEveryValueTypeOfTheKeyOnly)
{
    TempDir dir;
    const std::string file = dir / "settings.reg";
    WriteBytes(file,
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
              "\"InstallPath\"=\"elsewhere\"\r\n"
              "\"Only\"=\"other key\"\r\n\r\n"
              "; the program's key, written by hand in another letter case\r\n"
              "[hkey_current_user\\SOFTWARE\\Morvane]\r\n"
              "\"InstallPath\"=\"C:\\\\Program Files\\\\Morvane \\\"new\\\"\"\r\n"
              "\"Caf\xC3\xA9\"=\"na\xC3\xAFve \xE2\x82\xAC \xE2\x84\xA2 \xD0\x96\"\r\n"
              "\"Number\"=dword:0000007B\r\n"
              "\"Blob\"=hex:01,ff,00\r\n"
              "\"Expand\"=hex(2):25,00,41,00,e9,00,00,00\r\n"
              "\"Long\"=hex:00,01,02,\\\r\n  03,04\r\n"
              "\"EmptyNumber\"=hex(4):\r\n"
              "\"EmptyString\"=\"\"\r\n"
              "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
              "\"Gone\"=-\r\n"
              "\"Broken\"=dword:xyz\r\n"
              "\"Twice\"=\"first\"\r\n"
              "@=\"default\"\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Morvane\\Sub]\r\n"
              "\"Sub\"=\"not ours\"\r\n"
              "[HKEY_CURRENT_USER\\software\\morvane]\r\n"
              "\"twice\"=\"second\"\r\n");

    RegFileStore store(file);
    EXPECT_FALSE(store.QueryValue("InstallPath")) << "no key open yet";
    ASSERT_TRUE(store.OpenKey(kKey));

    struct Case {
        std::string name;
        std::uint32_t type;
        std::string data; // its size is the value's size
    };
    const Case cases[] = {
        // Names match in any letter case; \\ and \" are escapes.
        {"INSTALLPATH", kRegSz, Sz("C:\\Program Files\\Morvane \"new\"")},
        // UTF-8 in the file, the 8-bit code page in the program; the Cyrillic
        // letter has no place in it.
        {"CAF\xE9", kRegSz, Sz("na\xEFve \x80 \x99 ?")},
        {"Number", kRegDword, std::string("\x7B\0\0\0", 4)},
        {"Blob", kRegBinary, std::string("\x01\xFF\x00", 3)},
        {"Expand", kRegExpandSz, Sz("%A\xE9")},
        {"Long", kRegBinary, std::string("\x00\x01\x02\x03\x04", 5)},
        {"EmptyNumber", kRegDword, ""},
        {"EmptyString", kRegSz, Sz("")},
        {"Qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8)},
        {"Twice", kRegSz, Sz("first")}, // a later section of the key does not count
        {"", kRegSz, Sz("default")},
    };
    for (const Case& c : cases) {
        const auto info = store.QueryValue(c.name);
        const auto value = store.ReadValue(c.name);
        ASSERT_TRUE(info && value) << c.name;
        EXPECT_EQ(info->type, c.type) << c.name;
        EXPECT_EQ(value->type, c.type) << c.name;
        EXPECT_EQ(info->size, c.data.size()) << c.name;
        EXPECT_EQ(value->data, c.data) << c.name;
    }
    // Data that cannot be parsed: the value is there but cannot be read.
    for (const char* name : {"Gone", "Broken"}) {
        EXPECT_GT(store.QueryValue(name).value_or(ValueInfo{}).size, 0u) << name;
        EXPECT_FALSE(store.ReadValue(name)) << name;
    }
    // Of another key, of a key below, absent; a name that differs beyond ASCII letter case.
    for (const char* name : {"Only", "Sub", "Missing", "caf\xC9"}) {
        EXPECT_FALSE(store.QueryValue(name)) << name;
        EXPECT_FALSE(store.ReadValue(name)) << name;
    }

    // The queries answer from the file as it was read, until it is read again.
    WriteBytes(file, kShortFile);
    EXPECT_TRUE(store.QueryValue("Number"));
    store.Refresh();
    EXPECT_FALSE(store.QueryValue("Number"));
    EXPECT_EQ(ReadOrMissing(store, "LastTopPos"), Sz("1"));
}

TEST(RegFileStore, OpenKeyFailsWithoutFileOrSectionAndCreatesNothing)
{
    TempDir dir;
    const std::string missing = dir / "missing.reg";
    RegFileStore noFile(missing);
    EXPECT_FALSE(noFile.OpenKey(kKey));
    EXPECT_FALSE(noFile.WriteString("LastTopPos", "1"));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(RegFileStore(dir.path()).OpenKey(kKey)) << "a folder";

    const std::string otherKey = dir / "other.reg";
    WriteBytes(otherKey, "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\morvane2]\n\"InstallPath\"=\"x\"\n"
                        "[HKEY_LOCAL_MACHINE\\software\\morvane]\n\"InstallPath\"=\"x\"\n");
    RegFileStore other(otherKey);
    EXPECT_FALSE(other.OpenKey(kKey));
    EXPECT_TRUE(other.OpenKey("software\\MORVANE2")) << "REGEDIT4 files are registry files too";

    const std::string noHeader = dir / "plain.txt";
    WriteBytes(noHeader, "[HKEY_CURRENT_USER\\software\\morvane]\n\"InstallPath\"=\"x\"\n");
    EXPECT_FALSE(RegFileStore(noHeader).OpenKey(kKey));

    // A pipe or a device is no settings file: refused at once, never read
    // (a pipe without a writer would block the start for good).
    const std::string pipe = dir / "pipe.reg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(RegFileStore(pipe).OpenKey(kKey));
    EXPECT_FALSE(RegFileStore("/dev/zero").OpenKey(kKey));

    if (::geteuid() != 0) { // permissions do not bind the superuser
        const std::string readOnly = dir / "read-only.reg";
        WriteBytes(readOnly, kShortFile);
        std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
        EXPECT_FALSE(RegFileStore(readOnly).OpenKey(kKey));
    }
}

TEST(RegFileStore, WriteChangesOnlyTheValueAndKeepsEveryOtherByte)
{
    TempDir dir;
    const std::string file = dir / "settings.reg";
    const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "; positions are written by the program\r\n"
                             "[HKEY_CURRENT_USER\\software\\morvane]\r\n"
                             "\"InstallPath\"=\"/opt/morvane\"   \r\n";
    const std::string tail = "; end of the key\r\n\r\n"
                             "[HKEY_CURRENT_USER\\software\\other]\r\n"
                             "\"LastLeftPos\"=\"7\"\r\n";
    WriteBytes(file, head + "  \"lastTopPos\" = \"-1\"\r\n\"Blob\"=hex:00,01,\\\r\n  02\r\n" + tail);

    RegFileStore store(file);
    ASSERT_TRUE(store.OpenKey(kKey));
    ASSERT_TRUE(store.WriteString("LASTTOPPOS", "120"));
    ASSERT_TRUE(store.WriteString("LastLeftPos", "-33"));
    ASSERT_TRUE(store.WriteString("Blob", "C:\\ \"quoted\" \xE9\x80"));
    EXPECT_EQ(ReadBytes(file), head +
                                   "  \"lastTopPos\"=\"120\"\r\n"
                                   "\"Blob\"=\"C:\\\\ \\\"quoted\\\" \xC3\xA9\xE2\x82\xAC\"\r\n"
                                   "\"LastLeftPos\"=\"-33\"\r\n" +
                                   tail);

    // A fresh store reads back what was written, as REG_SZ. Text with line
    // breaks cannot stand in quotes and is refused.
    EXPECT_FALSE(store.WriteString("Lines", "one\r\ntwo\n"));
    RegFileStore again(file);
    ASSERT_TRUE(again.OpenKey(kKey));
    EXPECT_EQ(ReadOrMissing(again, "LastTopPos"), Sz("120"));
    EXPECT_EQ(ReadOrMissing(again, "LastLeftPos"), Sz("-33"));
    EXPECT_EQ(ReadOrMissing(again, "Blob"), Sz("C:\\ \"quoted\" \xE9\x80"));
    EXPECT_EQ(again.QueryValue("Blob")->type, kRegSz);
    EXPECT_FALSE(again.QueryValue("Lines"));

    // A key that ends the file without a line end gets the new value after it.
    WriteBytes(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\morvane]\n\"InstallPath\"=\"\"");
    ASSERT_TRUE(store.WriteString("LastTopPos", "5"));
    EXPECT_EQ(ReadBytes(file),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\morvane]\n\"InstallPath\"=\"\"\n\"LastTopPos\"=\"5\"");
}

TEST(RegFileStore, FailedWriteLeavesTheFileWhole)
{
    TempDir dir;
    // A write that fails as on a full disk, even for the superuser.
    const std::string name = dir / "full.reg";
    WriteBytes(name, kShortFile);
    RegFileStore store(name);
    ASSERT_TRUE(store.OpenKey(kKey));
    {
        FileSizeLimit limit(10);
        EXPECT_FALSE(store.WriteString("LastTopPos", "2"));
    }
    EXPECT_EQ(ReadBytes(name), kShortFile);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary file left";

    // The key removed from the file after it was opened: never created again.
    const std::string file = dir / "settings.reg";
    WriteBytes(file, kShortFile);
    RegFileStore gone(file);
    ASSERT_TRUE(gone.OpenKey(kKey));
    WriteBytes(file, "REGEDIT4\n; emptied by hand\n");
    EXPECT_FALSE(gone.WriteString("LastTopPos", "2"));
    EXPECT_EQ(ReadBytes(file), "REGEDIT4\n; emptied by hand\n");
}

TEST(RegFileStore, TwoWritersKeepEachOthersValues)
{
    TempDir dir;
    const std::string file = dir / "settings.reg";
    WriteBytes(file, "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\software\\morvane]\n");
    constexpr int kValues = 25;
    auto writer = [&](const std::string& prefix, bool* ok) {
        RegFileStore store(file);
        *ok = store.OpenKey(kKey);
        for (int i = 0; i < kValues && *ok; ++i)
            *ok = store.WriteString(prefix + std::to_string(i), prefix + " value " + std::to_string(i));
    };
    bool okA = false, okB = false;
    std::thread a(writer, "A", &okA), b(writer, "B", &okB);
    a.join();
    b.join();
    ASSERT_TRUE(okA && okB);

    RegFileStore reader(file);
    ASSERT_TRUE(reader.OpenKey(kKey));
    for (int i = 0; i < kValues; ++i)
        for (const std::string prefix : {"A", "B"})
            EXPECT_EQ(ReadOrMissing(reader, prefix + std::to_string(i)), Sz(prefix + " value " + std::to_string(i)));
}

TEST(RegFileStore, UserSettingsFileFollowsTheEnvironment)
{
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const char* name : {"MORVANE_SETTINGS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "HOME"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    TempDir dir;
    ::setenv("HOME", "/home/ann", 1);
    ::unsetenv("MORVANE_SETTINGS");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserSettingsPath(), "/home/ann/.config/morvane/settings.reg");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(UserSettingsPath(), "/home/ann/.config/morvane/settings.reg");
    ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(UserSettingsPath(), "/xdg/morvane/settings.reg");

    const std::string file = dir / "named.reg";
    ::setenv("MORVANE_SETTINGS", file.c_str(), 1);
    EXPECT_EQ(UserSettingsPath(), file);
    WriteBytes(file, kShortFile);
    auto store = CreateUserSettingsStore();
    ASSERT_TRUE(store->OpenKey(kKey));
    EXPECT_EQ(store->ReadValue("LastTopPos")->data, Sz("1"));

    // A user without a settings file gets a copy of the system's default:
    // the first one in $XDG_CONFIG_DIRS, in folders made for the owner alone.
    const std::string sys1 = dir / "sys1", sys2 = dir / "sys2", home = dir / "home";
    for (const auto& [folder, text] : {std::pair{sys1, "first"}, std::pair{sys2, kShortFile.c_str()}}) {
        std::filesystem::create_directories(folder + "/morvane");
        WriteBytes(folder + "/morvane/settings.reg", text);
    }
    WriteBytes(dir / "blocker", "");
    const std::string relative = std::filesystem::relative(sys1).string(); // sys1, but ignored
    struct CopyCase {
        std::string configDirs;
        std::string userFile;
        const char* before; // nullptr: no file; "->": a link to nothing
        const char* after;  // nullptr: still nothing there
    };
    const CopyCase cases[] = {
        {relative + ":" + dir / "none" + ":" + sys2 + ":" + sys1, home + "/.config/morvane/settings.reg", nullptr, kShortFile.c_str()},
        {sys1, dir / "damaged.reg", "[damaged", "[damaged"},
        {sys1, dir / "link.reg", "->", nullptr},
        {relative + ":" + dir / "none", dir / "nowhere.reg", nullptr, nullptr},
        {sys1, dir / "blocker/morvane/settings.reg", nullptr, nullptr},
    };
    for (const CopyCase& c : cases) {
        ::setenv("XDG_CONFIG_DIRS", c.configDirs.c_str(), 1);
        if (c.before && std::string_view(c.before) == "->")
            std::filesystem::create_symlink(dir / "target.reg", c.userFile);
        else if (c.before)
            WriteBytes(c.userFile, c.before);
        EXPECT_EQ(CopySystemDefaultSettings(c.userFile), !c.before && c.after) << c.userFile;
        EXPECT_EQ(std::filesystem::exists(c.userFile) ? ReadBytes(c.userFile) : "<none>", c.after ? c.after : "<none>")
            << c.userFile;
    }
    for (const std::string& folder : {home, home + "/.config", home + "/.config/morvane"})
        EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all) << folder;

    // The program copies it to the default place, never to a named file.
    ::setenv("XDG_CONFIG_DIRS", sys2.c_str(), 1);
    ::setenv("MORVANE_SETTINGS", (dir / "named-missing.reg").c_str(), 1);
    EXPECT_FALSE(CreateUserSettingsStore()->OpenKey(kKey));
    EXPECT_FALSE(std::filesystem::exists(dir / "named-missing.reg"));
    ::unsetenv("MORVANE_SETTINGS");
    ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    EXPECT_TRUE(CreateUserSettingsStore()->OpenKey(kKey));
    EXPECT_EQ(ReadBytes(dir / "xdg/morvane/settings.reg"), kShortFile);

    for (const auto& [name, value] : saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

} // namespace
