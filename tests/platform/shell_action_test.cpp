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
    const std::string text = dir / "notes.txt";
    WriteBytes(text, "text");

    auto action = [](const std::string& file, const std::string& directory = {}) {
        return ChooseShellAction(file, directory);
    };
    EXPECT_EQ(action(program).action, ShellAction::StartProgram);
    EXPECT_EQ(action(program).path, program);
    const ShellTarget relative = action("morvanedecoder", dir.path());
    EXPECT_EQ(relative.action, ShellAction::StartProgram);
    EXPECT_EQ(relative.path, program);

    EXPECT_EQ(action(text).action, ShellAction::OpenDocument);
    EXPECT_EQ(action(dir.path()).action, ShellAction::OpenDocument);

    EXPECT_EQ(action("https://www.morvane.example/").action, ShellAction::OpenAddress);
    EXPECT_EQ(action("mailto:author@morvane.example").path, "mailto:author@morvane.example");
    EXPECT_EQ(action("mailto:author@morvane.example").action, ShellAction::OpenAddress);

    // Nothing to do: the shell call fails quietly.
    EXPECT_EQ(action(dir / "missing").action, ShellAction::Nothing);
    EXPECT_EQ(action("").action, ShellAction::Nothing);
    EXPECT_EQ(action("C:\\Program Files\\Morvane\\morvanedecoder.exe").action, ShellAction::Nothing)
        << "a drive letter is no address";
    EXPECT_EQ(action(dir / "https:x").action, ShellAction::Nothing) << "a path is no address";

    // A long path is used whole.
    const std::string deep = dir / (std::string(100, 'd'));
    fs::create_directory(deep);
    const std::string longProgram = deep + "/morvanedecoder";
    fs::copy_file(program, longProgram);
    EXPECT_EQ(action(longProgram).action, ShellAction::StartProgram);
    EXPECT_EQ(action(longProgram).path, longProgram);
}
