#include "browser/RightView.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "browser/QtFileType.h"
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
constexpr int kProgressInterval = 200;  // milliseconds between two progress notes
constexpr int kRowIconSize = 16;

// What both list views share. A row opens on a double click (the doubleClicked signal) or Enter,
// never on the single click that some desktops turn into an activation. Up and Down in a list
// without a selection select the current row first: the view makes the first row current when
// it gets the focus, and the first key should select that row, not the one after it.
template <class Base>
class CRowView : public Base {
public:
    using Base::Base;
    std::function<void()> onOpen;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (!plain) break;
                if (onOpen) onOpen();
                event->accept();
                return;
            case Qt::Key_Up:
            case Qt::Key_Down: {
                QItemSelectionModel* selection = this->selectionModel();
                if (!plain || selection == nullptr || selection->hasSelection() ||
                    this->model()->rowCount() == 0)
                    break;
                const QModelIndex current = this->currentIndex();
                const QModelIndex row =
                    this->model()->index(current.isValid() ? current.row() : 0, 0);
                selection->setCurrentIndex(
                    row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                this->scrollTo(row);
                event->accept();
                return;
            }
            default:
                break;
        }
        Base::keyPressEvent(event);
    }
};

// The report modes are lists of rows, not spreadsheets: there is no cell cursor. Home and End go
// to the first and last row, Left and Right scroll sideways, Tab leaves the list, and typing
// looks for a name whatever cell was clicked.
class CReportView final : public CRowView<QTableView> {
public:
    explicit CReportView(QWidget* parent) : CRowView<QTableView>(parent) {
        setTabKeyNavigation(false);
    }

    // The pixels a cell draws beside its text (margins, and the icon of column 0), as the style
    // lays the cell out.
    [[nodiscard]] int CellPadding(bool withIcon) const {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.features = QStyleOptionViewItem::HasDisplay;
        if (withIcon) option.features |= QStyleOptionViewItem::HasDecoration;
        option.text = QStringLiteral("x");
        const QSize size =
            style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
        return size.width() - option.fontMetrics.horizontalAdvance(option.text) +
               (showGrid() ? 1 : 0);
    }

    void keyboardSearch(const QString& search) override {
        const QModelIndex current = currentIndex();
        if (current.isValid() && current.column() != 0)
            selectionModel()->setCurrentIndex(model()->index(current.row(), 0),
                                              QItemSelectionModel::NoUpdate);
        QTableView::keyboardSearch(search);
    }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        const int rows = model()->rowCount();
        if (rows == 0) return {};
        const QModelIndex current = currentIndex();
        switch (action) {
            case MoveHome:
                return model()->index(0, 0);
            case MoveEnd:
                return model()->index(rows - 1, 0);
            case MoveLeft:
            case MoveRight: {
                QScrollBar* bar = horizontalScrollBar();
                bar->setValue(bar->value() + (action == MoveLeft ? -1 : 1) * bar->singleStep());
                return current.isValid() ? model()->index(current.row(), 0) : QModelIndex();
            }
            default: {
                const QModelIndex moved = QTableView::moveCursor(action, modifiers);
                return moved.isValid() ? model()->index(moved.row(), 0) : moved;
            }
        }
    }
};

using CIconView = CRowView<QListView>;

// The header of the report modes. A right-aligned column shows its sort mark at its right edge,
// after the text, where it cannot be taken for the mark of the column to its left.
class CModuleHeader final : public QHeaderView {
public:
    explicit CModuleHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

    // The pixels a header item draws beside its text: margins and room for a sort mark.
    [[nodiscard]] int TextPadding() const {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.text = QStringLiteral("x");
        QPixmap mark(kRowIconSize, kRowIconSize);
        mark.fill(Qt::transparent);
        option.icon = QIcon(mark);
        const QSize size =
            style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
        return size.width() - fontMetrics().horizontalAdvance(option.text);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const QVariant alignment =
            model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
        const QIcon mark =
            model()->headerData(logicalIndex, orientation(), Qt::DecorationRole).value<QIcon>();
        if (mark.isNull() || !alignment.isValid() ||
            (alignment.value<Qt::Alignment>() & Qt::AlignRight) == 0) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        QStyleOptionHeader option;
        initStyleOption(&option);
        initStyleOptionForIndex(&option, logicalIndex);
        option.rect = rect;
        option.icon = QIcon();
        painter->save();
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        QStyleOptionHeader label = option;
        label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this);
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
        const QRect markRect(label.rect.right() - kRowIconSize + 1,
                             label.rect.center().y() - kRowIconSize / 2, kRowIconSize,
                             kRowIconSize);
        mark.paint(painter, markRect);
        label.rect.setRight(markRect.left() - margin);
        style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
        painter->restore();
    }
};

}  // namespace

