#include "browser/ModuleRows.h"

#include <array>

#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "common/TextCodec.h"
#include "res/StringTable.h"
#include "resources/ReportListAdapter.h"
#include "settings/Settings.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace {

using Adapter = CReportListAdapter;

constexpr ColumnSpec kName{2000, false, Adapter::KIND_TEXT};

constexpr std::array<ColumnSpec, 1> kNameOnly{kName};

constexpr std::array<ColumnSpec, 7> kDetailsColumns{{
    kName,
    {2001, true, Adapter::KIND_SIZE},
    {2002, false, Adapter::KIND_TEXT},
    {2003, false, Adapter::KIND_TEXT},
    {2004, false, Adapter::KIND_DATETIME},
    {2005, false, Adapter::KIND_DATETIME},
    {2006, false, Adapter::KIND_DATETIME},
}};

constexpr std::array<ColumnSpec, 4> kVersionColumns{{
    kName,
    {2007, false, Adapter::KIND_TEXT},
    {2008, false, Adapter::KIND_TEXT},
    {2009, false, Adapter::KIND_TEXT},
}};

constexpr std::array<ColumnSpec, 9> kResourceColumns{{
    kName,
    {2010, true, Adapter::KIND_INTEGER},
    {2011, true, Adapter::KIND_INTEGER},
    {2012, true, Adapter::KIND_INTEGER},
    {2013, true, Adapter::KIND_INTEGER},
    {2014, true, Adapter::KIND_INTEGER},
    {2015, true, Adapter::KIND_INTEGER},
    {2007, true, Adapter::KIND_INTEGER},
    {2016, true, Adapter::KIND_INTEGER},
}};

}  // namespace

bool IsViewMode(uint32_t id) noexcept {
    switch (id) {
        case kModeLargeIcons:
        case kModeSmallIcons:
        case kModeList:
        case kModeDetails:
        case kModeVersionDetails:
        case kModeResourceDetails:
            return true;
        default:
            return false;
    }
}

ListStyle StyleOfMode(uint32_t mode) noexcept {
    switch (mode) {
        case kModeSmallIcons:
            return ListStyle::kSmallIcons;
        case kModeList:
            return ListStyle::kList;
        case kModeDetails:
        case kModeVersionDetails:
        case kModeResourceDetails:
            return ListStyle::kReport;
        default:
            return ListStyle::kLargeIcons;
    }
}

bool IsReportMode(uint32_t mode) noexcept { return StyleOfMode(mode) == ListStyle::kReport; }

std::span<const ColumnSpec> ColumnsOfMode(uint32_t mode) noexcept {
    switch (mode) {
        case kModeDetails:
            return kDetailsColumns;
        case kModeVersionDetails:
            return kVersionColumns;
        case kModeResourceDetails:
            return kResourceColumns;
        default:
            return kNameOnly;
    }
}

std::vector<std::string> ColumnHeaders(uint32_t mode) {
    std::vector<std::string> headers;
    for (const ColumnSpec& column : ColumnsOfMode(mode))
        headers.emplace_back(LoadString(static_cast<uint32_t>(column.headerStringId)));
    return headers;
}

bool IsModeChecked(uint32_t command, ListStyle style, uint32_t mode) noexcept {
    switch (command) {
        case kModeLargeIcons:
            return style == ListStyle::kLargeIcons;
        case kModeSmallIcons:
            return style == ListStyle::kSmallIcons;
        case kModeList:
            return style == ListStyle::kList;
        case kModeDetails:
        case kModeVersionDetails:
        case kModeResourceDetails:
            return style == ListStyle::kReport && mode == command;
        default:
            return false;
    }
}

IFolderSource::~IFolderSource() = default;

CShellFolderSource::CShellFolderSource(CShellNamespace& shell, CItemIdList folder)
    : m_shell(shell), m_folder(std::move(folder)) {}

bool CShellFolderSource::Enumerate(bool folders, std::vector<FolderItem>& items) {
    items.clear();
    std::vector<ShellChild> children;
    const uint32_t flags = (folders ? kEnumFolders : kEnumNonFolders) | kEnumIncludeHidden;
    const bool complete = m_shell.EnumObjects(m_folder, flags, children);
    if (!complete && m_error == 0) m_error = m_shell.GetErrorCode();
    items.reserve(children.size());
    for (ShellChild& child : children) {
        FolderItem item;
        item.name = m_shell.GetName(m_folder, child.id, false);
        item.folder = (child.attributes & kAttrFolder) != 0;
        item.id = std::move(child.id);
        items.push_back(std::move(item));
    }
    return complete;
}

std::string FolderReadErrorText(uint32_t code, std::string_view folder) {
    if (code == kErrorSuccess) return {};
    std::string text =
        code == kErrorAccessDenied ? "Zugriff verweigert: " : "Ordner nicht lesbar: ";
    text += NameDisplayText(SanitizeUtf8(folder));
    if (const std::string_view reason = SystemMessageText(code); !reason.empty()) {
        text += " \u2013 ";
        text += FormatMessageInserts(reason, {});
    } else {
        text += " (Fehler " + std::to_string(code) + ")";
    }
    return text;
}

CModuleRowCollector::CModuleRowCollector(const std::set<std::string>& extensions, bool showFolders,
                                         CItemIdList folderIdList)
    : m_extensions(extensions), m_showFolders(showFolders), m_folder(std::move(folderIdList)) {}

bool CModuleRowCollector::Add(const FolderItem& item) {
    if (m_names.count(item.name) != 0) return false;
    if (item.folder) {
        // Also for folders that the pass for non-folders returns.
        if (!m_showFolders) return false;
    } else if (!IsModuleFileName(item.name, m_extensions)) {
        return false;
    }
    ModuleRow row;
    row.name = item.name;
    row.idList = CItemIdList::Append(m_folder, item.id);
    row.folder = item.folder;
    m_rows.push_back(std::move(row));
    m_names.insert(item.name);
    return true;
}

std::vector<ModuleRow> CollectModuleRows(IFolderSource& source, const CItemIdList& folderIdList,
                                         const std::set<std::string>& extensions, bool showFolders,
                                         bool* complete) {
    CModuleRowCollector collector(extensions, showFolders, folderIdList);
    std::vector<FolderItem> items;
    bool whole = true;
    if (showFolders) {
        whole = source.Enumerate(true, items);
        for (const FolderItem& item : items)
            collector.Add(item);
    }
    whole = source.Enumerate(false, items) && whole;
    for (const FolderItem& item : items)
        collector.Add(item);
    if (complete != nullptr) *complete = whole;
    return collector.TakeRows();
}

SortClickResult SortByColumnClick(CReportListAdapter& adapter, uint32_t mode, int column,
                                  bool scanRunning, int& sortColumn) {
    if (scanRunning) return SortClickResult::kBeep;
    if (column < 0) return SortClickResult::kIgnored;
    const auto columns = ColumnsOfMode(mode);
    for (size_t i = 1; i < columns.size(); ++i)
        adapter.SetColumnKind(static_cast<int>(i), columns[i].kind);
    const bool ascending = adapter.GetColumnImage(column) != kSortMarkAscending;
    sortColumn = column;
    adapter.QuickSortColumn(column, ascending);
    adapter.SetColumnImage(column, ascending ? kSortMarkAscending : kSortMarkDescending);
    const int count = adapter.GetList() != nullptr ? adapter.GetList()->GetColumnCount() : 0;
    for (int i = 0; i < count; ++i)
        if (i != column) adapter.ClearColumnImage(i);
    return SortClickResult::kSorted;
}

}  // namespace tv
