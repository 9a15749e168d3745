#include "resources/ReportListAdapter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/NumberText.h"
#include "resources/MemoryReportList.h"

using tv::CNumberText;
using tv::CReportListAdapter;

namespace {

using tv::CMemoryReportList;
using tv::ReportCheck;
using Texts = std::vector<std::string>;

constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

// A two-column list: column 0 holds the texts under test, column 1 each row's starting index, so
// a test can tell which row went where. Every row carries data, image and check state derived
// from that index; every third row is selected.
CMemoryReportList MakeList(const Texts& texts) {
    CMemoryReportList list;
    list.InsertColumn("Wert");
    list.InsertColumn("Start");
    for (size_t i = 0; i < texts.size(); ++i) {
        const int row = list.AddRow({texts[i], std::to_string(i)}, 1000 + i, static_cast<int>(i));
        list.SetItemSelected(row, i % 3 == 0);
        list.SetItemCheck(row, i % 2 == 0 ? ReportCheck::Checked : ReportCheck::Unchecked);
    }
    return list;
}

// Every row still carries the data, image, selection and check state it started with.
void ExpectRowsIntact(const CMemoryReportList& list) {
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const size_t start = std::stoul(list.GetItemText(row, 1));
        EXPECT_EQ(list.GetItemData(row), 1000 + start) << "row " << row;
        EXPECT_EQ(list.GetItemImage(row), static_cast<int>(start)) << "row " << row;
        EXPECT_EQ(list.IsItemSelected(row), start % 3 == 0) << "row " << row;
        EXPECT_EQ(list.GetItemCheck(row),
                  start % 2 == 0 ? ReportCheck::Checked : ReportCheck::Unchecked)
            << "row " << row;
    }
}

Texts Sorted(int kind, const Texts& texts, bool ascending) {
    auto list = MakeList(texts);
    CReportListAdapter adapter(&list);
    adapter.SetColumnKind(0, kind);
    EXPECT_TRUE(adapter.QuickSortColumn(0, ascending));
    ExpectRowsIntact(list);
    return list.ColumnTexts(0);
}

int Compare(int kind, const std::string& a, const std::string& b) {
    auto list = MakeList({a, b});
    CReportListAdapter adapter(&list);
    adapter.SetColumnKind(0, kind);
    return adapter.CompareItems(0, 0, 1);
}

// ---- reading values from cell texts -------------------------------------------------------------

TEST(ReportCellValues, IntegersFollowAtoiAndSaturate) {
    EXPECT_EQ(tv::ReadIntegerText("  \t\n-42abc"), -42);
    EXPECT_EQ(tv::ReadIntegerText("+7"), 7);
    EXPECT_EQ(tv::ReadIntegerText(""), 0);
    EXPECT_EQ(tv::ReadIntegerText("abc"), 0);
    EXPECT_EQ(tv::ReadIntegerText("- 5"), 0);
    // Hex ids and German thousands stop at the first non-digit.
    EXPECT_EQ(tv::ReadIntegerText("0x00a1"), 0);
    EXPECT_EQ(tv::ReadIntegerText("1.234"), 1);
    EXPECT_EQ(tv::ReadIntegerText("9223372036854775807"), kMax64);
    EXPECT_EQ(tv::ReadIntegerText("-9223372036854775808"), kMin64);
    EXPECT_EQ(tv::ReadIntegerText("99999999999999999999999"), kMax64);
    EXPECT_EQ(tv::ReadIntegerText("-99999999999999999999999"), kMin64);
}

