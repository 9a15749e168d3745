#include "app/MainFrame.h"

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/ShellInfoDlg.h"
#include "browser/LeftView.h"
#include "browser/ModuleRows.h"
#include "browser/RightView.h"
#include "common/ErrorCodes.h"
#include "res/Commands.h"
#include "res/Menus.h"
#include "res/QtResources.h"
#include "res/StringTable.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace cmd = tv::cmd;

// "Fenster teilen" as split commands work: the split bar follows the mouse until a click sets
// it; the arrow keys move it, Enter sets it, and Escape or a right click puts it back.
class CSplitTracker final : public QObject {
public:
    explicit CSplitTracker(QSplitter* splitter) : QObject(splitter), m_splitter(splitter) {}
    ~CSplitTracker() override { Finish(true); }
    CSplitTracker(const CSplitTracker&) = delete;
    CSplitTracker& operator=(const CSplitTracker&) = delete;

    [[nodiscard]] bool IsTracking() const noexcept { return m_tracking; }

    void Start() {
        if (m_tracking || m_splitter->count() < 2 || !m_splitter->isVisible()) return;
        m_original = m_splitter->sizes();
        m_tracking = true;
        // The pointer goes to the bar, which then moves with it, as dragging it would.
        const int at = m_original.value(0) + m_splitter->handleWidth() / 2;
        QCursor::setPos(m_splitter->mapToGlobal(QPoint(at, m_splitter->height() / 2)));
        m_splitter->grabMouse(Qt::SplitHCursor);
        m_splitter->grabKeyboard();
        qApp->installEventFilter(this);
    }

    void Finish(bool keep) {
        if (!m_tracking) return;
        m_tracking = false;
        qApp->removeEventFilter(this);
        m_splitter->releaseKeyboard();
        m_splitter->releaseMouse();
        if (!keep) m_splitter->setSizes(m_original);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_tracking) return false;
        switch (event->type()) {
            case QEvent::MouseMove:
                MoveTo(m_splitter
                           ->mapFromGlobal(
                               static_cast<QMouseEvent*>(event)->globalPosition().toPoint())
                           .x());
                return true;
            case QEvent::MouseButtonPress:
                Finish(static_cast<QMouseEvent*>(event)->button() != Qt::RightButton);
                return true;
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ShortcutOverride:
                // No shortcut fires and no view scrolls while the bar is held.
                event->accept();
                return true;
            case QEvent::KeyPress:
                OnKey(*static_cast<QKeyEvent*>(event));
                return true;
            case QEvent::WindowDeactivate:
                if (watched == m_splitter->window()) Finish(false);
                return false;
            default:
                return false;
        }
    }

private:
    void OnKey(const QKeyEvent& key) {
        // A step of a few pixels, fine steps with Ctrl.
        const int step = (key.modifiers() & Qt::ControlModifier) ? 1 : 8;
        switch (key.key()) {
            case Qt::Key_Left:
                MoveTo(Position() - step);
                break;
            case Qt::Key_Right:
                MoveTo(Position() + step);
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                Finish(true);
                break;
            case Qt::Key_Escape:
                Finish(false);
                break;
            default:
                break;
        }
    }

    // Where the middle of the bar is, in the splitter's coordinates.
    [[nodiscard]] int Position() const {
        return m_splitter->sizes().value(0) + m_splitter->handleWidth() / 2;
    }

    void MoveTo(int x) {
        const QList<int> sizes = m_splitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        const int left = std::clamp(x - m_splitter->handleWidth() / 2, 0, total);
        m_splitter->setSizes({left, total - left});
    }

    QSplitter* m_splitter;
    QList<int> m_original;
    bool m_tracking = false;
};

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
    // it comes back when the pointer leaves. The list's notes (scan progress, an unreadable
    // folder) take its place while they last.
    m_idleText = QString::fromUtf8(std::string(tv::LoadString(57345)).c_str());
    m_message = new QLabel(m_idleText, this);
    statusBar()->addWidget(m_message, 1);

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
    m_splitTracker = new CSplitTracker(m_splitter);

    m_left->SetCommandHandler(onCommand);
    m_left->SetCommandUpdater(onUpdate);
    m_right->SetCommandHandler(onCommand, onUpdate);
    m_activeView = m_left;

    connect(m_left, &CLeftView::selectionChangedTo, this, [this](const tv::CItemIdList& folder) {
        if (m_right) {
            m_right->Refill(folder);
            // A note about the folder left behind goes with it.
            SetMessage(m_right->StatusText());
        }
        UpdateTitle();
        UpdateCommandStates();
    });
    connect(m_right, &CRightView::folderOpened, this, &CMainFrame::OpenFolderRow);
    connect(m_right, &CRightView::statusTextChanged, this, &CMainFrame::SetMessage);
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

namespace {

// Where a start path leads: the folder the tree selects, and the file the list selects in it
// (what a file manager's "Open with" hands over), or no file for a folder or a path that does
// not exist (which the tree then reports).
struct StartPlace {
    std::string folder;
    std::string file;
};

StartPlace SplitStartPath(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {path, {}};
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path};
}

}  // namespace

void CMainFrame::InitialUpdate(const std::string& startPath) {
    const StartPlace place = SplitStartPath(startPath);
    m_right->InitialUpdate();
    if (!place.file.empty()) m_right->KeepListed(m_left->Namespace().PathToIdList(place.file));
    m_left->InitialUpdate(place.folder);
    if (m_left->GetSelectedIdList().IsNull()) m_right->Refill(tv::CItemIdList());
    if (!place.file.empty()) m_right->SelectPath(place.file);
    UpdateTitle();
    UpdateCommandStates();
}

QString CMainFrame::MessageText() const { return m_message ? m_message->text() : QString(); }

void CMainFrame::SetMessage(const QString& text) {
    if (m_message) m_message->setText(text.isEmpty() ? m_idleText : text);
}

void CMainFrame::UpdateTitle() {
    const QString folder = m_left ? m_left->GetSelectedText() : QString();
    setWindowTitle(folder.isEmpty() ? QStringLiteral("Tarnview")
                                    : folder + QStringLiteral(" - Tarnview"));
}

void CMainFrame::OpenFolderRow(const tv::CItemIdList& folder) {
    if (!m_left || m_left->SelectChildByIdList(folder)) return;
    // Gone since the list was filled (or never a folder): say so instead of doing nothing.
    CShellNamespace& shell = m_left->Namespace();
    const std::string path = shell.IdListToPath(folder).value_or(std::string());
    SetMessage(QString::fromStdString(tv::FolderReadErrorText(
        tv::kErrorPathNotFound, path.empty() ? shell.GetAbsoluteName(folder, false) : path)));
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
    // An action shows a mark once a target gives it a check state, checked or not, so the
    // unchecked modes show theirs from the start; it stays checkable.
    if (ui.HasCheck() || action.isCheckable()) {
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
                OpenFolderRow(*m_right->GetSelectedIdList());
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
            // The tree's level too: what was made or removed since shows in both panes.
            if (m_left) m_left->RefreshSelected();
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
        case cmd::kWindowSplit:
            m_splitTracker->Start();
            return true;
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
