#include "platform/shell_action.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace morvane::platform;
using namespace morvane::testing;
namespace fs = std::filesystem;

TEST(ShellAction, ProgramsStartDirectlyAddressesAndDocumentsGoToTheDesktop)
{
    TempDir dir;
    const std::string program = dir / "morvanedecoder";
    WriteBytes(program, "#!/bin/sh\n");
    fs::permissions(program, fs::perms::owner_all);
    WriteBytes(dir / "notes.txt", "text");
    const std::string deep = dir / std::string(100, 'd'); // a long path is used whole
    fs::create_directory(deep);
    fs::copy_file(program, deep + "/morvanedecoder");

    using enum ShellAction;
    const std::pair<std::string, ShellAction> cases[] = {
        {program, StartProgram}, {deep + "/morvanedecoder", StartProgram},
        {dir / "notes.txt", OpenDocument}, {dir.path(), OpenDocument},
        {"https://www.morvane.example/", OpenAddress}, {"mailto:author@morvane.example", OpenAddress},
        // Nothing to do: the shell call fails quietly. A drive letter or a path is no address.
        {dir / "missing", Nothing}, {"", Nothing}, {"C:\\Program Files\\Morvane\\morvanedecoder.exe", Nothing},
        {dir / "https:x", Nothing},
    };
    for (const auto& [file, action] : cases) {
        const ShellTarget target = ChooseShellAction(file, {});
        EXPECT_EQ(target.action, action) << file;
        if (action != Nothing) {
            EXPECT_EQ(target.path, file) << file;
        }
    }
    const ShellTarget relative = ChooseShellAction("morvanedecoder", dir.path());
    EXPECT_EQ(relative.action, StartProgram);
    EXPECT_EQ(relative.path, program);
}
