// The module list's logic without a window: which items of a folder become rows and in which
// order, the six view modes with their column sets, and what a click on a column header does.
// The list view drives it with the shell namespace; tests and the command-line scan drive it with
// folders of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "res/ImageStrip.h"
#include "shell/ItemIdList.h"

namespace tv {

class CReportListAdapter;
class CShellNamespace;

// The view modes, as the command ids that choose them (also the stored RightViewStyle).
enum : uint32_t {
    kModeLargeIcons = 59409,
    kModeSmallIcons = 59408,
    kModeList = 59410,
    kModeDetails = 59411,
    kModeVersionDetails = 32771,
    kModeResourceDetails = 32772,
};

enum class ListStyle { kLargeIcons, kSmallIcons, kList, kReport };

// Header sort marks: images of the header image strip.
inline constexpr int kSortMarkAscending = kStripSortDown;
inline constexpr int kSortMarkDescending = kStripSortUp;

struct ColumnSpec {
    int headerStringId = 0;  // the header text's string resource
    bool rightAligned = false;
    int kind = 0;  // CReportListAdapter::KIND_...
};

// Whether id is one of the six mode commands.
[[nodiscard]] bool IsViewMode(uint32_t id) noexcept;
// The list style of a stored mode: any value that is not a mode command gives large icons.
[[nodiscard]] ListStyle StyleOfMode(uint32_t mode) noexcept;
// True for the three modes with detail columns.
[[nodiscard]] bool IsReportMode(uint32_t mode) noexcept;
// The columns of a mode, column 0 "Name" first; only "Name" for the icon and list modes and for
// any value that is not a mode.
[[nodiscard]] std::span<const ColumnSpec> ColumnsOfMode(uint32_t mode) noexcept;
// The header texts of a mode's columns, in order.
[[nodiscard]] std::vector<std::string> ColumnHeaders(uint32_t mode);
// Whether the mode command id shows as checked, given the list's style and the view's mode.
[[nodiscard]] bool IsModeChecked(uint32_t command, ListStyle style, uint32_t mode) noexcept;

// One item a folder enumeration gives: its name in the folder (UTF-8 for display), its own
// relative id and whether the folder reports it as a folder.
struct FolderItem {
    std::string name;
    CItemIdList id;
    bool folder = false;
};

// A source of folder items: one pass lists the folders, the other the non-folders, hidden ones
// included, each in the order the file system gives them.
class IFolderSource {
public:
    virtual ~IFolderSource();
    // False when the folder cannot be read; items then holds what was read before the failure.
    virtual bool Enumerate(bool folders, std::vector<FolderItem>& items) = 0;
};

// The shell namespace's folder at an absolute item-id list as a folder source.
class CShellFolderSource : public IFolderSource {
public:
    CShellFolderSource(CShellNamespace& shell, CItemIdList folder);
    bool Enumerate(bool folders, std::vector<FolderItem>& items) override;
    // The error code (Windows numbering) of the first pass that failed; 0 while none did.
    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }

private:
    CShellNamespace& m_shell;
    CItemIdList m_folder;
    uint32_t m_error = 0;
};

// What the status bar says about a folder that could not be read (whole): "Zugriff verweigert:"
// for error 5, else "Ordner nicht lesbar:", the folder as shown, and the system's text of the
// error. Empty for error 0.
[[nodiscard]] std::string FolderReadErrorText(uint32_t code, std::string_view folder);

// A row of the module list: its text in column 0, its absolute id list and its folder flag.
struct ModuleRow {
    std::string name;
    CItemIdList idList;
    bool folder = false;
};

// Collects the rows of one fill. Add takes the items in enumeration order and keeps a row when
// its name is new in this fill and it is a folder while folders are shown, or a file whose text
// after the last "." equals one of the extensions exactly (case included).
class CModuleRowCollector {
public:
    CModuleRowCollector(const std::set<std::string>& extensions, bool showFolders,
                        CItemIdList folderIdList);
    // True when the item became a row.
    bool Add(const FolderItem& item);
    [[nodiscard]] const std::vector<ModuleRow>& Rows() const noexcept { return m_rows; }
    [[nodiscard]] std::vector<ModuleRow> TakeRows() { return std::move(m_rows); }

private:
    const std::set<std::string>& m_extensions;
    bool m_showFolders;
    CItemIdList m_folder;
    std::set<std::string, std::less<>> m_names;
    std::vector<ModuleRow> m_rows;
};

// A whole fill: the folders first when shown, then the files. The rows of the folder (in
// enumeration order; a fill never sorts); what could be read when the folder cannot be read
// whole, and then complete (when given) is false.
[[nodiscard]] std::vector<ModuleRow> CollectModuleRows(IFolderSource& source,
                                                       const CItemIdList& folderIdList,
                                                       const std::set<std::string>& extensions,
                                                       bool showFolders, bool* complete = nullptr);

// What a click on a column header did.
enum class SortClickResult {
    kBeep,     // a scan runs: nothing sorted, the caller beeps
    kIgnored,  // no column
    kSorted,
};

// The header click of the module list over its adapter: sets the kinds of the mode's columns,
// sorts ascending unless the column shows the ascending mark (then descending), and moves the
// mark to the clicked column. sortColumn receives the column on success.
SortClickResult SortByColumnClick(CReportListAdapter& adapter, uint32_t mode, int column,
                                  bool scanRunning, int& sortColumn);

}  // namespace tv
