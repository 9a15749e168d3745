// tarnview-cli scan [--mode details|version|resources] DIR: the rows of the module list for DIR
// with the texts its details scan writes, tab-separated under the German column headers. The
// extension list and ShowFolders come from the settings, as the module list reads them.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "browser/ModuleRows.h"
#include "browser/ScanTexts.h"
#include "cli/CliCommand.h"
#include "common/SystemErrorText.h"
#include "settings/Settings.h"
#include "shell/ShellNamespace.h"

using tv::CSettings;
using tv::CShellNamespace;

namespace {

std::optional<uint32_t> ParseMode(const std::string& text) {
    if (text == "details") return tv::kModeDetails;
    if (text == "version") return tv::kModeVersionDetails;
    if (text == "resources") return tv::kModeResourceDetails;
    return std::nullopt;
}

// The rows' texts on every core, in blocks taken in turn, so that output keeps the row order.
std::vector<tv::ScanCells> ScanAll(uint32_t mode, const std::vector<tv::ScanRow>& rows,
                                   const CShellNamespace& shell) {
    std::vector<tv::ScanCells> cells(rows.size());
    std::atomic<size_t> next{0};
    constexpr size_t kBlock = 32;
    auto worker = [&] {
        CShellNamespace own(shell);
        for (size_t first; (first = next.fetch_add(kBlock)) < rows.size();) {
            const size_t last = std::min(rows.size(), first + kBlock);
            for (size_t i = first; i < last; ++i)
                cells[i] = tv::ScanRowTexts(mode, rows[i], own);
        }
    };
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < threads && rows.size() > kBlock * i; ++i)
        pool.emplace_back(worker);
    worker();
    for (auto& thread : pool)
        thread.join();
    return cells;
}

// The message names the folder: the system texts of most codes do not.
std::string FolderError(uint32_t code, const std::string& folder) {
    const std::string text = tv::ErrorMessageForPath(code, folder);
    if (text.find(folder) != std::string::npos) return text;
    return folder + ": " + (text.empty() ? "Fehler " + std::to_string(code) : text);
}

int Run(const std::vector<std::string>& args) {
    uint32_t mode = tv::kModeDetails;
    std::optional<std::string> folder;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--mode" && i + 1 < args.size()) {
            const auto parsed = ParseMode(args[++i]);
            if (!parsed) return tv::cli::UsageError("scan");
            mode = *parsed;
        } else if (!folder && (args[i].empty() || args[i][0] != '-')) {
            folder = args[i];
        } else {
            return tv::cli::UsageError("scan");
        }
    }
    if (!folder) return tv::cli::UsageError("scan");

    CSettings settings;
    const tv::ExtensionSet extensions = tv::LoadExtensionSet(settings);
    if (!extensions.message.empty()) std::fprintf(stderr, "%s\n", extensions.message.c_str());
    const bool showFolders = settings.GetShowFolders();

    CShellNamespace shell;
    const tv::CItemIdList folderId = shell.PathToIdList(*folder);
    if (folderId.IsNull()) return tv::cli::Fail(FolderError(shell.GetErrorCode(), *folder));
    tv::CShellFolderSource source(shell, folderId);
    bool complete = true;
    const auto rows =
        tv::CollectModuleRows(source, folderId, extensions.extensions, showFolders, &complete);
    if (!complete) {
        const std::string reason = FolderError(shell.GetErrorCode(), *folder);
        if (rows.empty()) return tv::cli::Fail(reason);
        std::fprintf(stderr, "tarnview-cli: %s\n", reason.c_str());
    }

    std::vector<tv::ScanRow> scanRows;
    scanRows.reserve(rows.size());
    for (const tv::ModuleRow& row : rows)
        scanRows.push_back(
            {shell.IdListToPath(row.idList).value_or(std::string()), row.idList, row.folder});
    const auto cells = ScanAll(mode, scanRows, shell);

    const auto headers = tv::ColumnHeaders(mode);
    std::string out;
    for (size_t i = 0; i < headers.size(); ++i)
        out += (i ? "\t" : "") + headers[i];
    out += '\n';
    std::vector<std::string> line(headers.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        std::fill(line.begin(), line.end(), std::string());
        line[0] = rows[r].name;
        for (const tv::ScanCell& cell : cells[r])
            if (cell.column > 0 && static_cast<size_t>(cell.column) < line.size())
                line[static_cast<size_t>(cell.column)] = cell.text;
        for (size_t i = 0; i < line.size(); ++i) {
            if (i) out += '\t';
            out += line[i];
        }
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace

TV_CLI_COMMAND(scan, "[--mode details|version|resources] DIR",
               "Print the module list of a folder with the texts of the chosen report columns.",
               &Run);
