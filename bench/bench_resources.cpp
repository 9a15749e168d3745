// What the module list's resource columns cost: each module is mapped, its resources listed, and
// each kind counted, row after row of a folder. BM_EnumerateFolder reports modules per second
// over the folder named by TARNVIEW_BENCH_DIR (Wine's DLLs, a system folder), or over a few
// hundred builder modules in a temporary folder. BM_EnumerateManyResources measures one module
// with many resources, in memory, and the tree and statistics the resources window builds.
#include <benchmark/benchmark.h>

// The fixtures come from the test support library, which exists only when tests are built.
#if __has_include("support/PeBuilder.h")

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "resources/InfoTexts.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTree.h"
#include "resources/ResourceTypes.h"
#include "support/PeBuilder.h"
#include "support/TypicalModule.h"

using tv::CResourceCatalog;

namespace {

// The kinds the module list counts: every type of the type table.
constexpr uint16_t kCountedTypes[] = {
    tv::kRtCursor,       tv::kRtBitmap,      tv::kRtIcon,      tv::kRtMenu,        tv::kRtDialog,
    tv::kRtString,       tv::kRtFontDir,     tv::kRtFont,      tv::kRtAccelerator, tv::kRtRcData,
    tv::kRtMessageTable, tv::kRtGroupCursor, tv::kRtGroupIcon, tv::kRtVersion,     tv::kRtAniCursor,
    tv::kRtAniIcon,      tv::kRtHtml,        tv::kRtToolbar,
};

struct Folder {
    std::unique_ptr<tvtest::TempDir> temp;  // only when the modules are made here
    std::vector<std::string> files;
};

const Folder& BenchFolder() {
    static const Folder folder = [] {
        Folder f;
        std::filesystem::path path;
        if (const char* named = std::getenv("TARNVIEW_BENCH_DIR"); named && *named) {
            path = named;
        } else {
            f.temp = std::make_unique<tvtest::TempDir>();
            for (uint32_t i = 0; i < 300; ++i)
                f.temp->Write("module" + std::to_string(i) + ".dll", tvtest::TypicalModule(i));
            path = f.temp->Path();
        }
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path, ec))
            if (entry.is_regular_file(ec)) f.files.push_back(entry.path().string());
        std::sort(f.files.begin(), f.files.end());
        return f;
    }();
    return folder;
}

// One row of the resource columns: a catalog of its own per module, as the scan makes them.
int64_t CountRow(const std::string& path) {
    CResourceCatalog catalog;
    if (!catalog.Enumerate(path)) return 0;
    int64_t sum = 0;
    for (uint16_t type : kCountedTypes)
        sum += catalog.CountOfType(type);
    return sum + catalog.CountOfAll();
}

void BM_EnumerateFolder(benchmark::State& state) {
    const Folder& folder = BenchFolder();
    if (folder.files.empty()) {
        state.SkipWithError("no files in the folder");
        return;
    }
    int64_t counted = 0;
    for (auto _ : state) {
        for (const std::string& file : folder.files)
            counted += CountRow(file);
        benchmark::DoNotOptimize(counted);
    }
    state.counters["modules/s"] = benchmark::Counter(static_cast<double>(folder.files.size()),
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["modules"] = static_cast<double>(folder.files.size());
}
BENCHMARK(BM_EnumerateFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

// 20,000 resources in a dozen types, several languages each: a large resource-only library.
const std::vector<uint8_t>& ManyResources() {
    static const std::vector<uint8_t> bytes = [] {
        auto builder = tvtest::PeBuilder::Pe32().Dll();
        const uint16_t types[] = {1, 2, 3, 4, 5, 6, 10, 12, 14, 23, 241};
        for (uint16_t i = 1; i <= 20000; ++i) {
            const uint16_t type = types[i % std::size(types)];
            builder.AddResource(type, i, 0x0409,
                                tvtest::Payload(64 + i % 200, static_cast<uint8_t>(i)));
            if (i % 4 == 0) builder.AddResource(type, i, 0x0407, tvtest::Payload(72, 9));
        }
        for (int i = 1; i <= 500; ++i) {
            const std::string name = "ITEM" + std::to_string(i);
            builder.AddResource(u"CUSTOM", std::u16string(name.begin(), name.end()), 0x0409,
                                tvtest::Payload(128, 10));
        }
        return builder.Build();
    }();
    return bytes;
}

void BM_EnumerateManyResources(benchmark::State& state) {
    const auto& bytes = ManyResources();
    for (auto _ : state) {
        CResourceCatalog catalog;
        if (!catalog.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "many.dll") ||
            !catalog.Enumerate()) {
            state.SkipWithError("fixture does not load");
            return;
        }
        int64_t sum = 0;
        for (uint16_t type : kCountedTypes)
            sum += catalog.CountOfType(type);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_EnumerateManyResources)->Unit(benchmark::kMillisecond);

// What opening the resources window costs beyond the enumeration: the tree and the module
// statistics (which size every resource).
void BM_TreeAndStatisticsManyResources(benchmark::State& state) {
    const auto& bytes = ManyResources();
    CResourceCatalog catalog;
    if (!catalog.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "many.dll") ||
        !catalog.Enumerate()) {
        state.SkipWithError("fixture does not load");
        return;
    }
    for (auto _ : state) {
        tv::CResourceTree tree;
        tv::FillResourceTree(catalog, tree);
        tv::CInfoRows rows;
        tv::ShowModuleInfo(catalog, rows);
        benchmark::DoNotOptimize(tree.Lines().Size() + rows.Rows().size());
    }
}
BENCHMARK(BM_TreeAndStatisticsManyResources)->Unit(benchmark::kMillisecond);

}  // namespace

#endif
