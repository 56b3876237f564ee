// The encoder program: its state, its four windows and the routines they share.
#pragma once

#include "program_state.h"
#include "../platform/platform.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <string>
#include <string_view>

namespace morvane::app {

class TfrmCoder;
class TfrmNewKey;
class TfrmError;
class TfrmC;

inline constexpr const char* kApplicationTitle = "Morvane  |  Encoder";

class Program {
public:
    // arguments: the command line, parameter 0 (the program) first.
    Program(platform::Platform& platform, QStringList arguments);
    ~Program();

    // Creates frmCoder, frmNewKey, frmError and frmC in that order; the last
    // creation runs StartUp.
    void CreateWindows();
    // The message loop: returns when the encoder window has closed (at once
    // when it closed before the loop started).
    int Run();

    // Called by each window's creation handler as its last step.
    void FormReady();
    // Shows the error window with the message; returns at once.
    void ShowError(const QString& message);
    // Hands a program, web address or mail link to the shell.
    void ShellOpen(const QString& file, const QString& parameters, const QString& directory, int showCommand);
    // Puts a file name into the encoder window's key field (its change rule runs).
    void SetKeyFileName(const QString& name);
    // Text of the program from a scrambled stored literal.
    static QString DescrambleText(std::string_view stored);

    // The top-level failure handler: a message box captioned with the
    // application title, the message with the full-stop rule applied.
    void ShowFailure(const std::string& message);
    void ShowFailure(const std::exception& failure);
    // The encoder window has closed (or was never made): the program ends.
    bool Ended() const;

    ProgramState state;
    platform::Platform& platform;
    QStringList arguments;

    TfrmCoder* frmCoder = nullptr;
    TfrmNewKey* frmNewKey = nullptr;
    TfrmError* frmError = nullptr;
    TfrmC* frmC = nullptr;

private:
    void StartUp();
};

} // namespace morvane::app
