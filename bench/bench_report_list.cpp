// Sorting a report list of 65,536 rows by a column of each comparison kind: a folder of that many
// modules must sort on a header click without a noticeable wait. Each run starts from the same
// shuffled rows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/NumberText.h"
#include "resources/MemoryReportList.h"
#include "resources/ReportListAdapter.h"

using tv::CNumberText;
using tv::CReportListAdapter;

namespace {

constexpr int kRows = 65536;

// One column per kind, in kind order, with texts as the program writes them.
const tv::CMemoryReportList& ShuffledRows() {
    static const tv::CMemoryReportList list = [] {
        tv::CMemoryReportList rows;
        for (const char* header : {"Name", "Anzahl", "Wert", "Betrag", "Datum",
                                   "Gr\xC3\xB6\xC3\x9F"
                                   "e"})
            rows.InsertColumn(header);
        std::mt19937_64 random(50000);
        std::uniform_int_distribution<int> count(0, 400);
        std::uniform_int_distribution<int> day(1, 28);
        std::uniform_int_distribution<int> month(1, 12);
        std::uniform_int_distribution<int> year(1995, 2024);
        std::uniform_int_distribution<int> second(0, 86399);
        std::uniform_int_distribution<uint64_t> size(0, 1ULL << 33);
        std::uniform_real_distribution<double> real(-1e6, 1e6);
        for (int i = 0; i < kRows; ++i) {
            char date[32];
            const int s = second(random);
            std::snprintf(date, sizeof date, "%02d.%02d.%04d %02d:%02d:%02d", day(random),
                          month(random), year(random), s / 3600, s / 60 % 60, s % 60);
            const double value = real(random);
            const int n = count(random);
            rows.AddRow({"modul" + std::to_string(random() % 100000) + ".dll",
                         n % 7 == 0 ? "" : std::to_string(n), std::to_string(value),
                         CNumberText().FormatReal(value, 2).GetText(),
                         n % 11 == 0 ? std::string() : std::string(date),
                         CNumberText().FormatByteSize(size(random)).GetText()},
                        static_cast<uintptr_t>(i), i % 20);
        }
        rows.SetItemSelected(kRows / 2, true);
        return rows;
    }();
    return list;
}

void BM_QuickSortColumn(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    // Kept outside the loop, so that freeing the sorted rows falls into the paused time.
    tv::CMemoryReportList list;
    for (auto _ : state) {
        state.PauseTiming();
        list = ShuffledRows();
        CReportListAdapter adapter(&list);
        adapter.SetColumnKind(kind, kind);
        state.ResumeTiming();
        adapter.QuickSortColumn(kind, true);
        benchmark::DoNotOptimize(list.GetItemData(0));
    }
}
BENCHMARK(BM_QuickSortColumn)
    ->ArgName("kind")
    ->DenseRange(CReportListAdapter::KIND_TEXT, CReportListAdapter::KIND_SIZE)
    ->Unit(benchmark::kMillisecond);

// The toggling sort: the column's current order is worked out first, then sorted descending after
// ascending, as two header clicks do.
void BM_SortColumnTwice(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    tv::CMemoryReportList list;
    for (auto _ : state) {
        state.PauseTiming();
        list = ShuffledRows();
        CReportListAdapter adapter(&list);
        adapter.SetColumnKind(kind, kind);
        state.ResumeTiming();
        adapter.SortColumn(kind, 0);
        adapter.SortColumn(kind, 0);
        benchmark::DoNotOptimize(list.GetItemData(0));
    }
}
BENCHMARK(BM_SortColumnTwice)
    ->ArgName("kind")
    ->DenseRange(CReportListAdapter::KIND_TEXT, CReportListAdapter::KIND_SIZE)
    ->Unit(benchmark::kMillisecond);

}  // namespace
