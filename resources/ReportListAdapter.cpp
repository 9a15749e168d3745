#include "resources/ReportListAdapter.h"

#include <locale.h>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <ctime>
#include <limits>
#include <numeric>
#include <optional>

#include "common/DateText.h"

namespace tv {

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

bool IsCSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtod reads the decimal point of the process locale, and the Qt program sets that from the
// environment: under de_DE "1.5" would read as 1. Numbers in cells are read in the "C" locale.
double StrtodInC(const std::string& text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (cLocale == static_cast<locale_t>(nullptr)) return std::strtod(text.c_str(), nullptr);
    const locale_t previous = uselocale(cLocale);
    const double value = std::strtod(text.c_str(), nullptr);
    uselocale(previous);
    return value;
}

// Towards zero, with NaN as 0 and the infinities and huge values at the ends of the range, where
// a plain conversion would be undefined.
int64_t TruncateToInt64(double value) noexcept {
    if (std::isnan(value)) return 0;
    if (value >= 0x1p63) return kInt64Max;
    if (value < -0x1p63) return kInt64Min;
    return static_cast<int64_t>(value);
}

int64_t SaturatingMultiply(int64_t value, int64_t factor) noexcept {
    if (value > 0 && value > kInt64Max / factor) return kInt64Max;
    if (value < 0 && value < kInt64Min / factor) return kInt64Min;
    return value * factor;
}

int Sign(int value) noexcept { return (value > 0) - (value < 0); }

int CompareTexts(const std::string& a, const std::string& b) noexcept {
    // std::string compares chars as unsigned bytes, which for UTF-8 is code point order.
    return Sign(a.compare(b));
}

template <typename T>
int CompareValues(T a, T b) noexcept {
    return (a > b) - (a < b);
}

// NaN sorts before every number and ties with itself, so that the order stays total and a sort
// never sees a value that is neither smaller, larger nor equal.
int CompareReals(double a, double b) noexcept {
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan) return aNan == bNan ? 0 : (aNan ? -1 : 1);
    return CompareValues(a, b);
}

int64_t DateKey(int year, int month, int day, int hour, int minute, int second) noexcept {
    return ((((int64_t{year} * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 +
           second;
}

}  // namespace

int64_t ReadIntegerText(std::string_view text) noexcept {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulated with the sign applied at each step, so that the most negative value is reached
    // without overflowing on its magnitude.
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (negative) {
            value = value < (kInt64Min + digit) / 10 ? kInt64Min : value * 10 - digit;
        } else {
            value = value > (kInt64Max - digit) / 10 ? kInt64Max : value * 10 + digit;
        }
    }
    return value;
}

double ReadRealText(std::string_view text) { return StrtodInC(std::string(text)); }

double ReadGroupedRealText(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (const char c : text) {
        if (c == '.') continue;
        plain += c == ',' ? '.' : c;
    }
    return StrtodInC(plain);
}

int64_t ReadDateText(std::string_view text) {
    std::tm tm{};
    if (!text.empty() && tv::ParseDateText(std::string(text), tm))
        return DateKey(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                       tm.tm_sec);
    return DateKey(1900, 1, 1, 0, 0, 0);
}

int64_t ReadSizeText(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (const char c : text) {
        if (c == '.') continue;
        if (c == ',')
            plain += '.';
        else if (c >= 'A' && c <= 'Z')
            plain += static_cast<char>(c - 'A' + 'a');
        else
            plain += c;
    }
    const double value = StrtodInC(plain);
    // The units keep kilobyte precision: "1,5 Gb" is 1536 Kb, not 1.5 times a gigabyte rounded.
    if (plain.find("gb") != std::string::npos)
        return SaturatingMultiply(TruncateToInt64(value * 1024), 1048576);
    if (plain.find("mb") != std::string::npos)
        return SaturatingMultiply(TruncateToInt64(value * 1024), 1024);
    if (plain.find("kb") != std::string::npos) return TruncateToInt64(value * 1024);
    return TruncateToInt64(value);
}

// ---- sort keys --------------------------------------------------------------------------------

ReportSortKey ReadReportSortKey(std::string text, int kind) {
    ReportSortKey key;
    key.text = std::move(text);
    switch (kind) {
        case CReportListAdapter::KIND_INTEGER:
            key.whole = ReadIntegerText(key.text);
            break;
        case CReportListAdapter::KIND_REAL:
            key.real = ReadRealText(key.text);
            break;
        case CReportListAdapter::KIND_GROUPED_REAL:
            key.real = ReadGroupedRealText(key.text);
            break;
        case CReportListAdapter::KIND_DATETIME:
            key.whole = ReadDateText(key.text);
            break;
        case CReportListAdapter::KIND_SIZE:
            key.whole = ReadSizeText(key.text);
            break;
        default:
            break;
    }
    return key;
}

int CompareReportSortKeys(const ReportSortKey& a, const ReportSortKey& b, int kind) {
    int result = 0;
    switch (kind) {
        case CReportListAdapter::KIND_INTEGER:
        case CReportListAdapter::KIND_DATETIME:
        case CReportListAdapter::KIND_SIZE:
            result = CompareValues(a.whole, b.whole);
            break;
        case CReportListAdapter::KIND_REAL:
        case CReportListAdapter::KIND_GROUPED_REAL:
            result = CompareReals(a.real, b.real);
            break;
        default:
            break;
    }
    // Equal values, and every text kind, are ordered by their texts: "0x0002" and "0x0010" both
    // read as the integer 0 and still sort in a fixed order.
    return result != 0 ? result : CompareTexts(a.text, b.text);
}

int ReportSortOrderOf(const std::vector<ReportSortKey>& keys, int kind) {
    int first = 0;
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
        const int result = Sign(CompareReportSortKeys(keys[i], keys[i + 1], kind));
        if (result == 0) continue;
        if (first == 0)
            first = result;
        else if (result != first)
            return 0;
    }
    return first == -1 ? 1 : -1;
}

std::vector<int> ReportSortedOrder(const std::vector<ReportSortKey>& keys, int kind,
                                   bool ascending) {
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int result =
            CompareReportSortKeys(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)], kind);
        return ascending ? result < 0 : result > 0;
    });
    return order;
}

