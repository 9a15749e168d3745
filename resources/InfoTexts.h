// The information texts of the resources window: the two-column rows (label, value) it shows for
// the whole module, for one resource type and for the version resource. The rows go through a
// small sink, so the window's list, tarnview-cli and the tests all get the same rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "module/ResourceDirectory.h"

namespace tv {

class CResourceCatalog;
class CVersionInfo;

// The row kind, kept as the row's item data; the window shades kinds 1 and 2.
enum InfoRowKind : int {
    kInfoRowStatistics = 0,  // module and type facts
    kInfoRowLanguage = 1,    // the language line of a version translation
    kInfoRowVersion = 2,     // a version field
};

// Label ids of the statistics rows.
inline constexpr uint32_t kLabelModuleStatistics = 2077;  // "Modulstatistik"
inline constexpr uint32_t kLabelResourceCount = 2078;     // "Anzahl Ressourcen"
inline constexpr uint32_t kLabelTypeCount = 2079;         // "Ressourcetypen"
inline constexpr uint32_t kLabelSizeOnDisk = 2080;        // "Größe auf Datenträger"
inline constexpr uint32_t kLabelResourceType = 2081;      // "Ressourcetyp"

class IInfoRowSink {
public:
    virtual ~IInfoRowSink() = default;
    // Every fill starts here: the rows of the previous fill go.
    virtual void Clear() = 0;
    // Appends a row at the end; label and value are UTF-8.
    virtual void AddRow(std::string_view label, std::string_view value, int kind) = 0;
    // All rows are in (the window fits its columns to them here).
    virtual void Finish() {}
};

struct InfoRow {
    std::string label;
    std::string value;
    int kind = kInfoRowStatistics;
    friend bool operator==(const InfoRow&, const InfoRow&) = default;
};

// The rows kept in memory: for tarnview-cli and for tests.
class CInfoRows : public IInfoRowSink {
public:
    void Clear() override { m_rows.clear(); }
    void AddRow(std::string_view label, std::string_view value, int kind) override;

    [[nodiscard]] const std::vector<InfoRow>& Rows() const noexcept { return m_rows; }
    // "Label<TAB>Value\n" per row.
    [[nodiscard]] std::string Render() const;

private:
    std::vector<InfoRow> m_rows;
};

// How a size row rounds its kilobytes: the module row says "<", type and version rows "~".
enum class SizeMark { kBelow, kAbout };

// "%s bytes (<%s Kb)" or "%s bytes (~%s Kb)": the byte count, then bytes / 1024 + 1, both with
// "." between thousands. The second number is one more than the quotient also for exact
// multiples of 1024 and for 0 ("0 bytes (~1 Kb)"), as the window always showed it.
[[nodiscard]] std::string ResourceSizeText(uint64_t bytes, SizeMark mark);

// The three fills over an enumerated catalog. Each clears the sink, appends its rows and calls
// Finish.
//
// Module: "Modulstatistik" (path), "Größe auf Datenträger" (all resources), "Anzahl Ressourcen",
// "Ressourcetypen".
void ShowModuleInfo(const CResourceCatalog& catalog, IInfoRowSink& sink);
// One type: "Modulstatistik", "Ressourcetyp" (RT_... symbol, "<Unbekannt>", or the type's name),
// "Größe auf Datenträger", "Anzahl Ressourcen".
void ShowTypeInfo(const CResourceCatalog& catalog, const CResourceId& type, IInfoRowSink& sink);
// The version texts: three statistics rows for type 16, the eight fixed-information rows, then
// per translation its language line and twelve string rows. name is the selected version
// resource; the texts do not depend on it, they are those of the module's version resource.
void ShowVersionInfo(const CResourceCatalog& catalog, const CResourceId& name, IInfoRowSink& sink);

// The version rows after the statistics, from a version reader whose first translation is
// selected (as loading leaves it); info's selection moves through every translation. For callers
// that already hold the version resource.
void AppendVersionRows(CVersionInfo& info, IInfoRowSink& sink);

}  // namespace tv
