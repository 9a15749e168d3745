// The module list's rows as one Qt model that both the icon views and the report view show, and
// that the report-list adapter sorts and sizes through tv::IReportList.
//
// Names are drawn with their control characters as escapes (a line feed would break the row);
// the cells keep the real text, which sorting and the paths go by.
//
// A row holds its cell texts, its record (absolute item-id list and folder flag; the item data
// handed to the adapter is the record's address, so a sort moves records with their rows) and an
// icon slot that stays empty until the row is first drawn: icons cost a look into each module
// and are fetched only for rows that are actually shown.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QIcon>
#include <QItemSelectionModel>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/ScanTexts.h"
#include "resources/ReportList.h"
#include "shell/ItemIdList.h"

namespace tv {

struct RowData {
    CItemIdList idList;
    bool folder = false;
};

class CModuleListModel : public QAbstractTableModel, public IReportList {
    Q_OBJECT
public:
    // Asked by the views' delegate just before a row is painted: fetches the row's icon if it
    // has none yet. Sizing a row never fetches, so laying out thousands of rows stays cheap.
    static constexpr int kFetchIconRole = Qt::UserRole + 1;

    // Gives the icon of a row's record the first time the row is drawn. A provider that is still
    // working on the final icon sets pending and gives a stand-in; RefreshPendingIcons asks again.
    using IconProvider = std::function<QIcon(const RowData& record, bool& pending)>;

    explicit CModuleListModel(QObject* parent = nullptr);
    ~CModuleListModel() override;

    // placeholder is shown (and measured) until a row's own icon has been fetched.
    void SetIconProvider(IconProvider provider, QIcon placeholder) {
        m_iconProvider = std::move(provider);
        m_placeholder = std::move(placeholder);
    }
    // How many rows have fetched their icon.
    [[nodiscard]] size_t FetchedIconCount() const noexcept { return m_icons.size(); }
    // Asks the provider again for every row whose icon was pending, and repaints those whose
    // final icon has come.
    void RefreshPendingIcons();
    // The images header items show (the strip 132), by index.
    void SetHeaderImages(QList<QIcon> images) { m_headerImages = std::move(images); }
    // The selection the views share; IsItemSelected and SetItemSelected go through it.
    void SetSelectionModel(QItemSelectionModel* selection) { m_selection = selection; }
    // The font the views draw cells in, for StringWidth.
    void SetFont(const QFont& font) { m_font = font; }

    // ---- rows and columns as the list view changes them
    void Clear();
    // Appends rows (name in column 0, the other cells empty); returns the index of the first.
    int AppendRows(std::vector<std::pair<std::string, RowData>> rows);
    [[nodiscard]] const RowData* Record(int row) const;
    // Writes a scan result's cells without telling the views; RowsChanged tells them once for a
    // whole batch. false for a row that does not exist.
    bool SetRowCells(int row, const ScanCells& cells);
    void RowsChanged(int first, int last);
    // Replaces the columns after column 0 (created once, never removed) by headers.
    void SetColumns(const std::vector<ReportHeaderItem>& headers);

    // ---- QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // ---- tv::IReportList
    int GetItemCount() const override;
    std::string GetItemText(int item, int column) const override;
    bool SetItemText(int item, int column, std::string_view text) override;
    uintptr_t GetItemData(int item) const override;
    bool SetItemData(int item, uintptr_t data) override;
    std::optional<int> GetItemImage(int item) const override;
    bool SetItemImage(int item, int image) override;
    bool IsItemSelected(int item) const override;
    bool SetItemSelected(int item, bool selected) override;
    ReportCheck GetItemCheck(int item) const override;
    bool SetItemCheck(int item, ReportCheck check) override;
    int GetColumnCount() const override;
    int GetColumnWidth(int column) const override;
    bool SetColumnWidth(int column, int width) override;
    int StringWidth(std::string_view text) const override;
    int GetTextPadding(int column, bool header) const override;
    bool HasHeader() const override;
    bool GetHeaderItem(int column, ReportHeaderItem& item) const override;
    bool SetHeaderItem(int column, const ReportHeaderItem& item) override;
    ReportImageList SetHeaderImageList(ReportImageList list) override;
    void BeginRowMoves() override;
    void EndRowMoves() override;
    // A sort's new order in one layout change; persistent indexes (the views' selection and
    // current row among them) move with their rows.
    bool MoveRows(const std::vector<int>& order) override;

    // Column widths live in the report view's header; the view keeps them here in step.
    using WidthGetter = std::function<int(int column)>;
    using WidthSetter = std::function<bool(int column, int width)>;
    void SetWidthAccess(WidthGetter get, WidthSetter set) {
        m_getWidth = std::move(get);
        m_setWidth = std::move(set);
    }
    // What the views draw beside a cell's or a header's text (icon, margins, sort mark).
    using PaddingGetter = std::function<int(int column, bool header)>;
    void SetPaddingAccess(PaddingGetter get) { m_padding = std::move(get); }

private:
    struct Row {
        std::vector<std::string> cells;  // column 0 and any detail cell written so far
        uintptr_t data = 0;
        mutable int image = -1;  // index into m_icons; -1 until the row is drawn
        mutable bool iconPending = false;
    };
    [[nodiscard]] bool Valid(int item) const noexcept {
        return item >= 0 && static_cast<size_t>(item) < m_rows.size();
    }

    std::vector<Row> m_rows;
    std::vector<std::unique_ptr<RowData>> m_records;  // owned here, referred to by Row::data
    std::vector<ReportHeaderItem> m_headers;
    mutable std::vector<QIcon> m_icons;
    QList<QIcon> m_headerImages;
    IconProvider m_iconProvider;
    QIcon m_placeholder;
    QPointer<QItemSelectionModel> m_selection;
    QFont m_font;
    WidthGetter m_getWidth;
    WidthSetter m_setWidth;
    PaddingGetter m_padding;
    int m_moveDepth = 0;
    // While a sort moves rows, selection moves with them here and reaches the views at the end.
    std::vector<bool> m_batchSelected;
};

}  // namespace tv
