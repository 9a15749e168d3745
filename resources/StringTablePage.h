// The page that lists string tables: every string of the module (the "Stringtabellen" node) or
// those of one block, with ids in decimal or hexadecimal, sortable by either column, and saved as
// a resource script, plain text or the raw blocks.
#pragma once

#include <memory>
#include <optional>

#include "module/ResourceDirectory.h"
#include "resources/ResourcePage.h"

class QTreeView;

namespace Ui {
class StringTablePage;
}

namespace tv {

class CDialogToolBar;
class CResourceCatalog;
class CStringRowsModel;

class CStringTablePage : public CResourcePage {
    Q_OBJECT
public:
    explicit CStringTablePage(QWidget* parent = nullptr);
    ~CStringTablePage() override;

    void ShowStringTables(const CResourceCatalog& catalog);
    void ShowStringBlock(const CResourceCatalog& catalog, const CResourceId& block);

    // "Hexadecimal display": flips the id display, keeps it in the settings and refills.
    void OnHexadecimalDisplay();
    void OnSaveAs();
    // A header click: descending when the column is in ascending order already, else ascending.
    void OnColumnClick(int column);

    [[nodiscard]] QTreeView* List() const noexcept;
    [[nodiscard]] QString CountText() const;
    [[nodiscard]] CDialogToolBar* ToolBar() const noexcept { return m_toolbar; }

private:
    void Refill();
    void FitColumns(bool shrink);

    std::unique_ptr<Ui::StringTablePage> m_ui;
    CDialogToolBar* m_toolbar = nullptr;
    CStringRowsModel* m_model = nullptr;
    const CResourceCatalog* m_catalog = nullptr;
    std::optional<CResourceId> m_block;  // nothing: all tables
};

}  // namespace tv