// ---- the adapter -------------------------------------------------------------------------------

CReportListAdapter::CReportListAdapter(tv::IReportList* pList) : m_pList(pList) {}

CReportListAdapter::~CReportListAdapter() = default;

void CReportListAdapter::SetColumnKind(int nColumn, int nKind) {
    for (auto& [column, kind] : m_kinds) {
        if (column == nColumn) {
            kind = nKind;
            return;
        }
    }
    m_kinds.emplace_back(nColumn, nKind);
}

int CReportListAdapter::GetColumnKind(int nColumn) const {
    for (const auto& [column, kind] : m_kinds)
        if (column == nColumn) return kind;
    return KIND_TEXT;
}

std::vector<tv::ReportSortKey> CReportListAdapter::ColumnKeys(int nColumn) const {
    const int kind = GetColumnKind(nColumn);
    const int count = std::max(m_pList->GetItemCount(), 0);
    std::vector<tv::ReportSortKey> keys;
    keys.reserve(static_cast<size_t>(count));
    for (int item = 0; item < count; ++item)
        keys.push_back(tv::ReadReportSortKey(m_pList->GetItemText(item, nColumn), kind));
    return keys;
}

int CReportListAdapter::CompareItems(int nColumn, int nItem1, int nItem2) {
    const int kind = GetColumnKind(nColumn);
    return tv::CompareReportSortKeys(
        tv::ReadReportSortKey(m_pList->GetItemText(nItem1, nColumn), kind),
        tv::ReadReportSortKey(m_pList->GetItemText(nItem2, nColumn), kind), kind);
}

int CReportListAdapter::GetSortOrder(int nColumn) {
    return tv::ReportSortOrderOf(ColumnKeys(nColumn), GetColumnKind(nColumn));
}

bool CReportListAdapter::SortColumn(int nColumn, int nDirection) {
    if (nColumn < 0 || nColumn >= GetColumnCount()) return false;
    const int kind = GetColumnKind(nColumn);
    const std::vector<tv::ReportSortKey> keys = ColumnKeys(nColumn);
    const int current = tv::ReportSortOrderOf(keys, kind);
    bool ascending = false;
    if (nDirection == 1 || nDirection == -1) {
        if (nDirection == current) return true;
        ascending = nDirection == 1;
    } else {
        ascending = current != 1;
    }
    ApplyOrder(tv::ReportSortedOrder(keys, kind, ascending));
    return true;
}

