// Loads the input as a module into a resource catalog and uses everything it offers: the entry
// list, counts and sizes of every type, the data of every entry, every string block decoded and
// listed, the raw writes of every type and the dump of every resource. Checks that the numbers
// agree with each other and that every view lies inside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/DumpText.h"
#include "resources/ResourceCatalog.h"
#include "resources/StringRows.h"

namespace {
// Lookups by identifier are linear, so only the first entries are looked up one by one; the
// walks over the whole directory cover the rest.
constexpr size_t kLookups = 2048;
constexpr size_t kDumps = 64;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView input(data, size);
    CResourceCatalog catalog;
    if (!catalog.LoadFromMemory(input, "fuzz.dll")) return 0;
    if (!catalog.Enumerate()) {
        if (catalog.GetEntryCount() != 0 || catalog.GetErrorCode() == 0) std::abort();
        return 0;
    }
    const auto& entries = catalog.Entries();
    if (catalog.CountOfType(0) != catalog.GetEntryCount()) std::abort();

    // Every distinct type once: counts and sizes add up to the totals.
    std::set<std::pair<uint32_t, std::u16string>> seen;
    int count = 0;
    uint64_t bytes = 0;
    for (const CResourceEntry& e : entries) {
        if ((e.typeId == -1) != e.type.IsName() || (e.nameId == -1) != e.id.IsName()) std::abort();
        if (!seen.emplace(e.type.IsName() ? 0x10000u : e.type.GetNumber(), e.type.GetName()).second)
            continue;
        count += catalog.CountOfType(e.type);
        bytes += catalog.SizeOfType(e.type);
        std::ostringstream out;
        if (catalog.WriteRaw(e.type, 0, out) && out.str().size() != catalog.SizeOfType(e.type))
            std::abort();
    }
    if (count != catalog.GetEntryCount() || bytes != catalog.SizeOfType(0) ||
        static_cast<int>(seen.size()) != catalog.GetTypeCount())
        std::abort();

    std::vector<uint8_t> buffer(tv::kDumpLimit);
    for (size_t i = 0; i < entries.size() && i < kLookups; ++i) {
        const CResourceEntry& e = entries[i];
        const auto view = catalog.GetData(e.type, e.id);
        const uint32_t length =
            catalog.ReadData(e.type, e.id, buffer.data(), static_cast<uint32_t>(buffer.size()));
        if (!view) {
            if (length != 0) std::abort();
            continue;
        }
        if (view->Size() != length) std::abort();
        const auto offset = input.OffsetOf(view->Data());
        if (!view->Empty() && (!offset || !tv::InRange(*offset, view->Size(), size))) std::abort();
        if (i < kDumps) {
            const std::string dump = tv::BuildDumpText(*view);
            const size_t shown = view->Size() < tv::kDumpLimit ? view->Size() : tv::kDumpLimit;
            if (dump.size() != (shown + 15) / 16 * (tv::kDumpLineLength + 2)) std::abort();
            (void)tv::ByteCountText(view->Size());
        }
        std::vector<std::string> strings;
        if (catalog.LoadStringBlock(e.id, strings) && strings.size() != tv::kStringsPerBlock)
            std::abort();
    }
    const auto rows = tv::StringRowsOfAllTables(catalog, true);
    for (const tv::StringRow& row : rows.rows)
        if (row.text.empty()) std::abort();
    (void)catalog.Diagnostics();
    return 0;
}
