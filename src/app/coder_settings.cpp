// The settings check and the encoder window's position.
#include "coder.h"

#include "program.h"

#include "core/failure.h"
#include "core/integer_text.h"
#include "platform/codepage.h"
#include "platform/settings_store.h"

#include <new>
#include <string>

namespace morvane::app {

namespace {

constexpr const char* kInstallPath = "InstallPath";
constexpr const char* kLastTopPos = "LastTopPos";
constexpr const char* kLastLeftPos = "LastLeftPos";
constexpr std::size_t kPositionChars = 5;

} // namespace

// One value as text: a value of no data reads as empty, whatever its type;
// otherwise only string and expandable string values can be read.
bool TfrmCoder::ReadSettingsText(const std::string& name, std::string& text)
{
    platform::SettingsStore& settings = *program.state.Settings;
    const std::optional<platform::ValueInfo> info = settings.QueryValue(name);
    const long long size = info ? static_cast<long long>(info->size) : -1;
    if (size <= 0) {
        text.clear();
        return true;
    }
    const std::optional<platform::ValueData> value = settings.ReadValue(name);
    if (!value)
        return false;
    if (value->type != platform::kRegSz && value->type != platform::kRegExpandSz)
        return false;
    text = value->data.substr(0, value->data.find('\0'));
    return true;
}

bool TfrmCoder::OpenSettings()
{
    ProgramState& s = program.state;
    const auto fail = [&](const char* message) {
        program.ShowError(QString::fromLatin1(message));
        s.CloseOnErrorDismiss = true;
        return false;
    };
    try {
        if (!s.Settings)
            return fail(kNotInstalledProperly);
        platform::SettingsStore& settings = *s.Settings;

        // The key is opened at the first successful check and kept; every later
        // check reads it afresh.
        if (s.SettingsOpenPath != kSettingsKey) {
            if (!settings.OpenKey(kSettingsKey))
                return fail(kNotInstalledProperly);
            s.SettingsOpenPath = kSettingsKey;
        } else {
            settings.Refresh();
        }

        for (const char* name : {kInstallPath, kLastTopPos, kLastLeftPos}) {
            if (!settings.QueryValue(name))
                return fail(kNotInstalledProperly);
        }

        std::string text;
        if (!ReadSettingsText(kInstallPath, text))
            return fail(kNotInstalledCorrectly);
        s.InstallDir = platform::ToUnicode(text);
        if (!ReadSettingsText(kLastTopPos, text))
            return fail(kNotInstalledCorrectly);
        s.SavedTop = text.substr(0, kPositionChars);
        if (!ReadSettingsText(kLastLeftPos, text))
            return fail(kNotInstalledCorrectly);
        s.SavedLeft = text.substr(0, kPositionChars);

        if (IsNotInteger(s.SavedLeft))
            return fail(kNotInstalledCorrectly);
        if (IsNotInteger(s.SavedTop))
            return fail(kNotInstalledCorrectly);
        return true;
    } catch (const std::bad_alloc&) {
        // A value too large for memory: the check fails like the others.
        return fail(kOutOfMemory);
    }
}

void TfrmCoder::RestorePosition()
{
    ProgramState& s = program.state;
    if (!OpenSettings()) {
        // The window takes no input, its close control included; it keeps
        // the centred place of its layout.
        setEnabled(false);
        return;
    }
    if (s.SavedLeft == "-1" || s.SavedTop == "-1")
        return; // centred
    move(IntegerOrDefault(s.SavedLeft, 0), y());
    move(x(), IntegerOrDefault(s.SavedTop, 0));
}

void TfrmCoder::SavePosition()
{
    if (!OpenSettings())
        return;
    platform::SettingsStore& settings = *program.state.Settings;
    if (!settings.WriteString(kLastLeftPos, std::to_string(x())))
        throw Failure(std::string("Failed to set data for '") + kLastLeftPos + "'");
    if (!settings.WriteString(kLastTopPos, std::to_string(y())))
        throw Failure(std::string("Failed to set data for '") + kLastTopPos + "'");
}

void TfrmCoder::FormClose()
{
    if (!program.state.QuickMode)
        SavePosition();
}

} // namespace morvane::app