bool CReportListAdapter::QuickSortColumn(int nColumn, bool bAscending) {
    ApplyOrder(tv::ReportSortedOrder(ColumnKeys(nColumn), GetColumnKind(nColumn), bAscending));
    return true;
}

void CReportListAdapter::ApplyOrder(const std::vector<int>& order) {
    // Follows where each row has gone, so that every row moves by at most one exchange.
    const size_t count = order.size();
    if (count < 2) return;
    if (m_pList->MoveRows(order)) return;
    std::vector<int> at(count);   // at[p]: the starting index of the row now at position p
    std::vector<int> pos(count);  // pos[r]: the position of the row that started at r
    std::iota(at.begin(), at.end(), 0);
    std::iota(pos.begin(), pos.end(), 0);
    m_pList->BeginRowMoves();
    for (size_t i = 0; i < count; ++i) {
        const int row = order[i];
        const int from = pos[static_cast<size_t>(row)];
        const int to = static_cast<int>(i);
        if (from == to) continue;
        SwapItems(from, to);
        const int displaced = at[i];
        at[static_cast<size_t>(from)] = displaced;
        pos[static_cast<size_t>(displaced)] = from;
        at[i] = row;
        pos[static_cast<size_t>(row)] = to;
    }
    m_pList->EndRowMoves();
}

void CReportListAdapter::SwapItems(int nItem1, int nItem2) {
    const int count = m_pList->GetItemCount();
    if (nItem1 == nItem2 || nItem1 < 0 || nItem2 < 0 || nItem1 >= count || nItem2 >= count) return;
    // Every column the rows have, not only the header's: the texts must stay with their item data
    // even in a list without a header.
    const int columns = m_pList->GetColumnCount();
    for (int column = 0; column < columns; ++column) {
        std::string text1 = m_pList->GetItemText(nItem1, column);
        std::string text2 = m_pList->GetItemText(nItem2, column);
        if (text1 == text2) continue;
        m_pList->SetItemText(nItem1, column, text2);
        m_pList->SetItemText(nItem2, column, text1);
    }
    const uintptr_t data1 = m_pList->GetItemData(nItem1);
    const uintptr_t data2 = m_pList->GetItemData(nItem2);
    if (data1 != data2) {
        m_pList->SetItemData(nItem1, data2);
        m_pList->SetItemData(nItem2, data1);
    }
    const std::optional<int> image1 = m_pList->GetItemImage(nItem1);
    const std::optional<int> image2 = m_pList->GetItemImage(nItem2);
    if (image1 && image2 && *image1 != *image2) {
        m_pList->SetItemImage(nItem1, *image2);
        m_pList->SetItemImage(nItem2, *image1);
    }
    const bool selected1 = m_pList->IsItemSelected(nItem1);
    const bool selected2 = m_pList->IsItemSelected(nItem2);
    if (selected1 != selected2) {
        // Deselect first: a single-selection list would otherwise drop the new selection or
        // briefly hold two.
        const int wasSelected = selected1 ? nItem1 : nItem2;
        const int becomesSelected = selected1 ? nItem2 : nItem1;
        m_pList->SetItemSelected(wasSelected, false);
        m_pList->SetItemSelected(becomesSelected, true);
    }
    const tv::ReportCheck check1 = m_pList->GetItemCheck(nItem1);
    const tv::ReportCheck check2 = m_pList->GetItemCheck(nItem2);
    if (check1 != check2) {
        m_pList->SetItemCheck(nItem1, check2);
        m_pList->SetItemCheck(nItem2, check1);
    }
}

void CReportListAdapter::SetWidth(int nColumn, int64_t width) {
    m_pList->SetColumnWidth(nColumn,
                            static_cast<int>(std::clamp<int64_t>(width, 0, tv::kMaxColumnWidth)));
}