TEST(ReportCellValues, RealsUseThePointWhateverTheProcessLocale) {
    EXPECT_DOUBLE_EQ(tv::ReadRealText("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(tv::ReadRealText(" -2e3x"), -2000.0);
    EXPECT_DOUBLE_EQ(tv::ReadRealText("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(tv::ReadRealText(""), 0.0);
    EXPECT_DOUBLE_EQ(tv::ReadGroupedRealText("1.234,5"), 1234.5);
    EXPECT_DOUBLE_EQ(tv::ReadGroupedRealText("-1.000.000,25 x"), -1000000.25);

    // The desktop program takes its locale from the environment; a German one must not turn the
    // decimal point into a stop.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
        GTEST_SKIP() << "no German locale installed";
    const double plain = tv::ReadRealText("1.5");
    const double grouped = tv::ReadGroupedRealText("1.234,5");
    const int64_t size = tv::ReadSizeText("1,5 Kb");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_DOUBLE_EQ(plain, 1.5);
    EXPECT_DOUBLE_EQ(grouped, 1234.5);
    EXPECT_EQ(size, 1536);
}

TEST(ReportCellValues, SizesReadUnitsAnywhereAndCutTowardsZero) {
    EXPECT_EQ(tv::ReadSizeText("1,5 MB"), 1572864);
    EXPECT_EQ(tv::ReadSizeText("1.024 KB"), 1048576);
    EXPECT_EQ(tv::ReadSizeText("999"), 999);
    EXPECT_EQ(tv::ReadSizeText("512 Bytes"), 512);
    EXPECT_EQ(tv::ReadSizeText("12,00 Kb"), 12288);
    EXPECT_EQ(tv::ReadSizeText("1,00 Gb"), 1073741824);
    // Gb and Mb keep whole kilobytes: 1,0000001 Gb is 1048576 Kb, not a byte more.
    EXPECT_EQ(tv::ReadSizeText("1,0000001 Gb"), 1073741824);
    EXPECT_EQ(tv::ReadSizeText("1,9"), 1);
    EXPECT_EQ(tv::ReadSizeText("-1,5 Kb"), -1536);
    EXPECT_EQ(tv::ReadSizeText(""), 0);
    EXPECT_EQ(tv::ReadSizeText("Kb"), 0);
    EXPECT_EQ(tv::ReadSizeText("nan Kb"), 0);
    // "gb" is tested first, wherever it stands.
    EXPECT_EQ(tv::ReadSizeText("2 kb gb"), 2147483648);
    EXPECT_EQ(tv::ReadSizeText("99999999999999999 Gb"), kMax64);
    EXPECT_EQ(tv::ReadSizeText("-99999999999999999 Gb"), kMin64);
    EXPECT_EQ(tv::ReadSizeText("1e300"), kMax64);
    EXPECT_EQ(tv::ReadSizeText("-inf"), kMin64);
}

TEST(ReportCellValues, SizeTextsOfTheProgramReadBackInOrder) {
    // The module list shows sizes with FormatByteSize and sorts them with ReadSizeText: a larger
    // file must never read back smaller, across every unit change.
    const std::vector<uint64_t> sizes = {0,          1,          1023,          1024,
                                         1536,       1048575,    1048576,       1073741823,
                                         1073741824, 5368709120, 10995116277760};
    int64_t previous = -1;
    for (const uint64_t size : sizes) {
        const std::string text = CNumberText().FormatByteSize(size).GetText();
        const int64_t value = tv::ReadSizeText(text);
        EXPECT_GE(value, previous) << text;
        previous = value;
    }
}

TEST(ReportCellValues, DatesReadTheProgramsDateTextsOnly) {
    EXPECT_EQ(tv::ReadDateText("07.03.2005 14:05:09"), 20050307140509);
    EXPECT_EQ(tv::ReadDateText("31.12.9999 23:59:59"), 99991231235959);
    EXPECT_EQ(tv::ReadDateText("01.01.1850 00:00:00"), 18500101000000);
    const int64_t unset = 19000101000000;
    EXPECT_EQ(tv::ReadDateText(""), unset);
    EXPECT_EQ(tv::ReadDateText("07.03.2005"), unset);
    EXPECT_EQ(tv::ReadDateText("2005-03-07 14:05:09"), unset);
    EXPECT_EQ(tv::ReadDateText("07.13.2005 14:05:09"), unset);
    EXPECT_EQ(tv::ReadDateText("07.03.2005 14:05:09 "), unset);
}

// ---- comparing two rows
// ---------------------------------------------------------------------------

TEST(ReportCompare, TextIsBytewiseAndCaseSensitive) {
    const int text = CReportListAdapter::KIND_TEXT;
    EXPECT_EQ(Compare(text, "B", "a"), -1);
    EXPECT_EQ(Compare(text, "a", "B"), 1);
    EXPECT_EQ(Compare(text, "", "a"), -1);
    EXPECT_EQ(Compare(text, "abc", "abc"), 0);
    // UTF-8 lead bytes are above ASCII: "Ä" after "z", as code points order them.
    EXPECT_EQ(Compare(text, "\xC3\x84", "z"), 1);
    // Unknown kinds compare as text.
    EXPECT_EQ(Compare(17, "10", "9"), -1);
    EXPECT_EQ(Compare(-1, "10", "9"), -1);
}

TEST(ReportCompare, EqualValuesAreOrderedByTheirTexts) {
    const int integer = CReportListAdapter::KIND_INTEGER;
    EXPECT_EQ(Compare(integer, "9", "10"), -1);
    EXPECT_EQ(Compare(integer, "-5", "3"), -1);
    EXPECT_EQ(Compare(integer, "007", "7"), -1);
    EXPECT_EQ(Compare(integer, "7", "007"), 1);
    EXPECT_EQ(Compare(integer, "7", "7"), 0);
    EXPECT_EQ(Compare(CReportListAdapter::KIND_SIZE, "1.024 Bytes", "1,00 Kb"), 1);
    EXPECT_EQ(Compare(CReportListAdapter::KIND_REAL, "1.50", "1.5"), 1);
    EXPECT_EQ(Compare(CReportListAdapter::KIND_DATETIME, "", "x"), -1);
    // A NaN cell sorts before every number instead of tying with all of them.
    EXPECT_EQ(Compare(CReportListAdapter::KIND_REAL, "nan", "-inf"), -1);
    EXPECT_EQ(Compare(CReportListAdapter::KIND_REAL, "-inf", "nan"), 1);
}

TEST(ReportCompare, ColumnKindsAreSetPerColumnAndReplaced) {
    auto list = MakeList({"10", "9"});
    CReportListAdapter adapter(&list);
    EXPECT_EQ(adapter.GetColumnKind(0), CReportListAdapter::KIND_TEXT);
    EXPECT_EQ(adapter.CompareItems(0, 0, 1), -1);
    adapter.SetColumnKind(0, CReportListAdapter::KIND_INTEGER);
    adapter.SetColumnKind(1, CReportListAdapter::KIND_SIZE);
    EXPECT_EQ(adapter.CompareItems(0, 0, 1), 1);
    adapter.SetColumnKind(0, CReportListAdapter::KIND_TEXT);
    EXPECT_EQ(adapter.CompareItems(0, 0, 1), -1);
    EXPECT_EQ(adapter.GetColumnKind(1), CReportListAdapter::KIND_SIZE);
    // Rows and columns that do not exist read as empty cells.
    EXPECT_EQ(adapter.CompareItems(0, 0, 7), 1);
    EXPECT_EQ(adapter.CompareItems(5, 0, 1), 0);
}

// ---- sorting
// --------------------------------------------------------------------------------------

TEST(ReportSort, EachKindSortsByItsValueThenByText) {
    const int integer = CReportListAdapter::KIND_INTEGER;
    EXPECT_EQ(Sorted(integer, {"0x0010", "0x0002", "0x0100"}, true),
              (Texts{"0x0002", "0x0010", "0x0100"}));
    EXPECT_EQ(Sorted(integer, {"10", "-3", "", "0x00a1", "2", "161"}, true),
              (Texts{"-3", "", "0x00a1", "2", "10", "161"}));
    EXPECT_EQ(Sorted(integer, {"10", "-3", "", "0x00a1", "2", "161"}, false),
              (Texts{"161", "10", "2", "0x00a1", "", "-3"}));
    EXPECT_EQ(Sorted(CReportListAdapter::KIND_SIZE, {"2 KB", "1,5 MB", "900"}, true),
              (Texts{"900", "2 KB", "1,5 MB"}));
    EXPECT_EQ(
        Sorted(CReportListAdapter::KIND_SIZE, {"1,00 Gb", "512 Bytes", "", "1.023,99 Mb"}, true),
        (Texts{"", "512 Bytes", "1.023,99 Mb", "1,00 Gb"}));
    EXPECT_EQ(Sorted(CReportListAdapter::KIND_GROUPED_REAL, {"1.234,5", "99,9", "-0,5"}, true),
              (Texts{"-0,5", "99,9", "1.234,5"}));
    EXPECT_EQ(Sorted(CReportListAdapter::KIND_REAL, {"1e3", "2.5", "-1"}, true),
              (Texts{"-1", "2.5", "1e3"}));
    // An empty or foreign date counts as 1 January 1900: after older dates, before newer ones.
    EXPECT_EQ(Sorted(CReportListAdapter::KIND_DATETIME,
                     {"02.01.1900 00:00:00", "kein Datum", "", "31.12.1899 23:59:59",
                      "07.03.2005 14:05:09", "06.03.2005 23:00:00"},
                     true),
              (Texts{"31.12.1899 23:59:59", "", "kein Datum", "02.01.1900 00:00:00",
                     "06.03.2005 23:00:00", "07.03.2005 14:05:09"}));
}

TEST(ReportSort, ToggleRulesOfSortColumn) {
    auto list = MakeList({"b", "c", "a"});
    CReportListAdapter adapter(&list);
    EXPECT_EQ(adapter.GetSortOrder(0), 0);
    EXPECT_TRUE(adapter.SortColumn(0, 0));  // mixed: ascending
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"a", "b", "c"}));
    EXPECT_EQ(adapter.GetSortOrder(0), 1);
    EXPECT_TRUE(adapter.SortColumn(0, 0));  // ascending: descending
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"c", "b", "a"}));
    EXPECT_EQ(adapter.GetSortOrder(0), -1);
    EXPECT_TRUE(adapter.SortColumn(0, 0));  // descending: ascending
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"a", "b", "c"}));
    ExpectRowsIntact(list);

    // Asking for the order the column has already changes nothing.
    const size_t writes = list.GetRowWriteCount();
    EXPECT_TRUE(adapter.SortColumn(0, 1));
    EXPECT_EQ(list.GetRowWriteCount(), writes);
    EXPECT_TRUE(adapter.SortColumn(0, -1));
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"c", "b", "a"}));
    EXPECT_TRUE(adapter.SortColumn(0, 1));
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"a", "b", "c"}));
}

