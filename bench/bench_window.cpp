// The encoding run through the encoder window, offscreen: a 10 MB text from
// the Encode button to the code, with the window's yields, progress bar and
// locking, beside the core engine alone on the same text; and Copy of a
// 40 MB code to Qt's clipboard.
#include "platform/memory.h"
#include "support/fakes.h"

#include "platform/qt_application.h"
#include "coder.h"
#include "program.h"

#include "io/key_file.h"
#include "core/encoder.h"
#include "core/key_generator.h"
#include "platform/qt_clipboard.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

using namespace morvane;

namespace {

constexpr std::size_t kTextSize = 10 * 1000 * 1000;

// Plain prose-like text: words, punctuation and CR LF line breaks.
std::string MakeText()
{
    static const char* const words[] = {"the", "cipher", "Morvane", "key", "of", "numbers", "and",
                                        "text,", "noon.", "Bring", "table", "row", "(35)", "\tcolumn"};
    std::string text;
    text.reserve(kTextSize + 16);
    RandomSource random(99);
    int line = 0;
    while (text.size() < kTextSize) {
        text += words[random.RandomBelow(std::size(words))];
        if (++line % 12 == 0)
            text += "\r\n";
        else
            text += ' ';
    }
    text.resize(kTextSize);
    return text;
}

struct KeyFile {
    KeyFile()
    {
        RandomSource random(4711);
        GenerateKey(random, table);
        name = QFile::encodeName(dir.filePath(QStringLiteral("bench.key"))).toStdString();
        io::WriteKeyFile(name, table);
    }
    QTemporaryDir dir;
    KeyTable table;
    std::string name;
};

class NoYield : public EncodeHook {
public:
    bool YieldDue(std::size_t) override { return false; }
    bool Yield(std::size_t) override { return true; }
    void CodeReserved(std::string& code) override { platform::AdviseHugePages(code.data(), code.capacity()); }
};

void BM_WindowEncode10MB(benchmark::State& state)
{
    KeyFile key;
    testing::FakePlatform fake;
    app::Program program(fake.platform, {QStringLiteral("morvane")});
    program.CreateWindows();
    program.frmCoder->ShowMainWindow();
    program.frmCoder->findChild<QLineEdit*>(QStringLiteral("edtKeyFile"))->setText(QString::fromStdString(key.name));
    program.state.SourceText = MakeText();
    program.frmCoder->ShowSource();
    QPushButton* encode = program.frmCoder->findChild<QPushButton*>(QStringLiteral("bbnEncode"));
    for (auto _ : state) {
        encode->click();
        benchmark::DoNotOptimize(program.state.CodeText.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTextSize));
}
BENCHMARK(BM_WindowEncode10MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The engine alone on the same text and key, for comparison: /0 with its
// code buffer reused, /1 with a fresh one per run, as the window has.
void BM_CoreEncode10MB(benchmark::State& state)
{
    KeyFile key;
    const std::string text = MakeText();
    RandomSource random(12345);
    NoYield hook;
    std::string code;
    for (auto _ : state) {
        if (state.range(0))
            std::string().swap(code);
        EncodeText(text, key.table, 4, random, hook, code);
        benchmark::DoNotOptimize(code.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTextSize));
}
BENCHMARK(BM_CoreEncode10MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The process's resident memory, in MB.
double ResidentMB()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

// Copy of a 40 MB code from the Copy button to Qt's clipboard (offscreen:
// the clipboard of the process). held_MB: the memory the process holds
// after the Copys beyond its level before the first, that is the
// clipboard's copy of the code; cleared_MB: the same once the clipboard is
// cleared.
void BM_WindowCopy40MB(benchmark::State& state)
{
    constexpr std::size_t kCodeSize = 40 * 1000 * 1000;
    testing::FakePlatform fake;
    platform::QtClipboard clipboard;
    fake.platform.clipboard = &clipboard;
    app::Program program(fake.platform, {QStringLiteral("morvane")});
    program.CreateWindows();
    program.frmCoder->ShowMainWindow();
    std::string& code = program.state.CodeText;
    code = "0114";
    RandomSource random(7);
    while (code.size() < kCodeSize)
        code += static_cast<char>('0' + random.RandomBelow(10));
    QPushButton* copy = program.frmCoder->findChild<QPushButton*>(QStringLiteral("bbnCopy"));
    copy->setEnabled(true);
    QGuiApplication::clipboard()->clear();
    const double before = ResidentMB();
    for (auto _ : state)
        copy->click();
    state.counters["held_MB"] = ResidentMB() - before;
    QGuiApplication::clipboard()->clear();
    state.counters["cleared_MB"] = ResidentMB() - before;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kCodeSize));
}
BENCHMARK(BM_WindowCopy40MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
