// Scripted stand-ins for the platform, for the tests of the new-key window
// and the about box.
#pragma once

#include "platform/platform.h"

#include <QString>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace morvane::fakes {

// Answers the save dialog from a script; records every call.
class ScriptedDialogs : public platform::FileDialogs {
public:
    struct Call {
        platform::FileDialogOptions options;
        bool ownerOnScreen = false; // was the owner window on the screen while the dialog ran
    };

    std::optional<QString> GetOpenFileName(QWidget* owner, const platform::FileDialogOptions& options) override
    {
        return Answer(owner, options);
    }
    std::optional<QString> GetSaveFileName(QWidget* owner, const platform::FileDialogOptions& options) override
    {
        return Answer(owner, options);
    }

    std::deque<std::optional<QString>> answers; // nothing = cancelled
    std::vector<Call> calls;

private:
    std::optional<QString> Answer(QWidget* owner, const platform::FileDialogOptions& options)
    {
        QWindow* window = owner ? owner->window()->windowHandle() : nullptr;
        calls.push_back({options, window && window->isVisible()});
        if (answers.empty())
            return std::nullopt;
        // Read apart: GCC's -O2 warns about copying an optional QString here.
        const bool chosen = answers.front().has_value();
        const QString name = chosen ? *answers.front() : QString();
        answers.pop_front();
        if (!chosen)
            return std::nullopt;
        return name;
    }
};

class MemoryClipboard : public platform::Clipboard {
public:
    std::optional<std::string> GetText() override { return text; }
    bool SetText(std::string_view bytes) override
    {
        text = std::string(bytes);
        return true;
    }
    std::string text;
};

class RecordingShell : public platform::Shell {
public:
    struct Call {
        std::string file, parameters, directory;
        int showCommand;
    };
    void ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
                   int showCommand) override
    {
        calls.push_back({file, parameters, directory, showCommand});
    }
    std::vector<Call> calls;
};

class FixedClock : public platform::Clock {
public:
    std::chrono::system_clock::time_point Now() override { return std::chrono::system_clock::time_point{}; }
};

class CountingFailureBox : public platform::FailureBox {
public:
    void Show(QWidget*, const QString&, const QString& text) override { texts.push_back(text); }
    std::vector<QString> texts;
};

// A settings key that holds a sound installation.
class MemorySettings : public platform::SettingsStore {
public:
    MemorySettings()
    {
        SetString("InstallPath", "/opt/morvane/bin");
        SetString("LastTopPos", "-1");
        SetString("LastLeftPos", "-1");
    }
    bool OpenKey(const std::string&) override { return true; }
    std::optional<platform::ValueInfo> QueryValue(const std::string& name) override
    {
        auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return platform::ValueInfo{it->second.type, static_cast<std::uint32_t>(it->second.data.size())};
    }
    std::optional<platform::ValueData> ReadValue(const std::string& name) override
    {
        auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    bool WriteString(const std::string& name, const std::string& text) override
    {
        SetString(name, text);
        return true;
    }

private:
    void SetString(const std::string& name, const std::string& text)
    {
        values[name] = platform::ValueData{platform::kRegSz, text + '\0'};
    }
    std::map<std::string, platform::ValueData> values;
};

// Every fake in one place, bundled as the program's platform.
struct FakePlatform {
    ScriptedDialogs dialogs;
    MemoryClipboard clipboard;
    RecordingShell shell;
    FixedClock clock;
    CountingFailureBox failureBox;
    platform::Platform platform;

    FakePlatform()
    {
        platform.dialogs = &dialogs;
        platform.clipboard = &clipboard;
        platform.shell = &shell;
        platform.clock = &clock;
        platform.failureBox = &failureBox;
        platform.createSettings = [] { return std::make_unique<MemorySettings>(); };
    }
};

} // namespace morvane::fakes
