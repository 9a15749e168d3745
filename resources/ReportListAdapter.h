// What the program's report lists need beyond a plain list: typed comparison of two rows in one
// column, sorting by a column, exchange of complete rows, column widths fitted to their texts, and
// images in column headers. The adapter owns no rows and keeps no sort state; it works only
// through the list it is bound to, which must outlive its use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "res/ImageStrip.h"
#include "resources/ReportList.h"

namespace tv {

// The sort marks in the header image strip (bitmap 132).
inline constexpr int kImageSortAscending = kStripSortDown;  // a downward triangle
inline constexpr int kImageSortDescending = kStripSortUp;   // an upward triangle

// Width added to every measured text when a column is fitted.
inline constexpr int kColumnTextMargin = 25;
// Widest column the adapter sets: the original control took widths as signed 16-bit values, so
// anything wider wrapped around to a narrow or hidden column; it is clamped here instead.
inline constexpr int kMaxColumnWidth = 32767;

// How a cell text reads as a value for the comparison kinds. Each is defined for every text, so
// any cell sorts somewhere; none depends on the process locale.

// The leading decimal integer as C's atoi reads it (blanks, sign, digits; 0 when there are none),
// clamped to the 64-bit range instead of overflowing.
[[nodiscard]] int64_t ReadIntegerText(std::string_view text) noexcept;
// The leading floating-point number as C's atof reads it in the "C" locale ("1.5", "-2e3",
// "0x1p4", "inf", "nan"); 0 when there is none.
[[nodiscard]] double ReadRealText(std::string_view text);
// ReadRealText after every '.' is removed and every ',' becomes '.': "1.234,5" reads as 1234.5.
[[nodiscard]] double ReadGroupedRealText(std::string_view text);
// A date text of the program ("dd.mm.yyyy hh:mm:ss", the file time and locale date texts) as a
// number that orders like the date: yyyymmddhhmmss. Anything else reads as 1 January 1900 0:00.
[[nodiscard]] int64_t ReadDateText(std::string_view text);
// A byte count from a size text: lower-cased, '.' removed, ',' as the decimal point, then the
// leading number v and the first unit found anywhere in the text, tested in the order "gb", "mb",
// "kb": trunc(v * 1024) * 1048576, trunc(v * 1024) * 1024, trunc(v * 1024), or trunc(v) without
// a unit. "1,5 MB" gives 1572864, "1.024 KB" 1048576. Saturates instead of overflowing.
[[nodiscard]] int64_t ReadSizeText(std::string_view text);

// One cell read for sorting: its text and the value its column's kind reads from it. Sorts read
// every cell once into a key, never once per comparison.
struct ReportSortKey {
    std::string text;
    int64_t whole = 0;  // integer, date and size kinds
    double real = 0;    // real kinds
};
[[nodiscard]] ReportSortKey ReadReportSortKey(std::string text, int kind);
// -1, 0 or 1: the kind's values first, then, for equal values and for the text kind, the texts
// byte by byte. A consistent total order for any texts.
[[nodiscard]] int CompareReportSortKeys(const ReportSortKey& a, const ReportSortKey& b, int kind);
// 1 when the keys are in ascending order, 0 when mixed, -1 otherwise (descending, all equal, or
// fewer than two).
[[nodiscard]] int ReportSortOrderOf(const std::vector<ReportSortKey>& keys, int kind);
// The rows in their sorted order (entry i: the row that goes to position i); equal rows keep
// their order in either direction.
[[nodiscard]] std::vector<int> ReportSortedOrder(const std::vector<ReportSortKey>& keys, int kind,
                                                 bool ascending);

class CReportListAdapter {
public:
    // Comparison kinds of a column: how CompareItems reads its texts.
    enum : int {
        KIND_TEXT = 0,          // the texts byte by byte (UTF-8, so by code point), case-sensitive
        KIND_INTEGER = 1,       // tv::ReadIntegerText
        KIND_REAL = 2,          // tv::ReadRealText
        KIND_GROUPED_REAL = 3,  // tv::ReadGroupedRealText
        KIND_DATETIME = 4,      // tv::ReadDateText
        KIND_SIZE = 5,          // tv::ReadSizeText
    };

