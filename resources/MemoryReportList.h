// A report list kept in memory: the list the tests drive the adapter with, and the one
// tarnview-cli fills and prints. Text widths are a fixed number of pixels per character (code
// point), 7 unless set otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/ReportList.h"

namespace tv {

class CMemoryReportList : public IReportList {
public:
    static constexpr int kDefaultCharWidth = 7;
    static constexpr int kDefaultColumnWidth = 100;

    explicit CMemoryReportList(int charWidth = kDefaultCharWidth) : m_charWidth(charWidth) {}

    // ---- building
    // Appends a column; every row gets an empty cell in it. Returns its index.
    int InsertColumn(std::string_view header, uint32_t format = kHeaderAlignLeft,
                     int width = kDefaultColumnWidth);
    // Removes a column with its cells; false for a column that does not exist.
    bool DeleteColumn(int column);
    // Appends a row; texts beyond the last column are dropped, missing ones are empty. Returns
    // its index.
    int AddRow(const std::vector<std::string>& texts, uintptr_t data = 0, int image = 0);
    void DeleteAllItems() noexcept { m_rows.clear(); }
    void SetHasHeader(bool hasHeader) noexcept { m_hasHeader = hasHeader; }
    void SetCharWidth(int charWidth) noexcept { m_charWidth = charWidth; }

    // ---- inspection
    [[nodiscard]] std::vector<std::string> ColumnTexts(int column) const;
    [[nodiscard]] ReportImageList GetHeaderImageList() const noexcept { return m_headerImages; }
    // Writes that changed a row (text, data, image, selected or check state) since construction.
    [[nodiscard]] size_t GetRowWriteCount() const noexcept { return m_rowWrites; }
    // The header texts (when there is a header) and then every row, cells separated by tabs, each
    // line ending in "\n".
    [[nodiscard]] std::string Render() const;

    // ---- IReportList
    [[nodiscard]] int GetItemCount() const override;
    [[nodiscard]] std::string GetItemText(int item, int column) const override;
    bool SetItemText(int item, int column, std::string_view text) override;
    [[nodiscard]] uintptr_t GetItemData(int item) const override;
    bool SetItemData(int item, uintptr_t data) override;
    [[nodiscard]] std::optional<int> GetItemImage(int item) const override;
    bool SetItemImage(int item, int image) override;
    [[nodiscard]] bool IsItemSelected(int item) const override;
    bool SetItemSelected(int item, bool selected) override;
    [[nodiscard]] ReportCheck GetItemCheck(int item) const override;
    bool SetItemCheck(int item, ReportCheck check) override;
    [[nodiscard]] int GetColumnCount() const override;
    [[nodiscard]] int GetColumnWidth(int column) const override;
    bool SetColumnWidth(int column, int width) override;
    [[nodiscard]] int StringWidth(std::string_view text) const override;
    [[nodiscard]] bool HasHeader() const override { return m_hasHeader; }
    bool GetHeaderItem(int column, ReportHeaderItem& item) const override;
    bool SetHeaderItem(int column, const ReportHeaderItem& item) override;
    ReportImageList SetHeaderImageList(ReportImageList list) override;
    bool MoveRows(const std::vector<int>& order) override;

private:
    struct Row {
        std::vector<std::string> texts;  // one per column
        uintptr_t data = 0;
        int image = 0;
        bool selected = false;
        ReportCheck check = ReportCheck::None;
    };
    struct Column {
        ReportHeaderItem header;
        int width = 0;
    };

    [[nodiscard]] const Row* RowAt(int item) const noexcept;
    [[nodiscard]] Row* RowAt(int item) noexcept;
    [[nodiscard]] bool IsColumn(int column) const noexcept;

    std::vector<Row> m_rows;
    std::vector<Column> m_columns;
    int m_charWidth;
    bool m_hasHeader = true;
    ReportImageList m_headerImages = kNoReportImageList;
    size_t m_rowWrites = 0;
};

}  // namespace tv
