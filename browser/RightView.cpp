#include "browser/RightView.h"

#include <QApplication>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "browser/QtModuleIcon.h"
#include "browser/QtModuleIconLoader.h"
#include "res/Commands.h"
#include "res/QtWaitCursor.h"
#include "res/StringTable.h"
#include "settings/Settings.h"

namespace tv {

namespace {

// Fetches a row's icon when the row is painted, never when it is only measured.
class CLazyIconDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.column() == 0) (void)index.data(tv::CModuleListModel::kFetchIconRole);
        QStyledItemDelegate::paint(painter, option, index);
    }
};

constexpr int kDefaultColumnWidth = 100;
constexpr int kNameColumnWidth = 160;

}  // namespace

CRightView::CRightView(QWidget* parent) : CRightView(CShellNamespace(), parent) {}

CRightView::CRightView(CShellNamespace shell, QWidget* parent)
    : QWidget(parent), m_shell(std::move(shell)) {
    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    connect(m_flushTimer, &QTimer::timeout, this, [this] { FlushScanResults(false); });
    m_model = new tv::CModuleListModel(this);
    m_stack = new QStackedWidget(this);
    m_icons = new QListView(m_stack);
    m_report = new QTableView(m_stack);
    m_icons->setModel(m_model);
    m_report->setModel(m_model);
    // One selection for both views, so a mode change keeps the selected row.
    QItemSelectionModel* shared = m_report->selectionModel();
    QItemSelectionModel* own = m_icons->selectionModel();
    m_icons->setSelectionModel(shared);
    delete own;
    m_model->SetSelectionModel(shared);
    m_model->SetFont(m_report->font());
    m_model->SetHeaderImages(tv::StripImageList());
    m_iconLoader = new CModuleIconLoader(ModuleOwnImages, this);
    m_model->SetIconProvider(
        [this](const tv::RowData& record, bool& pending) {
            const std::string path = m_shell.IdListToPath(record.idList).value_or(std::string());
            if (!record.folder && !path.empty()) {
                const std::optional<QIcon> own = m_iconLoader->Lookup(path);
                if (own && !own->isNull()) return *own;
                pending = !own;
            }
            return FileTypeIcon(path, record.folder);
        },
        tv::StripImage(0));
    connect(m_iconLoader, &CModuleIconLoader::iconsReady, m_model,
            &CModuleListModel::RefreshPendingIcons);
    QHeaderView* header = m_report->horizontalHeader();
    m_model->SetWidthAccess(
        [header](int column) {
            return header->isSectionHidden(column) ? 0 : header->sectionSize(column);
        },
        [header](int column, int width) {
            header->resizeSection(column, width);
            return true;
        });
    m_adapter = std::make_unique<CReportListAdapter>(m_model);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_icons), static_cast<QAbstractItemView*>(m_report)}) {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->setTextElideMode(Qt::ElideRight);
        view->setItemDelegate(new CLazyIconDelegate(view));
        // Activation is a double click, Enter, or a single click where the desktop asks for it.
        connect(view, &QAbstractItemView::activated, this,
                [this](const QModelIndex& index) { OnRowActivated(index.row()); });
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            ShowContextMenu(view->viewport()->mapToGlobal(at));
        });
        m_stack->addWidget(view);
    }
    connect(shared, &QItemSelectionModel::selectionChanged, this, &CRightView::selectionChanged);

    m_report->verticalHeader()->hide();
    m_report->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_report->verticalHeader()->setDefaultSectionSize(m_report->fontMetrics().height() + 6);
    m_report->setWordWrap(false);
    m_report->setSortingEnabled(false);
    m_report->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultSectionSize(kDefaultColumnWidth);
    connect(header, &QHeaderView::sectionClicked, this, &CRightView::OnColumnClick);

    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    setFocusProxy(m_report);

    m_showMessage = [this](const QString& text) {
        QMessageBox::warning(this, QStringLiteral("Tarnview"), text);
    };
    ApplyStyle();
}

CRightView::~CRightView() {
    // The scan must not post to a view that is going.
    StopDetailsScan(true);
}

void CRightView::SetCommandHandler(tv::CommandHandler handler, tv::CommandUpdater updater) {
    m_onCommand = std::move(handler);
    m_onUpdate = std::move(updater);
}

