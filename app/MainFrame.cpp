#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/ShellInfoDlg.h"
#include "browser/LeftView.h"
#include "browser/RightView.h"
#include "res/Commands.h"
#include "res/Menus.h"
#include "res/QtResources.h"
#include "res/StringTable.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace cmd = tv::cmd;

CMainFrame::CMainFrame(ICommandTarget* app, QWidget* parent)
    : CMainFrame(app, CShellNamespace(), parent) {}

CMainFrame::CMainFrame(ICommandTarget* app, const CShellNamespace& shell, QWidget* parent)
    : QMainWindow(parent), m_app(app) {
    Create(shell);
}

CMainFrame::~CMainFrame() {
    // Closing the window moves the focus while the frame is half gone: stop listening first.
    disconnect(m_focusConnection);
}

CLeftView* CMainFrame::GetLeftView() const noexcept { return m_left; }
CRightView* CMainFrame::GetRightView() const noexcept { return m_right; }

void CMainFrame::Create(const CShellNamespace& shell) {
    setWindowTitle(QStringLiteral("Tarnview"));
    setWindowIcon(tv::ProgramIcon());
    const tv::CommandHandler onCommand = [this](uint32_t id) { RouteCommand(id); };
    const tv::CommandUpdater onUpdate = [this](uint32_t id, QAction& action) {
        ApplyCommandState(id, action);
    };

    setMenuBar(tv::BuildMenuBar(128, this, onCommand, onUpdate));
    m_toolBar = tv::BuildToolBar(128, this, onCommand);
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setWindowTitle(
        QString::fromUtf8(std::string(tv::TooltipText(cmd::kViewToolbar)).c_str()));
    m_toolBar->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    tv::AddAcceleratorActions(128, this, onCommand);

    // The message pane, then the lock-key indicators.
    for (uint32_t id : {59137u, 59138u, 59139u}) {
        auto* label = new QLabel(QString::fromUtf8(std::string(tv::LoadString(id)).c_str()), this);
        label->setEnabled(false);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 12);
        label->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(label);
    }
    // The idle text sits under the prompts: a prompt covers it while a command is pointed at, and
    // it comes back when the pointer leaves.
    statusBar()->addWidget(
        new QLabel(QString::fromUtf8(std::string(tv::LoadString(57345)).c_str()), this), 1);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_left = new CLeftView(std::make_unique<CShellNamespace>(shell), m_splitter);
    m_right = new CRightView(shell, m_splitter);
    m_splitter->addWidget(m_left);
    m_splitter->addWidget(m_right);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(false);
    setCentralWidget(m_splitter);
    resize(960, 640);
    m_splitter->setSizes({width() / 3, width() - width() / 3});

    m_left->SetCommandHandler(onCommand);
    m_left->SetCommandUpdater(onUpdate);
    m_right->SetCommandHandler(onCommand, onUpdate);
    m_activeView = m_left;

    connect(m_left, &CLeftView::selectionChangedTo, this, [this](const tv::CItemIdList& folder) {
        if (m_right) m_right->Refill(folder);
        UpdateCommandStates();
    });
    connect(m_right, &CRightView::folderOpened, this, [this](const tv::CItemIdList& folder) {
        if (m_left) m_left->SelectChildByIdList(folder);
    });
    connect(m_right, &CRightView::selectionChanged, this, &CMainFrame::UpdateCommandStates);
    connect(m_right, &CRightView::scanFinished, this, &CMainFrame::UpdateCommandStates);
    m_focusConnection =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            for (QWidget* w = now; w != nullptr; w = w->parentWidget()) {
                if (w == m_left || w == m_right) {
                    m_activeView = w;
                    break;
                }
            }
            UpdateCommandStates();
        });
    // The framework refreshed command states when idle; a short timer does the same for the
    // toolbar, whose buttons have no moment before they show.
    auto* idle = new QTimer(this);
    idle->setInterval(250);
    connect(idle, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    idle->start();
    UpdateCommandStates();
}

void CMainFrame::InitialUpdate(const std::string& startPath) {
    m_right->InitialUpdate();
    m_left->InitialUpdate(startPath);
    if (m_left->GetSelectedIdList().IsNull()) m_right->Refill(tv::CItemIdList());
    UpdateCommandStates();
}

