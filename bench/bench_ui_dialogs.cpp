// Dialogs drawn as the image page draws them: a template with a hundred controls of every kind,
// and, when TARNVIEW_BENCH_MODULE names a module, every dialog of that module. A picture must take
// well under 50 ms.
#include <benchmark/benchmark.h>

#if __has_include("support/PeBuilder.h")

#include <QApplication>

#include <cstdlib>
#include <string>
#include <vector>

#include "resources/DialogPreview.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

std::vector<uint8_t> BusyDialog() {
    tvtest::DialogTemplate t;
    t.Style(0x80C80080 | tv::kDsSetFont).Rect(0, 0, 400, 300).Title("Viele");
    const uint16_t atoms[] = {tvtest::kButtonAtom, tvtest::kEditAtom, tvtest::kStaticAtom,
                              tvtest::kListBoxAtom, tvtest::kComboBoxAtom};
    for (int i = 0; i < 100; ++i)
        t.Add(tvtest::Control(atoms[i % 5], static_cast<uint32_t>(100 + i), "Text",
                              static_cast<int16_t>(4 + (i % 5) * 78),
                              static_cast<int16_t>(4 + (i / 5) * 14), 74, 12,
                              tvtest::kWsChildVisible | 0x00010000));
    return t.Build();
}

void BM_DialogPicture(benchmark::State& state) {
    const std::vector<uint8_t> bytes = BusyDialog();
    for (auto _ : state) {
        tv::CDialogPreview preview;
        if (!preview.CreateFromTemplate(tv::CByteView(bytes.data(), bytes.size()), nullptr,
                                        nullptr)) {
            state.SkipWithError("the template did not build");
            return;
        }
        benchmark::DoNotOptimize(preview.Picture());
    }
}
BENCHMARK(BM_DialogPicture)->Unit(benchmark::kMillisecond);

// Every dialog of one real module, one iteration each.
void BM_ModuleDialogs(benchmark::State& state) {
    const char* path = std::getenv("TARNVIEW_BENCH_MODULE");
    tv::CResourceCatalog catalog;
    if (path == nullptr || !catalog.Enumerate(path)) {
        state.SkipWithError("TARNVIEW_BENCH_MODULE names no module");
        return;
    }
    std::vector<tv::CResourceId> names;
    for (const tv::CResourceEntry& entry : catalog.Entries())
        if (!entry.type.IsName() && entry.type.GetNumber() == tv::kRtDialog)
            names.push_back(entry.id);
    for (auto _ : state)
        for (const tv::CResourceId& name : names)
            if (auto preview = tv::CreateDialogPreview(catalog, name, nullptr))
                benchmark::DoNotOptimize(preview->Picture());
    state.counters["dialogs"] = static_cast<double>(names.size());
    // Seconds per dialog (printed with its SI prefix: 2.5m is 2.5 ms).
    state.counters["per_dialog"] = benchmark::Counter(
        static_cast<double>(names.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ModuleDialogs)->Unit(benchmark::kMillisecond);

}  // namespace

#endif