void CRightView::SetShellActions(std::function<bool(const std::string&)> properties,
                                 std::function<bool(const tv::CItemIdList&)> explore) {
    m_properties = std::move(properties);
    m_explore = std::move(explore);
}

void CRightView::SetMessageHandler(std::function<void(const QString&)> show) {
    m_showMessage = std::move(show);
}

QAbstractItemView* CRightView::CurrentView() const {
    return tv::IsReportMode(m_mode) ? static_cast<QAbstractItemView*>(m_report)
                                    : static_cast<QAbstractItemView*>(m_icons);
}

void CRightView::InitialUpdate() {
    CSettings settings;
    m_mode = settings.GetRightViewStyle();
    const bool fullRow = settings.GetFullRowSelect();
    m_report->setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows
                                           : QAbstractItemView::SelectItems);
    m_report->setShowGrid(settings.GetShowGridLines());
    BuildColumns();
    ApplyStyle();
    LoadExtensionList();
}

void CRightView::LoadExtensionList() {
    m_extensions.clear();
    CSettings settings;
    m_showFolders = settings.GetShowFolders();
    tv::ExtensionSet set = tv::LoadExtensionSet(settings);
    m_extensions = std::move(set.extensions);
    if (!set.message.empty() && m_showMessage) m_showMessage(QString::fromStdString(set.message));
}

void CRightView::BuildColumns() {
    std::vector<tv::ReportHeaderItem> headers;
    const auto columns = tv::ColumnsOfMode(m_mode);
    for (size_t i = 1; i < columns.size(); ++i) {
        tv::ReportHeaderItem item;
        item.text = std::string(tv::LoadString(static_cast<uint32_t>(columns[i].headerStringId)));
        item.format = columns[i].rightAligned ? tv::kHeaderAlignRight : tv::kHeaderAlignLeft;
        headers.push_back(item);
    }
    m_model->SetColumns(headers);
    QHeaderView* header = m_report->horizontalHeader();
    if (header->sectionSize(0) < kNameColumnWidth) header->resizeSection(0, kNameColumnWidth);
    for (int i = 1; i < m_model->columnCount(); ++i)
        header->resizeSection(i, kDefaultColumnWidth);
    if (tv::IsReportMode(m_mode)) m_adapter->AutoSizeColumns(false);
}

void CRightView::ApplyStyle() {
    const tv::ListStyle style = tv::StyleOfMode(m_mode);
    if (style == tv::ListStyle::kReport) {
        m_stack->setCurrentWidget(m_report);
        return;
    }
    const int line = fontMetrics().height();
    switch (style) {
        case tv::ListStyle::kLargeIcons:
            m_icons->setViewMode(QListView::IconMode);
            m_icons->setFlow(QListView::LeftToRight);
            m_icons->setIconSize(QSize(32, 32));
            m_icons->setGridSize(QSize(7 * line, 32 + 3 * line));
            m_icons->setWordWrap(true);
            m_icons->setUniformItemSizes(false);
            break;
        case tv::ListStyle::kSmallIcons:
            m_icons->setViewMode(QListView::ListMode);
            m_icons->setFlow(QListView::LeftToRight);
            m_icons->setIconSize(QSize(16, 16));
            m_icons->setGridSize(QSize(16 * line, std::max(line, 16) + 4));
            m_icons->setWordWrap(false);
            m_icons->setUniformItemSizes(false);
            break;
        default:
            m_icons->setViewMode(QListView::ListMode);
            m_icons->setFlow(QListView::TopToBottom);
            m_icons->setIconSize(QSize(16, 16));
            m_icons->setGridSize(QSize(16 * line, std::max(line, 16) + 4));
            m_icons->setWordWrap(false);
            m_icons->setUniformItemSizes(false);
            break;
    }
    // Names differ in length: each item is measured (cheaply, without its icon), or every name
    // would be cut to the length of the first.
    m_icons->setWrapping(true);
    m_stack->setCurrentWidget(m_icons);
}

