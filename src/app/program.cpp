#include "program.h"

#include "coder.h"
#include "copyright.h"
#include "error.h"
#include "newkey.h"

#include "core/descramble.h"
#include "core/failure.h"
#include "platform/codepage.h"
#include "platform/failure.h"
#include "platform/qt_application.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <exception>

namespace morvane::app {

Program::Program(platform::Platform& platform, QStringList arguments)
    : platform(platform), arguments(std::move(arguments))
{
    if (platform::Application* application = platform::Application::instance())
        application->SetFailureHandler([this](const std::exception& failure) { ShowFailure(failure); });
}

Program::~Program()
{
    if (platform::Application* application = platform::Application::instance())
        application->SetFailureHandler({});
    delete frmC;
    delete frmError;
    delete frmNewKey;
    delete frmCoder;
}

void Program::CreateWindows()
{
    // A failure while a window is created is shown like any other; the
    // windows created so far stay.
    const auto create = [this](auto& window, auto make) {
        try {
            window = make();
        } catch (const std::exception& failure) {
            ShowFailure(failure);
        }
    };
    create(frmCoder, [this] { return new TfrmCoder(*this); });
    create(frmNewKey, [this] { return new TfrmNewKey(*this); });
    create(frmError, [this] { return new TfrmError(*this); });
    create(frmC, [this] { return new TfrmC(*this); });
}

int Program::Run()
{
    if (Ended())
        return 0;
    frmCoder->ShowMainWindow();
    return QCoreApplication::exec();
}

bool Program::Ended() const
{
    return !frmCoder || frmCoder->IsClosed();
}

void Program::FormReady()
{
    ++state.FormsCreated;
    if (state.FormsCreated == 4) {
        try {
            StartUp();
        } catch (const std::exception& failure) {
            ShowFailure(failure);
        }
    }
}

void Program::StartUp()
{
    if (!frmCoder)
        return;
    frmCoder->RestorePosition();
    if (state.QuickMode)
        frmCoder->QuickEncode(state.SourceFileName);
    if (state.OpenFileMode) {
        frmCoder->LoadSourceFile(state.SourceFileName);
        frmCoder->ShowSource();
    }
}

void Program::ShowError(const QString& message)
{
    if (frmError)
        frmError->ShowError(message);
}

void Program::ShellOpen(const QString& file, const QString& parameters, const QString& directory, int showCommand)
{
    platform.shell->ShellOpen(frmCoder ? reinterpret_cast<void*>(frmCoder->winId()) : nullptr,
                              platform::NativeName(file), platform::NativeName(parameters),
                              platform::NativeName(directory), showCommand);
}

void Program::SetKeyFileName(const QString& name)
{
    if (frmCoder)
        frmCoder->SetKeyFileName(name);
}

QString Program::DescrambleText(std::string_view stored)
{
    return platform::ToUnicode(Descramble(stored));
}

void Program::ShowFailure(const std::string& message)
{
    platform.failureBox->Show(frmCoder, QString::fromLatin1(kApplicationTitle),
                              platform::ToUnicode(WithFullStop(message)));
}

void Program::ShowFailure(const std::exception& failure)
{
    ShowFailure(FailureText(failure));
}

} // namespace morvane::app