void CMainFrame::SetShellActions(std::function<bool(const std::string&)> fileProperties,
                                 std::function<bool(const tv::CItemIdList&)> itemProperties,
                                 std::function<bool(const tv::CItemIdList&)> explore) {
    m_left->SetShellActions(
        [explore](const tv::CItemIdList& item, QWidget*) { return explore && explore(item); },
        [itemProperties](const tv::CItemIdList& item, QWidget*) {
            return itemProperties && itemProperties(item);
        });
    m_right->SetShellActions(std::move(fileProperties), std::move(explore));
}

void CMainFrame::SetModuleWindowActions(std::function<bool(const std::string&)> resources,
                                        std::function<bool(const std::string&)> headers) {
    m_resourcesWindow = std::move(resources);
    m_headersWindow = std::move(headers);
}

ICommandTarget* CMainFrame::ActiveView() const {
    if (m_activeView == m_right && m_right) return m_right;
    if (m_left) return m_left;
    return nullptr;
}

void CMainFrame::RouteCommand(uint32_t id) {
    // Only enabled commands run: keys and buttons may fire before the states were refreshed.
    if (!QueryCommand(id).IsEnabled()) return;
    if (ICommandTarget* view = ActiveView(); view && view->OnCommand(id)) return;
    if (OnCommand(id)) return;
    if (m_app) m_app->OnCommand(id);
    UpdateCommandStates();
}

CCmdUI CMainFrame::QueryCommand(uint32_t id) {
    CCmdUI ui(id);
    if (ICommandTarget* view = ActiveView(); view && view->OnUpdateCommand(ui)) return ui;
    if (OnUpdateCommand(ui)) return ui;
    if (m_app && m_app->OnUpdateCommand(ui)) return ui;
    return ui;  // nobody handles it: disabled
}

void CMainFrame::ApplyCommandState(uint32_t id, QAction& action) {
    const CCmdUI ui = QueryCommand(id);
    action.setEnabled(ui.IsEnabled());
    // An action becomes checkable the first time a target checks it, and stays so.
    if (ui.IsChecked() || action.isCheckable()) {
        action.setCheckable(true);
        action.setChecked(ui.IsChecked());
    }
}

void CMainFrame::UpdateCommandStates() {
    const tv::CommandUpdater update = [this](uint32_t id, QAction& action) {
        ApplyCommandState(id, action);
    };
    if (menuBar()) tv::UpdateCommandActions(menuBar()->actions(), update);
    if (m_toolBar) tv::UpdateCommandActions(m_toolBar->actions(), update);
    tv::UpdateCommandActions(actions(), update);
}

QAction* CMainFrame::FindAction(uint32_t id) const {
    QList<QAction*> pending;
    if (menuBar()) pending += menuBar()->actions();
    if (m_toolBar) pending += m_toolBar->actions();
    pending += actions();
    while (!pending.isEmpty()) {
        QAction* action = pending.takeFirst();
        if (tv::CommandOf(action) == id) return action;
        if (action->menu()) pending += action->menu()->actions();
    }
    return nullptr;
}

