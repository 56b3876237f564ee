// The encoder window: the program's main window and its whole normal user
// interface (source text, key file, the encoding run, the code and its
// outlets), the command line, the settings check and the window position.
#pragma once

#include "platform/file_dialogs.h"

#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

class QMenu;
class QAction;

namespace Ui {
class TfrmCoder;
}

namespace morvane::app {

class Program;

// The most characters the source field takes from typing, the range of the
// capacity bar and the longest text either multi-line field shows.
inline constexpr int kFieldLimit = 33800;
inline constexpr const char* kSourceTooLongNotice =
    "The initial text is too long for displaying\r\n(You still can encode it)";
inline constexpr const char* kCodeTooLongNotice =
    "The final code is too long for displaying\r\n(You still can copy or save the code)";
inline constexpr const char* kPasteFailed = "Unable to paste the text.";
inline constexpr const char* kCopyFailed = "Unable to copy the code.";
inline constexpr const char* kHomePage = "https://morvane.example";
inline constexpr const char* kHomePageCopied = "https://morvane.example/";
#ifdef _WIN32
inline constexpr const char* kDecoderFileName = "morvanedecoder.exe";
#else
inline constexpr const char* kDecoderFileName = "morvanedecoder";
#endif

// The settings key and the check's messages.
inline constexpr const char* kSettingsKey = "software\\morvane";
inline constexpr const char* kNotInstalledProperly = "The application has not been installed properly.";
inline constexpr const char* kNotInstalledCorrectly = "The application has not been installed correctly.";

class TfrmCoder : public QWidget {
    Q_OBJECT

public:
    explicit TfrmCoder(Program& program, QWidget* parent = nullptr);
    ~TfrmCoder() override;

    // Puts SourceText (or the too-long notice) into the source field.
    void ShowSource();
    // Reads a text file into SourceText; reports a failure and leaves it empty
    // (false then).
    bool LoadSourceFile(const QString& name);
    // Runs the key dialog: the chosen file's full name, or defaultName.
    QString ChooseKeyFile(const QString& defaultName);
    // One encoding run of SourceText. True when it walked the whole text.
    bool EncodeSource();
    std::array<QWidget*, 11> RunLockedControls() const;
    void LockControls();
    void UnlockControls();
    // The key field's text (its change rule runs).
    void SetKeyFileName(const QString& name);

    // The settings check: true when the key is open and its three values are
    // present, readable and the positions are integers.
    bool OpenSettings();
    void RestorePosition();
    void SavePosition();

    // Quick encoding: the compact layout, the flow, and its Cancel button.
    void ArrangeQuickLayout();
    void QuickEncode(const QString& fileName);
    void bbnCancelQuickEncodingClick();

    // Shows the window when the message loop starts.
    void ShowMainWindow();
    // Closes the window even while it is disabled: the error window's way of
    // ending the program after a failure it cannot go on from.
    void ForceClose();
    // The window has closed: the program ends.
    bool IsClosed() const { return closing == Closing::Done; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RunHook;

    void FormCreate();
    void AnalyseCommandLine();
    void FormClose();

    void mmoInitialChange();
    void edtKeyFileChange();
    void bbnEncodeClick();
    void bbnLoadClick();
    void bbnPasteClick();
    void bbnClearClick();
    void bbnCopyClick();
    void bbnSaveCodeClick();
    void bbnBrowseKeyFileClick();
    void bbnNewKeyClick();
    void spbCClick();
    void spbDecoderClick();
    void spbExitClick();
    void lblHyperLinkClick();
    void lblHyperLinkMouseDown();
    void lblHyperLinkMouseUp();
    void copy1Click();

    // The frame after the engine: display, outlets, unlocking, idle state.
    bool EndRun(bool complete, std::string& code);
    void ShowCode();
    void ResetDialog(platform::FileDialogOptions& dialog);
    bool ReadSettingsText(const std::string& name, std::string& text);

    Program& program;
    std::unique_ptr<Ui::TfrmCoder> ui;
    QMenu* ppmHyperlink = nullptr;
    QAction* copy1 = nullptr;

    platform::FileDialogOptions dlgLoadInitial;
    platform::FileDialogOptions dlgOpenKey;
    platform::FileDialogOptions dlgSaveCode;

    // Flags of the current run.
    bool CopyWasEnabled = false;
    bool SaveWasEnabled = false;

    // The window's closing: asked for during a run (it closes once the run
    // has ended), forced by the error window (a disabled window closes too),
    // or done (the program ends).
    enum class Closing { Open, AfterRun, Forced, Done };
    Closing closing = Closing::Open;
};

} // namespace morvane::app