TEST(ReportSort, AllEqualAndTinyColumnsCountAsDescendingAndKeepTheirOrder) {
    auto list = MakeList({"x", "x", "x", "x"});
    CReportListAdapter adapter(&list);
    EXPECT_EQ(adapter.GetSortOrder(0), -1);
    const size_t writes = list.GetRowWriteCount();
    EXPECT_TRUE(adapter.SortColumn(0, 0));  // toggles to ascending: nothing moves
    EXPECT_TRUE(adapter.SortColumn(0, -1));
    EXPECT_EQ(list.GetRowWriteCount(), writes);
    EXPECT_EQ(list.ColumnTexts(1), (Texts{"0", "1", "2", "3"}));

    for (const Texts& texts : {Texts{}, Texts{"only"}}) {
        auto small = MakeList(texts);
        CReportListAdapter smallAdapter(&small);
        EXPECT_EQ(smallAdapter.GetSortOrder(0), -1);
        EXPECT_TRUE(smallAdapter.SortColumn(0, 0));
        EXPECT_TRUE(smallAdapter.QuickSortColumn(0, false));
        EXPECT_EQ(small.ColumnTexts(0), texts);
    }
}

TEST(ReportSort, RowsWithIdenticalTextsKeepTheirOrderInBothDirections) {
    const Texts texts = {"b", "a", "b", "a", "c", "b"};
    for (const bool ascending : {true, false}) {
        auto list = MakeList(texts);
        CReportListAdapter adapter(&list);
        ASSERT_TRUE(adapter.QuickSortColumn(0, ascending));
        EXPECT_EQ(list.ColumnTexts(1), ascending ? (Texts{"1", "3", "0", "2", "5", "4"})
                                                 : (Texts{"4", "0", "2", "5", "1", "3"}));
        ExpectRowsIntact(list);
    }
    auto list = MakeList(texts);
    CReportListAdapter adapter(&list);
    ASSERT_TRUE(adapter.SortColumn(0, -1));
    EXPECT_EQ(list.ColumnTexts(1), (Texts{"4", "0", "2", "5", "1", "3"}));
}

