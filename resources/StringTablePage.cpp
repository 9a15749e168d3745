#include "resources/StringTablePage.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QTreeView>

#include <algorithm>
#include <vector>

#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "res/Menus.h"
#include "res/QtResources.h"
#include "res/QtWaitCursor.h"
#include "res/StringTable.h"
#include "resources/QtSaveFile.h"
#include "resources/ReportListAdapter.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"
#include "resources/StringRows.h"
#include "settings/Settings.h"
#include "ui_StringTablePage.h"

namespace tv {

namespace {

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr uint32_t kIdHeaderString = 2073;    // "ID"
constexpr uint32_t kTextHeaderString = 2074;  // "Text"
constexpr uint32_t kSaveErrorString = 1004;

// The report list's comparison kinds of the two columns: the id column reads as a number (so
// "0x00a1" reads 0 and hexadecimal ids fall back on their equally long texts), the text column
// byte by byte.
int ColumnKind(int column) {
    return column == 0 ? CReportListAdapter::KIND_INTEGER : CReportListAdapter::KIND_TEXT;
}

}  // namespace

// The rows of the list; the strings are kept as the core made them and turned into Qt strings
// only for the rows a view draws.
class CStringRowsModel : public QAbstractTableModel {
public:
    explicit CStringRowsModel(QObject* parent)
        : QAbstractTableModel(parent), m_icon(StripImage(kStringRowImage)) {}

    void SetRows(std::vector<StringRow> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    [[nodiscard]] const std::vector<StringRow>& Rows() const noexcept { return m_rows; }

    [[nodiscard]] std::vector<ReportSortKey> Keys(int column) const {
        std::vector<ReportSortKey> keys;
        keys.reserve(m_rows.size());
        for (const StringRow& row : m_rows)
            keys.push_back(
                ReadReportSortKey(column == 0 ? row.idText : row.text, ColumnKind(column)));
        return keys;
    }
    // A header click: descending when the column is in ascending order already, else ascending.
    void ToggleSort(int column) {
        if (column < 0 || column > 1) return;
        const std::vector<ReportSortKey> keys = Keys(column);
        const int kind = ColumnKind(column);
        Reorder(ReportSortedOrder(keys, kind, ReportSortOrderOf(keys, kind) != 1));
    }

    void sort(int column, Qt::SortOrder order) override {
        if (column < 0 || column > 1) return;
        // Each row is read once per sort, then only the keys are compared.
        Reorder(ReportSortedOrder(Keys(column), ColumnKind(column), order == Qt::AscendingOrder));
    }

    void Reorder(const std::vector<int>& sequence) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<int> newRow(m_rows.size());
        std::vector<StringRow> sorted;
        sorted.reserve(m_rows.size());
        for (size_t i = 0; i < sequence.size(); ++i) {
            const auto from = static_cast<size_t>(sequence[i]);
            newRow[from] = static_cast<int>(i);
            sorted.push_back(std::move(m_rows[from]));
        }
        m_rows = std::move(sorted);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(newRow[static_cast<size_t>(index.row())], index.column()));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || static_cast<size_t>(index.row()) >= m_rows.size()) return {};
        const StringRow& row = m_rows[static_cast<size_t>(index.row())];
        switch (role) {
            case Qt::DisplayRole:
                return Qs(index.column() == 0 ? row.idText : row.text);
            case Qt::DecorationRole:
                return index.column() == 0 ? QVariant(m_icon) : QVariant();
            case Qt::TextAlignmentRole:
                return index.column() == 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                           : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
            case Qt::UserRole:
                return QVariant::fromValue(row.id);
            default:
                return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal) return {};
        if (role == Qt::DisplayRole)
            return Qs(LoadString(section == 0 ? kIdHeaderString : kTextHeaderString));
        if (role == Qt::TextAlignmentRole)
            return section == 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                               : Qt::NoItemFlags;
    }

private:
    std::vector<StringRow> m_rows;
    QIcon m_icon;
};

CStringTablePage::CStringTablePage(QWidget* parent)
    : CResourcePage(parent), m_ui(std::make_unique<Ui::StringTablePage>()) {
    m_ui->setupUi(this);
    m_model = new CStringRowsModel(this);
    QTreeView* list = m_ui->list1006;
    list->setModel(m_model);
    list->setIconSize(QSize(kStripImageSize, kStripImageSize));
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(list->header(), &QHeaderView::sectionClicked, this, &CStringTablePage::OnColumnClick);
    m_ui->static1007->clear();
    FitColumns(true);

    m_toolbar = new CDialogToolBar(this);
    m_toolbar->CreateAtPlaceholder(this, 1003, kStringPageToolbar);
    m_toolbar->EnableButton(cmd::kSaveAs, false);
    m_toolbar->EnableButton(cmd::kHexDisplay, true);
    m_toolbar->CheckButton(cmd::kHexDisplay, CSettings().GetHexadecimalStrings());
    connect(m_toolbar, &CDialogToolBar::commandTriggered, this, [this](uint32_t id) {
        if (id == cmd::kSaveAs) OnSaveAs();
        if (id == cmd::kHexDisplay) OnHexadecimalDisplay();
    });
}

