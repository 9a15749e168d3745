// The "Modulköpfe" window: the headers report of one module as a tree, in the summary or the
// full display, with the module commands (properties, resources, headers) on the lines that
// stand for a module: the root and each imported library. Modeless and independent of the main
// window; it holds its module image for as long as it exists and is destroyed when closed.
#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>
#include <string>

#include "module/HeadersReport.h"
#include "module/ModuleImage.h"
#include "module/QtModuleWindow.h"
#include "res/CommandTarget.h"

class QMenu;
class QModelIndex;
class QTreeView;

namespace Ui {
class ModuleHeadersDlg;
}

namespace tv {

class CDialogToolBar;
class CReportTreeModel;

class CModuleHeadersDlg : public QDialog, public ICommandTarget {
    Q_OBJECT
public:
    explicit CModuleHeadersDlg(IModuleWindowHost* host, QWidget* parent = nullptr);
    ~CModuleHeadersDlg() override;

    // Loads the module and fills the tree; false with GetErrorText() saying why.
    bool LoadModule(const std::string& path);
    [[nodiscard]] std::string GetModulePath() const { return m_image.GetPath(); }
    [[nodiscard]] const std::string& GetErrorText() const noexcept { return m_errorText; }

    // Rebuilds the tree in the current display: title and icons first, then the report.
    void FillTree();
    [[nodiscard]] bool IsFullDisplay() const noexcept { return m_full; }

    [[nodiscard]] QTreeView* Tree() const noexcept;
    [[nodiscard]] CDialogToolBar* ToolBar() const noexcept { return m_toolbar; }
    [[nodiscard]] const CReportTree& Report() const noexcept;
    // The context menu of the tree as it would open now, with its enable states (tests).
    [[nodiscard]] QMenu* BuildContextMenu();

    // The selected line and everything below it, indented as tarnview-cli prints it.
    [[nodiscard]] std::string SelectedText() const;
    void CopySelection() const;

    bool OnCommand(uint32_t id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The selected line's report node, kNoReportNode without one.
    [[nodiscard]] ReportNode SelectedNode() const;
    [[nodiscard]] bool SelectedIsModule() const;
    // The module a module line stands for: the image's own path for the root, the library found
    // by the module search for a bare import name; empty (after telling the user) when none.
    [[nodiscard]] std::string ResolveSelectedModule();
    void UpdateToolbar();
    void OnContextMenu(const QPoint& position);

    IModuleWindowHost* m_host;
    std::unique_ptr<Ui::ModuleHeadersDlg> m_ui;
    CDialogToolBar* m_toolbar = nullptr;
    CReportTreeModel* m_model = nullptr;
    CModuleImage m_image;
    std::string m_errorText;
    QString m_caption;
    std::string m_iconPath;  // the module the window icon was taken from
    bool m_full = false;
};

// The window as the application's list holds it.
inline constexpr char kModuleHeadersDlgName[] = "CModuleHeadersDlg";
using CModuleHeadersWindow = CModuleWindowOf<CModuleHeadersDlg, kModuleHeadersDlgName>;

}  // namespace tv