TEST(ReportSort, SortColumnRejectsColumnsOutsideTheHeader) {
    auto list = MakeList({"b", "a"});
    CReportListAdapter adapter(&list);
    const size_t writes = list.GetRowWriteCount();
    EXPECT_FALSE(adapter.SortColumn(-1, 0));
    EXPECT_FALSE(adapter.SortColumn(2, 0));
    list.SetHasHeader(false);
    EXPECT_FALSE(adapter.SortColumn(0, 0));
    EXPECT_EQ(list.GetRowWriteCount(), writes);
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"b", "a"}));
    // The quick sort has no such check and sorts what it can read.
    EXPECT_TRUE(adapter.QuickSortColumn(0, true));
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"a", "b"}));
    EXPECT_TRUE(adapter.QuickSortColumn(9, true));
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"a", "b"}));
}

TEST(ReportSort, LargeSortsMatchAReferenceAndMoveEachRowAtMostOnce) {
    // Random sizes, with many repeats so that ties by value and by text both occur.
    std::mt19937 random(5);
    std::uniform_int_distribution<uint64_t> pick(0, 40);
    Texts texts;
    for (int i = 0; i < 2000; ++i) {
        const uint64_t n = pick(random);
        texts.push_back(n % 5 == 0 ? std::to_string(n * 1024)
                                   : CNumberText().FormatByteSize(n * n * n * 977).GetText());
    }
    std::vector<size_t> reference(texts.size());
    for (size_t i = 0; i < reference.size(); ++i)
        reference[i] = i;
    std::stable_sort(reference.begin(), reference.end(), [&](size_t a, size_t b) {
        const int64_t va = tv::ReadSizeText(texts[a]);
        const int64_t vb = tv::ReadSizeText(texts[b]);
        return va != vb ? va < vb : texts[a] < texts[b];
    });

    auto list = MakeList(texts);
    CReportListAdapter adapter(&list);
    adapter.SetColumnKind(0, CReportListAdapter::KIND_SIZE);
    const size_t writesBefore = list.GetRowWriteCount();
    ASSERT_TRUE(adapter.QuickSortColumn(0, true));
    for (int row = 0; row < list.GetItemCount(); ++row)
        ASSERT_EQ(list.GetItemText(row, 1), std::to_string(reference[static_cast<size_t>(row)]));
    ExpectRowsIntact(list);
    // Each row moves at most once: n - 1 exchanges, each writing at most both rows' two texts,
    // data, image, selection and check.
    EXPECT_LE(list.GetRowWriteCount() - writesBefore, 12 * (texts.size() - 1));
    EXPECT_EQ(adapter.GetSortOrder(0), 1);

    // Sorting a sorted column again moves nothing.
    const size_t writesSorted = list.GetRowWriteCount();
    ASSERT_TRUE(adapter.QuickSortColumn(0, true));
    EXPECT_EQ(list.GetRowWriteCount(), writesSorted);
}

