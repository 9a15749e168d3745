// The main window: menu, toolbar, status bar, and a splitter with the folder tree on the left and
// the module list on the right. It routes every command (active view, then frame, then
// application) and decides which commands are enabled.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <string>

#include "res/CommandTarget.h"
#include "shell/ItemIdList.h"

class QAction;
class QLabel;
class QSplitter;
class QToolBar;

namespace tv {

class CLeftView;
class CRightView;
class CShellNamespace;
class CSplitTracker;

class CMainFrame : public QMainWindow, public ICommandTarget {
    Q_OBJECT
public:
    // app receives what the frame and the views do not handle (may be null in tests).
    explicit CMainFrame(ICommandTarget* app = nullptr, QWidget* parent = nullptr);
    // With a namespace of the caller's for both views (tests give one with a home of their own).
    CMainFrame(ICommandTarget* app, const CShellNamespace& shell, QWidget* parent);
    ~CMainFrame() override;

    // The views' initial updates; the tree then selects startPath (when not empty). A start path
    // that names a file selects its folder, and the list shows the file selected.
    void InitialUpdate(const std::string& startPath);
    // The text of the status bar's message pane while no command prompt covers it.
    [[nodiscard]] QString MessageText() const;

    [[nodiscard]] CLeftView* GetLeftView() const noexcept;
    [[nodiscard]] CRightView* GetRightView() const noexcept;
    [[nodiscard]] QToolBar* ToolBar() const noexcept { return m_toolBar; }

    // Runs a command through the routing: the active view, the frame, the application.
    void RouteCommand(uint32_t id);
    // The state the routing gives a command: disabled when nobody handles it.
    [[nodiscard]] CCmdUI QueryCommand(uint32_t id);
    // Gives one command action the state the routing gives its command.
    void ApplyCommandState(uint32_t id, QAction& action);
    // Brings every command action of the menu and toolbar up to date.
    void UpdateCommandStates();
    // The command action of id in the menu bar or toolbar (the first one found), or null.
    [[nodiscard]] QAction* FindAction(uint32_t id) const;

    // The shell commands the views call; the application sets them (tests set their own).
    void SetShellActions(std::function<bool(const std::string& path)> fileProperties,
                         std::function<bool(const tv::CItemIdList& item)> itemProperties,
                         std::function<bool(const tv::CItemIdList& item)> explore);
    // The headers and resources windows (the application's).
    void SetModuleWindowActions(std::function<bool(const std::string& path)> resources,
                                std::function<bool(const std::string& path)> headers);

    bool OnCommand(uint32_t id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Create(const CShellNamespace& shell);
    [[nodiscard]] ICommandTarget* ActiveView() const;
    void ShowViewsDropDown();
    void SwitchPane(bool next);
    // "<folder> - Tarnview" for the folder the tree shows, "Tarnview" for none.
    void UpdateTitle();
    // Puts text in the message pane; the empty text brings the idle text back.
    void SetMessage(const QString& text);
    void OpenFolderRow(const tv::CItemIdList& folder);

    ICommandTarget* m_app = nullptr;
    QSplitter* m_splitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    QPointer<CLeftView> m_left;
    QPointer<CRightView> m_right;
    QWidget* m_activeView = nullptr;  // the pane that had the focus last
    QLabel* m_message = nullptr;      // the status bar's message pane
    QString m_idleText;
    CSplitTracker* m_splitTracker = nullptr;  // a child of the frame
    std::function<bool(const std::string&)> m_resourcesWindow;
    std::function<bool(const std::string&)> m_headersWindow;
    QMetaObject::Connection m_focusConnection;
};

}  // namespace tv
