#include "resources/InfoTexts.h"

#include <string>

#include "common/NumberText.h"
#include "module/VersionInfo.h"
#include "res/StringTable.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

namespace tv {

namespace {

constexpr std::string_view kNoteLabel = "Hinweis";

void AddLabelled(IInfoRowSink& sink, uint32_t labelId, std::string_view value, int kind) {
    sink.AddRow(LoadString(labelId), value, kind);
}

void AddModulePath(const CResourceCatalog& catalog, IInfoRowSink& sink) {
    AddLabelled(sink, kLabelModuleStatistics, catalog.GetPath(), kInfoRowStatistics);
}

// Counts are printed as "%u" of the catalog's int, which never is negative.
std::string CountText(int count) { return std::to_string(static_cast<unsigned>(count)); }

}  // namespace

void CInfoRows::AddRow(std::string_view label, std::string_view value, int kind) {
    m_rows.push_back(InfoRow{std::string(label), std::string(value), kind});
}

std::string CInfoRows::Render() const {
    std::string out;
    for (const InfoRow& row : m_rows) {
        out += row.label;
        out += '\t';
        out += row.value;
        out += '\n';
    }
    return out;
}

std::string ResourceSizeText(uint64_t bytes, SizeMark mark) {
    // Both numbers go through the real-number formatter with no decimals, as the window always
    // did; a catalog's sum stays far below 2^53, so the double holds it exactly.
    CNumberText count;
    count.FormatReal(static_cast<double>(bytes), 0);
    CNumberText kilo;
    kilo.FormatReal(static_cast<double>(bytes / 1024 + 1), 0);
    std::string text = count.GetText();
    text += mark == SizeMark::kBelow ? " bytes (<" : " bytes (~";
    text += kilo.GetText();
    text += " Kb)";
    return text;
}

void ShowModuleInfo(const CResourceCatalog& catalog, IInfoRowSink& sink) {
    sink.Clear();
    AddModulePath(catalog, sink);
    AddLabelled(sink, kLabelSizeOnDisk, ResourceSizeText(catalog.SizeOfAll(), SizeMark::kBelow),
                kInfoRowStatistics);
    AddLabelled(sink, kLabelResourceCount, CountText(catalog.CountOfAll()), kInfoRowStatistics);
    AddLabelled(sink, kLabelTypeCount, CountText(catalog.GetTypeCount()), kInfoRowStatistics);
    // Damage the directory walk met, so a list that looks short says why.
    for (const ModuleNote& note : catalog.Diagnostics())
        sink.AddRow(kNoteLabel, NoteText(note), kInfoRowStatistics);
    sink.Finish();
}

void ShowTypeInfo(const CResourceCatalog& catalog, const CResourceId& type, IInfoRowSink& sink) {
    sink.Clear();
    AddModulePath(catalog, sink);
    AddLabelled(sink, kLabelResourceType, ResourceTypeSymbol(type), kInfoRowStatistics);
    AddLabelled(sink, kLabelSizeOnDisk,
                ResourceSizeText(catalog.SizeOfType(type), SizeMark::kAbout), kInfoRowStatistics);
    AddLabelled(sink, kLabelResourceCount, CountText(catalog.CountOfType(type)),
                kInfoRowStatistics);
    sink.Finish();
}

void ShowVersionInfo(const CResourceCatalog& catalog, const CResourceId& /*name*/,
                     IInfoRowSink& sink) {
    sink.Clear();
    AddModulePath(catalog, sink);
    AddLabelled(sink, kLabelResourceType, ResourceTypeSymbol(CResourceId(kRtVersion)),
                kInfoRowStatistics);
    AddLabelled(sink, kLabelSizeOnDisk,
                ResourceSizeText(catalog.SizeOfType(CResourceId(kRtVersion)), SizeMark::kAbout),
                kInfoRowStatistics);
    // The catalog already holds the module's bytes; the version reader picks its resource from
    // them by its own rule, exactly as it would from the file, without reading the file again.
    CVersionInfo info;
    info.LoadModule(catalog.GetPeFile().View(), catalog.GetPath());
    AppendVersionRows(info, sink);
    sink.Finish();
}

void AppendVersionRows(CVersionInfo& info, IInfoRowSink& sink) {
    const auto labels = VersionLabels();
    // Without a selected translation every field is empty, so a file without a version resource
    // (or one without a translation table) still gets its eight fixed rows, empty.
    for (const VersionLabel& label : labels.first(kFixedVersionLabelCount))
        AddLabelled(sink, label.stringId, info.GetField(label.field), kInfoRowVersion);
    // The translation table is bounded by the resource's 16-bit length, so this loop is too.
    for (int i = 0; info.SelectTranslation(i); ++i) {
        AddLabelled(sink, kLanguageLabelId,
                    LanguageLineText(info.GetLanguageName(), info.GetTranslation()),
                    kInfoRowLanguage);
        for (const VersionLabel& label : labels.subspan(kFixedVersionLabelCount))
            AddLabelled(sink, label.stringId, info.GetField(label.field), kInfoRowVersion);
    }
}

}  // namespace tv
