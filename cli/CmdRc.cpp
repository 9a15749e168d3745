// tarnview-cli rc FILE [TYPE NAME]: resources as resource-script source that windres compiles
// back to the same bytes; notes on damaged resources go to standard error, so that standard
// output stays a script.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceScript.h"
#include "resources/ResourceTypes.h"

namespace {

constexpr const char* kFormatHelp =
    "Usage: tarnview-cli rc FILE [TYPE NAME]\n"
    "\n"
    "Prints resource NAME of type TYPE of module FILE (every language version of it), or every\n"
    "menu, dialog, string table, accelerator table, message table and version resource of FILE,\n"
    "as resource-script source that x86_64-w64-mingw32-windres compiles back to the same bytes.\n"
    "TYPE is a number, a symbol such as RT_MENU or a name; NAME a number such as 128 or #128,\n"
    "or a name.\n"
    "\n"
    "The script starts with #pragma code_page(65001): texts are UTF-8. Each resource is\n"
    "preceded by a comment with its type, name and language and by its LANGUAGE statement.\n"
    "windres cannot compile message tables: their texts (id, tab, text) are comments.\n"
    "Resources that cannot be read are a comment; what the readers noticed goes to standard\n"
    "error, one line per note. The exit status is 1 when a resource asked for by name cannot\n"
    "be written.\n";

void PrintNotes(const std::string& what, const std::vector<tv::ModuleNote>& notes) {
    for (const tv::ModuleNote& note : notes)
        std::fprintf(stderr, "tarnview-cli: %s: %s\n", what.c_str(), tv::NoteText(note).c_str());
}

int Run(const std::vector<std::string>& args) {
    std::vector<std::string> operands;
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kFormatHelp, stdout);
            return 0;
        }
        if (arg.empty() || arg[0] != '-' || arg == "-")
            operands.push_back(arg);
        else
            return tv::cli::UsageError("rc");
    }
    if (operands.size() != 1 && operands.size() != 3) return tv::cli::UsageError("rc");
    const std::string& file = operands[0];
    std::optional<tv::CResourceId> wantType;
    std::optional<tv::CResourceId> wantName;
    if (operands.size() == 3) {
        wantType = tv::ParseResourceIdText(operands[1], true);
        if (!wantType) return tv::cli::Fail("Unbekannter Ressourcetyp: \"" + operands[1] + "\".");
        wantName = tv::ParseResourceIdText(operands[2], false);
        if (!wantName) return tv::cli::Fail("Ungültiger Ressourcenname: \"" + operands[2] + "\".");
        if (!tv::HasScriptForm(*wantType))
            return tv::cli::Fail("Ressourcen vom Typ " + tv::ResourceTypeSymbol(*wantType) +
                                 " lassen sich nicht als Skript schreiben.");
    }

    tv::CResourceCatalog catalog;
    if (!catalog.Enumerate(tv::cli::ModulePathArgument(file)))
        return tv::cli::Fail(tv::ModuleLoadErrorMessage(catalog.GetErrorCode(), file));
    const tv::CResourceDirectory& directory = catalog.GetDirectory();

    std::string out(tv::kScriptHeader);
    bool found = false;
    bool failed = false;
    for (const tv::ResourceTypeNode& typeNode : directory.Types()) {
        const tv::CResourceId type = directory.ToId(typeNode.id);
        if (wantType ? !(type == *wantType) : !tv::HasScriptForm(type)) continue;
        for (const tv::ResourceNameNode& nameNode : directory.Names(typeNode)) {
            const tv::CResourceId name = directory.ToId(nameNode.id);
            if (wantName && !(name == *wantName)) continue;
            for (const tv::ResourceLeaf& leaf : directory.Languages(nameNode)) {
                found = true;
                const std::string what = tv::ResourceTypeSymbol(type) + " " + name.ToText();
                if (!leaf.hasData) {
                    std::fprintf(stderr, "tarnview-cli: %s: die Daten liegen außerhalb der Datei\n",
                                 what.c_str());
                    failed = true;
                    continue;
                }
                std::vector<tv::ModuleNote> notes;
                if (!tv::ResourceScript(type, name, leaf.language, leaf.data, out, notes))
                    failed = true;
                PrintNotes(what, notes);
            }
        }
    }
    if (wantType && !found)
        return tv::cli::FailMissingResource(file, tv::ResourceTypeSymbol(*wantType),
                                            wantName->ToText());
    std::fwrite(out.data(), 1, out.size(), stdout);
    return wantType && failed ? 1 : 0;
}

}  // namespace

TV_CLI_COMMAND(rc, "FILE [TYPE NAME]",
               "Print resources as resource-script source that windres compiles back (see rc "
               "--help).",
               &Run);