// ---- exchanging rows
// ------------------------------------------------------------------------------

TEST(ReportSwap, ExchangesEverythingARowCarries) {
    auto list = MakeList({"a", "b", "c", "d"});
    CReportListAdapter adapter(&list);
    adapter.SwapItems(0, 1);  // a selected, checked row with an unselected, unchecked one
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"b", "a", "c", "d"}));
    ExpectRowsIntact(list);
    EXPECT_EQ(adapter.GetFirstSelectedItem(), 1);

    // Nothing happens for a row outside the list or a row with itself.
    const size_t writes = list.GetRowWriteCount();
    adapter.SwapItems(0, 4);
    adapter.SwapItems(-1, 0);
    adapter.SwapItems(2, 2);
    EXPECT_EQ(list.GetRowWriteCount(), writes);

    // Without a header the rows still have their cells, and those go with the row.
    list.SetHasHeader(false);
    adapter.SwapItems(2, 3);
    EXPECT_EQ(list.ColumnTexts(0), (Texts{"b", "a", "d", "c"}));
    ExpectRowsIntact(list);
}

// ---- column widths
// --------------------------------------------------------------------------------

CMemoryReportList WidthList() {
    CMemoryReportList list(1);  // one pixel per character: widths read as lengths
    list.InsertColumn("Kopf", tv::kHeaderAlignLeft, 300);
    list.AddRow({std::string(40, 'x')});
    list.AddRow({std::string(12, 'x')});
    return list;
}