CRightView::CRightView(QWidget* parent) : CRightView(CShellNamespace(), parent) {}

CRightView::CRightView(CShellNamespace shell, QWidget* parent)
    : QWidget(parent), m_shell(std::move(shell)) {
    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    connect(m_flushTimer, &QTimer::timeout, this, [this] { FlushScanResults(false); });
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressInterval);
    connect(m_progressTimer, &QTimer::timeout, this, &CRightView::SetStatusText);
    m_model = new tv::CModuleListModel(this);
    m_stack = new QStackedWidget(this);
    auto* icons = new CIconView(m_stack);
    auto* report = new CReportView(m_stack);
    auto* reportHeader = new CModuleHeader(report);
    report->setHorizontalHeader(reportHeader);
    report->setIconSize(QSize(kRowIconSize, kRowIconSize));
    const auto openSelected = [this] { OnRowActivated(GetSelectedRow()); };
    icons->onOpen = openSelected;
    report->onOpen = openSelected;
    m_icons = icons;
    m_report = report;
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
        [this, header](int column, int width) {
            // A width the user chose is his until the mode changes.
            if (m_userWidths.count(column) != 0) return true;
            const bool setting = std::exchange(m_settingWidths, true);
            header->resizeSection(column, width);
            m_settingWidths = setting;
            return true;
        });
    m_model->SetPaddingAccess(
        [this](int column, bool inHeader) { return TextPadding(column, inHeader); });
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (!m_settingWidths) m_userWidths.insert(column);
    });
    m_adapter = std::make_unique<CReportListAdapter>(m_model);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_icons), static_cast<QAbstractItemView*>(m_report)}) {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->setTextElideMode(Qt::ElideRight);
        view->setItemDelegate(new CLazyIconDelegate(view));
        // Not "activated": where the desktop opens on a single click, that fires on every click.
        connect(view, &QAbstractItemView::doubleClicked, this,
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
    UpdateWidthLimit();

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
    const bool setting = std::exchange(m_settingWidths, true);
    m_model->SetColumns(headers);
    m_settingWidths = setting;
    m_userWidths.clear();
    m_padding.fill(-1);
    ResetColumnWidths();
}

void CRightView::ResetColumnWidths() {
    QHeaderView* header = m_report->horizontalHeader();
    const bool setting = std::exchange(m_settingWidths, true);
    for (int i = 0; i < m_model->columnCount(); ++i) {
        if (m_userWidths.count(i) == 0)
            header->resizeSection(i, i == 0 ? kNameColumnWidth : kDefaultColumnWidth);
    }
    m_settingWidths = setting;
    UpdateWidthLimit();
    if (tv::IsReportMode(m_mode)) m_adapter->AutoSizeColumns(false);
}

void CRightView::UpdateWidthLimit() {
    // Half the pane: the Name column and one detail column never push every other one away.
    m_adapter->SetWidthLimit(std::max(width() / 2, kNameColumnWidth));
}

int CRightView::TextPadding(int column, bool header) const {
    const size_t slot = header ? 2 : (column == 0 ? 0 : 1);
    if (m_padding[slot] < 0) {
        const auto* report = static_cast<const CReportView*>(m_report);
        m_padding[slot] =
            header ? static_cast<const CModuleHeader*>(m_report->horizontalHeader())->TextPadding()
                   : report->CellPadding(column == 0);
    }
    return m_padding[slot];
}

void CRightView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateWidthLimit();
}

