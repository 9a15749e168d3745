// tarnview-cli resources FILE: the resources window's tree as indented text.
// tarnview-cli info FILE [TYPE]: the information rows the window shows for the module, for one
// resource type, or for the version resource (TYPE 16), one "Label<TAB>Value" line each.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "resources/InfoTexts.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTree.h"
#include "resources/ResourceTypes.h"

using tv::CResourceCatalog;
using tv::CResourceEntry;

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

int RunResources(const std::vector<std::string>& args) {
    if (args.size() != 1 || !IsFileArgument(args[0])) return tv::cli::UsageError("resources");
    CResourceCatalog catalog;
    int status = 0;
    if (!Open(catalog, args[0], status)) return status;
    tv::CResourceTree tree;
    tv::FillResourceTree(catalog, tree);
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

int RunInfo(const std::vector<std::string>& args) {
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
    Print(rows.Render());
    return 0;
}

}  // namespace

TV_CLI_COMMAND(resources, "FILE", "Print the module's resources as a tree of types and names.",
               &RunResources);
TV_CLI_COMMAND(info, "FILE [TYPE]",
               "Print the resource statistics of the module or of one type (16: version texts).",
               &RunInfo);
