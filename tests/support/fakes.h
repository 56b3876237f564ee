// Scripted stand-ins for the platform interfaces, for driving the windows
// headless. Each records what the program asked of it.
#pragma once

#include "platform/platform.h"

#include <QString>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace morvane::testing {

// Answers the dialogs from a queue: each entry is the chosen file, or
// nothing for Cancel. An empty queue answers Cancel.
class FakeDialogs : public platform::FileDialogs {
public:
    struct Call {
        bool save = false;
        platform::FileDialogOptions options;
        bool ownerOnScreen = false; // was the owner window on the screen while the dialog ran
    };

    std::optional<QString> GetOpenFileName(QWidget* owner, const platform::FileDialogOptions& options) override
    {
        return Answer(false, owner, options);
    }
    std::optional<QString> GetSaveFileName(QWidget* owner, const platform::FileDialogOptions& options) override
    {
        return Answer(true, owner, options);
    }

    std::deque<std::optional<QString>> answers;
    std::vector<Call> calls;

private:
    std::optional<QString> Answer(bool save, QWidget* owner, const platform::FileDialogOptions& options)
    {
        const QWindow* window = owner ? owner->window()->windowHandle() : nullptr;
        calls.push_back({save, options, window && window->isVisible()});
        if (answers.empty())
            return std::nullopt;
        const bool chosen = answers.front().has_value();
        const QString name = chosen ? *answers.front() : QString();
        answers.pop_front();
        if (!chosen)
            return std::nullopt;
        return name;
    }
};

class FakeClipboard : public platform::Clipboard {
public:
    std::optional<std::string> GetText() override
    {
        if (failRead)
            return std::nullopt;
        return text;
    }
    bool SetText(std::string_view bytes) override
    {
        if (failWrite)
            return false;
        text.assign(bytes);
        ++writes;
        return true;
    }

    std::string text;
    bool failRead = false;
    bool failWrite = false;
    int writes = 0;
};

class FakeShell : public platform::Shell {
public:
    struct Call {
        std::string file, parameters, directory;
        int showCommand = -1;
        void* owner = nullptr;
    };
    void ShellOpen(void* owner, const std::string& file, const std::string& parameters,
                   const std::string& directory, int showCommand) override
    {
        calls.push_back({file, parameters, directory, showCommand, owner});
    }
    std::vector<Call> calls;
};

class FakeClock : public platform::Clock {
public:
    std::chrono::system_clock::time_point Now() override { return now; }
    std::chrono::system_clock::time_point now{std::chrono::hours(24 * 365 * 50) + std::chrono::milliseconds(12345)};
};

class FakeFailureBox : public platform::FailureBox {
public:
    struct Call {
        QString caption, text;
    };
    void Show(QWidget*, const QString& caption, const QString& text) override { calls.push_back({caption, text}); }
    std::vector<Call> calls;
};

// The settings key in memory. Values hold their type and raw data.
class FakeSettingsStore : public platform::SettingsStore {
public:
    struct Data {
        bool keyExists = true;
        std::map<std::string, platform::ValueData> values;
        std::vector<std::string> opened;  // every OpenKey call's path
        std::vector<std::string> written; // names in the order written
        bool refuseWrites = false;
        bool failReads = false;
        bool outOfMemory = false; // opening the key runs out of memory
    };

    explicit FakeSettingsStore(std::shared_ptr<Data> data) : data_(std::move(data)) {}

    bool OpenKey(const std::string& path) override
    {
        data_->opened.push_back(path);
        if (data_->outOfMemory)
            throw std::bad_alloc();
        return data_->keyExists;
    }
    std::optional<platform::ValueInfo> QueryValue(const std::string& name) override
    {
        auto found = data_->values.find(name);
        if (found == data_->values.end())
            return std::nullopt;
        return platform::ValueInfo{found->second.type, static_cast<std::uint32_t>(found->second.data.size())};
    }
    std::optional<platform::ValueData> ReadValue(const std::string& name) override
    {
        auto found = data_->values.find(name);
        if (found == data_->values.end() || data_->failReads)
            return std::nullopt;
        return found->second;
    }
    bool WriteString(const std::string& name, const std::string& text) override
    {
        if (data_->refuseWrites)
            return false;
        data_->values[name] = {platform::kRegSz, text + '\0'};
        data_->written.push_back(name);
        return true;
    }

    // A string value as the store keeps it (with its terminating zero).
    static platform::ValueData String(const std::string& text) { return {platform::kRegSz, text + '\0'}; }

private:
    std::shared_ptr<Data> data_;
};

// A whole fake platform; the settings key starts sound: InstallPath
// "/opt/morvane", both positions "-1".
struct FakePlatform {
    FakePlatform()
    {
        settings->values["InstallPath"] = FakeSettingsStore::String("/opt/morvane");
        settings->values["LastTopPos"] = FakeSettingsStore::String("-1");
        settings->values["LastLeftPos"] = FakeSettingsStore::String("-1");
        platform.dialogs = &dialogs;
        platform.clipboard = &clipboard;
        platform.shell = &shell;
        platform.clock = &clock;
        platform.failureBox = &failureBox;
        platform.createSettings = [this] {
            ++settingsCreated;
            return std::make_unique<FakeSettingsStore>(settings);
        };
    }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeDialogs dialogs;
    FakeClipboard clipboard;
    FakeShell shell;
    FakeClock clock;
    FakeFailureBox failureBox;
    std::shared_ptr<FakeSettingsStore::Data> settings = std::make_shared<FakeSettingsStore::Data>();
    int settingsCreated = 0;
    platform::Platform platform;
};

} // namespace morvane::testing