    explicit CReportListAdapter(tv::IReportList* pList);
    virtual ~CReportListAdapter();
    CReportListAdapter(const CReportListAdapter&) = delete;
    CReportListAdapter& operator=(const CReportListAdapter&) = delete;

    // Sets the kind of a column, replacing an earlier setting. Columns never set are KIND_TEXT;
    // kinds outside the table compare as text too.
    void SetColumnKind(int nColumn, int nKind);
    [[nodiscard]] int GetColumnKind(int nColumn) const;

    // -1 if row nItem1 sorts before row nItem2 in the column, 1 if after, 0 only for identical
    // texts: values that read equal are ordered by their texts. The sorts below rely on this being
    // a consistent total order; an override must keep it one.
    virtual int CompareItems(int nColumn, int nItem1, int nItem2);

    // 1 if the column is in ascending order, 0 if mixed, -1 otherwise (descending, all equal, or
    // fewer than two rows).
    int GetSortOrder(int nColumn);
    // Sorts the rows by the column: nDirection 1 ascending, -1 descending, anything else toggles
    // (an ascending column becomes descending, every other one ascending). Asking for the order
    // the column already has changes nothing. Rows that compare equal keep their order. false for
    // a column outside the header.
    bool SortColumn(int nColumn, int nDirection);
    // Sorts the rows by the column in the given direction, equal rows keeping their order; true.
    bool QuickSortColumn(int nColumn, bool bAscending);
    // Exchanges two complete rows: every cell text, item data, image, selected and check state.
    void SwapItems(int nItem1, int nItem2);

    // The widest a fit makes a column (the module list: half its view), 0 for no limit but
    // kMaxColumnWidth. Longer texts are then cut in the view; a column that is wider already (the
    // user made it so) is not narrowed by a fit that only grows.
    void SetWidthLimit(int limit) noexcept { m_widthLimit = limit; }
    [[nodiscard]] int GetWidthLimit() const noexcept { return m_widthLimit; }

    // Widens the column to its widest cell or header text plus 25 pixels and the list's padding
    // (tv::IReportList::GetTextPadding), at most to the width limit. With bShrink the column
    // becomes exactly that wide, narrower too, provided some text needs more than 25 pixels;
    // without it the column only grows. A hidden column (width 0 or less) is left alone. false
    // only when the list has no header.
    bool AutoSizeColumn(int nColumn, bool bShrink);
    // AutoSizeColumn for every column, stopping at the first failure.
    bool AutoSizeColumns(bool bShrink);
    // Widens every visible column that is too narrow for this row's text in it; never narrows.
    bool FitItemInColumns(int nItem);

    // The number of header items; 0 without a header.
    [[nodiscard]] int GetColumnCount() const;
    // The first selected row from the top, or -1.
    [[nodiscard]] int GetFirstSelectedItem() const;

    // Attaches an image list to the header (kNoReportImageList detaches); true if one had been
    // attached before.
    bool SetHeaderImageList(tv::ReportImageList imageList);
    bool SetItemImage(int nItem, int nImage);
    // The row's image index, -1 if the row cannot be read.
    [[nodiscard]] int GetItemImage(int nItem) const;
    // Shows image nImage of the header image list in the column's header, keeping its alignment.
    // false without a header or when the header item cannot be read or written.
    bool SetColumnImage(int nColumn, int nImage);
    bool ClearColumnImage(int nColumn);
    // ClearColumnImage for every column; true only if all succeeded.
    bool ClearColumnImages();
    // The header item's image index while it shows one, else -1 (also without a header).
    [[nodiscard]] int GetColumnImage(int nColumn) const;

    [[nodiscard]] tv::IReportList* GetList() const noexcept { return m_pList; }

private:
    // Every row's key in the column, read once.
    [[nodiscard]] std::vector<tv::ReportSortKey> ColumnKeys(int nColumn) const;
    void ApplyOrder(const std::vector<int>& order);
    void SetWidth(int nColumn, int64_t width);
    // What a text of the column needs: its width, the margin, the padding, within the limits.
    [[nodiscard]] int64_t NeededWidth(int nColumn, const std::string& text, bool header) const;

    tv::IReportList* m_pList;
    std::vector<std::pair<int, int>> m_kinds;  // (column, kind)
    int m_widthLimit = 0;
};

}  // namespace tv