TEST(ReportWidths, AutoSizeWithAndWithoutShrinking) {
    auto list = WidthList();
    CReportListAdapter adapter(&list);
    EXPECT_TRUE(adapter.AutoSizeColumn(0, false));
    EXPECT_EQ(list.GetColumnWidth(0), 300);
    EXPECT_TRUE(adapter.AutoSizeColumn(0, true));
    EXPECT_EQ(list.GetColumnWidth(0), 65);

    // The header text counts like a cell.
    tv::ReportHeaderItem header;
    ASSERT_TRUE(list.GetHeaderItem(0, header));
    header.text = std::string(50, 'H');
    ASSERT_TRUE(list.SetHeaderItem(0, header));
    EXPECT_TRUE(adapter.AutoSizeColumns(false));
    EXPECT_EQ(list.GetColumnWidth(0), 75);

    // Characters, not UTF-8 bytes, are measured.
    header.text = "";
    ASSERT_TRUE(list.SetHeaderItem(0, header));
    list.DeleteAllItems();
    list.SetCharWidth(7);
    list.AddRow({"\xC3\x84\xC3\x96\xC3\x9C"});
    EXPECT_TRUE(adapter.AutoSizeColumn(0, true));
    EXPECT_EQ(list.GetColumnWidth(0), 3 * 7 + 25);
}

TEST(ReportWidths, AutoSizeLeavesHiddenAndTextlessColumnsAlone) {
    auto list = WidthList();
    CReportListAdapter adapter(&list);
    list.SetColumnWidth(0, 0);
    EXPECT_TRUE(adapter.AutoSizeColumn(0, true));
    EXPECT_EQ(list.GetColumnWidth(0), 0);
    EXPECT_TRUE(adapter.AutoSizeColumn(3, true));  // no such column

    // With shrinking, a column whose texts all fit in 25 pixels keeps its width.
    CMemoryReportList empty;
    empty.InsertColumn("", tv::kHeaderAlignLeft, 300);
    empty.AddRow({""});
    CReportListAdapter emptyAdapter(&empty);
    EXPECT_TRUE(emptyAdapter.AutoSizeColumns(true));
    EXPECT_EQ(empty.GetColumnWidth(0), 300);

    list.SetHasHeader(false);
    list.SetColumnWidth(0, 10);
    EXPECT_FALSE(adapter.AutoSizeColumn(0, true));
    EXPECT_TRUE(adapter.AutoSizeColumns(true));  // no header items, nothing to fail
    EXPECT_TRUE(adapter.FitItemInColumns(0));
    EXPECT_EQ(list.GetColumnWidth(0), 10);
}

