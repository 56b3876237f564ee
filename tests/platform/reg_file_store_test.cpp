#include "platform/reg_file_store.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using namespace morvane::platform;
using namespace morvane::testing;

namespace {

const std::string kKey = "software\\morvane";

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

// The store's value, or a marker that tells the two kinds of absence apart.
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
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
              "\"InstallPath\"=\"elsewhere\"\r\n"
              "\"Only\"=\"other key\"\r\n"
              "\r\n"
              "; the program's key, written by hand in another letter case\r\n"
              "[hkey_current_user\\SOFTWARE\\Morvane]\r\n"
              "\"InstallPath\"=\"C:\\\\Program Files\\\\Morvane \\\"new\\\"\"\r\n"
              "\"Caf\xC3\xA9\"=\"na\xC3\xAFve \xE2\x82\xAC \xE2\x84\xA2 \xD0\x96\"\r\n"
              "\"Number\"=dword:0000007B\r\n"
              "\"Blob\"=hex:01,ff,00\r\n"
              "\"Expand\"=hex(2):25,00,41,00,e9,00,00,00\r\n"
              "\"Long\"=hex:00,01,02,\\\r\n"
              "  03,04\r\n"
              "\"EmptyNumber\"=hex(4):\r\n"
              "\"EmptyString\"=\"\"\r\n"
              "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
              "\"Gone\"=-\r\n"
              "\"Broken\"=dword:xyz\r\n"
              "\"Twice\"=\"first\"\r\n"
              "@=\"default\"\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Morvane\\Sub]\r\n"
              "\"Sub\"=\"not ours\"\r\n"
              "[HKEY_CURRENT_USER\\software\\morvane]\r\n"
              "\"twice\"=\"second\"\r\n");

    RegFileStore store(file);
    EXPECT_FALSE(store.QueryValue("InstallPath")) << "no key open yet";
    ASSERT_TRUE(store.OpenKey(kKey));

    const auto info = store.QueryValue("INSTALLPATH");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->type, kRegSz);
    EXPECT_EQ(info->size, 31u); // 30 characters and the terminating zero
    EXPECT_EQ(ReadOrMissing(store, "installpath"), Sz("C:\\Program Files\\Morvane \"new\""));

    // UTF-8 in the file, the 8-bit code page in the program; the Cyrillic
    // letter has no place in it.
    EXPECT_EQ(ReadOrMissing(store, "caf\xC9"), Sz("na\xEFve \x80 \x99 ?"));

    const auto number = store.ReadValue("Number");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->type, kRegDword);
    EXPECT_EQ(number->data, std::string("\x7B\0\0\0", 4));

    const auto blob = store.ReadValue("Blob");
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->type, kRegBinary);
    EXPECT_EQ(blob->data, std::string("\x01\xFF\x00", 3));

    const auto expand = store.ReadValue("Expand");
    ASSERT_TRUE(expand);
    EXPECT_EQ(expand->type, kRegExpandSz);
    EXPECT_EQ(expand->data, Sz("%A\xE9"));
    EXPECT_EQ(store.QueryValue("Expand")->size, 4u);

    EXPECT_EQ(ReadOrMissing(store, "Long"), std::string("\x00\x01\x02\x03\x04", 5));

    const auto emptyNumber = store.QueryValue("EmptyNumber");
    ASSERT_TRUE(emptyNumber);
    EXPECT_EQ(emptyNumber->type, kRegDword);
    EXPECT_EQ(emptyNumber->size, 0u);
    EXPECT_EQ(store.QueryValue("EmptyString")->size, 1u);

    EXPECT_EQ(store.QueryValue("Qword")->type, 11u);
    EXPECT_EQ(store.QueryValue("Qword")->size, 8u);

    EXPECT_FALSE(store.QueryValue("Gone"));
    EXPECT_FALSE(store.QueryValue("Broken"));
    EXPECT_FALSE(store.ReadValue("Broken"));
    EXPECT_FALSE(store.QueryValue("Only")) << "a value of another key";
    EXPECT_FALSE(store.QueryValue("Sub")) << "a value of a key below";
    EXPECT_FALSE(store.QueryValue("Missing"));
    EXPECT_EQ(ReadOrMissing(store, "Twice"), Sz("second")) << "a later section of the key wins";
    EXPECT_EQ(ReadOrMissing(store, ""), Sz("default"));
}

