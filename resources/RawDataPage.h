// The page that shows any resource without a page of its own as a hexadecimal dump of its first
// 16 KiB with a character column, and saves its bytes. Icon and cursor groups can also be saved
// as real .ico and .cur files.
#pragma once

#include <memory>

#include "module/ResourceDirectory.h"
#include "resources/ResourcePage.h"

namespace Ui {
class RawDataPage;
}

namespace tv {

class CDialogToolBar;
class CResourceCatalog;

class CRawDataPage : public CResourcePage {
    Q_OBJECT
public:
    explicit CRawDataPage(QWidget* parent = nullptr);
    ~CRawDataPage() override;

    // Shows the resource of catalog (which must outlive the page's use of it).
    void ShowRawData(const CResourceCatalog& catalog, const CResourceId& type,
                     const CResourceId& name);
    // "Save as...": asks for a path and writes the resource there.
    void OnSaveAs();

    [[nodiscard]] QString DumpText() const;
    [[nodiscard]] QString ByteCountText() const;
    [[nodiscard]] CDialogToolBar* ToolBar() const noexcept { return m_toolbar; }

private:
    [[nodiscard]] bool IsGroup() const;

    std::unique_ptr<Ui::RawDataPage> m_ui;
    CDialogToolBar* m_toolbar = nullptr;
    const CResourceCatalog* m_catalog = nullptr;
    CResourceId m_type;
    CResourceId m_name;
};

}  // namespace tv
