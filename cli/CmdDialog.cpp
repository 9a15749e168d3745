// tarnview-cli dialog [--preview] FILE NAME: a dialog template (RT_DIALOG) as the preview reads
// it, one line for the dialog and one per control, in a format meant for grep and diff.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "module/ModuleSearch.h"
#include "resources/DialogTemplate.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

using tv::CResourceCatalog;

namespace {

constexpr const char* kFormatHelp =
    "Usage: tarnview-cli dialog [--preview] FILE NAME\n"
    "\n"
    "Prints dialog template NAME (a number such as 101 or #101, or a name) of module FILE.\n"
    "With --preview the template is printed after the header changes the preview window makes\n"
    "before it creates the dialog: WS_VISIBLE cleared, DS_ABSALIGN and DS_3DLOOK set, x = -cx,\n"
    "y = -cy.\n"
    "\n"
    "Output, one record per line, fields separated by single spaces, always in this order:\n"
    "\n"
    "  DIALOG|DIALOGEX x=X y=Y cx=CX cy=CY style=0xSSSSSSSS exstyle=0xEEEEEEEE helpid=H\n"
    "      items=N caption=\"TEXT\" FONT menu=M class=C\n"
    "    DIALOG is the classic layout, DIALOGEX the extended one. Positions and sizes are in\n"
    "    dialog units, signed. items is the count the header declares. FONT is font=none, or\n"
    "    font=\"FACE\" size=POINTS weight=W italic=0|1 charset=CS when the style has DS_SETFONT\n"
    "    (classic templates carry no weight, italic or charset: 0, 0, 1). M and C are none,\n"
    "    #NUMBER (an ordinal) or \"NAME\". helpid is 0 in classic templates.\n"
    "\n"
    "  CONTROL I class=K id=ID title=T x=X y=Y cx=CX cy=CY style=0xSSSSSSSS exstyle=0xEEEEEEEE\n"
    "      helpid=H data=D sizeword=W [truncated=1] offset=0xOFFSET\n"
    "    I counts the controls from 1. K is Button, Edit, Static, ListBox, ScrollBar or\n"
    "    ComboBox for the predefined classes, #NUMBER for another class atom, \"NAME\" for a\n"
    "    class name, none when absent. id is unsigned (a WORD in DIALOG, a DWORD in DIALOGEX).\n"
    "    T is \"TEXT\" or #NUMBER (the ordinal of a resource, e.g. a static's icon). D is the\n"
    "    number of creation-data bytes read, W the size word as stored: W = D when the word\n"
    "    counts the bytes after it (as resource compilers write it), W = D + 2 when it counts\n"
    "    itself too. truncated=1 marks creation data cut off by the end of the template.\n"
    "    offset is the control's position in the template, in hexadecimal.\n"
    "\n"
    "  NOTE TEXT\n"
    "    Something in the template is damaged or cut short (German text).\n"
    "\n"
    "Texts are UTF-8 in double quotes; \\ \" and control characters are escaped as \\\\ \\\" \\n\n"
    "\\r \\t and \\xNN.\n";

int Run(const std::vector<std::string>& args) {
    bool preview = false;
    std::vector<std::string> operands;
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kFormatHelp, stdout);
            return 0;
        }
        if (arg == "--preview") {
            preview = true;
        } else if (arg.empty() || arg[0] != '-' || arg == "-") {
            operands.push_back(arg);
        } else {
            return tv::cli::UsageError("dialog");
        }
    }
    if (operands.size() != 2) return tv::cli::UsageError("dialog");
    const std::string& file = operands[0];
    CResourceCatalog catalog;
    tv::CResourceId name;
    tv::CByteView bytes;
    int status = 0;
    if (!tv::cli::LoadNamedResource(file, operands[1], tv::kRtDialog, "keinen Dialog", catalog,
                                    name, bytes, status))
        return status;

    tv::DialogModel model;
    tv::PreparedDialog prepared;
    bool ok = false;
    if (preview) {
        ok = tv::PrepareDialogForPreview(bytes, prepared);
        // The notes of a template too short to prepare come from reading it as it is.
        if (!ok) (void)tv::ParseDialogTemplate(bytes, model);
    } else {
        ok = tv::ParseDialogTemplate(bytes, model);
    }
    const tv::DialogModel& shown = preview && ok ? prepared.model : model;
    if (!ok) {
        std::string message = "Dialog " + name.ToText() + " in " + file + " ist keine Vorlage";
        if (!shown.diagnostics.empty()) message += ": " + tv::NoteText(shown.diagnostics.front());
        return tv::cli::Fail(message);
    }

    std::string out = tv::DialogLine(shown) + '\n';
    for (size_t i = 0; i < shown.controls.size(); ++i)
        out += tv::ControlLine(shown.controls[i], i) + '\n';
    for (const tv::ModuleNote& note : shown.diagnostics)
        out += "NOTE " + tv::NoteText(note) + '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace

TV_CLI_COMMAND(dialog, "[--preview] FILE NAME",
               "Print a dialog template: the dialog and one line per control (see dialog --help).",
               &Run);
