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

#include "resources/BitmapFile.h"
#include "resources/DialogTemplate.h"
#include "resources/DumpText.h"
#include "resources/IconGroup.h"
#include "resources/InfoTexts.h"
#include "resources/Picture.h"
#include "resources/ResourceCatalog.h"
#include "resources/StringRows.h"

using tv::CResourceCatalog;
using tv::CResourceEntry;

namespace {

constexpr size_t kVersionPages = 2;

struct NullSink : tv::IInfoRowSink {
    void Clear() override {}
    void AddRow(std::string_view, std::string_view, int) override {}
};

// What the resource pages do with an entry of the standard types: pictures decoded and written
// as files, groups put together as .ico/.cur, dialogs parsed and prepared for the preview.
void DecodeEntry(const CResourceCatalog& catalog, const CResourceEntry& e, tv::CByteView view,
                 size_t& versionPages) {
    if (e.type.IsName()) return;
    std::string error;
    switch (e.type.GetNumber()) {
        case 2: {
            tv::CPicture picture;
            std::vector<uint8_t> file;
            if (tv::DecodeBitmap(view, picture, error, 1u << 20) &&
                (!picture.IsConsistent() || !tv::WriteBitmapFile(picture, file, error)))
                std::abort();
            break;
        }
        case 1:
        case 3: {
            tv::CIconImage image;
            tv::CPicture drawn;
            if (tv::DecodeIconImage(view, e.type.GetNumber() == 1, image, error, 1u << 20) &&
                !image.IsPng()) {
                (void)image.Rgba();
                if (tv::DrawIconPicture(image, tv::kButtonFaceColor, drawn, error) &&
                    !drawn.IsConsistent())
                    std::abort();
            }
            break;
        }
        case 12:
        case 14: {
            tv::CIconGroup group;
            const bool cursor = e.type.GetNumber() == 12;
            if (!tv::LoadIconGroup(catalog, cursor, e.id, group, error)) break;
            std::vector<uint8_t> file;
            tv::IconFileResult result;
            const tv::IconImageSource images = [&](uint16_t id) {
                return catalog.GetData(tv::CResourceId(static_cast<uint16_t>(cursor ? 1 : 3)),
                                       tv::CResourceId(id));
            };
            if (tv::WriteIconFile(group, images, file, result, error) &&
                file.size() > tv::kMaxIconFileBytes)
                std::abort();
            break;
        }
        case 5: {
            tv::DialogModel model;
            if (tv::ParseDialogTemplate(view, model)) {
                (void)tv::DialogLine(model);
                for (size_t i = 0; i < model.controls.size(); ++i)
                    (void)tv::ControlLine(model.controls[i], i);
            }
            tv::PreparedDialog prepared;
            (void)tv::PrepareDialogForPreview(view, prepared);
            break;
        }
        case 16: {
            // The version page reads the module's directory again, as its own reader does for a
            // file; a directory that reuses subdirectories walks up to its budget every time, so
            // two pages per input are enough.
            if (++versionPages > kVersionPages) break;
            NullSink sink;
            tv::ShowVersionInfo(catalog, e.id, sink);
            break;
        }
        default:
            break;
    }
}

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
    if (catalog.CountOfAll() != catalog.GetEntryCount()) std::abort();

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
        if (catalog.WriteAllOfType(e.type, out) && out.str().size() != catalog.SizeOfType(e.type))
            std::abort();
    }
    if (count != catalog.GetEntryCount() || bytes != catalog.SizeOfAll() ||
        static_cast<int>(seen.size()) != catalog.GetTypeCount())
        std::abort();

    std::vector<uint8_t> buffer(tv::kDumpLimit);
    size_t versionPages = 0;
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
        if (i < kDumps) DecodeEntry(catalog, e, *view, versionPages);
        std::vector<std::string> strings;
        if (catalog.LoadStringBlock(e.id, strings) && strings.size() != tv::kStringsPerBlock)
            std::abort();
    }
    const auto rows = tv::StringRowsOfAllTables(catalog, true);
    for (const tv::StringRow& row : rows.rows)
        if (row.text.empty()) std::abort();
    NullSink sink;
    tv::ShowModuleInfo(catalog, sink);
    for (const auto& [number, name] : seen)
        tv::ShowTypeInfo(catalog,
                         number == 0x10000u ? tv::CResourceId(name)
                                            : tv::CResourceId(static_cast<uint16_t>(number)),
                         sink);
    (void)catalog.Diagnostics();
    return 0;
}