void CRightView::Refill(const tv::CItemIdList& folder) {
    StopDetailsScan(true);
    m_iconLoader->CancelPending();
    m_model->Clear();
    m_folder = folder;
    if (folder.IsNull()) return;
    CWaitCursor wait;
    m_report->setUpdatesEnabled(false);
    m_icons->setUpdatesEnabled(false);
    tv::CShellFolderSource source(m_shell, folder);
    auto rows = tv::CollectModuleRows(source, folder, m_extensions, m_showFolders);
    std::vector<std::pair<std::string, tv::RowData>> records;
    records.reserve(rows.size());
    for (tv::ModuleRow& row : rows)
        records.emplace_back(std::move(row.name), tv::RowData{std::move(row.idList), row.folder});
    m_model->AppendRows(std::move(records));
    for (int i = 0; i < m_model->GetItemCount(); ++i)
        m_adapter->FitItemInColumns(i);
    m_report->setUpdatesEnabled(true);
    m_icons->setUpdatesEnabled(true);
    m_adapter->ClearColumnImages();
    m_sortColumn = -1;
    StartDetailsScan();
}

void CRightView::Refresh() { Refill(m_folder); }

void CRightView::StartDetailsScan() {
    StopDetailsScan(true);
    std::vector<tv::ScanRow> rows;
    rows.reserve(static_cast<size_t>(m_model->GetItemCount()));
    for (int i = 0; i < m_model->GetItemCount(); ++i) {
        const tv::RowData* record = m_model->Record(i);
        // A row without a record is skipped; it keeps its place so row numbers stay right.
        if (record == nullptr) {
            rows.push_back({});
            continue;
        }
        rows.push_back({m_shell.IdListToPath(record->idList).value_or(std::string()),
                        record->idList, record->folder});
    }
    m_scanning = true;
    {
        std::lock_guard lock(m_resultsMutex);
        m_results.clear();
    }
    m_scan.Start(
        m_mode, std::move(rows), m_shell,
        [this](uint64_t generation, int row, tv::ScanCells cells) {
            std::lock_guard lock(m_resultsMutex);
            m_results.push_back({generation, row, std::move(cells)});
            if (m_flushPosted) return;
            m_flushPosted = true;
            QMetaObject::invokeMethod(
                this, [this] { FlushScanResults(false); }, Qt::QueuedConnection);
        },
        [this](uint64_t generation) {
            QMetaObject::invokeMethod(
                this, [this, generation] { ScanDone(generation); }, Qt::QueuedConnection);
        });
}

void CRightView::StopDetailsScan(bool force) {
    if (force) m_scan.Stop();
    m_scanning = false;
}

void CRightView::FlushScanResults(bool force) {
    if (!force && m_lastFlush.isValid() && m_lastFlush.elapsed() < kScanBatchInterval) {
        // Too soon after the last batch: the rest waits for the timer, and the scan thread posts
        // nothing more meanwhile.
        if (!m_flushTimer->isActive())
            m_flushTimer->start(kScanBatchInterval - static_cast<int>(m_lastFlush.elapsed()));
        return;
    }
    m_flushTimer->stop();
    std::vector<ScanResult> results;
    {
        std::lock_guard lock(m_resultsMutex);
        results.swap(m_results);
        m_flushPosted = false;
    }
    m_lastFlush.start();
    ApplyScanBatch(results);
}

void CRightView::ApplyScanBatch(const std::vector<ScanResult>& results) {
    int first = -1;
    int last = -1;
    for (const ScanResult& result : results) {
        // A result of a stopped scan may still arrive; the rows it was for are gone.
        if (!m_scanning || result.generation != m_scan.Generation()) continue;
        if (!m_model->SetRowCells(result.row, result.cells)) continue;
        first = first < 0 ? result.row : std::min(first, result.row);
        last = std::max(last, result.row);
    }
    if (first < 0) return;
    m_model->RowsChanged(first, last);
    if (!tv::IsReportMode(m_mode)) return;
    for (const ScanResult& result : results) {
        if (result.generation == m_scan.Generation()) m_adapter->FitItemInColumns(result.row);
    }
}

void CRightView::ScanDone(uint64_t generation) {
    if (!m_scanning || generation != m_scan.Generation()) return;
    FlushScanResults(true);
    if (tv::IsReportMode(m_mode)) m_adapter->AutoSizeColumns(false);
    StopDetailsScan(false);
    emit scanFinished();
}

