// tarnview-cli save FILE TYPE NAME OUT: writes one resource to a file and, as the resources
// window's pages do, lets OUT's extension choose the form.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "module/ModuleSearch.h"
#include "res/StringTable.h"
#include "resources/BitmapFile.h"
#include "resources/IconGroup.h"
#include "resources/Picture.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

using tv::CResourceCatalog;

namespace {

constexpr const char* kHelp =
    "Usage: tarnview-cli save FILE TYPE NAME OUT\n"
    "\n"
    "Writes resource NAME of type TYPE of module FILE to OUT. TYPE is a number (2, 0x0E, #14),\n"
    "a symbolic name (RT_BITMAP) or a type name; NAME a number or a name. OUT's extension,\n"
    "in any letter case, chooses what is written, as in the resources window:\n"
    "\n"
    "  RT_BITMAP, RT_ICON, RT_CURSOR   .bin: the raw bytes; anything else: a .bmp picture\n"
    "                                  (icons and cursors drawn on the button face)\n"
    "  RT_DIALOG                       .bin: the raw bytes; pictures of dialogs need the window\n"
    "  RT_GROUP_ICON, RT_GROUP_CURSOR  .ico or .cur: the whole group as an icon or cursor file;\n"
    "                                  anything else: the raw bytes\n"
    "  every other type                the raw bytes, whatever the extension\n"
    "\n"
    "Nothing is printed on success. Images a group names but the module lacks are left out,\n"
    "with a line on standard error each.\n";

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

int SaveRaw(const CResourceCatalog& catalog, const tv::CResourceId& type,
            const tv::CResourceId& name, const std::string& out) {
    if (catalog.ExportRaw(type, name, out)) return 0;
    std::string message = tv::FormatStringResource(1006, {out});
    if (!catalog.GetFileErrorText().empty()) message += "\n" + catalog.GetFileErrorText();
    return tv::cli::Fail(message);
}

int SavePicture(const CResourceCatalog& catalog, uint16_t type, const tv::CResourceId& name,
                const std::string& out) {
    tv::CPicture picture;
    std::string error;
    bool ok = false;
    if (type == tv::kRtBitmap) {
        ok = tv::LoadBitmapResource(catalog, name, picture, error);
    } else {
        tv::CIconImage image;
        ok = type == tv::kRtIcon ? tv::LoadIconResource(catalog, name, image, error)
                                 : tv::LoadCursorResource(catalog, name, image, error);
        if (ok && image.IsPng()) {
            ok = false;
            error =
                "Das Bild ist PNG-komprimiert; als Bitmap speichert es nur das Fenster, mit "
                ".bin werden die PNG-Daten gespeichert.";
        } else if (ok) {
            ok = tv::DrawIconPicture(image, tv::kButtonFaceColor, picture, error);
        }
    }
    if (ok) ok = tv::SaveBitmapFile(picture, out, &error);
    if (ok) return 0;
    return tv::cli::Fail(tv::FormatStringResource(1005, {out}) + "\n" + error);
}

int SaveGroup(const CResourceCatalog& catalog, bool cursor, const tv::CResourceId& name,
              const std::string& out) {
    tv::IconFileResult result;
    std::string error;
    if (!tv::SaveIconGroupFile(catalog, cursor, name, out, result, error))
        return tv::cli::Fail(tv::FormatStringResource(1006, {out}) + "\n" + error);
    for (uint16_t id : result.missing) {
        std::fprintf(stderr, "tarnview-cli: %s %u der Gruppe fehlt und wurde ausgelassen.\n",
                     cursor ? "Zeiger" : "Symbol", static_cast<unsigned>(id));
    }
    return 0;
}

int Run(const std::vector<std::string>& args) {
    std::vector<std::string> operands;
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!arg.empty() && arg[0] == '-' && arg != "-") return tv::cli::UsageError("save");
        operands.push_back(arg);
    }
    if (operands.size() != 4) return tv::cli::UsageError("save");
    const std::string& file = operands[0];
    const std::string& out = operands[3];

    const std::optional<tv::CResourceId> type = tv::ParseResourceIdText(operands[1], true);
    if (!type) {
        return tv::cli::Fail("'" + operands[1] +
                             "' ist kein Ressourcentyp (eine Zahl von 1 bis 65535, RT_... oder "
                             "ein Name).");
    }
    const std::optional<tv::CResourceId> name = tv::ParseResourceIdText(operands[2], false);
    if (!name) {
        return tv::cli::Fail("'" + operands[2] +
                             "' ist kein Ressourcenname (eine Zahl von 1 bis 65535 oder ein "
                             "Name).");
    }

    const std::string path = tv::cli::ModulePathArgument(file);
    CResourceCatalog catalog;
    if (!catalog.Enumerate(path))
        return tv::cli::Fail(tv::ModuleLoadErrorMessage(catalog.GetErrorCode(), file));
    if (!catalog.GetData(*type, *name)) {
        return tv::cli::FailMissingResource(file, tv::ResourceTypeSymbol(*type), name->ToText());
    }

    const std::string ext = LowerExtension(out);
    const uint16_t number = type->IsName() ? 0 : type->GetNumber();
    switch (number) {
        case tv::kRtBitmap:
        case tv::kRtIcon:
        case tv::kRtCursor:
            if (ext == ".bin") return SaveRaw(catalog, *type, *name, out);
            return SavePicture(catalog, number, *name, out);
        case tv::kRtDialog:
            if (ext == ".bin") return SaveRaw(catalog, *type, *name, out);
            return tv::cli::Fail(
                "Ein Dialog lässt sich nur im Fenster als Bild speichern; mit "
                "der Endung .bin werden seine Rohdaten gespeichert.");
        case tv::kRtGroupIcon:
        case tv::kRtGroupCursor:
            if (ext == ".ico" || ext == ".cur")
                return SaveGroup(catalog, number == tv::kRtGroupCursor, *name, out);
            return SaveRaw(catalog, *type, *name, out);
        default:
            return SaveRaw(catalog, *type, *name, out);
    }
}

}  // namespace

TV_CLI_COMMAND(save, "FILE TYPE NAME OUT",
               "Save a resource: pictures as .bmp, icon and cursor groups as .ico/.cur, anything "
               "as raw bytes with .bin (see save --help).",
               &Run);
