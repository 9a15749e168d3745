// The folder tree of the main window: the desktop's children (the home folder and the file-system
// root) and, below them, every folder that is not hidden (and the hidden ones the user opened). A
// folder's sub-folders are read when it is first expanded; selecting a folder expands it and tells
// the frame through selectionChangedTo, so that the module list can show it. The tree keeps the
// Back and Forward history of its selections and carries the folder commands (explore, properties)
// and the folder context menu; the frame drives the navigation operations and decides what the menu
// enables.
#pragma once

#include <QPersistentModelIndex>
#include <QString>
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "browser/History.h"
#include "res/CommandTarget.h"
#include "res/QtResources.h"
#include "shell/ItemIdList.h"

class QContextMenuEvent;

namespace tv {

class CShellNamespace;

class CFolderTreeModel;

class CLeftView : public QTreeView, public ICommandTarget {
    Q_OBJECT

public:
    // A shell command on a folder, as tv::ExploreItem and tv::ShowItemProperties take it.
    using ShellAction = std::function<bool(const tv::CItemIdList& absolute, QWidget* owner)>;
    // Shows a warning text to the user.
    using WarningBox = std::function<void(QWidget* owner, const QString& text)>;

    // A tree over the real namespace (the user's home folder and "/").
    explicit CLeftView(QWidget* parent = nullptr);
    // A tree over the given namespace; tests give one whose home is a temporary folder.
    explicit CLeftView(std::unique_ptr<CShellNamespace> shell, QWidget* parent = nullptr);
    ~CLeftView() override;
    CLeftView(const CLeftView&) = delete;
    CLeftView& operator=(const CLeftView&) = delete;

    // Builds the tree and selects startPath when it is not empty; a path that cannot be selected
    // fully keeps what could be selected and is reported with string 1007.
    void InitialUpdate(const std::string& startPath);
    // Drops every item and the history and fills the top level again; nothing is selected after.
    void Rebuild();

    // ---- navigation (the frame's Back, Forward, Parent, Expand and Collapse) ----
    bool GoBack();
    bool GoForward();
    [[nodiscard]] bool CanGoBack() const noexcept { return m_history.CanGoBack(); }
    [[nodiscard]] bool CanGoForward() const noexcept { return m_history.CanGoForward(); }
    // A folder is selected and it is not a top-level item.
    [[nodiscard]] bool HasParentFolder() const;
    bool SelectParentFolder();
    [[nodiscard]] bool IsSelectedExpanded() const;
    [[nodiscard]] bool IsSelectedCollapsed() const;
    void ExpandSelected();
    void CollapseSelected();

    // Selects the child of the selected folder (of the top level when nothing is selected) whose
    // absolute list names the same item as absolute; false when there is none. A child the tree
    // lacks (made after the level was read, or hidden) is found by reading the level again; a
    // hidden folder opened this way stays in the tree.
    bool SelectChildByIdList(const tv::CItemIdList& absolute);
    // Reads the selected folder's children again (the Refresh command): new folders come, gone
    // ones go; expansion, selection and history stay.
    void RefreshSelected();
    // Selects the folder an absolute list names, one level after the other from the top. Starts
    // by selecting nothing; stops at the first level it cannot find and returns false, keeping
    // the levels it found selected. The desktop (the empty list) selects nothing and succeeds;
    // the null list fails without touching the selection.
    bool SelectIdList(const tv::CItemIdList& absolute);
    // SelectIdList of the list of path; false when the path does not exist.
    bool SelectPath(const std::string& path);

    // The absolute list of the selected folder; the null list when nothing is selected.
    [[nodiscard]] tv::CItemIdList GetSelectedIdList() const;
    // The selected folder's name as the tree shows it; empty when nothing is selected.
    [[nodiscard]] QString GetSelectedText() const;
    [[nodiscard]] CShellNamespace& Namespace() noexcept { return *m_shell; }

    // ---- wiring by the frame ----
    // What 32796 (explore) and 32775 (properties) call with the selected folder.
    void SetShellActions(ShellAction explore, ShellAction properties);
    // Where the context menu's commands go and who enables its entries, so that they follow the
    // frame's routing; without them the menu asks this view alone.
    void SetCommandHandler(tv::CommandHandler handler);
    void SetCommandUpdater(tv::CommandUpdater updater);
    // Replaces the warning box of InitialUpdate (a message box by default).
    void SetWarningBox(WarningBox box);

    // ICommandTarget: 32796 and 32775, enabled while a folder is selected.
    bool OnCommand(uint32_t id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

signals:
    // The selection moved to absolute; the null list when nothing is selected any more.
    void selectionChangedTo(const tv::CItemIdList& absolute);

protected:
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Init();
    [[nodiscard]] QModelIndex SelectedIndex() const;
    // Selects index (nothing for an invalid one) as a user's click would.
    void SelectIndex(const QModelIndex& index);
    void OnSelectionMoved();
    void RunCommand(uint32_t id);
    void UpdateCommand(uint32_t id, QAction& action);

    std::unique_ptr<CShellNamespace> m_shell;
    tv::CFolderTreeModel* m_model = nullptr;  // a child of the view, so it outlives the view's use
    // Items are only deleted by Rebuild, which empties the history, so the indexes stay valid.
    tv::CHistory<QPersistentModelIndex> m_history;
    QPersistentModelIndex m_selected;  // what the history last saw selected
    ShellAction m_explore;
    ShellAction m_properties;
    tv::CommandHandler m_commandHandler;
    tv::CommandUpdater m_commandUpdater;
    WarningBox m_warningBox;
};

}  // namespace tv
