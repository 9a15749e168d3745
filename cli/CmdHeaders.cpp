// tarnview-cli headers [--full] FILE: the headers window's tree as indented text.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "module/HeadersReport.h"
#include "module/ModuleImage.h"
#include "module/ModuleSearch.h"

using tv::CModuleImage;

namespace {

int Run(const std::vector<std::string>& args) {
    bool full = false;
    std::string file;
    bool haveFile = false;
    for (const auto& arg : args) {
        if (arg == "--full") {
            full = true;
        } else if (!haveFile && (arg.empty() || arg[0] != '-' || arg == "-")) {
            file = arg;
            haveFile = true;
        } else {
            return tv::cli::UsageError("headers");
        }
    }
    if (!haveFile) return tv::cli::UsageError("headers");

    const std::string path = tv::cli::ModulePathArgument(file);

    CModuleImage image;
    if (!image.Load(path))
        return tv::cli::Fail(tv::ModuleLoadErrorMessage(image.GetErrorCode(), file));

    tv::CReportTree tree;
    tv::CHeadersReport report(image, tree);
    report.Fill(full ? tv::HeadersDisplay::Full : tv::HeadersDisplay::Summary);
    const std::string text = tree.Render();
    std::fwrite(text.data(), 1, text.size(), stdout);
    // The notes once more on standard error, one a line, for scripts that watch for damage.
    for (const tv::ModuleNote& note : report.Notes())
        std::fprintf(stderr, "%s\n", tv::NoteText(note).c_str());
    return 0;
}

}  // namespace

TV_CLI_COMMAND(headers, "[--full] FILE",
               "Print the module's headers, exports and imported libraries as a tree.", &Run);
