// A list in report view as the core sees it: rows of cell texts with item data, an image, a
// selected and a check state, columns with widths, and a header whose items carry text, alignment
// and an image. The Qt list views implement it; CMemoryReportList keeps one in memory for tests
// and for tarnview-cli. CReportListAdapter sorts and sizes any of them through this interface
// alone, so none of its rules depend on a toolkit.
//
// Indexes are 0-based. Reads outside the rows or columns give the neutral value (empty text, 0,
// nothing selected); writes outside them fail and change nothing. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The view's own handle of an image list (the core never looks inside it; the module list passes
// the handle of its strip of bitmap 132). kNoReportImageList detaches.
using ReportImageList = uintptr_t;
inline constexpr ReportImageList kNoReportImageList = 0;

// A row's check box: None when the list shows no check boxes.
enum class ReportCheck : uint8_t { None, Unchecked, Checked };

// Header item format: the alignment of the column and whether the item shows its image.
inline constexpr uint32_t kHeaderAlignLeft = 0x0000;
inline constexpr uint32_t kHeaderAlignRight = 0x0001;
inline constexpr uint32_t kHeaderAlignCenter = 0x0002;
inline constexpr uint32_t kHeaderAlignMask = 0x0003;
inline constexpr uint32_t kHeaderShowImage = 0x0800;

struct ReportHeaderItem {
    std::string text;
    uint32_t format = kHeaderAlignLeft;
    // Index into the header image list; shown only while format has kHeaderShowImage.
    int image = 0;
};

class IReportList {
public:
    virtual ~IReportList();

    // ---- rows
    [[nodiscard]] virtual int GetItemCount() const = 0;
    [[nodiscard]] virtual std::string GetItemText(int item, int column) const = 0;
    virtual bool SetItemText(int item, int column, std::string_view text) = 0;
    [[nodiscard]] virtual uintptr_t GetItemData(int item) const = 0;
    virtual bool SetItemData(int item, uintptr_t data) = 0;
    // The image index of the row's first column; nothing when the row cannot be read.
    [[nodiscard]] virtual std::optional<int> GetItemImage(int item) const = 0;
    virtual bool SetItemImage(int item, int image) = 0;
    [[nodiscard]] virtual bool IsItemSelected(int item) const = 0;
    virtual bool SetItemSelected(int item, bool selected) = 0;
    [[nodiscard]] virtual ReportCheck GetItemCheck(int item) const = 0;
    virtual bool SetItemCheck(int item, ReportCheck check) = 0;

    // ---- columns
    [[nodiscard]] virtual int GetColumnCount() const = 0;
    // 0 for a column that does not exist; 0 or less is a hidden column.
    [[nodiscard]] virtual int GetColumnWidth(int column) const = 0;
    virtual bool SetColumnWidth(int column, int width) = 0;
    // Pixel width of text as the list would draw it in a cell (measuring is the view's job).
    [[nodiscard]] virtual int StringWidth(std::string_view text) const = 0;
    // Pixels a cell of the column (or, with header, its header item) draws beside its text: the
    // row's icon, the view's own margins, a sort mark. 0 unless the list says otherwise.
    [[nodiscard]] virtual int GetTextPadding(int /*column*/, bool /*header*/) const { return 0; }

    // ---- header (it has one item per column)
    [[nodiscard]] virtual bool HasHeader() const = 0;
    virtual bool GetHeaderItem(int column, ReportHeaderItem& item) const = 0;
    virtual bool SetHeaderItem(int column, const ReportHeaderItem& item) = 0;
    // Attaches list to the header and gives the one attached before.
    virtual ReportImageList SetHeaderImageList(ReportImageList list) = 0;

    // ---- batches
    // A sort exchanges up to every row, cell by cell, between these two calls: a view may hold
    // back its per-cell change notices and redraw once at the end.
    virtual void BeginRowMoves() {}
    virtual void EndRowMoves() {}
    // Puts every row where a sort wants it at once: the row at order[i] goes to position i, with
    // its texts, data, image, selection and check state (order is a permutation of the rows).
    // false when the list cannot, and the sort then exchanges rows one by one.
    virtual bool MoveRows(const std::vector<int>& /*order*/) { return false; }
};

}  // namespace tv
