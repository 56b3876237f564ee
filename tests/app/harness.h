// Drives the encoder program headless: a Program over fake platform parts,
// with its four windows created as the program body creates them.
#pragma once

#include "support/fakes.h"

#include "application.h"
#include "coder.h"
#include "copyright.h"
#include "error.h"
#include "memo_field.h"
#include "newkey.h"
#include "platform/window_font.h"
#include "program.h"

#include "core/key_generator.h"
#include "core/key_table.h"
#include "core/random.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

namespace morvane::testing {

struct Harness {
    explicit Harness(QStringList arguments = {QStringLiteral("morvane")}, bool create = true)
        : arguments(std::move(arguments))
    {
        if (create)
            Create();
    }

    // Lets prepare set up the fakes (the settings key, say) before the
    // program and its windows are created.
    explicit Harness(const std::function<void(FakePlatform&)>& prepare,
                     QStringList arguments = {QStringLiteral("morvane")})
        : arguments(std::move(arguments))
    {
        prepare(fake);
        Create();
    }

    void Create()
    {
        program = std::make_unique<app::Program>(fake.platform, arguments);
        program->CreateWindows();
    }

    app::ProgramState& state() { return program->state; }
    app::TfrmCoder& coder() { return *program->frmCoder; }
    app::TfrmError& error() { return *program->frmError; }

    template <class T>
    T* find(const char* name)
    {
        T* found = program->frmCoder->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    app::MemoField* source() { return find<app::MemoField>("mmoInitial"); }
    app::MemoField* code() { return find<app::MemoField>("mmoCode"); }
    QLineEdit* keyField() { return find<QLineEdit>("edtKeyFile"); }

    QString ErrorShown() { return error().isVisible() ? error().Message() : QString(); }

    QStringList arguments;
    FakePlatform fake;
    std::unique_ptr<app::Program> program;
};

// Writes a newly generated key file; returns its table through table.
inline void WriteKey(const QString& name, KeyTable* table = nullptr)
{
    RandomSource random(4711);
    KeyTable generated;
    GenerateKey(random, generated);
    if (!WriteKeyFile(QFile::encodeName(name).toStdString(), generated).ok)
        qFatal("cannot write the key file");
    if (table)
        *table = generated;
}

inline void WriteBytes(const QString& name, const std::string& bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        qFatal("cannot write %s", qPrintable(name));
}

inline std::string ReadBytes(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll().toStdString();
}

// Runs f from inside the next processing of events (that is, at the first
// yield of an encoding run).
inline void AtNextYield(std::function<void()> f)
{
    QTimer::singleShot(0, std::move(f));
}

} // namespace morvane::testing

// The test program's main: the program's own application object, so that
// its top-level failure handler is in place.
#define MORVANE_APP_TEST_MAIN(TestClass)                                                                          \
    int main(int argc, char** argv)                                                                               \
    {                                                                                                             \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                                  \
        morvane::app::Application application(argc, argv);                                                        \
        TestClass test;                                                                                           \
        return QTest::qExec(&test, argc, argv);                                                                   \
    }

// The main of a GoogleTest program over the windows, with the program's own
// application object in place.
#define MORVANE_APP_GTEST_MAIN()                                                                                  \
    int main(int argc, char** argv)                                                                               \
    {                                                                                                             \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                                  \
        morvane::app::Application application(argc, argv);                                                        \
        ::testing::InitGoogleTest(&argc, argv);                                                                   \
        return RUN_ALL_TESTS();                                                                                   \
    }
