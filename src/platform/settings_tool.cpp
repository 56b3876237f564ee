// morvane-settings: the installer's hand on a user's settings file, through
// the programs' own store, so that the installer and the programs read the
// file alike.
//
//   morvane-settings FILE INSTALL_DIR
//
// Opens the key software\morvane (adding its section to a registry file that
// has none), sets InstallPath to INSTALL_DIR and adds LastTopPos and
// LastLeftPos as "-1" where the key lacks them. Exit status 0 when done,
// 1 with a message otherwise, 2 for a wrong command line.
#include "platform/cp1252.h"
#include "platform/reg_file_store.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: morvane-settings FILE INSTALL_DIR\n");
        return 2;
    }
    const std::string file = argv[1];
    const std::string key = "software\\morvane";
    morvane::platform::RegFileStore store(file);
    if (!store.OpenKey(key) && !store.CreateKey(key)) {
        std::fprintf(stderr, "morvane-settings: %s: no registry file that can be read and replaced\n", file.c_str());
        return 1;
    }
    // The store takes text in the programs' 8-bit code page; the folder's name comes as UTF-8.
    bool ok = store.WriteString("InstallPath", morvane::platform::Utf8ToCp1252(argv[2]));
    for (const char* position : {"LastTopPos", "LastLeftPos"})
        ok = ok && (store.QueryValue(position) || store.WriteString(position, "-1"));
    if (!ok) {
        std::fprintf(stderr, "morvane-settings: %s: the settings could not be written\n", file.c_str());
        return 1;
    }
    return 0;
}
