// The headers window over a module with 65,536 exports, and over a real module with a large export
// table (TARNVIEW_BENCH_MODULE, by default Wine's msvcp90.dll when it is unpacked as the README
// says): opening the window (load, report, model, first paint) and switching between the summary
// and the full display must stay well under half a second.
#include <benchmark/benchmark.h>

#if __has_include("support/PeBuilder.h")

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "module/ModuleHeadersDlg.h"
#include "res/Commands.h"
#include "support/PeBuilder.h"

namespace {

const std::string& ManyExportsPath() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        auto builder = tvtest::PeBuilder::Pe32Plus().Dll().AddSection(
            ".text", tvtest::pe::kTextSection, std::vector<uint8_t>(0x1000, 0xC3));
        for (uint32_t i = 1; i <= 65536; ++i)
            builder.Export(i, "Function" + std::to_string(i), 0x1000 + (i & 0xFFF));
        const auto bytes = builder.Build();
        const std::string file = dir.path().toStdString() + "/many.dll";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file;
    }();
    return path;
}

std::string RealModulePath() {
    if (const char* path = std::getenv("TARNVIEW_BENCH_MODULE")) return path;
    return "/tmp/winepkg/root/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/msvcp90.dll";
}

void Open(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        tv::CModuleHeadersDlg dlg(nullptr);
        if (!dlg.LoadModule(path)) {
            state.SkipWithError("the module does not load");
            return;
        }
        dlg.resize(600, 500);
        benchmark::DoNotOptimize(dlg.grab());
        state.counters["lines"] = static_cast<double>(dlg.Report().Size());
    }
}

void Toggle(benchmark::State& state, const std::string& path) {
    tv::CModuleHeadersDlg dlg(nullptr);
    if (!dlg.LoadModule(path)) {
        state.SkipWithError("the module does not load");
        return;
    }
    dlg.resize(600, 500);
    for (auto _ : state) {
        dlg.OnCommand(tv::cmd::kFullDisplay);
        dlg.Tree()->expandAll();
        benchmark::DoNotOptimize(dlg.grab());
    }
}

void BM_OpenManyExports(benchmark::State& state) { Open(state, ManyExportsPath()); }
void BM_ToggleManyExports(benchmark::State& state) { Toggle(state, ManyExportsPath()); }
void BM_OpenRealModule(benchmark::State& state) { Open(state, RealModulePath()); }
void BM_ToggleRealModule(benchmark::State& state) { Toggle(state, RealModulePath()); }

BENCHMARK(BM_OpenManyExports)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToggleManyExports)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRealModule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToggleRealModule)->Unit(benchmark::kMillisecond);

}  // namespace

#endif