// A list whose cells draw an icon beside column 0's text and whose header shows a sort mark.
class CPaddedList : public CMemoryReportList {
public:
    CPaddedList() : CMemoryReportList(1) {}
    int GetTextPadding(int column, bool header) const override {
        return header ? 20 : (column == 0 ? 16 : 4);
    }
};

TEST(ReportWidths, FitsCountThePaddingAndStopAtTheLimit) {
    CPaddedList list;
    list.InsertColumn("Name", tv::kHeaderAlignLeft, 10);
    list.InsertColumn("Typ", tv::kHeaderAlignLeft, 10);
    list.AddRow({std::string(100, 'x'), "abc"});
    CReportListAdapter adapter(&list);
    EXPECT_TRUE(adapter.FitItemInColumns(0));
    EXPECT_EQ(list.GetColumnWidth(0), 100 + 25 + 16);
    EXPECT_EQ(list.GetColumnWidth(1), 3 + 25 + 4);
    EXPECT_TRUE(adapter.AutoSizeColumn(1, true));
    EXPECT_EQ(list.GetColumnWidth(1), 3 + 25 + 20);  // the header's mark needs the most

    // A limit caps what a fit sets, and a column wider than it (the user's) keeps its width.
    adapter.SetWidthLimit(60);
    list.AddRow({std::string(500, 'y'), std::string(10, 'z')});
    EXPECT_TRUE(adapter.AutoSizeColumns(true));
    EXPECT_EQ(list.GetColumnWidth(0), 60);
    EXPECT_EQ(list.GetColumnWidth(1), 3 + 25 + 20);
    list.SetColumnWidth(1, 90);
    EXPECT_TRUE(adapter.FitItemInColumns(1));
    EXPECT_TRUE(adapter.AutoSizeColumns(false));
    EXPECT_EQ(list.GetColumnWidth(0), 60);
    EXPECT_EQ(list.GetColumnWidth(1), 90);
}

TEST(ReportWidths, WidthsStopAtTheLargestTheListTakes) {
    CMemoryReportList list(7);
    list.InsertColumn("Text", tv::kHeaderAlignLeft, 100);
    list.AddRow({std::string(10000, 'x')});
    CReportListAdapter adapter(&list);
    EXPECT_TRUE(adapter.AutoSizeColumn(0, true));
    EXPECT_EQ(list.GetColumnWidth(0), tv::kMaxColumnWidth);
    list.SetColumnWidth(0, 100);
    EXPECT_TRUE(adapter.FitItemInColumns(0));
    EXPECT_EQ(list.GetColumnWidth(0), tv::kMaxColumnWidth);
    // A column someone made wider still never shrinks without bShrink.
    list.SetColumnWidth(0, 40000);
    EXPECT_TRUE(adapter.AutoSizeColumn(0, false));
    EXPECT_TRUE(adapter.FitItemInColumns(0));
    EXPECT_EQ(list.GetColumnWidth(0), 40000);
}

TEST(ReportWidths, FitItemOnlyWidensVisibleColumns) {
    CMemoryReportList list(1);
    list.InsertColumn("A", tv::kHeaderAlignLeft, 10);
    list.InsertColumn("B", tv::kHeaderAlignLeft, 200);
    list.InsertColumn("C", tv::kHeaderAlignLeft, 0);
    list.AddRow({"abcdefghij", "kurz", std::string(100, 'c')});
    CReportListAdapter adapter(&list);
    EXPECT_TRUE(adapter.FitItemInColumns(0));
    EXPECT_EQ(list.GetColumnWidth(0), 35);
    EXPECT_EQ(list.GetColumnWidth(1), 200);
    EXPECT_EQ(list.GetColumnWidth(2), 0);
    // A row that does not exist widens nothing.
    list.SetColumnWidth(0, 10);
    EXPECT_TRUE(adapter.FitItemInColumns(1));
    EXPECT_TRUE(adapter.FitItemInColumns(-1));
    EXPECT_EQ(list.GetColumnWidth(0), 10);
}

// ---- header and row images
// ------------------------------------------------------------------------

