// The encoding run through the encoder window, offscreen: a 10 MB text from
// the Encode button to the code, with the window's yields, progress bar and
// locking, beside the core engine alone on the same text.
#include "platform/memory.h"
#include "support/fakes.h"

#include "platform/qt_application.h"
#include "coder.h"
#include "program.h"

#include "io/key_file.h"
#include "core/encoder.h"
#include "core/key_generator.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <string>

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