TEST(RegFileStore, OpenKeyFailsWithoutFileOrSectionAndCreatesNothing)
{
    TempDir dir;
    const std::string missing = dir / "missing.reg";
    RegFileStore noFile(missing);
    EXPECT_FALSE(noFile.OpenKey(kKey));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(noFile.WriteString("LastTopPos", "1"));
    EXPECT_FALSE(std::filesystem::exists(missing));

    RegFileStore folder(dir.path());
    EXPECT_FALSE(folder.OpenKey(kKey));

    const std::string otherKey = dir / "other.reg";
    WriteBytes(otherKey, "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\morvane2]\n\"InstallPath\"=\"x\"\n"
                        "[HKEY_LOCAL_MACHINE\\software\\morvane]\n\"InstallPath\"=\"x\"\n");
    RegFileStore other(otherKey);
    EXPECT_FALSE(other.OpenKey(kKey));
    EXPECT_TRUE(other.OpenKey("software\\MORVANE2")) << "REGEDIT4 files are registry files too";

    const std::string noHeader = dir / "plain.txt";
    WriteBytes(noHeader, "[HKEY_CURRENT_USER\\software\\morvane]\n\"InstallPath\"=\"x\"\n");
    EXPECT_FALSE(RegFileStore(noHeader).OpenKey(kKey));

    if (::geteuid() != 0) { // permissions do not bind the superuser
        const std::string readOnly = dir / "read-only.reg";
        WriteBytes(readOnly, "REGEDIT4\n[HKEY_CURRENT_USER\\software\\morvane]\n");
        std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
        EXPECT_FALSE(RegFileStore(readOnly).OpenKey(kKey));
    }
}

TEST(RegFileStore, WriteChangesOnlyTheValueAndKeepsEveryOtherByte)
{
    TempDir dir;
    const std::string file = dir / "settings.reg";
    const std::string before =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; positions are written by the program\r\n"
        "[HKEY_CURRENT_USER\\software\\morvane]\r\n"
        "\"InstallPath\"=\"/opt/morvane\"   \r\n"
        "  \"lastTopPos\" = \"-1\"\r\n"
        "\"Blob\"=hex:00,01,\\\r\n"
        "  02\r\n"
        "; end of the key\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\software\\other]\r\n"
        "\"LastLeftPos\"=\"7\"\r\n";
    WriteBytes(file, before);

    RegFileStore store(file);
    ASSERT_TRUE(store.OpenKey(kKey));
    ASSERT_TRUE(store.WriteString("LASTTOPPOS", "120"));
    ASSERT_TRUE(store.WriteString("LastLeftPos", "-33"));
    ASSERT_TRUE(store.WriteString("Blob", "C:\\ \"quoted\" \xE9\x80"));
    EXPECT_EQ(ReadBytes(file),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "; positions are written by the program\r\n"
              "[HKEY_CURRENT_USER\\software\\morvane]\r\n"
              "\"InstallPath\"=\"/opt/morvane\"   \r\n"
              "  \"lastTopPos\"=\"120\"\r\n"
              "\"Blob\"=\"C:\\\\ \\\"quoted\\\" \xC3\xA9\xE2\x82\xAC\"\r\n"
              "\"LastLeftPos\"=\"-33\"\r\n"
              "; end of the key\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\software\\other]\r\n"
              "\"LastLeftPos\"=\"7\"\r\n");

    // A fresh store reads back what was written, as REG_SZ.
    RegFileStore again(file);
    ASSERT_TRUE(again.OpenKey(kKey));
    EXPECT_EQ(ReadOrMissing(again, "LastTopPos"), Sz("120"));
    EXPECT_EQ(ReadOrMissing(again, "LastLeftPos"), Sz("-33"));
    EXPECT_EQ(again.QueryValue("Blob")->type, kRegSz);
    EXPECT_EQ(ReadOrMissing(again, "Blob"), Sz("C:\\ \"quoted\" \xE9\x80"));

    // Text with line breaks cannot stand in quotes: it still reads back whole.
    ASSERT_TRUE(store.WriteString("Lines", "one\r\ntwo\n"));
    EXPECT_EQ(ReadOrMissing(again, "Lines"), Sz("one\r\ntwo\n"));
    EXPECT_EQ(again.QueryValue("Lines")->type, kRegSz);
}

