// How the shell of a desktop without ShellExecute decides what to do with a
// file text: start a program, open a document or folder, or open an address.
#pragma once

#include <string>

namespace morvane::platform {

enum class ShellAction {
    StartProgram, // an executable regular file: started directly, no shell command line
    OpenDocument, // any other existing file or folder: the desktop's handler opens it
    OpenAddress,  // "scheme:..." (https:, mailto:): the desktop's handler for the scheme
    Nothing,      // names nothing: nothing happens, as a failed shell call does nothing
};

struct ShellTarget {
    ShellAction action = ShellAction::Nothing;
    std::string path; // the file's path (against the directory text when relative); the address as given
};

ShellTarget ChooseShellAction(const std::string& file, const std::string& directory);

} // namespace morvane::platform
