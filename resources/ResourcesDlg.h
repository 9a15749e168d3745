// The "Modulressourcen" window: the module's resources as a tree of types and names, and beside
// it the page that shows the selected one (statistics, version texts, string tables, pictures or
// a hexadecimal dump). Closing only hides it: opened again before the application sweeps it, it
// comes back as it was.
#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>
#include <string>

#include "module/QtModuleWindow.h"
#include "res/CommandTarget.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTree.h"

class QTreeView;
class QWidget;

namespace Ui {
class ResourcesDlg;
}

namespace tv {

class CImagePage;
class CInfoListPage;
class CRawDataPage;
class CReportTreeModel;
class CStringTablePage;

class CResourcesDlg : public QDialog, public ICommandTarget {
    Q_OBJECT
public:
    explicit CResourcesDlg(IModuleWindowHost* host, QWidget* parent = nullptr);
    ~CResourcesDlg() override;

    bool LoadModule(const std::string& path);
    [[nodiscard]] std::string GetModulePath() const { return m_catalog.GetPath(); }
    [[nodiscard]] const std::string& GetErrorText() const noexcept { return m_errorText; }

    void FillTree();
    // Shows page and hides the others; nullptr hides all four.
    void ShowPage(QWidget* page);

    [[nodiscard]] QTreeView* Tree() const noexcept;
    [[nodiscard]] const CResourceTree& Items() const noexcept { return m_tree; }
    [[nodiscard]] QWidget* VisiblePage() const;
    [[nodiscard]] CRawDataPage* RawDataPage() const noexcept { return m_raw; }
    [[nodiscard]] CStringTablePage* StringTablePage() const noexcept { return m_strings; }
    [[nodiscard]] CImagePage* ImagePage() const noexcept { return m_image; }
    [[nodiscard]] CInfoListPage* InfoListPage() const noexcept { return m_info; }
    [[nodiscard]] const CResourceCatalog& Catalog() const noexcept { return m_catalog; }

    // The OK and Cancel commands the pages post on Enter and Escape.
    bool OnCommand(uint32_t id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

private:
    void OnSelectionChanged();

    IModuleWindowHost* m_host;
    std::unique_ptr<Ui::ResourcesDlg> m_ui;
    CReportTreeModel* m_model = nullptr;
    CRawDataPage* m_raw = nullptr;
    CStringTablePage* m_strings = nullptr;
    CImagePage* m_image = nullptr;
    CInfoListPage* m_info = nullptr;
    CResourceCatalog m_catalog;
    CResourceTree m_tree;
    std::string m_errorText;
    QString m_caption;
};

// The window as the application's list holds it.
inline constexpr char kResourcesDlgName[] = "CResourcesDlg";
using CResourcesWindow = CModuleWindowOf<CResourcesDlg, kResourcesDlgName>;

}  // namespace tv