void CRightView::ApplyStyle() {
    const tv::ListStyle style = tv::StyleOfMode(m_mode);
    if (style == tv::ListStyle::kReport) {
        m_stack->setCurrentWidget(m_report);
        setFocusProxy(m_report);
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
    setFocusProxy(m_icons);
}

void CRightView::Refill(const tv::CItemIdList& folder) {
    StopDetailsScan(true);
    m_iconLoader->CancelPending();
    {
        const bool setting = std::exchange(m_settingWidths, true);
        m_model->Clear();
        m_settingWidths = setting;
    }
    m_folder = folder;
    m_folderError.clear();
    // Widths belong to one fill and its scan; the next folder starts afresh, at its left edge.
    ResetColumnWidths();
    m_report->horizontalScrollBar()->setValue(0);
    if (folder.IsNull()) {
        SetStatusText();
        return;
    }
    CWaitCursor wait;
    m_report->setUpdatesEnabled(false);
    m_icons->setUpdatesEnabled(false);
    tv::CShellFolderSource source(m_shell, folder);
    bool complete = true;
    auto rows = tv::CollectModuleRows(source, folder, m_extensions, m_showFolders, &complete);
    if (!complete) {
        const std::string shown =
            m_shell.IdListToPath(folder).value_or(m_shell.GetAbsoluteName(folder, false));
        m_folderError = tv::FolderReadErrorText(source.GetErrorCode(), shown);
    }
    if (!m_keepListed.IsNull() && m_keepListed.Parent() == folder &&
        std::none_of(rows.begin(), rows.end(),
                     [this](const tv::ModuleRow& row) { return row.idList == m_keepListed; })) {
        const tv::CItemIdList item =
            tv::CItemIdList::CopyItem(m_keepListed, m_keepListed.CountItems() - 1);
        const uint32_t attributes = m_shell.GetAttributesOf(folder, item, tv::kAttrFolder);
        if (m_shell.GetErrorCode() == 0 && (attributes & tv::kAttrFolder) == 0)
            rows.push_back({m_shell.GetName(folder, item, false), m_keepListed, false});
    }
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

void CRightView::Refresh() {
    const tv::CItemIdList* selected = GetSelectedIdList();
    const tv::CItemIdList keep = selected != nullptr ? *selected : tv::CItemIdList();
    Refill(m_folder);
    // The row the user was on stays selected while it is still there.
    if (keep.IsNull()) return;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const tv::RowData* record = m_model->Record(row);
        if (record == nullptr || !(record->idList == keep)) continue;
        m_model->SetItemSelected(row, true);
        CurrentView()->scrollTo(m_model->index(row, 0));
        break;
    }
}

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
    // The type names come from the user interface's rule, which knows the desktop's file types;
    // the scan's thread gets a namespace of its own for them.
    auto shell = std::make_shared<CShellNamespace>(m_shell);
    const uint32_t mode = m_mode;
    tv::CDetailsScan::RowTexts compute = [mode, shell](const tv::ScanRow& row) {
        return tv::ScanRowTexts(mode, row, [&shell](const tv::ScanRow& r) {
            return tv::ItemTypeText(*shell, r.idList, r.path, r.folder);
        });
    };
    m_scan.Start(
        std::move(rows), std::move(compute),
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
    if (tv::IsReportMode(m_mode)) {
        // A header click is refused while the scan runs; the cursor says why.
        m_report->horizontalHeader()->viewport()->setCursor(Qt::BusyCursor);
        m_progressTimer->start();
    }
    SetStatusText();
}

void CRightView::StopDetailsScan(bool force) {
    if (force) m_scan.Stop();
    m_scanning = false;
    m_progressTimer->stop();
    m_report->horizontalHeader()->viewport()->unsetCursor();
}

QString CRightView::StatusText() const {
    const int total = m_model->GetItemCount();
    if (m_scanning && tv::IsReportMode(m_mode) && total > 0) {
        const size_t done = m_scan.RowsDone(m_scan.Generation());
        return QString::fromStdString(tv::ScanProgressText(done, static_cast<uint64_t>(total)));
    }
    return QString::fromStdString(m_folderError);
}

void CRightView::SetStatusText() {
    QString text = StatusText();
    if (text == m_statusText) return;
    m_statusText = std::move(text);
    emit statusTextChanged(m_statusText);
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
    SetStatusText();
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
    SetStatusText();
    emit scanFinished();
}

void CRightView::SetViewMode(uint32_t id) {
    if (!tv::IsViewMode(id)) return;
    StopDetailsScan(true);
    // The rows stay, and so do the selected and the current row and the focus.
    const int selected = GetSelectedRow();
    const QModelIndex current = CurrentView()->currentIndex();
    const int currentRow = current.isValid() ? current.row() : -1;
    const bool focused = CurrentView()->hasFocus();
    m_mode = id;
    CSettings().SetRightViewStyle(id);
    BuildColumns();
    ApplyStyle();
    QItemSelectionModel* selection = m_report->selectionModel();
    if (selected >= 0) m_model->SetItemSelected(selected, true);
    if (currentRow >= 0 && currentRow != selected)
        selection->setCurrentIndex(m_model->index(currentRow, 0), QItemSelectionModel::NoUpdate);
    if (currentRow >= 0) CurrentView()->scrollTo(m_model->index(currentRow, 0));
    if (focused) CurrentView()->setFocus(Qt::OtherFocusReason);
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
    // By item, not by text: a relative path or one spelt with "./" names the same row.
    const tv::CItemIdList wanted = m_shell.PathToIdList(path);
    if (wanted.IsNull()) return false;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const tv::RowData* record = m_model->Record(row);
        if (record == nullptr || m_shell.CompareIDs(record->idList, wanted) != 0) continue;
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