CStringTablePage::~CStringTablePage() = default;

QTreeView* CStringTablePage::List() const noexcept { return m_ui->list1006; }

QString CStringTablePage::CountText() const { return m_ui->static1007->text(); }

void CStringTablePage::ShowStringTables(const CResourceCatalog& catalog) {
    CWaitCursor wait;
    m_catalog = &catalog;
    m_block.reset();
    StringRowList list =
        StringRowsOfAllTables(catalog, m_toolbar->IsButtonChecked(cmd::kHexDisplay));
    m_ui->static1007->setText(Qs(list.countText));
    m_toolbar->EnableButton(cmd::kSaveAs, !list.rows.empty());
    m_model->SetRows(std::move(list.rows));
    FitColumns(false);
}

void CStringTablePage::ShowStringBlock(const CResourceCatalog& catalog, const CResourceId& block) {
    CWaitCursor wait;
    m_catalog = &catalog;
    m_block = block;
    StringRowList list =
        StringRowsOfBlock(catalog, block, m_toolbar->IsButtonChecked(cmd::kHexDisplay));
    m_ui->static1007->setText(Qs(list.countText));
    m_toolbar->EnableButton(cmd::kSaveAs, !list.rows.empty());
    m_model->SetRows(std::move(list.rows));
    FitColumns(false);
}

void CStringTablePage::Refill() {
    if (m_catalog == nullptr) return;
    if (m_block)
        ShowStringBlock(*m_catalog, *m_block);
    else
        ShowStringTables(*m_catalog);
}

void CStringTablePage::OnHexadecimalDisplay() {
    const bool hex = !m_toolbar->IsButtonChecked(cmd::kHexDisplay);
    CSettings().SetHexadecimalStrings(hex);
    m_toolbar->CheckButton(cmd::kHexDisplay, hex);
    Refill();
}

void CStringTablePage::OnColumnClick(int column) {
    if (column < 0 || column > 1) return;
    CWaitCursor wait;
    m_model->ToggleSort(column);
}

void CStringTablePage::FitColumns(bool shrink) {
    // The widest text of the column (header included) and the margin of every report list; the
    // columns only grow between fills of one page, except at the start.
    QTreeView* list = m_ui->list1006;
    const QFontMetrics metrics(list->font());
    const std::vector<StringRow>& rows = m_model->Rows();
    for (int column = 0; column < 2; ++column) {
        int width = metrics.horizontalAdvance(
            m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        // Measuring every one of many thousand rows costs more than a fill; the first few
        // thousand show what the column needs closely enough.
        const size_t measured = std::min<size_t>(rows.size(), 4096);
        for (size_t i = 0; i < measured; ++i)
            width = std::max(
                width, metrics.horizontalAdvance(Qs(column == 0 ? rows[i].idText : rows[i].text)));
        width += kColumnTextMargin + (column == 0 ? kStripImageSize + 8 : 0);
        width = std::min(width, kMaxColumnWidth);
        if (shrink || width > list->columnWidth(column)) list->setColumnWidth(column, width);
    }
}

void CStringTablePage::OnSaveAs() {
    if (m_catalog == nullptr) return;
    SaveFileRequest request;
    request.filter = Qs(LoadString(3001)) + Qs(LoadString(3002)) + Qs(LoadString(3004)) +
                     Qs(LoadString(3000)) + QLatin1Char('|');
    request.proposedName = ModuleFileTitle(m_catalog->GetPath(), QStringLiteral("Strings"));
    request.defaultExtension = QStringLiteral("rc");
    const std::string path = ChooseSaveFile(this, request);
    if (path.empty()) return;
    const std::string extension = LowerExtension(path);
    bool saved = false;
    if (extension == "bin") {
        // All tables: every block back to back.
        saved = m_block ? m_catalog->ExportRaw(kRtString, *m_block, path)
                        : m_catalog->ExportAllOfType(kRtString, path);
    } else {
        saved = m_block ? m_catalog->ExportStringTable(*m_block, path, extension == "rc")
                        : m_catalog->ExportAllStringTables(path, extension == "rc");
    }
    if (!saved) ShowSaveError(this, Qs(FormatStringResource(kSaveErrorString, {path})));
}

}  // namespace tv
