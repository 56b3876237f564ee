// The decoder window: a code and a key in, the decoded text out.
#pragma once

#include "platform/platform.h"

#include <QWidget>
#include <cstddef>
#include <memory>
#include <string>

namespace Ui {
class TfrmDecoder;
}

namespace morvane::platform {
class ErrorWindow;
}

namespace morvane::decoder {


inline constexpr const char* kDecoderTitle = "Morvane  |  Decoder";

// The longest code or text that the fields show; longer ones stay in memory
// and the field shows a notice instead.
inline constexpr std::size_t kLongestShown = 33800;
// A decoding run gives the window system control after each piece of this
// many code characters.
inline constexpr std::size_t kDecodePiece = 64 * 1024;

inline constexpr const char* kPasteFailed = "Unable to paste the code.";
inline constexpr const char* kCopyFailed = "Unable to copy the text.";

class TfrmDecoder : public QWidget {
    Q_OBJECT

public:
    explicit TfrmDecoder(platform::Platform& platform, QWidget* parent = nullptr);
    ~TfrmDecoder() override;

    // Reads a code file into CodeText and the code field; reports a failure.
    void LoadCodeFile(const QString& name);
    // Shows the error window with the message; returns at once.
    void ShowError(const QString& message);

    const std::string& CodeText() const { return CodeText_; }
    const std::string& DecodedText() const { return DecodedText_; }
    bool Decoding() const { return Decoding_; }
    platform::ErrorWindow* frmError() const { return frmError_.get(); }

signals:
    // The window has closed: the program ends.
    void closed();

public slots:
    void bbnLoadClick();
    void bbnPasteClick();
    void bbnClearClick();
    void bbnDecodeClick();
    void bbnBrowseKeyFileClick();
    void bbnCopyClick();
    void bbnSaveTextClick();
    void spbExitClick();
    void mmoCodeChange();
    void edtKeyFileChange();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowCode();
    void ShowText();
    void UpdateDecodeButton();
    void LockControls();
    void UnlockControls();
    bool DecodeRun(const std::string& keyName);
    platform::FileDialogOptions DialogOptions(const QString& title, const QString& filter,
                                              const QString& defaultExt) const;

    std::unique_ptr<Ui::TfrmDecoder> ui;
    platform::Platform& platform_;
    std::unique_ptr<platform::ErrorWindow> frmError_;
    std::string CodeText_;    // the code, bytes in the 8-bit code page
    std::string DecodedText_; // the text of the last complete run
    bool CodeTooLong_ = false;
    bool Decoding_ = false;
    bool CopyWasEnabled_ = false;
    bool SaveWasEnabled_ = false;
};

} // namespace morvane::decoder
