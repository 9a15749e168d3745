// tarnview-cli strings [--json] FILE [--block N] [--hex]: the string list of the resources
// window, one "Id<TAB>Text" line per string, of all string tables or of one block; with --json
// one document that also holds each string as it is, without the list's escapes.
// tarnview-cli export-strings FILE OUT [--block N]: the string list's "Save as...", the format
// chosen by OUT's extension as the window chooses it.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/JsonOutput.h"
#include "common/SystemErrorText.h"
#include "res/StringTable.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"
#include "resources/StringRows.h"

using tv::CResourceCatalog;

namespace {

constexpr uint32_t kStringExportFailedId = 1004;

bool IsFileArgument(const std::string& arg) { return arg.empty() || arg[0] != '-' || arg == "-"; }

struct Arguments {
    std::vector<std::string> files;
    std::optional<std::string> block;
    bool hex = false;
};

// false on a malformed command line.
bool Parse(const std::vector<std::string>& args, bool allowHex, Arguments& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--block") {
            if (out.block || i + 1 >= args.size()) return false;
            out.block = args[++i];
        } else if (allowHex && args[i] == "--hex") {
            out.hex = true;
        } else if (IsFileArgument(args[i])) {
            out.files.push_back(args[i]);
        } else {
            return false;
        }
    }
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Loads the module and finds the block; on failure the exit status is in status.
bool Open(CResourceCatalog& catalog, const std::string& file,
          const std::optional<std::string>& blockText, std::optional<tv::CResourceId>& block,
          int& status) {
    if (blockText) {
        const auto parsed = tv::ParseResourceIdText(*blockText, false);
        if (!parsed) {
            status = tv::cli::Fail("Ungültige Blocknummer: \"" + *blockText + "\".");
            return false;
        }
        block = *parsed;
    }
    if (!catalog.Enumerate(file)) {
        status = tv::cli::Fail(tv::ModuleLoadErrorMessage(catalog.GetErrorCode(), file));
        return false;
    }
    if (blockText && !catalog.GetData(tv::kRtString, *block)) {
        status = tv::cli::Fail(file + " enthält keine Stringtabelle " + *blockText + ".");
        return false;
    }
    return true;
}

// Without --block, every table.
tv::StringRowList Rows(const CResourceCatalog& catalog, const std::optional<tv::CResourceId>& block,
                       bool hex) {
    return block ? tv::StringRowsOfBlock(catalog, *block, hex)
                 : tv::StringRowsOfAllTables(catalog, hex);
}

// The strings as the list shows them, each with its block and its text before the escapes: the
// rows are made the way StringRowsOfBlock and StringRowsOfAllTables make them, one block at a
// time, so each row's text stays beside the row.
tv::cli::Json StringsJson(const std::string& file, const CResourceCatalog& catalog,
                          const std::optional<tv::CResourceId>& block, bool hex) {
    tv::cli::Json list = tv::cli::Json::array();
    const auto add = [&](uint32_t number, const std::vector<std::string>& strings) {
        std::vector<tv::StringRow> rows;
        tv::AppendStringRows(number, strings, hex, rows);
        size_t next = 0;
        for (const std::string& text : strings) {
            if (text.empty()) continue;
            const tv::StringRow& row = rows.at(next++);
            tv::cli::Json item = tv::cli::Json::object();
            item["id"] = row.id;
            item["id_text"] = row.idText;
            item["block"] = number;
            item["text"] = text;
            item["display"] = row.text;
            list.push_back(std::move(item));
        }
    };
    std::vector<std::string> strings;
    if (block) {
        if (catalog.LoadStringBlock(*block, strings)) add(tv::StringBlockNumber(*block), strings);
    } else {
        tv::ForEachNumberedStringBlock(catalog.GetDirectory(),
                                       [&](uint16_t number, const tv::ResourceLeaf* leaf) {
                                           if (!leaf || !leaf->hasData) return;
                                           strings.clear();
                                           (void)tv::DecodeStringBlock(leaf->data, strings);
                                           add(number, strings);
                                       });
    }
    tv::cli::Json doc = tv::cli::JsonDocument("strings");
    doc["file"] = file;
    doc["module"] = catalog.GetPath();
    doc["block"] = block ? tv::cli::ResourceIdJson(*block) : tv::cli::Json();
    doc["hex"] = hex;
    doc["count"] = list.size();
    doc["strings"] = std::move(list);
    doc["notes"] = tv::cli::NotesJson(catalog.Diagnostics());
    return doc;
}

int RunStrings(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = tv::cli::TakeJsonFlag(args);
    Arguments parsed;
    if (!Parse(args, true, parsed) || parsed.files.size() != 1) {
        return tv::cli::UsageError("strings");
    }
    CResourceCatalog catalog;
    std::optional<tv::CResourceId> block;
    int status = 0;
    if (!Open(catalog, parsed.files[0], parsed.block, block, status)) return status;
    if (json) {
        tv::cli::PrintJson(StringsJson(parsed.files[0], catalog, block, parsed.hex));
        return 0;
    }
    std::string out;
    for (const tv::StringRow& row : Rows(catalog, block, parsed.hex).rows) {
        out += row.idText;
        out += '\t';
        out += row.text;
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int RunExport(const std::vector<std::string>& args) {
    Arguments parsed;
    if (!Parse(args, false, parsed) || parsed.files.size() != 2 || parsed.files[1].empty())
        return tv::cli::UsageError("export-strings");
    CResourceCatalog catalog;
    std::optional<tv::CResourceId> block;
    int status = 0;
    if (!Open(catalog, parsed.files[0], parsed.block, block, status)) return status;
    // The window offers "Save as..." only while the list shows a string.
    if (Rows(catalog, block, false).rows.empty())
        return tv::cli::Fail(parsed.files[0] + " enthält keine Strings zum Speichern.");

    // As the save dialog does: a name without an extension gets the default one, .rc.
    std::filesystem::path out(parsed.files[1]);
    if (!out.has_extension()) out += ".rc";
    const std::string extension = out.extension().string().substr(1);
    const std::string path = out.string();
    bool saved = false;
    if (EqualsNoCase(extension, "bin"))
        saved = block ? catalog.ExportRaw(tv::kRtString, *block, path)
                      : catalog.ExportAllOfType(tv::kRtString, path);
    else if (block)
        saved = catalog.ExportStringTable(*block, path, EqualsNoCase(extension, "rc"));
    else
        saved = catalog.ExportAllStringTables(path, EqualsNoCase(extension, "rc"));
    if (!saved) {
        // A file error has its own message before the window's.
        std::string message = catalog.GetFileErrorText();
        if (!message.empty()) message += '\n';
        message += tv::FormatStringResource(kStringExportFailedId, {path});
        return tv::cli::Fail(message);
    }
    return 0;
}

}  // namespace

TV_CLI_COMMAND(strings, "[--json] FILE [--block N] [--hex]",
               "Print the strings of all string tables, or of block N, as ID<TAB>text.",
               &RunStrings);
// The name has a hyphen, which the registration macro cannot spell.
static const tv::cli::CommandRegistrar s_registerExportStrings{tv::cli::CommandInfo{
    "export-strings", "FILE OUT [--block N]",
    "Save the strings as a resource script (.rc, also without extension), raw blocks (.bin) or "
    "text (any other).",
    &RunExport}};
