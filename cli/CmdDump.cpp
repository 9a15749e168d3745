// tarnview-cli dump FILE TYPE NAME: the raw data page of one resource, its byte count text and
// then the dump of its first 16,384 bytes as the page shows it. The character column goes out as
// the page's UTF-8 text, never as the resource's bytes: those are rarely UTF-8, and control bytes
// such as ESC would reach the terminal as commands.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "resources/DumpText.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

using tv::CResourceCatalog;

namespace {

bool IsFileArgument(const std::string& arg) { return arg.empty() || arg[0] != '-' || arg == "-"; }

int Run(const std::vector<std::string>& args) {
    if (args.size() != 3 || !IsFileArgument(args[0])) return tv::cli::UsageError("dump");
    const std::string& file = args[0];
    const auto type = tv::ParseResourceIdText(args[1], true);
    if (!type) return tv::cli::Fail("Unbekannter Ressourcetyp: \"" + args[1] + "\".");
    const auto name = tv::ParseResourceIdText(args[2], false);
    if (!name) return tv::cli::Fail("Ungültiger Ressourcenname: \"" + args[2] + "\".");

    CResourceCatalog catalog;
    if (!catalog.Enumerate(file))
        return tv::cli::Fail(tv::ModuleLoadErrorMessage(catalog.GetErrorCode(), file));
    const auto data = catalog.GetData(*type, *name);
    if (!data) {
        return tv::cli::FailMissingResource(file, tv::ResourceTypeSymbol(*type), name->ToText());
    }
    std::string out = tv::ByteCountText(data->Size());
    out += '\n';
    out += tv::DumpDisplayText(tv::BuildDumpText(*data));
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace

TV_CLI_COMMAND(dump, "FILE TYPE NAME",
               "Print the byte count and a hexadecimal dump of the first 16384 bytes of a "
               "resource.",
               &Run);