bool CMainFrame::OnCommand(uint32_t id) {
    switch (id) {
        case cmd::kFileOpen:
            if (m_right && m_left && m_right->IsSelectedFolder())
                m_left->SelectChildByIdList(*m_right->GetSelectedIdList());
            return true;
        case cmd::kResources:
        case cmd::kHeaders: {
            if (!m_right) return true;
            const std::string path = m_right->GetSelectedPath();
            const auto& open = id == cmd::kResources ? m_resourcesWindow : m_headersWindow;
            if (!path.empty() && open) open(path);
            return true;
        }
        case cmd::kBack:
            if (m_left) m_left->GoBack();
            return true;
        case cmd::kForward:
            if (m_left) m_left->GoForward();
            return true;
        case cmd::kParentFolder:
            if (m_left) m_left->SelectParentFolder();
            return true;
        case cmd::kExpand:
            if (m_left) m_left->ExpandSelected();
            return true;
        case cmd::kCollapse:
            if (m_left) m_left->CollapseSelected();
            return true;
        case cmd::kViews:
            ShowViewsDropDown();
            return true;
        case cmd::kViewLargeIcons:
        case cmd::kViewSmallIcons:
        case cmd::kViewList:
        case cmd::kViewDetails:
        case cmd::kVersionDetails:
        case cmd::kResourceDetails:
            if (m_right) m_right->SetViewMode(id);
            return true;
        case cmd::kRefresh:
            if (m_right) m_right->Refresh();
            return true;
        case cmd::kShellInformation:
            tv::OnShellInformation(this);
            return true;
        case cmd::kAboutWindows:
            tv::OnAboutWindows(this);
            return true;
        case cmd::kViewToolbar:
            m_toolBar->setVisible(!m_toolBar->isVisible());
            return true;
        case cmd::kViewStatusBar:
            statusBar()->setVisible(!statusBar()->isVisible());
            return true;
        case cmd::kWindowSplit: {
            // Puts the split where the mouse is, as dragging the bar there would.
            const int x = m_splitter->mapFromGlobal(QCursor::pos()).x();
            const int total = m_splitter->width();
            const int left = x > 40 && x < total - 40 ? x : total / 3;
            m_splitter->setSizes({left, total - left});
            return true;
        }
        case cmd::kNextPane:
        case cmd::kPrevPane:
            SwitchPane(id == cmd::kNextPane);
            return true;
        case cmd::kAppExit:
            close();
            return true;
        default:
            return false;
    }
}

bool CMainFrame::OnUpdateCommand(CCmdUI& ui) {
    const uint32_t id = ui.GetId();
    switch (id) {
        case cmd::kFileOpen:
            ui.Enable(m_right && m_right->IsSelectedFolder());
            return true;
        case cmd::kResources:
        case cmd::kHeaders:
            ui.Enable(m_right && m_right->IsSelectedModule());
            return true;
        case cmd::kBack:
            ui.Enable(m_left && m_left->CanGoBack());
            return true;
        case cmd::kForward:
            ui.Enable(m_left && m_left->CanGoForward());
            return true;
        case cmd::kParentFolder:
            ui.Enable(m_left && m_left->HasParentFolder());
            return true;
        case cmd::kExpand:
            ui.Enable(m_left && m_left->IsSelectedCollapsed());
            return true;
        case cmd::kCollapse:
            ui.Enable(m_left && m_left->IsSelectedExpanded());
            return true;
        case cmd::kViewLargeIcons:
        case cmd::kViewSmallIcons:
        case cmd::kViewList:
        case cmd::kViewDetails:
        case cmd::kVersionDetails:
        case cmd::kResourceDetails:
            if (m_right)
                m_right->UpdateViewModeUI(ui);
            else
                ui.Enable(false);
            return true;
        case cmd::kRefresh:
            ui.Enable(m_right != nullptr);
            return true;
        case cmd::kViews:
        case cmd::kShellInformation:
        case cmd::kAboutWindows:
        case cmd::kWindowSplit:
        case cmd::kNextPane:
        case cmd::kPrevPane:
        case cmd::kAppExit:
            ui.Enable(true);
            return true;
        case cmd::kViewToolbar:
            ui.Enable(true);
            ui.SetCheck(m_toolBar && !m_toolBar->isHidden());
            return true;
        case cmd::kViewStatusBar:
            ui.Enable(true);
            ui.SetCheck(!statusBar()->isHidden());
            return true;
        default:
            return false;
    }
}

void CMainFrame::ShowViewsDropDown() {
    QAction* views = nullptr;
    for (QAction* action : m_toolBar->actions())
        if (tv::CommandOf(action) == cmd::kViews) views = action;
    QWidget* button = views ? m_toolBar->widgetForAction(views) : nullptr;
    if (button == nullptr) return;
    QMenu* menu = tv::BuildMenu(
        130, 0, this, [this](uint32_t id) { RouteCommand(id); },
        [this](uint32_t id, QAction& action) { ApplyCommandState(id, action); });
    if (menu == nullptr) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void CMainFrame::SwitchPane(bool next) {
    (void)next;  // two panes: either way leads to the other one
    QWidget* target =
        m_activeView == m_left ? static_cast<QWidget*>(m_right) : static_cast<QWidget*>(m_left);
    if (target) {
        target->setFocus(Qt::OtherFocusReason);
        m_activeView = target;
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) UpdateCommandStates();
}

}  // namespace tv
