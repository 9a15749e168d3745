#include "resources/MemoryReportList.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tv {

namespace {

// Code points, not bytes: a continuation byte (10xxxxxx) adds nothing.
size_t CodePoints(std::string_view text) noexcept {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

int CMemoryReportList::InsertColumn(std::string_view header, uint32_t format, int width) {
    Column column;
    column.header.text = std::string(header);
    column.header.format = format;
    column.width = width;
    m_columns.push_back(std::move(column));
    for (Row& row : m_rows)
        row.texts.resize(m_columns.size());
    return static_cast<int>(m_columns.size()) - 1;
}

bool CMemoryReportList::DeleteColumn(int column) {
    if (!IsColumn(column)) return false;
    const auto at = static_cast<size_t>(column);
    m_columns.erase(m_columns.begin() + static_cast<std::ptrdiff_t>(at));
    for (Row& row : m_rows)
        row.texts.erase(row.texts.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

int CMemoryReportList::AddRow(const std::vector<std::string>& texts, uintptr_t data, int image) {
    Row row;
    row.texts = texts;
    row.texts.resize(m_columns.size());
    row.data = data;
    row.image = image;
    m_rows.push_back(std::move(row));
    return static_cast<int>(m_rows.size()) - 1;
}

std::vector<std::string> CMemoryReportList::ColumnTexts(int column) const {
    std::vector<std::string> texts;
    texts.reserve(m_rows.size());
    for (int item = 0; item < GetItemCount(); ++item)
        texts.push_back(GetItemText(item, column));
    return texts;
}

std::string CMemoryReportList::Render() const {
    std::string out;
    const auto line = [&out](const auto& cells, auto text) {
        bool first = true;
        for (const auto& cell : cells) {
            if (!first) out += '\t';
            out += text(cell);
            first = false;
        }
        out += '\n';
    };
    if (m_hasHeader && !m_columns.empty())
        line(m_columns, [](const Column& c) -> const std::string& { return c.header.text; });
    for (const Row& row : m_rows)
        line(row.texts, [](const std::string& t) -> const std::string& { return t; });
    return out;
}

int CMemoryReportList::GetItemCount() const { return static_cast<int>(m_rows.size()); }

std::string CMemoryReportList::GetItemText(int item, int column) const {
    const Row* row = RowAt(item);
    if (!row || !IsColumn(column)) return std::string();
    return row->texts[static_cast<size_t>(column)];
}

bool CMemoryReportList::SetItemText(int item, int column, std::string_view text) {
    Row* row = RowAt(item);
    if (!row || !IsColumn(column)) return false;
    row->texts[static_cast<size_t>(column)] = std::string(text);
    ++m_rowWrites;
    return true;
}

uintptr_t CMemoryReportList::GetItemData(int item) const {
    const Row* row = RowAt(item);
    return row ? row->data : 0;
}

bool CMemoryReportList::SetItemData(int item, uintptr_t data) {
    Row* row = RowAt(item);
    if (!row) return false;
    row->data = data;
    ++m_rowWrites;
    return true;
}

std::optional<int> CMemoryReportList::GetItemImage(int item) const {
    const Row* row = RowAt(item);
    if (!row) return std::nullopt;
    return row->image;
}

bool CMemoryReportList::SetItemImage(int item, int image) {
    Row* row = RowAt(item);
    if (!row) return false;
    row->image = image;
    ++m_rowWrites;
    return true;
}

bool CMemoryReportList::IsItemSelected(int item) const {
    const Row* row = RowAt(item);
    return row && row->selected;
}

bool CMemoryReportList::SetItemSelected(int item, bool selected) {
    Row* row = RowAt(item);
    if (!row) return false;
    row->selected = selected;
    ++m_rowWrites;
    return true;
}

ReportCheck CMemoryReportList::GetItemCheck(int item) const {
    const Row* row = RowAt(item);
    return row ? row->check : ReportCheck::None;
}

bool CMemoryReportList::SetItemCheck(int item, ReportCheck check) {
    Row* row = RowAt(item);
    if (!row) return false;
    row->check = check;
    ++m_rowWrites;
    return true;
}

int CMemoryReportList::GetColumnCount() const { return static_cast<int>(m_columns.size()); }

int CMemoryReportList::GetColumnWidth(int column) const {
    return IsColumn(column) ? m_columns[static_cast<size_t>(column)].width : 0;
}

bool CMemoryReportList::SetColumnWidth(int column, int width) {
    if (!IsColumn(column)) return false;
    m_columns[static_cast<size_t>(column)].width = width;
    return true;
}

int CMemoryReportList::StringWidth(std::string_view text) const {
    const auto width = static_cast<long double>(CodePoints(text)) * m_charWidth;
    constexpr int kMax = std::numeric_limits<int>::max();
    return width >= kMax ? kMax : static_cast<int>(width);
}

bool CMemoryReportList::GetHeaderItem(int column, ReportHeaderItem& item) const {
    if (!m_hasHeader || !IsColumn(column)) return false;
    item = m_columns[static_cast<size_t>(column)].header;
    return true;
}

bool CMemoryReportList::SetHeaderItem(int column, const ReportHeaderItem& item) {
    if (!m_hasHeader || !IsColumn(column)) return false;
    m_columns[static_cast<size_t>(column)].header = item;
    return true;
}

ReportImageList CMemoryReportList::SetHeaderImageList(ReportImageList list) {
    return std::exchange(m_headerImages, list);
}

const CMemoryReportList::Row* CMemoryReportList::RowAt(int item) const noexcept {
    if (item < 0 || static_cast<size_t>(item) >= m_rows.size()) return nullptr;
    return &m_rows[static_cast<size_t>(item)];
}

CMemoryReportList::Row* CMemoryReportList::RowAt(int item) noexcept {
    if (item < 0 || static_cast<size_t>(item) >= m_rows.size()) return nullptr;
    return &m_rows[static_cast<size_t>(item)];
}

bool CMemoryReportList::IsColumn(int column) const noexcept {
    return column >= 0 && static_cast<size_t>(column) < m_columns.size();
}

bool CMemoryReportList::MoveRows(const std::vector<int>& order) {
    if (order.size() != m_rows.size()) return false;
    std::vector<bool> seen(order.size(), false);
    for (const int row : order) {
        if (row < 0 || static_cast<size_t>(row) >= order.size() || seen[static_cast<size_t>(row)])
            return false;
        seen[static_cast<size_t>(row)] = true;
    }
    std::vector<Row> moved;
    moved.reserve(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        if (static_cast<size_t>(order[i]) != i) ++m_rowWrites;
        moved.push_back(std::move(m_rows[static_cast<size_t>(order[i])]));
    }
    m_rows = std::move(moved);
    return true;
}

}  // namespace tv
