#include "browser/QtModuleListModel.h"

#include <QFontMetrics>

#include "common/TextCodec.h"

namespace tv {

namespace {
QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A name as the views draw it: control characters as escapes, so that a row stays one line. The
// bytes that can start one are rare, so the usual name is not copied.
QString ShownText(std::string_view text) {
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || b == 0xC2 || b == 0xE2)
            return ToQString(NameDisplayText(text));
    }
    return ToQString(text);
}
}  // namespace

CModuleListModel::CModuleListModel(QObject* parent) : QAbstractTableModel(parent) {
    m_headers.push_back({"Name", kHeaderAlignLeft, 0});
}

CModuleListModel::~CModuleListModel() = default;

void CModuleListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_records.clear();
    m_icons.clear();
    endResetModel();
}

int CModuleListModel::AppendRows(std::vector<std::pair<std::string, RowData>> rows) {
    const int first = static_cast<int>(m_rows.size());
    if (rows.empty()) return first;
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    m_rows.reserve(m_rows.size() + rows.size());
    for (auto& [name, record] : rows) {
        auto owned = std::make_unique<RowData>(std::move(record));
        Row row;
        row.cells.push_back(std::move(name));
        row.data = reinterpret_cast<uintptr_t>(owned.get());
        m_records.push_back(std::move(owned));
        m_rows.push_back(std::move(row));
    }
    endInsertRows();
    return first;
}

const RowData* CModuleListModel::Record(int row) const {
    return Valid(row) ? reinterpret_cast<const RowData*>(m_rows[static_cast<size_t>(row)].data)
                      : nullptr;
}

void CModuleListModel::SetColumns(const std::vector<ReportHeaderItem>& headers) {
    // Columns go and come as columns, not as a reset: the rows, their selection and the current
    // row stay where they are.
    if (m_headers.size() > 1) {
        beginRemoveColumns(QModelIndex(), 1, static_cast<int>(m_headers.size()) - 1);
        m_headers.resize(1);
        for (Row& row : m_rows)
            row.cells.resize(1);
        endRemoveColumns();
    }
    if (headers.empty()) return;
    beginInsertColumns(QModelIndex(), 1, static_cast<int>(headers.size()));
    for (const auto& header : headers)
        m_headers.push_back(header);
    endInsertColumns();
}

int CModuleListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CModuleListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant CModuleListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Valid(index.row())) return {};
    const Row& row = m_rows[static_cast<size_t>(index.row())];
    const auto column = static_cast<size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            if (role == Qt::ToolTipRole && column != 0) return {};
            return column < row.cells.size() ? ShownText(row.cells[column]) : QString();
        case kFetchIconRole:
            if (column == 0 && row.image < 0 && m_iconProvider) {
                const auto* record = reinterpret_cast<const RowData*>(row.data);
                bool pending = false;
                m_icons.push_back(record ? m_iconProvider(*record, pending) : QIcon());
                row.image = static_cast<int>(m_icons.size()) - 1;
                row.iconPending = pending;
            }
            return true;
        case Qt::DecorationRole:
            if (column != 0) return {};
            if (row.image >= 0 && static_cast<size_t>(row.image) < m_icons.size())
                return m_icons[static_cast<size_t>(row.image)];
            return m_placeholder;
        case Qt::TextAlignmentRole: {
            if (column >= m_headers.size()) return {};
            const bool right = (m_headers[column].format & kHeaderAlignMask) == kHeaderAlignRight;
            return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
        }
        default:
            return {};
    }
}

void CModuleListModel::RefreshPendingIcons() {
    if (!m_iconProvider) return;
    int first = -1;
    int last = -1;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (!row.iconPending || row.image < 0) continue;
        const auto* record = reinterpret_cast<const RowData*>(row.data);
        bool pending = false;
        QIcon icon = record ? m_iconProvider(*record, pending) : QIcon();
        if (pending) continue;
        m_icons[static_cast<size_t>(row.image)] = std::move(icon);
        row.iconPending = false;
        if (first < 0) first = static_cast<int>(i);
        last = static_cast<int>(i);
    }
    if (first >= 0) emit dataChanged(index(first, 0), index(last, 0), {Qt::DecorationRole});
}

QVariant CModuleListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        static_cast<size_t>(section) >= m_headers.size())
        return {};
    const ReportHeaderItem& header = m_headers[static_cast<size_t>(section)];
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(header.text);
        case Qt::DecorationRole:
            if ((header.format & kHeaderShowImage) && header.image >= 0 &&
                header.image < m_headerImages.size())
                return m_headerImages[header.image];
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter |
                                       ((header.format & kHeaderAlignMask) == kHeaderAlignRight
                                            ? Qt::AlignRight
                                            : Qt::AlignLeft));
        default:
            return {};
    }
}

Qt::ItemFlags CModuleListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int CModuleListModel::GetItemCount() const { return static_cast<int>(m_rows.size()); }

std::string CModuleListModel::GetItemText(int item, int column) const {
    if (!Valid(item) || column < 0) return {};
    const Row& row = m_rows[static_cast<size_t>(item)];
    return static_cast<size_t>(column) < row.cells.size() ? row.cells[static_cast<size_t>(column)]
                                                          : std::string();
}

bool CModuleListModel::SetItemText(int item, int column, std::string_view text) {
    if (!Valid(item) || column < 0 || static_cast<size_t>(column) >= m_headers.size()) return false;
    Row& row = m_rows[static_cast<size_t>(item)];
    if (row.cells.size() <= static_cast<size_t>(column))
        row.cells.resize(static_cast<size_t>(column) + 1);
    row.cells[static_cast<size_t>(column)] = std::string(text);
    // A sort's batch redraws once at its end.
    if (m_moveDepth == 0) emit dataChanged(index(item, column), index(item, column));
    return true;
}

