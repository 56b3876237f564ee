// Scripted stand-ins for the platform interfaces, for driving the windows
// headless. Each records what the program asked of it.
#pragma once

#include "platform/platform.h"

#include <QStringList>
#include <QWidget>
#include <QWindow>
#include <deque>
#include <map>
#include <new>

namespace morvane::testing {

// Answers the dialogs from a queue: each entry is the chosen file, or
// nothing for Cancel. An empty queue answers Cancel.
struct FakeDialogs : platform::FileDialogs {
    using Options = platform::FileDialogOptions;
    struct Call {
        Options options;
        bool save;
        bool ownerOnScreen; // was the owner window on the screen while the dialog ran
        // The dialog in a line: kind, title, filters, index, extension, name, checks.
        QString Text() const
        {
            const Options& o = options;
            return QStringList{save ? "save" : "open", o.title, o.filter, QString::number(o.filterIndex),
                               o.defaultExt, o.fileName, o.fileMustExist ? "must exist" : "",
                               o.overwritePrompt ? "asks to replace" : ""}.join(" ; ");
        }
    };
    std::optional<QString> GetOpenFileName(QWidget* w, const Options& o) override { return Answer(false, w, o); }
    std::optional<QString> GetSaveFileName(QWidget* w, const Options& o) override { return Answer(true, w, o); }

    std::optional<QString> Answer(bool save, QWidget* owner, const Options& options)
    {
        const QWindow* window = owner ? owner->window()->windowHandle() : nullptr;
        calls.push_back({options, save, window && window->isVisible()});
        whileOpen ? whileOpen() : void();
        std::optional<QString> answer;
        if (!answers.empty())
            answer = answers.front(), answers.pop_front();
        return answer;
    }

    std::deque<std::optional<QString>> answers;
    std::vector<Call> calls;
    std::function<void()> whileOpen; // runs while each dialog is open
};

struct FakeClipboard : platform::Clipboard {
    std::optional<std::string> GetText() override { return Use(), failRead ? std::nullopt : std::optional(text); }
    bool SetText(std::string_view bytes) override { return Use(), !failWrite && (text.assign(bytes), true); }
    void Use() const { return outOfMemory ? throw std::bad_alloc() : void(); }
    std::string text;
    bool failRead = false, failWrite = false, outOfMemory = false;
};

struct FakeShell : platform::Shell {
    void ShellOpen(void* owner, const std::string& file, const std::string& parameters, const std::string& directory,
                   int show) override
    {
        lastOwner = owner, calls.push_back(file + '|' + parameters + '|' + directory + '|' + std::to_string(show));
    }
    std::vector<std::string> calls; // "file|parameters|directory|show command"
    void* lastOwner = nullptr;
};

struct FakeClock : platform::Clock { // 12345 ms after a midnight
    std::chrono::system_clock::time_point Now() override
    {
        return std::chrono::sys_days(std::chrono::days(365 * 50)) + std::chrono::milliseconds(12345);
    }
};

struct FakeFailureBox : platform::FailureBox {
    void Show(QWidget*, const QString& caption, const QString& text) override { shown.push_back(caption + '|' + text); }
    std::vector<QString> shown; // "caption|text"
};

// The settings key in memory. Values hold their type and raw data.
class FakeSettingsStore : public platform::SettingsStore {
public:
    struct Data {
        bool keyExists = true, refuseWrites = false, failReads = false;
        bool outOfMemory = false; // opening the key runs out of memory
        std::map<std::string, platform::ValueData> values;
        std::vector<std::string> opened;  // every OpenKey call's path
        std::vector<std::string> written; // names in the order written
    };
    explicit FakeSettingsStore(std::shared_ptr<Data> data) : data_(std::move(data)) {}

    bool OpenKey(const std::string& path) override
    {
        data_->opened.push_back(path);
        return data_->outOfMemory ? throw std::bad_alloc() : data_->keyExists;
    }
    std::optional<platform::ValueInfo> QueryValue(const std::string& name) override
    {
        const auto found = data_->values.find(name);
        if (found == data_->values.end())
            return std::nullopt;
        return platform::ValueInfo{found->second.type, static_cast<std::uint32_t>(found->second.data.size())};
    }
    std::optional<platform::ValueData> ReadValue(const std::string& name) override
    {
        const auto found = data_->values.find(name);
        return found == data_->values.end() || data_->failReads ? std::nullopt : std::optional(found->second);
    }
    bool WriteString(const std::string& name, const std::string& text) override
    {
        return !data_->refuseWrites && (data_->values[name] = String(text), data_->written.push_back(name), true);
    }
    // A string value as the store keeps it (with its terminating zero).
    static platform::ValueData String(const std::string& text) { return {platform::kRegSz, text + '\0'}; }

private:
    std::shared_ptr<Data> data_;
};

// A whole fake platform; the settings key starts sound.
struct FakePlatform {
    FakePlatform()
    {
        for (const char* name : {"LastTopPos", "LastLeftPos"})
            settings->values[name] = FakeSettingsStore::String("-1");
        settings->values["InstallPath"] = FakeSettingsStore::String("/opt/morvane");
    }
    FakePlatform(const FakePlatform&) = delete;

    FakeDialogs dialogs;
    FakeClipboard clipboard;
    FakeShell shell;
    FakeClock clock;
    FakeFailureBox failureBox;
    std::shared_ptr<FakeSettingsStore::Data> settings = std::make_shared<FakeSettingsStore::Data>();
    bool readerOutOfMemory = false; // reading a text file runs out of memory
    platform::Platform platform{&dialogs, &clipboard, &shell, &clock, &failureBox,
                                [this] { return std::make_unique<FakeSettingsStore>(settings); },
                                [this, read = platform::Platform().readTextFile](const std::string& n, std::string& t) {
                                    return readerOutOfMemory ? (t.clear(), io::ReadStatus::OutOfMemory) : read(n, t);
                                }};
};

} // namespace morvane::testing