TEST(ReportImages, SortMarksKeepTheAlignmentAndClearPerColumn) {
    CMemoryReportList list;
    list.InsertColumn("Name");
    list.InsertColumn(
        "Gr\xC3\xB6\xC3\x9F"
        "e",
        tv::kHeaderAlignRight);
    CReportListAdapter adapter(&list);
    EXPECT_EQ(adapter.GetColumnImage(1), -1);
    EXPECT_TRUE(adapter.SetColumnImage(1, tv::kImageSortAscending));
    EXPECT_TRUE(adapter.SetColumnImage(0, tv::kImageSortDescending));
    EXPECT_EQ(adapter.GetColumnImage(1), tv::kImageSortAscending);
    tv::ReportHeaderItem header;
    ASSERT_TRUE(list.GetHeaderItem(1, header));
    EXPECT_EQ(header.format & tv::kHeaderAlignMask, tv::kHeaderAlignRight);
    EXPECT_EQ(header.text,
              "Gr\xC3\xB6\xC3\x9F"
              "e");

    EXPECT_TRUE(adapter.ClearColumnImage(1));
    EXPECT_EQ(adapter.GetColumnImage(1), -1);
    EXPECT_EQ(adapter.GetColumnImage(0), tv::kImageSortDescending);
    EXPECT_TRUE(adapter.ClearColumnImages());
    EXPECT_EQ(adapter.GetColumnImage(0), -1);
    ASSERT_TRUE(list.GetHeaderItem(1, header));
    EXPECT_EQ(header.format, tv::kHeaderAlignRight);

    EXPECT_FALSE(adapter.SetColumnImage(2, tv::kImageSortAscending));
    EXPECT_FALSE(adapter.ClearColumnImage(-1));
    EXPECT_EQ(adapter.GetColumnImage(2), -1);

    list.SetHasHeader(false);
    EXPECT_EQ(adapter.GetColumnCount(), 0);
    EXPECT_FALSE(adapter.SetColumnImage(0, tv::kImageSortAscending));
    EXPECT_FALSE(adapter.ClearColumnImage(0));
    EXPECT_EQ(adapter.GetColumnImage(0), -1);
}

TEST(ReportImages, ImageListsAndRowImages) {
    auto list = MakeList({"a", "b"});
    CReportListAdapter adapter(&list);
    EXPECT_FALSE(adapter.SetHeaderImageList(132));
    EXPECT_TRUE(adapter.SetHeaderImageList(tv::kNoReportImageList));
    EXPECT_EQ(list.GetHeaderImageList(), tv::kNoReportImageList);

    EXPECT_TRUE(adapter.SetItemImage(1, -1));
    EXPECT_EQ(adapter.GetItemImage(1), -1);
    EXPECT_TRUE(adapter.SetItemImage(1, 7));
    EXPECT_EQ(adapter.GetItemImage(1), 7);
    EXPECT_FALSE(adapter.SetItemImage(2, 7));
    EXPECT_EQ(adapter.GetItemImage(2), -1);

    EXPECT_EQ(adapter.GetFirstSelectedItem(), 0);
    list.SetItemSelected(0, false);
    EXPECT_EQ(adapter.GetFirstSelectedItem(), -1);
}

TEST(MemoryReportList, RendersHeaderAndRowsAsTabSeparatedLines) {
    CMemoryReportList list;
    list.InsertColumn("ID", tv::kHeaderAlignRight);
    list.InsertColumn("Text");
    list.AddRow({"1", "eins"});
    list.AddRow({"2"});
    list.AddRow({"3", "drei", "zu viel"});
    EXPECT_EQ(list.Render(), "ID\tText\n1\teins\n2\t\n3\tdrei\n");
    EXPECT_TRUE(list.DeleteColumn(0));
    EXPECT_FALSE(list.DeleteColumn(1));
    list.SetHasHeader(false);
    EXPECT_EQ(list.Render(), "eins\n\ndrei\n");
}

}  // namespace
