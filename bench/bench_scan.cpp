// What the module list's details scan costs per folder: the rows collected through the shell
// namespace, then every row's texts in one mode, on one thread as the scan runs. Reports modules
// per second for each report mode over the folder named by TARNVIEW_BENCH_DIR (say, Wine's DLLs),
// or over 2,000 builder modules in a temporary folder. Run twice to measure with the files in the
// page cache.
#include <benchmark/benchmark.h>

#if __has_include("support/PeBuilder.h")

#include <cstdlib>
#include <memory>
#include <string>

#include "browser/ModuleRows.h"
#include "browser/ScanTexts.h"
#include "shell/ShellNamespace.h"
#include "support/PeBuilder.h"
#include "support/TypicalModule.h"

using tv::CShellNamespace;

namespace {

const std::string& BenchFolder() {
    static std::unique_ptr<tvtest::TempDir> temp;
    static const std::string path = [] {
        if (const char* named = std::getenv("TARNVIEW_BENCH_DIR"); named && *named)
            return std::string(named);
        temp = std::make_unique<tvtest::TempDir>();
        for (uint32_t i = 0; i < 2000; ++i)
            temp->Write("module" + std::to_string(i) + (i % 4 ? ".dll" : ".exe"),
                        tvtest::TypicalModule(i));
        return temp->Path().string();
    }();
    return path;
}

void BM_ScanFolder(benchmark::State& state) {
    const auto mode = static_cast<uint32_t>(state.range(0));
    const std::set<std::string> extensions{"exe", "dll", "ocx", "drv", "cpl", "scr"};
    CShellNamespace shell;
    const auto folder = shell.PathToIdList(BenchFolder());
    if (folder.IsNull()) {
        state.SkipWithError("the folder cannot be opened");
        return;
    }
    size_t rows = 0;
    for (auto _ : state) {
        tv::CShellFolderSource source(shell, folder);
        const auto listed = tv::CollectModuleRows(source, folder, extensions, true);
        rows = listed.size();
        size_t cells = 0;
        for (const tv::ModuleRow& row : listed) {
            const tv::ScanRow scanRow{shell.IdListToPath(row.idList).value_or(""), row.idList,
                                      row.folder};
            cells += tv::ScanRowTexts(mode, scanRow, shell).size();
        }
        benchmark::DoNotOptimize(cells);
    }
    state.counters["modules/s"] = benchmark::Counter(static_cast<double>(rows),
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["modules"] = static_cast<double>(rows);
}
BENCHMARK(BM_ScanFolder)
    ->ArgName("mode")
    ->Arg(tv::kModeDetails)
    ->Arg(tv::kModeVersionDetails)
    ->Arg(tv::kModeResourceDetails)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

#endif
