// tarnview-cli version [--json] FILE [--translation N]: the version texts of a module as the
// resources window lists them, one "Label<TAB>Value" line each, or as one JSON document. An empty
// FILE ("") is the program itself.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/JsonOutput.h"
#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "module/VersionInfo.h"
#include "res/StringTable.h"

using tv::CVersionInfo;

namespace {

void PrintRow(uint32_t labelId, const std::string& value) {
    const std::string_view label = tv::LoadString(labelId);
    std::printf("%.*s\t%s\n", static_cast<int>(label.size()), label.data(), value.c_str());
}

void PrintTranslation(const CVersionInfo& info) {
    PrintRow(tv::kLanguageLabelId,
             tv::LanguageLineText(info.GetLanguageName(), info.GetTranslation()));
    for (const tv::VersionLabel& label : tv::VersionLabels().subspan(tv::kFixedVersionLabelCount))
        PrintRow(label.stringId, info.GetField(label.field));
}

std::optional<int> ParseIndex(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != text.npos)
        return std::nullopt;
    return std::atoi(text.c_str());
}

int Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = tv::cli::TakeJsonFlag(args);
    std::optional<std::string> file;
    std::optional<int> translation;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--translation") {
            if (translation || i + 1 >= args.size()) return tv::cli::UsageError("version");
            translation = ParseIndex(args[++i]);
            if (!translation) return tv::cli::UsageError("version");
        } else if (!file && (args[i].empty() || args[i][0] != '-' || args[i] == "-")) {
            file = args[i];
        } else {
            return tv::cli::UsageError("version");
        }
    }
    if (!file) return tv::cli::UsageError("version");

    CVersionInfo info(*file);
    const std::string& shown = file->empty() ? info.GetFileName() : *file;
    if (!info.HasData()) {
        switch (info.GetErrorCode()) {
            case tv::kErrorResourceDataNotFound:
            case tv::kErrorResourceTypeNotFound:
            case tv::kErrorResourceLangNotFound:
                return tv::cli::Fail(shown + " enthält keine Versionsinformation.");
            case tv::kErrorInvalidData:
                return tv::cli::Fail("Die Versionsinformation von " + shown +
                                     " liegt außerhalb der Datei.");
            default:
                return tv::cli::Fail(tv::ModuleLoadErrorMessage(info.GetErrorCode(), shown));
        }
    }
    if (translation && !info.SelectTranslation(*translation)) {
        return tv::cli::Fail("Die Versionsinformation von " + shown + " hat keine Übersetzung " +
                             std::to_string(*translation) + ".");
    }

    if (json) {
        tv::cli::Json doc = tv::cli::JsonDocument("version");
        doc["file"] = *file;
        doc["module"] = shown;
        doc.update(tv::cli::VersionJson(info, translation));
        // The version reader records no damage of its own.
        doc["notes"] = tv::cli::Json::array();
        tv::cli::PrintJson(doc);
        return 0;
    }

    // The fixed information once (it is the same for every translation), then each translation.
    for (const tv::VersionLabel& label : tv::VersionLabels().first(tv::kFixedVersionLabelCount))
        PrintRow(label.stringId, info.GetField(label.field));
    if (translation) {
        PrintTranslation(info);
        return 0;
    }
    for (int i = 0; info.SelectTranslation(i); ++i)
        PrintTranslation(info);
    return 0;
}

}  // namespace

TV_CLI_COMMAND(version, "[--json] FILE [--translation N]",
               "Print the module's version texts (\"\" for this program's own).", &Run);