int64_t CReportListAdapter::NeededWidth(int nColumn, const std::string& text, bool header) const {
    const int64_t limit = m_widthLimit > 0 ? std::min(m_widthLimit, tv::kMaxColumnWidth)
                                           : int64_t{tv::kMaxColumnWidth};
    const int64_t needed = int64_t{std::max(m_pList->StringWidth(text), 0)} +
                           tv::kColumnTextMargin +
                           std::max(m_pList->GetTextPadding(nColumn, header), 0);
    return std::min(needed, limit);
}

bool CReportListAdapter::AutoSizeColumn(int nColumn, bool bShrink) {
    if (!m_pList->HasHeader()) return false;
    const int width = m_pList->GetColumnWidth(nColumn);
    if (width <= 0) return true;
    const int64_t floor = bShrink ? tv::kColumnTextMargin : width;
    int64_t widest = floor;
    const int count = m_pList->GetItemCount();
    for (int item = 0; item < count; ++item)
        widest = std::max(widest, NeededWidth(nColumn, m_pList->GetItemText(item, nColumn), false));
    tv::ReportHeaderItem header;
    if (m_pList->GetHeaderItem(nColumn, header))
        widest = std::max(widest, NeededWidth(nColumn, header.text, true));
    if (widest > floor) SetWidth(nColumn, widest);
    return true;
}

bool CReportListAdapter::AutoSizeColumns(bool bShrink) {
    const int columns = GetColumnCount();
    for (int column = 0; column < columns; ++column)
        if (!AutoSizeColumn(column, bShrink)) return false;
    return true;
}

bool CReportListAdapter::FitItemInColumns(int nItem) {
    // A row that does not exist has no texts to fit; measuring its empty cells would widen
    // narrow columns to 25 pixels for nothing.
    if (nItem < 0 || nItem >= m_pList->GetItemCount()) return true;
    const int columns = GetColumnCount();
    for (int column = 0; column < columns; ++column) {
        const int width = m_pList->GetColumnWidth(column);
        if (width <= 0) continue;
        const int64_t needed = NeededWidth(column, m_pList->GetItemText(nItem, column), false);
        if (width < needed) SetWidth(column, needed);
    }
    return true;
}

int CReportListAdapter::GetColumnCount() const {
    return m_pList->HasHeader() ? m_pList->GetColumnCount() : 0;
}

int CReportListAdapter::GetFirstSelectedItem() const {
    const int count = m_pList->GetItemCount();
    for (int item = 0; item < count; ++item)
        if (m_pList->IsItemSelected(item)) return item;
    return -1;
}

bool CReportListAdapter::SetHeaderImageList(tv::ReportImageList imageList) {
    return m_pList->SetHeaderImageList(imageList) != tv::kNoReportImageList;
}

bool CReportListAdapter::SetItemImage(int nItem, int nImage) {
    return m_pList->SetItemImage(nItem, nImage);
}

int CReportListAdapter::GetItemImage(int nItem) const {
    return m_pList->GetItemImage(nItem).value_or(-1);
}

bool CReportListAdapter::SetColumnImage(int nColumn, int nImage) {
    if (!m_pList->HasHeader()) return false;
    tv::ReportHeaderItem item;
    if (!m_pList->GetHeaderItem(nColumn, item)) return false;
    item.format |= tv::kHeaderShowImage;
    item.image = nImage;
    return m_pList->SetHeaderItem(nColumn, item);
}

bool CReportListAdapter::ClearColumnImage(int nColumn) {
    if (!m_pList->HasHeader()) return false;
    tv::ReportHeaderItem item;
    if (!m_pList->GetHeaderItem(nColumn, item)) return false;
    item.format &= ~tv::kHeaderShowImage;
    return m_pList->SetHeaderItem(nColumn, item);
}

bool CReportListAdapter::ClearColumnImages() {
    bool all = true;
    const int columns = GetColumnCount();
    for (int column = 0; column < columns; ++column)
        all = ClearColumnImage(column) && all;
    return all;
}

int CReportListAdapter::GetColumnImage(int nColumn) const {
    if (!m_pList->HasHeader()) return -1;
    tv::ReportHeaderItem item;
    if (!m_pList->GetHeaderItem(nColumn, item)) return -1;
    return (item.format & tv::kHeaderShowImage) != 0 ? item.image : -1;
}

}  // namespace tv
