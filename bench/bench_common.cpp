// The small things the module list does for every row of every folder.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "common/ByteView.h"
#include "common/NumberText.h"

using tv::CNumberText;

namespace {

void BM_FormatByteSize(benchmark::State& state) {
    uint64_t n = 1;
    for (auto _ : state) {
        CNumberText text;
        benchmark::DoNotOptimize(text.FormatByteSize(n).GetText().data());
        n = n * 3 + 7;
    }
}
BENCHMARK(BM_FormatByteSize);

void BM_FormatReal(benchmark::State& state) {
    double v = 0.5;
    for (auto _ : state) {
        CNumberText text;
        benchmark::DoNotOptimize(text.FormatReal(v, 2).GetText().data());
        v = v * 1.7 + 3.1;
        if (v > 1e12) v = 0.5;
    }
}
BENCHMARK(BM_FormatReal);

void BM_ReaderSequentialU32(benchmark::State& state) {
    std::vector<uint8_t> bytes(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        tv::CByteReader r(tv::CByteView(bytes.data(), bytes.size()));
        uint32_t sum = 0;
        while (r.Remaining() >= 4)
            sum += r.U32();
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ReaderSequentialU32)->Arg(4096)->Arg(1 << 20);

}  // namespace
