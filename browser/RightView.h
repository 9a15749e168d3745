// The module list: the right pane of the main window. Shows the folder the folder tree selected
// (its sub-folders when ShowFolders is on, and the files whose extension is in the settings'
// list) in one of six modes; the three report modes add columns that a background scan fills.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "browser/DetailsScan.h"
#include "browser/ModuleRows.h"
#include "browser/QtModuleListModel.h"
#include "res/CommandTarget.h"
#include "res/QtResources.h"
#include "resources/ReportListAdapter.h"
#include "shell/ShellNamespace.h"

class QListView;
class QTimer;
class QStackedWidget;
class QTableView;
class QAbstractItemView;
class QResizeEvent;

namespace tv {

class CModuleIconLoader;

class CRightView : public QWidget, public ICommandTarget {
    Q_OBJECT
public:
    explicit CRightView(QWidget* parent = nullptr);
    // With a namespace of the caller's (tests give one with a home folder of their own).
    CRightView(CShellNamespace shell, QWidget* parent);
    ~CRightView() override;

    // Reads the settings (mode, full-row selection, grid lines, ShowFolders, extensions) and
    // builds the columns; the list stays empty until Refill.
    void InitialUpdate();
    // Shows the folder an absolute item-id list names; a null list empties the list.
    void Refill(const tv::CItemIdList& folder);
    // Refills with the folder shown last (the Refresh command), keeping the selected row.
    void Refresh();

    // The six mode commands; any other id is ignored.
    void SetViewMode(uint32_t id);
    [[nodiscard]] uint32_t GetViewMode() const noexcept { return m_mode; }
    void UpdateViewModeUI(CCmdUI& ui) const;

    [[nodiscard]] bool IsSelectedModule() const;
    [[nodiscard]] bool IsSelectedFolder() const;
    // The selected row's path (raw bytes), empty without a selected row.
    [[nodiscard]] std::string GetSelectedPath() const;
    // The selected row's absolute id list, or nullptr; the row keeps it.
    [[nodiscard]] const tv::CItemIdList* GetSelectedIdList() const;
    [[nodiscard]] int GetSelectedRow() const;
    // Selects the row of the file or folder at path and scrolls to it; false when no row shows it.
    bool SelectPath(const std::string& path);
    // A file that is listed in its folder whatever the extension list says: the one the program
    // was started with, which the user asked to see. The null list forgets it.
    void KeepListed(const tv::CItemIdList& file) { m_keepListed = file; }
    [[nodiscard]] bool IsScanning() const { return m_scanning; }
    // What the status bar's message pane says for the list: the scan's progress while it runs
    // in a report mode, else why the folder could not be read; empty when there is nothing.
    [[nodiscard]] QString StatusText() const;

    // The scan's results reach the list in batches, so that a fast scan costs the user interface
    // one model update and one column fit per batch instead of one per cell.
    static constexpr int kScanBatchInterval = 40;  // milliseconds
    struct ScanResult {
        uint64_t generation = 0;
        int row = 0;
        tv::ScanCells cells;
    };
    // Applies the results of the running scan (others are stale and dropped).
    void ApplyScanBatch(const std::vector<ScanResult>& results);
    [[nodiscard]] uint64_t ScanGeneration() const noexcept { return m_scan.Generation(); }
    [[nodiscard]] int GetSortColumn() const noexcept { return m_sortColumn; }

    // Starts and stops the background scan; a forced stop drops what the scan has not written.
    void StartDetailsScan();
    void StopDetailsScan(bool force);

    // Where commands of the context menu and of a double click go, and how their state is found.
    void SetCommandHandler(tv::CommandHandler handler, tv::CommandUpdater updater);
    // The shell commands (the application's): properties of a path, explore an item.
    void SetShellActions(std::function<bool(const std::string& path)> properties,
                         std::function<bool(const tv::CItemIdList& item)> explore);
    // Shows a warning (the extension list messages); tests replace it.
    void SetMessageHandler(std::function<void(const QString& text)> show);

    // A click on a column header, as the header reports it.
    void OnColumnClick(int column);
    // A double click on a row, or Enter on the selected one.
    void OnRowActivated(int row);

    bool OnCommand(uint32_t id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

    [[nodiscard]] tv::CModuleListModel& Model() noexcept { return *m_model; }
    [[nodiscard]] const CModuleIconLoader& IconLoader() const noexcept { return *m_iconLoader; }
    [[nodiscard]] CReportListAdapter& Adapter() noexcept { return *m_adapter; }
    [[nodiscard]] QAbstractItemView* CurrentView() const;
    [[nodiscard]] QTableView* ReportView() const noexcept { return m_report; }
    [[nodiscard]] QListView* IconView() const noexcept { return m_icons; }

signals:
    // A folder row was opened: the tree should select this child of its selection.
    void folderOpened(const tv::CItemIdList& idList);
    // The selected row changed.
    void selectionChanged();
    // The scan ended on its own (not stopped).
    void scanFinished();
    // StatusText changed.
    void statusTextChanged(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildColumns();
    // Gives every column its starting width (what a new mode starts with), except the ones the
    // user sized; then the header texts are fitted.
    void ResetColumnWidths();
    void UpdateWidthLimit();
    // The pixels a cell or header item draws beside its text, measured once per style.
    [[nodiscard]] int TextPadding(int column, bool header) const;
    void ApplyStyle();
    void SetStatusText();
    void LoadExtensionList();
    void ScanDone(uint64_t generation);
    // Takes the results the scan thread has collected and applies them, at most once per
    // kScanBatchInterval unless force.
    void FlushScanResults(bool force);
    void ShowContextMenu(const QPoint& at);

    CShellNamespace m_shell;
    tv::CModuleListModel* m_model = nullptr;
    CModuleIconLoader* m_iconLoader = nullptr;
    std::unique_ptr<CReportListAdapter> m_adapter;
    QStackedWidget* m_stack = nullptr;
    QListView* m_icons = nullptr;
    QTableView* m_report = nullptr;
    uint32_t m_mode = 1;
    int m_sortColumn = -1;
    bool m_showFolders = true;
    std::set<std::string> m_extensions;
    tv::CItemIdList m_folder;  // the folder shown, for Refresh
    tv::CItemIdList m_keepListed;
    std::string m_folderError;  // why the folder shown could not be read (whole)
    QString m_statusText;
    // Columns whose width the user set; fits leave them alone until the mode changes.
    std::set<int> m_userWidths;
    bool m_settingWidths = false;                      // the view itself resizes a column
    mutable std::array<int, 3> m_padding{-1, -1, -1};  // name cell, other cell, header
    QTimer* m_progressTimer = nullptr;
    // Filled by the scan thread; declared before the scan, so they outlive its thread.
    std::mutex m_resultsMutex;
    std::vector<ScanResult> m_results;
    bool m_flushPosted = false;
    QTimer* m_flushTimer = nullptr;
    QElapsedTimer m_lastFlush;
    tv::CDetailsScan m_scan;
    bool m_scanning = false;
    tv::CommandHandler m_onCommand;
    tv::CommandUpdater m_onUpdate;
    std::function<bool(const std::string&)> m_properties;
    std::function<bool(const tv::CItemIdList&)> m_explore;
    std::function<void(const QString&)> m_showMessage;
};

}  // namespace tv
