// tarnview-cli: the texts of the program's windows on standard output.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommand.h"
#include "common/BuildInfo.h"
#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "module/ModuleSearch.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

namespace tv::cli {

namespace {
std::vector<CommandInfo>& Registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}
}  // namespace

const std::vector<CommandInfo>& Commands() { return Registry(); }

CommandRegistrar::CommandRegistrar(const CommandInfo& info) {
    auto& commands = Registry();
    const auto at = std::lower_bound(
        commands.begin(), commands.end(), info,
        [](const CommandInfo& a, const CommandInfo& b) { return a.name < b.name; });
    commands.insert(at, info);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "tarnview-cli: %s\n", message.c_str());
    return 1;
}

int FailMissingResource(const std::string& file, const std::string& typeText,
                        const std::string& nameText) {
    return Fail(file + " enthält keine Ressource " + typeText + " " + nameText +
                " (oder ihre Daten liegen außerhalb der Datei).");
}

std::string ModulePathArgument(const std::string& file) {
    std::error_code ec;
    if (IsBareModuleName(file) && std::filesystem::is_regular_file(file, ec)) return "./" + file;
    return file;
}

bool LoadNamedResource(const std::string& file, const std::string& nameText, uint16_t type,
                       const char* what, CResourceCatalog& catalog, CResourceId& name,
                       CByteView& bytes, int& status) {
    const std::optional<CResourceId> parsed = ParseResourceIdText(nameText, false);
    if (!parsed) {
        status = Fail("'" + nameText +
                      "' ist kein Ressourcenname (eine Zahl von 1 bis 65535 oder ein Name).");
        return false;
    }
    name = *parsed;
    // A module without resources fails here too, with 1812 and its own message.
    if (!catalog.Enumerate(ModulePathArgument(file))) {
        status = Fail(ModuleLoadErrorMessage(catalog.GetErrorCode(), file));
        return false;
    }
    const std::optional<CByteView> found = catalog.GetData(type, name);
    if (!found) {
        status = Fail(file + " enthält " + what + " " + name.ToText() +
                      " (oder seine Daten liegen außerhalb der Datei).");
        return false;
    }
    bytes = *found;
    return true;
}

int UsageError(std::string_view command) {
    for (const auto& c : Commands()) {
        if (c.name == command) {
            std::fprintf(stderr, "Usage: tarnview-cli %.*s %.*s\n", static_cast<int>(c.name.size()),
                         c.name.data(), static_cast<int>(c.usage.size()), c.usage.data());
            return 2;
        }
    }
    return 2;
}

}  // namespace tv::cli

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: tarnview-cli COMMAND [ARGS...]\n\n"
                 "Shows what is inside Windows PE/COFF modules, with the texts of the Tarnview "
                 "windows.\n\nCommands:\n");
    for (const auto& c : tv::cli::Commands()) {
        std::string head(c.name);
        head += ' ';
        head += c.usage;
        // A usage too long for its column gets a line of its own, the synopsis under it.
        if (head.size() > 44) {
            std::fprintf(out, "  %s\n", head.c_str());
            head.clear();
        }
        std::fprintf(out, "  %-44s %.*s\n", head.c_str(), static_cast<int>(c.synopsis.size()),
                     c.synopsis.data());
    }
    std::fprintf(out, "  %-44s %s\n", "--help", "Print this help.");
    std::fprintf(out, "  %-44s %s\n", "--version", "Print the program version.");
    std::fprintf(out,
                 "\nWith --json, headers, info, resources, scan, strings and version print one "
                 "JSON document\ninstead of text (UTF-8, schema in docs/cli-json.md); errors "
                 "still go to standard error\nwith nothing on standard output.\n");
}

// A script must not take a cut output for the whole: a full disk or a closed file turns a
// success into exit status 1, with the reason on standard error.
int FinishOutput(int status) {
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (!failed || status != 0) return status;
    const int error = errno;
    std::string reason(tv::SystemMessageText(tv::ErrnoToErrorCode(error)));
    if (reason.empty()) reason = std::strerror(error);
    return tv::cli::Fail("Die Ausgabe konnte nicht geschrieben werden: " + reason);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        PrintHelp(stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("tarnview-cli %s\n", tv::BuildVersionText());
        return 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : tv::cli::Commands())
        if (c.name == command) return FinishOutput(c.run(args));
    std::fprintf(stderr, "tarnview-cli: unknown command '%s' (see --help)\n", argv[1]);
    return 2;
}
