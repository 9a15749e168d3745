// The headers report of a module with 50,000 exports, as some system libraries nearly have:
// both displays must build in one pass over the tables.
#include <benchmark/benchmark.h>

// The fixture comes from the test support library, which exists only when tests are built.
#if __has_include("support/PeBuilder.h")

#include <cstdint>
#include <string>
#include <vector>

#include "module/HeadersReport.h"
#include "module/ModuleImage.h"
#include "support/PeBuilder.h"

using tv::CModuleImage;

namespace {

const std::vector<uint8_t>& ManyExports() {
    static const std::vector<uint8_t> bytes = [] {
        auto builder = tvtest::PeBuilder::Pe32Plus().Dll().AddSection(
            ".text", tvtest::pe::kTextSection, std::vector<uint8_t>(0x1000, 0xC3));
        for (uint32_t i = 1; i <= 50000; ++i) {
            if (i % 10 == 0)
                builder.ExportForwarder(i, "Fwd" + std::to_string(i), "OTHER.Target");
            else
                builder.Export(i, "Function" + std::to_string(i), 0x1000 + i);
        }
        return builder.Build();
    }();
    return bytes;
}

void Report(benchmark::State& state, tv::HeadersDisplay display) {
    const auto& bytes = ManyExports();
    CModuleImage image;
    if (!image.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "many.dll")) {
        state.SkipWithError("fixture does not load");
        return;
    }
    for (auto _ : state) {
        tv::CReportTree tree;
        tv::FillHeadersReport(image, display, tree);
        benchmark::DoNotOptimize(tree.Size());
    }
}

void BM_HeadersSummary50000Exports(benchmark::State& state) {
    Report(state, tv::HeadersDisplay::Summary);
}
BENCHMARK(BM_HeadersSummary50000Exports)->Unit(benchmark::kMillisecond);

void BM_HeadersFull50000Exports(benchmark::State& state) {
    Report(state, tv::HeadersDisplay::Full);
}
BENCHMARK(BM_HeadersFull50000Exports)->Unit(benchmark::kMillisecond);

}  // namespace

#endif
