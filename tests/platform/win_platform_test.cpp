// The Windows side of the Qt-free platform layer: the settings key in the registry of the current user, and the
// file-system helpers with the meanings of the Windows calls.
#include "platform/file_system.h"
#include "platform/win_registry_store.h"

#include "support/all.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace morvane::platform;
using namespace morvane::testing;
namespace fs = std::filesystem;

namespace {

const char* const kKey = "software\\morvane";

std::string Sz(const std::string& text) { return text + '\0'; }

// The key as an installation leaves it, made here with the registry's own calls; removed again at the end.
struct InstalledKey {
    InstalledKey()
    {
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    }
    ~InstalledKey() { RegCloseKey(key), RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    void Set(const char* name, DWORD type, const std::string& data)
    {
        EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())), 0) << name;
    }
    std::pair<DWORD, std::string> Get(const char* name)
    {
        DWORD type = 0, size = 256;
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != 0)
            return {};
        return {type, data.substr(0, size)};
    }
    HKEY key = nullptr;
};

} // namespace

TEST(WinRegistryStore, OpensOnlyAnExistingKeyAndReadsAndWritesItsValues)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    {
        WinRegistryStore store;
        EXPECT_FALSE(store.OpenKey(kKey)) << "no key, no settings";
        EXPECT_FALSE(store.QueryValue("InstallPath"));
        EXPECT_FALSE(store.WriteString("LastTopPos", "1")) << "nothing is written without an open key";
        HKEY probe = nullptr;
        EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &probe), 0) << "the store never creates the key";
    }
    InstalledKey installed;
    installed.Set("InstallPath", REG_SZ, Sz("C:\\Program Files\\Morvane"));
    installed.Set("LastTopPos", REG_EXPAND_SZ, Sz("%TOP%"));
    installed.Set("LastLeftPos", REG_DWORD, std::string("\x7B\0\0\0", 4));
    installed.Set("Blob", REG_BINARY, std::string("\x01\xFF\x00", 3));
    installed.Set("Empty", REG_SZ, "");
    installed.Set("EmptyNumber", REG_DWORD, "");
    installed.Set("Caf\xE9", REG_SZ, Sz("na\xEFve \x80"));

    WinRegistryStore store;
    ASSERT_TRUE(store.OpenKey("SOFTWARE\\Morvane")) << "key names match in any letter case";
    const std::tuple<std::string, DWORD, std::string> cases[] = {
        {"installpath", REG_SZ, Sz("C:\\Program Files\\Morvane")}, {"LastTopPos", REG_EXPAND_SZ, Sz("%TOP%")},
        {"LastLeftPos", REG_DWORD, std::string("\x7B\0\0\0", 4)}, {"Blob", REG_BINARY, std::string("\x01\xFF\x00", 3)},
        {"Empty", REG_SZ, ""}, {"EmptyNumber", REG_DWORD, ""}, {"CAF\xC9", REG_SZ, Sz("na\xEFve \x80")},
    };
    for (const auto& [name, type, data] : cases) {
        const ValueInfo info = store.QueryValue(name).value_or(ValueInfo{});
        const ValueData value = store.ReadValue(name).value_or(ValueData{});
        EXPECT_EQ((All{info.type, info.size, value.type, value.data}), (All{type, data.size(), type, data})) << name;
    }
    EXPECT_FALSE(store.QueryValue("Missing") || store.ReadValue("Missing"));

    // A write stores a string value, replacing a value of another type; what others write is seen at once.
    ASSERT_TRUE(store.WriteString("LastLeftPos", "-33"));
    ASSERT_TRUE(store.WriteString("LastTopPos", "120"));
    EXPECT_EQ((All{installed.Get("LastLeftPos"), installed.Get("LastTopPos"), installed.Get("InstallPath").second}),
              (All{std::pair{DWORD{REG_SZ}, Sz("-33")}, std::pair{DWORD{REG_SZ}, Sz("120")},
                   Sz("C:\\Program Files\\Morvane")})); // other values stay
    installed.Set("InstallPath", REG_SZ, Sz("D:\\Morvane"));
    EXPECT_EQ(store.ReadValue("InstallPath").value_or(ValueData{}).data, Sz("D:\\Morvane"));
}

TEST(FileSystem, FileExistsFullPathAndTheTrueNameOfAnEntry)
{
    TempDir dir;
    for (const char* name : {"alpha.txt", "alpha2.txt", "Beta.txt", "noext"})
        WriteBytes(dir / name, "");
    fs::create_directory(dir / "folder");
    EXPECT_TRUE(FileExists(ProgramDirectory() + "\\platform_native_tests.exe"));
    const std::string old = CurrentDirectory();
    fs::current_path(dir.path());
    const std::string here = CurrentDirectory();
    EXPECT_EQ(fs::path(here), fs::path(dir.path()).make_preferred());

    for (const std::string& name : {dir / "noext", std::string("alpha.txt"), std::string("BETA.TXT")})
        EXPECT_TRUE(FileExists(name)) << name; // relative to the current directory; letter case does not count
    for (const std::string& name : {dir / "folder", dir / "missing", std::string()})
        EXPECT_FALSE(FileExists(name)) << name;

    const std::pair<std::string, std::string> full[] = {
        {"name.txt", here + "\\name.txt"}, {".\\a\\.\\b\\..\\c.txt", here + "\\a\\c.txt"},
        {"a/b.txt", here + "\\a\\b.txt"}, {"C:\\x\\..\\y", "C:\\y"}, {"", ""},
    };
    for (const auto& [name, path] : full)
        EXPECT_EQ(FullPath(name), path) << name;

    // The entry as the file system stores it: the first match, letter case as stored.
    const std::pair<std::string, std::optional<std::string>> found[] = {
        {"beta.txt", "Beta.txt"}, {"ALPHA.TXT", "alpha.txt"}, {"folder", "folder"}, {"alpha?.txt", "alpha2.txt"},
        {"missing", {}}, {"*.key", {}}, {"missing\\*", {}},
    };
    for (const auto& [pattern, name] : found)
        EXPECT_EQ(FindEntryName(here + "\\" + pattern), name) << pattern;
    fs::current_path(old);
}
