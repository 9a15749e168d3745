// tarnview-cli menu FILE NAME: a menu template (RT_MENU) as the dialog preview reads it, one line
// for the menu and one per entry, indented by level, in a format meant for grep and diff.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "resources/MenuTemplate.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

namespace {

constexpr const char* kFormatHelp =
    "Usage: tarnview-cli menu FILE NAME\n"
    "\n"
    "Prints menu template NAME (a number such as 128 or #128, or a name) of module FILE.\n"
    "\n"
    "Output, one record per line, fields separated by single spaces, always in this order:\n"
    "\n"
    "  MENU entries=N\n"
    "  MENUEX helpid=H entries=N\n"
    "    MENU is the classic layout, MENUEX the extended one (H is the menu bar's help id).\n"
    "    N counts the entries read at every level.\n"
    "\n"
    "  KIND id=ID text=\"TEXT\" type=0xTTTTTTTT state=0xSSSSSSSS flags=0xFFFF [helpid=H]\n"
    "      offset=0xOFFSET [WORD...]\n"
    "    One line per entry, depth first, indented by two spaces per level (the menu bar's\n"
    "    entries by two). KIND is POPUP (its entries follow, one level deeper), SEPARATOR or\n"
    "    ITEM. ID is unsigned (a WORD in MENU, where popups have none: 0). type holds the\n"
    "    MFT_* bits and state the MFS_* bits; in MENU both are taken from the item's MF_* flags.\n"
    "    flags is the item's flags word (MENU) or resource flags (MENUEX) as stored. helpid is\n"
    "    printed for popups in MENUEX. offset is the entry's position in the template, in\n"
    "    hexadecimal. The WORDs name the bits set, from: GRAYED DISABLED CHECKED DEFAULT\n"
    "    HILITE BITMAP OWNERDRAW RADIOCHECK MENUBARBREAK MENUBREAK RIGHTJUSTIFY RIGHTORDER.\n"
    "\n"
    "  NOTE TEXT\n"
    "    Something in the template is damaged or cut short (German text); the entries\n"
    "    before it are those that could be read.\n"
    "\n"
    "Texts are UTF-8 in double quotes; \\ \" and control characters are escaped as \\\\ \\\" \\n\n"
    "\\r \\t and \\xNN. A tab starts the shortcut text Windows shows in a column of its own.\n";

int Run(const std::vector<std::string>& args) {
    std::vector<std::string> operands;
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kFormatHelp, stdout);
            return 0;
        }
        if (arg.empty() || arg[0] != '-' || arg == "-") {
            operands.push_back(arg);
        } else {
            return tv::cli::UsageError("menu");
        }
    }
    if (operands.size() != 2) return tv::cli::UsageError("menu");
    const std::string& file = operands[0];
    tv::CResourceCatalog catalog;
    tv::CResourceId name;
    tv::CByteView bytes;
    int status = 0;
    if (!tv::cli::LoadNamedResource(file, operands[1], tv::kRtMenu, "kein Menü", catalog, name,
                                    bytes, status))
        return status;

    tv::MenuModel model;
    if (!tv::ParseMenuTemplate(bytes, model)) {
        std::string message = "Menü " + name.ToText() + " in " + file + " ist keine Vorlage";
        if (!model.diagnostics.empty()) message += ": " + tv::NoteText(model.diagnostics.front());
        return tv::cli::Fail(message);
    }
    const std::string out = tv::MenuOutline(model);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace

TV_CLI_COMMAND(menu, "FILE NAME",
               "Print a menu template: one line per entry, indented by level (see menu --help).",
               &Run);
