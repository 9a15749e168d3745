// The module list over a folder of 10,000 modules: the user interface thread's time to list it
// (refill, with the column fit), and the time to apply one batch of scan results. Run with
// QT_QPA_PLATFORM=offscreen; TARNVIEW_BENCH_DIR points at another folder to list instead.
#include <benchmark/benchmark.h>

#if __has_include("support/PeBuilder.h")

#include <QApplication>

#include <cstdlib>
#include <string>
#include <vector>

#include "browser/RightView.h"
#include "res/Commands.h"
#include "support/HiveHelper.h"
#include "support/PeBuilder.h"

namespace {

constexpr int kModules = 10000;

struct Folder {
    tv::test::CTempHive hive;
    tvtest::TempDir dir;
    std::string path;
    Folder() {
        if (const char* other = std::getenv("TARNVIEW_BENCH_DIR")) {
            path = other;
            return;
        }
        const auto module = tvtest::PeBuilder::Pe32()
                                .Dll()
                                .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
                                .Build();
        for (int i = 0; i < kModules; ++i)
            dir.Write("modul" + std::to_string(i * 7919 % 100000) + ".dll", module);
        path = dir.Path().string();
    }
};

Folder& TheFolder() {
    static Folder folder;
    return folder;
}

void BM_ListTenThousandModules(benchmark::State& state) {
    Folder& folder = TheFolder();
    tv::CShellNamespace shell(folder.path);
    tv::CRightView view(shell, nullptr);
    view.resize(900, 600);
    view.InitialUpdate();
    view.SetViewMode(static_cast<uint32_t>(state.range(0)));
    view.show();
    const tv::CItemIdList id = shell.PathToIdList(folder.path);
    for (auto _ : state) {
        view.Refill(id);
        // The first paint of the rows in view belongs to the wait.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        state.PauseTiming();
        view.StopDetailsScan(true);
        state.ResumeTiming();
    }
    state.counters["rows"] = view.Model().GetItemCount();
}

// One batch of 200 rows' version texts, as the scan hands them over at most every 40 ms.
void BM_ApplyScanBatch(benchmark::State& state) {
    Folder& folder = TheFolder();
    tv::CShellNamespace shell(folder.path);
    tv::CRightView view(shell, nullptr);
    view.resize(900, 600);
    view.InitialUpdate();
    view.SetViewMode(tv::cmd::kVersionDetails);
    view.show();
    view.Refill(shell.PathToIdList(folder.path));
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        view.StartDetailsScan();
        std::vector<tv::CRightView::ScanResult> batch;
        const uint64_t generation = view.ScanGeneration();
        for (int i = 0; i < 200; ++i, ++next) {
            const int row = next % view.Model().GetItemCount();
            batch.push_back({generation,
                             row,
                             {{1, "10.0.19041." + std::to_string(row)},
                              {2, "Beschreibung des Moduls Nummer " + std::to_string(row)},
                              {3, "Hersteller"}}});
        }
        state.ResumeTiming();
        view.ApplyScanBatch(batch);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

BENCHMARK(BM_ListTenThousandModules)
    ->Arg(tv::cmd::kViewDetails)
    ->Arg(tv::cmd::kViewLargeIcons)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyScanBatch)->Unit(benchmark::kMillisecond);

}  // namespace

#endif