uintptr_t CModuleListModel::GetItemData(int item) const {
    return Valid(item) ? m_rows[static_cast<size_t>(item)].data : 0;
}

bool CModuleListModel::SetItemData(int item, uintptr_t data) {
    if (!Valid(item)) return false;
    m_rows[static_cast<size_t>(item)].data = data;
    return true;
}

std::optional<int> CModuleListModel::GetItemImage(int item) const {
    if (!Valid(item)) return std::nullopt;
    return m_rows[static_cast<size_t>(item)].image;
}

bool CModuleListModel::SetItemImage(int item, int image) {
    if (!Valid(item)) return false;
    m_rows[static_cast<size_t>(item)].image = image;
    if (m_moveDepth == 0) emit dataChanged(index(item, 0), index(item, 0), {Qt::DecorationRole});
    return true;
}

bool CModuleListModel::IsItemSelected(int item) const {
    if (!Valid(item)) return false;
    if (m_moveDepth > 0) return m_batchSelected[static_cast<size_t>(item)];
    return m_selection && m_selection->isRowSelected(item, QModelIndex());
}

bool CModuleListModel::SetItemSelected(int item, bool selected) {
    if (!Valid(item)) return false;
    if (m_moveDepth > 0) {
        m_batchSelected[static_cast<size_t>(item)] = selected;
        return true;
    }
    if (!m_selection) return false;
    const QModelIndex at = index(item, 0);
    if (selected) {
        m_selection->setCurrentIndex(
            at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (m_selection->isRowSelected(item, QModelIndex())) {
        m_selection->select(at, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
    return true;
}

ReportCheck CModuleListModel::GetItemCheck(int) const { return ReportCheck::None; }
bool CModuleListModel::SetItemCheck(int, ReportCheck) { return false; }

int CModuleListModel::GetColumnCount() const { return static_cast<int>(m_headers.size()); }

int CModuleListModel::GetColumnWidth(int column) const {
    if (column < 0 || column >= GetColumnCount() || !m_getWidth) return 0;
    return m_getWidth(column);
}

bool CModuleListModel::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= GetColumnCount() || !m_setWidth) return false;
    return m_setWidth(column, width);
}

int CModuleListModel::StringWidth(std::string_view text) const {
    return QFontMetrics(m_font).horizontalAdvance(ShownText(text));
}

int CModuleListModel::GetTextPadding(int column, bool header) const {
    return m_padding ? m_padding(column, header) : 0;
}

bool CModuleListModel::HasHeader() const { return true; }

bool CModuleListModel::GetHeaderItem(int column, ReportHeaderItem& item) const {
    if (column < 0 || column >= GetColumnCount()) return false;
    item = m_headers[static_cast<size_t>(column)];
    return true;
}

bool CModuleListModel::SetHeaderItem(int column, const ReportHeaderItem& item) {
    if (column < 0 || column >= GetColumnCount()) return false;
    m_headers[static_cast<size_t>(column)] = item;
    emit headerDataChanged(Qt::Horizontal, column, column);
    return true;
}

ReportImageList CModuleListModel::SetHeaderImageList(ReportImageList list) {
    // The header always shows the strip it was given; the handle only says whether it is on.
    return list;
}

void CModuleListModel::BeginRowMoves() {
    if (m_moveDepth == 0) {
        m_batchSelected.assign(m_rows.size(), false);
        for (int i = 0; i < static_cast<int>(m_rows.size()); ++i)
            m_batchSelected[static_cast<size_t>(i)] = IsItemSelected(i);
        emit layoutAboutToBeChanged();
    }
    ++m_moveDepth;
}

void CModuleListModel::EndRowMoves() {
    if (m_moveDepth == 0 || --m_moveDepth > 0) return;
    emit layoutChanged();
    if (!m_selection) return;
    m_selection->clearSelection();
    for (size_t i = 0; i < m_batchSelected.size(); ++i) {
        if (!m_batchSelected[i]) continue;
        const QModelIndex at = index(static_cast<int>(i), 0);
        m_selection->setCurrentIndex(
            at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        break;
    }
    m_batchSelected.clear();
}

bool CModuleListModel::MoveRows(const std::vector<int>& order) {
    const size_t count = m_rows.size();
    if (order.size() != count || m_moveDepth > 0) return false;
    std::vector<int> newRow(count, -1);
    for (size_t i = 0; i < count; ++i) {
        const int row = order[i];
        if (row < 0 || static_cast<size_t>(row) >= count || newRow[static_cast<size_t>(row)] >= 0)
            return false;
        newRow[static_cast<size_t>(row)] = static_cast<int>(i);
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<Row> moved;
    moved.reserve(count);
    for (const int row : order)
        moved.push_back(std::move(m_rows[static_cast<size_t>(row)]));
    m_rows = std::move(moved);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& at : before)
        after.append(index(newRow[static_cast<size_t>(at.row())], at.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

bool CModuleListModel::SetRowCells(int row, const ScanCells& cells) {
    if (!Valid(row)) return false;
    Row& target = m_rows[static_cast<size_t>(row)];
    for (const ScanCell& cell : cells) {
        if (cell.column < 0 || static_cast<size_t>(cell.column) >= m_headers.size()) continue;
        if (target.cells.size() <= static_cast<size_t>(cell.column))
            target.cells.resize(static_cast<size_t>(cell.column) + 1);
        target.cells[static_cast<size_t>(cell.column)] = cell.text;
    }
    return true;
}

void CModuleListModel::RowsChanged(int first, int last) {
    if (!Valid(first) || !Valid(last) || first > last) return;
    emit dataChanged(index(first, 0), index(last, columnCount() - 1), {Qt::DisplayRole});
}

}  // namespace tv
