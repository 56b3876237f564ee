// The settings check on a settings file of 1.6 MB, most of it one hex value
// continued over 160,000 lines: the file is read and parsed once per check.
#include "platform/reg_file_store.h"

#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

using namespace morvane;

namespace {

void BM_SettingsCheckLargeFile(benchmark::State& state)
{
    testing::TempDir dir;
    std::string file = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\software\\morvane]\n"
                       "\"InstallPath\"=\"/usr/bin\"\n\"LastTopPos\"=\"-1\"\n\"LastLeftPos\"=\"-1\"\n\"Blob\"=hex:00";
    for (int line = 0; line < 160000; ++line)
        file += ",\\\n  01,02";
    file += "\n";
    testing::WriteBytes(dir / "settings.reg", file);
    for (auto _ : state) {
        platform::RegFileStore store(dir / "settings.reg");
        // What one check asks of the store: open, then each value's size and data.
        bool ok = store.OpenKey("software\\morvane");
        for (const char* name : {"InstallPath", "LastTopPos", "LastLeftPos"})
            ok = ok && store.QueryValue(name) && store.ReadValue(name);
        if (!ok)
            state.SkipWithError("the settings check failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_SettingsCheckLargeFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
