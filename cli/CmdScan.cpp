// tarnview-cli scan [--mode details|version|resources] [--json] DIR: the rows of the module list
// for DIR with the texts its details scan writes, tab-separated under the German column headers,
// or as one JSON document with the facts behind the texts typed. The extension list and
// ShowFolders come from the settings, as the module list reads them.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "browser/ModuleRows.h"
#include "browser/ScanTexts.h"
#include "cli/CliCommand.h"
#include "cli/JsonOutput.h"
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

// compute(row, shell) for every row on every core, in blocks taken in turn, so that output keeps
// the row order.
template <typename Compute>
auto ScanAll(const std::vector<tv::ScanRow>& rows, const CShellNamespace& shell, Compute compute) {
    std::vector<std::invoke_result_t<Compute, const tv::ScanRow&, CShellNamespace&>> results(
        rows.size());
    std::atomic<size_t> next{0};
    constexpr size_t kBlock = 32;
    auto worker = [&] {
        CShellNamespace own(shell);
        for (size_t first; (first = next.fetch_add(kBlock)) < rows.size();) {
            const size_t last = std::min(rows.size(), first + kBlock);
            for (size_t i = first; i < last; ++i)
                results[i] = compute(rows[i], own);
        }
    };
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < threads && rows.size() > kBlock * i; ++i)
        pool.emplace_back(worker);
    worker();
    for (auto& thread : pool)
        thread.join();
    return results;
}

// A row's cells with the facts they were written from, for the JSON form. The cells come from
// the same functions ScanRowTexts calls, fed with facts read once.
struct RowFacts {
    tv::ScanCells cells;
    std::string type;
    bool haveFile = false;
    tv::FileFacts file;
    bool haveCounts = false;
    tv::ResourceCounts counts;
};

RowFacts ReadRowFacts(uint32_t mode, const tv::ScanRow& row, CShellNamespace& shell) {
    RowFacts facts;
    switch (mode) {
        case tv::kModeDetails: {
            facts.type = shell.GetTypeName(row.idList);
            const size_t slash = row.path.rfind('/');
            const std::string_view name = slash == std::string::npos
                                              ? std::string_view(row.path)
                                              : std::string_view(row.path).substr(slash + 1);
            facts.haveFile = !row.folder && tv::ReadFileFacts(row.path, facts.file);
            facts.cells = tv::DetailsTexts(facts.type, row.folder, name,
                                           facts.haveFile ? &facts.file : nullptr);
            break;
        }
        case tv::kModeVersionDetails:
            facts.cells = tv::VersionTexts(row.path);
            break;
        case tv::kModeResourceDetails:
            facts.haveCounts = tv::CountResources(row.path, facts.counts);
            if (facts.haveCounts) facts.cells = tv::ResourceTexts(facts.counts);
            break;
        default:
            break;
    }
    return facts;
}

std::string_view ModeName(uint32_t mode) {
    switch (mode) {
        case tv::kModeVersionDetails:
            return "version";
        case tv::kModeResourceDetails:
            return "resources";
        default:
            return "details";
    }
}

// The cell of column, empty when the scan wrote none.
std::string CellText(const tv::ScanCells& cells, int column) {
    for (const tv::ScanCell& cell : cells)
        if (cell.column == column) return cell.text;
    return {};
}

tv::cli::Json CountsJson(const tv::ResourceCounts& c) {
    tv::cli::Json out = tv::cli::Json::object();
    out["bitmaps"] = c.bitmaps;
    out["dialogs"] = c.dialogs;
    out["cursors"] = c.cursors;
    out["icons"] = c.icons;
    out["menus"] = c.menus;
    out["strings"] = c.strings;
    out["versions"] = c.versions;
    out["other"] =
        c.total - c.bitmaps - c.dialogs - c.cursors - c.icons - c.menus - c.strings - c.versions;
    out["total"] = c.total;
    return out;
}

tv::cli::Json RowJson(uint32_t mode, const tv::ModuleRow& row, const tv::ScanRow& scanRow,
                      const RowFacts& facts, size_t columns) {
    using tv::cli::Json;
    Json out = Json::object();
    out["name"] = row.name;
    out["path"] = scanRow.path;
    out["folder"] = row.folder;
    Json cells = Json::array({row.name});
    for (size_t i = 1; i < columns; ++i)
        cells.push_back(CellText(facts.cells, static_cast<int>(i)));
    out["cells"] = std::move(cells);
    const auto time = [&](int64_t seconds) { return facts.haveFile ? Json(seconds) : Json(); };
    switch (mode) {
        case tv::kModeDetails:
            out["type"] = facts.type;
            out["attributes"] = facts.haveFile ? Json(CellText(facts.cells, 3)) : Json();
            out["size"] = facts.haveFile ? Json(facts.file.size) : Json();
            out["created"] = time(facts.file.created);
            out["modified"] = time(facts.file.modified);
            out["accessed"] = time(facts.file.accessed);
            break;
        case tv::kModeVersionDetails:
            out["product_version"] = CellText(facts.cells, 1);
            out["file_description"] = CellText(facts.cells, 2);
            out["legal_copyright"] = CellText(facts.cells, 3);
            break;
        case tv::kModeResourceDetails:
            out["counts"] = facts.haveCounts ? CountsJson(facts.counts) : Json();
            break;
        default:
            break;
    }
    return out;
}

// The message names the folder: the system texts of most codes do not.
std::string FolderError(uint32_t code, const std::string& folder) {
    const std::string text = tv::ErrorMessageForPath(code, folder);
    if (text.find(folder) != std::string::npos) return text;
    return folder + ": " + (text.empty() ? "Fehler " + std::to_string(code) : text);
}

int Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = tv::cli::TakeJsonFlag(args);
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
    const auto headers = tv::ColumnHeaders(mode);
    if (json) {
        const auto facts =
            ScanAll(scanRows, shell, [mode](const tv::ScanRow& row, CShellNamespace& own) {
                return ReadRowFacts(mode, row, own);
            });
        tv::cli::Json doc = tv::cli::JsonDocument("scan");
        doc["folder"] = *folder;
        doc["mode"] = ModeName(mode);
        doc["complete"] = complete;
        doc["columns"] = headers;
        tv::cli::Json list = tv::cli::Json::array();
        for (size_t r = 0; r < rows.size(); ++r)
            list.push_back(RowJson(mode, rows[r], scanRows[r], facts[r], headers.size()));
        doc["rows"] = std::move(list);
        // The scan reads only what its columns need, which records no damage.
        doc["notes"] = tv::cli::Json::array();
        tv::cli::PrintJson(doc);
        return 0;
    }
    const auto cells =
        ScanAll(scanRows, shell, [mode](const tv::ScanRow& row, CShellNamespace& own) {
            return tv::ScanRowTexts(mode, row, own);
        });

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

TV_CLI_COMMAND(scan, "[--mode details|version|resources] [--json] DIR",
               "Print the module list of a folder with the texts of the chosen report columns.",
               &Run);