void CRightView::SetViewMode(uint32_t id) {
    if (!tv::IsViewMode(id)) return;
    StopDetailsScan(true);
    m_mode = id;
    CSettings().SetRightViewStyle(id);
    BuildColumns();
    ApplyStyle();
    m_sortColumn = -1;
    StartDetailsScan();
}

void CRightView::UpdateViewModeUI(CCmdUI& ui) const {
    ui.Enable(true);
    ui.SetCheck(tv::IsModeChecked(ui.GetId(), tv::StyleOfMode(m_mode), m_mode));
}

int CRightView::GetSelectedRow() const {
    const QModelIndexList rows = m_report->selectionModel()->selectedRows(0);
    if (!rows.isEmpty()) return rows.front().row();
    const QModelIndexList cells = m_report->selectionModel()->selectedIndexes();
    return cells.isEmpty() ? -1 : cells.front().row();
}

bool CRightView::IsSelectedModule() const {
    const tv::RowData* record = m_model->Record(GetSelectedRow());
    return record != nullptr && !record->folder;
}

bool CRightView::IsSelectedFolder() const {
    const tv::RowData* record = m_model->Record(GetSelectedRow());
    return record != nullptr && record->folder;
}

std::string CRightView::GetSelectedPath() const {
    const tv::RowData* record = m_model->Record(GetSelectedRow());
    if (record == nullptr) return {};
    return m_shell.IdListToPath(record->idList).value_or(std::string());
}

const tv::CItemIdList* CRightView::GetSelectedIdList() const {
    const tv::RowData* record = m_model->Record(GetSelectedRow());
    return record != nullptr ? &record->idList : nullptr;
}

void CRightView::OnColumnClick(int column) {
    CWaitCursor wait;
    if (tv::SortByColumnClick(*m_adapter, m_mode, column, m_scanning, m_sortColumn) ==
        tv::SortClickResult::kBeep)
        QApplication::beep();
}

void CRightView::OnRowActivated(int row) {
    const tv::RowData* record = m_model->Record(row);
    if (record == nullptr) return;
    if (record->folder) {
        emit folderOpened(record->idList);
        return;
    }
    uint32_t command = 0;
    switch (CSettings().GetDoubleClickAction()) {
        case CSettings::kDoubleClickProperties:
            command = tv::cmd::kProperties;
            break;
        case CSettings::kDoubleClickResources:
            command = tv::cmd::kResources;
            break;
        case CSettings::kDoubleClickHeaders:
            command = tv::cmd::kHeaders;
            break;
        default:
            return;
    }
    if (m_onCommand) m_onCommand(command);
}

void CRightView::ShowContextMenu(const QPoint& at) {
    // Without a frame to route its commands there is no menu.
    if (!m_onCommand) return;
    QMenu* menu = tv::BuildMenu(130, 2, this, m_onCommand, m_onUpdate);
    if (menu == nullptr) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(at);
}

bool CRightView::OnCommand(uint32_t id) {
    switch (id) {
        case tv::cmd::kExplore:
            if (const tv::CItemIdList* item = GetSelectedIdList();
                item && IsSelectedFolder() && m_explore)
                m_explore(*item);
            return true;
        case tv::cmd::kProperties:
            if (const std::string path = GetSelectedPath(); !path.empty() && m_properties)
                m_properties(path);
            return true;
        default:
            return false;
    }
}

bool CRightView::OnUpdateCommand(CCmdUI& ui) {
    switch (ui.GetId()) {
        case tv::cmd::kExplore:
            ui.Enable(IsSelectedFolder());
            return true;
        case tv::cmd::kProperties:
            ui.Enable(m_model->Record(GetSelectedRow()) != nullptr);
            return true;
        default:
            return false;
    }
}

bool CRightView::SelectPath(const std::string& path) {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const tv::RowData* record = m_model->Record(row);
        if (record == nullptr || m_shell.IdListToPath(record->idList) != path) continue;
        QAbstractItemView* view = CurrentView();
        const QModelIndex index = m_model->index(row, 0);
        view->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(index);
        return true;
    }
    return false;
}

}  // namespace tv
