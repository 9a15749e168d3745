// tarnview-cli resources [--json] FILE: the resources window's tree as indented text.
// tarnview-cli info [--json] FILE [TYPE]: the information rows the window shows for the module,
// for one resource type, or for the version resource (TYPE 16), one "Label<TAB>Value" line each.
// With --json each prints one document: the same lines, the facts behind them typed.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/JsonOutput.h"
#include "common/SystemErrorText.h"
#include "module/VersionInfo.h"
#include "resources/InfoTexts.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTree.h"
#include "resources/ResourceTypes.h"

using tv::CResourceCatalog;
using tv::CResourceEntry;
using tv::cli::Json;

namespace {

bool IsFileArgument(const std::string& arg) { return arg.empty() || arg[0] != '-' || arg == "-"; }

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// Loads and lists the module as the resources window does; a module the window would refuse
// (not a module, no resources) is an error here too.
bool Open(CResourceCatalog& catalog, const std::string& file, int& status) {
    if (catalog.Enumerate(file)) return true;
    status = tv::cli::Fail(tv::ModuleLoadErrorMessage(catalog.GetErrorCode(), file));
    return false;
}

int RunResources(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = tv::cli::TakeJsonFlag(args);
    if (args.size() != 1 || !IsFileArgument(args[0])) return tv::cli::UsageError("resources");
    CResourceCatalog catalog;
    int status = 0;
    if (!Open(catalog, args[0], status)) return status;
    tv::CResourceTree tree;
    tv::FillResourceTree(catalog, tree);
    if (json) {
        Json doc = tv::cli::JsonDocument("resources");
        doc["file"] = args[0];
        doc["module"] = catalog.GetPath();
        doc["resource_count"] = catalog.CountOfAll();
        doc["type_count"] = catalog.GetTypeCount();
        doc["tree"] = tv::cli::ReportTreeJson(tree.Lines());
        doc["notes"] = tv::cli::NotesJson(catalog.Diagnostics());
        tv::cli::PrintJson(doc);
        return 0;
    }
    Print(tree.Render());
    // What the directory walk found damaged, on standard error as tarnview-cli headers does.
    for (const tv::ModuleNote& note : catalog.Diagnostics())
        std::fprintf(stderr, "%s\n", tv::NoteText(note).c_str());
    return 0;
}

// The first resource of type, for the version texts, which need a selected resource.
std::optional<tv::CResourceId> FirstOfType(const CResourceCatalog& catalog,
                                           const tv::CResourceId& type) {
    for (const CResourceEntry& entry : catalog.Entries())
        if (entry.TypeId() == type) return entry.NameId();
    return std::nullopt;
}

// The label of the rows that repeat the directory's notes; the document has them in "notes".
constexpr std::string_view kNoteRowLabel = "Hinweis";

std::string_view RowKindName(int kind) {
    switch (kind) {
        case tv::kInfoRowLanguage:
            return "language";
        case tv::kInfoRowVersion:
            return "version";
        default:
            return "statistics";
    }
}

Json InfoJson(const std::string& file, const CResourceCatalog& catalog,
              const std::optional<tv::CResourceId>& type, const tv::CInfoRows& rows) {
    Json doc = tv::cli::JsonDocument("info");
    doc["file"] = file;
    const bool version = type && !type->IsName() && type->GetNumber() == tv::kRtVersion;
    doc["scope"] = !type ? "module" : version ? "version" : "type";
    doc["module"] = catalog.GetPath();
    if (type) {
        doc["type"] = tv::cli::ResourceIdJson(*type);
        doc["type_symbol"] = tv::ResourceTypeSymbol(*type);
    }
    // The same sums the rows' texts are made from, with the mark the scope's rows use.
    const uint64_t size = type ? catalog.SizeOfType(*type) : catalog.SizeOfAll();
    doc["size_on_disk"] = tv::cli::ValueText(
        size, tv::ResourceSizeText(size, type ? tv::SizeMark::kAbout : tv::SizeMark::kBelow));
    // The version rows have no count; the other scopes show one.
    if (!version) doc["resource_count"] = type ? catalog.CountOfType(*type) : catalog.CountOfAll();
    if (!type) doc["type_count"] = catalog.GetTypeCount();
    if (version) {
        tv::CVersionInfo info;
        info.LoadModule(catalog.GetPeFile().View(), catalog.GetPath());
        doc["version"] = tv::cli::VersionJson(info);
    }
    Json list = Json::array();
    for (const tv::InfoRow& row : rows.Rows()) {
        if (!type && row.label == kNoteRowLabel) continue;
        Json item = Json::object();
        item["label"] = row.label;
        item["value"] = row.value;
        item["kind"] = RowKindName(row.kind);
        list.push_back(std::move(item));
    }
    doc["rows"] = std::move(list);
    doc["notes"] = tv::cli::NotesJson(catalog.Diagnostics());
    return doc;
}

int RunInfo(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = tv::cli::TakeJsonFlag(args);
    if (args.empty() || args.size() > 2 || !IsFileArgument(args[0]))
        return tv::cli::UsageError("info");
    const std::string& file = args[0];
    std::optional<tv::CResourceId> type;
    if (args.size() == 2) {
        type = tv::ParseResourceIdText(args[1], true);
        if (!type) return tv::cli::Fail("Unbekannter Ressourcetyp: \"" + args[1] + "\".");
    }

    CResourceCatalog catalog;
    int status = 0;
    if (!Open(catalog, file, status)) return status;

    tv::CInfoRows rows;
    if (!type) {
        tv::ShowModuleInfo(catalog, rows);
    } else {
        // Only types the tree shows can be selected in the window.
        const std::optional<tv::CResourceId> first = FirstOfType(catalog, *type);
        if (!first) {
            std::string shown = tv::ResourceTypeSymbol(*type);
            if (shown != args[1]) shown += " (" + args[1] + ")";
            return tv::cli::Fail(file + " enthält keine Ressourcen vom Typ " + shown + ".");
        }
        if (!type->IsName() && type->GetNumber() == tv::kRtVersion)
            tv::ShowVersionInfo(catalog, *first, rows);
        else
            tv::ShowTypeInfo(catalog, *type, rows);
    }
    if (json)
        tv::cli::PrintJson(InfoJson(file, catalog, type, rows));
    else
        Print(rows.Render());
    return 0;
}

}  // namespace

TV_CLI_COMMAND(resources, "[--json] FILE",
               "Print the module's resources as a tree of types and names.", &RunResources);
TV_CLI_COMMAND(info, "[--json] FILE [TYPE]",
               "Print the resource statistics of the module or of one type (16: version texts).",
               &RunInfo);
