// The page that shows any resource without a page of its own as a hexadecimal dump of its first
// 16 KiB with a character column, and saves its bytes. Icon and cursor groups can also be saved
// as real .ico and .cur files. Resources with a text form (manifests, HTML, text in UTF-8 or
// UTF-16, menus and accelerators as resource script, message tables) can be shown as that text
// instead ("Als Text", kept in the settings) and saved as .rc or .txt.
#pragma once

#include <memory>

#include "module/ResourceDirectory.h"
#include "resources/ResourcePage.h"
#include "resources/ResourceScript.h"

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

    // "Als Text": switches between the dump and the text form, and keeps the choice.
    void OnAsText();

    [[nodiscard]] QString DumpText() const;
    // The text view's contents (empty when the resource has no text form).
    [[nodiscard]] QString TextFormText() const;
    [[nodiscard]] bool IsShowingText() const;
    [[nodiscard]] QString ByteCountText() const;
    [[nodiscard]] CDialogToolBar* ToolBar() const noexcept { return m_toolbar; }

private:
    [[nodiscard]] bool IsGroup() const;
    void ShowView();

    std::unique_ptr<Ui::RawDataPage> m_ui;
    CDialogToolBar* m_toolbar = nullptr;
    const CResourceCatalog* m_catalog = nullptr;
    CResourceId m_type;
    CResourceId m_name;
    TextForm m_textForm = TextForm::kNone;
};

}  // namespace tv
