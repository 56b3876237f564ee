// The program-wide values of the encoder program: one instance, owned by the
// program body and handed to the windows.
#pragma once

#include "../core/key_table.h"
#include "../core/random.h"
#include "../platform/settings_store.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string>

namespace morvane::app {

struct ProgramState {
    std::uint8_t FormsCreated = 0;
    bool CloseOnErrorDismiss = false;
    bool QuickMode = false;
    bool OpenFileMode = false;
    bool Encoding = false;
    bool EncodingCancelled = false;
    bool SourceTooLong = false;
    QString SourceFileName;
    QString StartDir;
    QString InstallDir;
    std::string SavedTop;  // at most 5 characters
    std::string SavedLeft; // at most 5 characters
    std::unique_ptr<platform::SettingsStore> Settings;
    std::string SettingsOpenPath; // the path of the open settings key; empty while none is open
    std::string SourceText; // bytes in the 8-bit code page
    std::string CodeText;
    morvane::KeyTable KeyTable;
    std::uint8_t CodeWidth = 0;
    RandomSource Random;
};

} // namespace morvane::app