TEST(RegFileStore, NewValueGoesIntoAKeyThatEndsTheFileWithoutLineEnd)
{
    TempDir dir;
    const std::string file = dir / "settings.reg";
    WriteBytes(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\morvane]\n\"InstallPath\"=\"\"");
    RegFileStore store(file);
    ASSERT_TRUE(store.OpenKey(kKey));
    ASSERT_TRUE(store.WriteString("LastTopPos", "5"));
    EXPECT_EQ(ReadBytes(file),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\morvane]\n\"InstallPath\"=\"\"\n\"LastTopPos\"=\"5\"");
}

TEST(RegFileStore, FailedWriteLeavesTheFileWhole)
{
    TempDir dir;
    const std::string content = "REGEDIT4\n[HKEY_CURRENT_USER\\software\\morvane]\n\"LastTopPos\"=\"1\"\n";

    // The temporary file beside a name this long cannot be created, even by
    // the superuser.
    const std::string longName = dir / (std::string(250, 'n') + ".reg");
    WriteBytes(longName, content);
    RegFileStore store(longName);
    ASSERT_TRUE(store.OpenKey(kKey));
    EXPECT_FALSE(store.WriteString("LastTopPos", "2"));
    EXPECT_EQ(ReadBytes(longName), content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary file left";

    // The key removed from the file after it was opened: never created again.
    const std::string file = dir / "settings.reg";
    WriteBytes(file, content);
    RegFileStore gone(file);
    ASSERT_TRUE(gone.OpenKey(kKey));
    const std::string withoutKey = "REGEDIT4\n; emptied by hand\n";
    WriteBytes(file, withoutKey);
    EXPECT_FALSE(gone.WriteString("LastTopPos", "2"));
    EXPECT_EQ(ReadBytes(file), withoutKey);
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
    bool okA = false;
    bool okB = false;
    std::thread a(writer, "A", &okA);
    std::thread b(writer, "B", &okB);
    a.join();
    b.join();
    ASSERT_TRUE(okA);
    ASSERT_TRUE(okB);

    RegFileStore reader(file);
    ASSERT_TRUE(reader.OpenKey(kKey));
    for (int i = 0; i < kValues; ++i) {
        EXPECT_EQ(ReadOrMissing(reader, "A" + std::to_string(i)), Sz("A value " + std::to_string(i)));
        EXPECT_EQ(ReadOrMissing(reader, "B" + std::to_string(i)), Sz("B value " + std::to_string(i)));
    }
}

TEST(RegFileStore, UserSettingsFileFollowsTheEnvironment)
{
    struct SavedVariable {
        std::string name;
        std::optional<std::string> value;
        explicit SavedVariable(std::string n) : name(std::move(n))
        {
            if (const char* v = std::getenv(name.c_str()))
                value = v;
        }
        ~SavedVariable()
        {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    };
    SavedVariable settings("MORVANE_SETTINGS"), config("XDG_CONFIG_HOME"), home("HOME");

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
    WriteBytes(file, "REGEDIT4\n[HKEY_CURRENT_USER\\software\\morvane]\n\"InstallPath\"=\"/x\"\n");
    auto store = CreateUserSettingsStore();
    ASSERT_TRUE(store->OpenKey(kKey));
    EXPECT_EQ(store->ReadValue("InstallPath")->data, Sz("/x"));
}

} // namespace
