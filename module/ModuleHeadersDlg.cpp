#include "module/ModuleHeadersDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include "common/SystemErrorText.h"
#include "module/ModuleSearch.h"
#include "module/QtReportTreeModel.h"
#include "module/pkcs7/OpenSslPkcs7Decoder.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "res/Menus.h"
#include "res/QtResources.h"
#include "res/QtWaitCursor.h"
#include "ui_ModuleHeadersDlg.h"

namespace tv {

namespace {

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CModuleHeadersDlg::CModuleHeadersDlg(IModuleWindowHost* host, QWidget* parent)
    : QDialog(parent), m_host(host), m_ui(std::make_unique<Ui::ModuleHeadersDlg>()) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMinMaxButtonsHint);
    m_caption = windowTitle();

    QTreeView* tree = m_ui->tree1001;
    m_model = new CReportTreeModel(this);
    tree->setModel(m_model);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setIconSize(QSize(kStripImageSize, kStripImageSize));
    connect(tree, &QWidget::customContextMenuRequested, this, &CModuleHeadersDlg::OnContextMenu);
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { UpdateToolbar(); });
    connect(tree, &QTreeView::expanded, this, [this] { UpdateToolbar(); });
    connect(tree, &QTreeView::collapsed, this, [this] { UpdateToolbar(); });

    m_toolbar = new CDialogToolBar(this);
    m_toolbar->CreateAtPlaceholder(this, 1003, kHeadersToolbar);
    connect(m_toolbar, &CDialogToolBar::commandTriggered, this,
            [this](uint32_t id) { OnCommand(id); });

    connect(m_ui->button2, &QPushButton::clicked, this, &QDialog::reject);
    FillTree();
}

CModuleHeadersDlg::~CModuleHeadersDlg() = default;

QTreeView* CModuleHeadersDlg::Tree() const noexcept { return m_ui->tree1001; }

const CReportTree& CModuleHeadersDlg::Report() const noexcept { return m_model->Report(); }

bool CModuleHeadersDlg::LoadModule(const std::string& path) {
    CWaitCursor wait;
    if (m_image.Load(path)) {
        FillTree();
        return true;
    }
    m_errorText = ModuleLoadErrorMessage(m_image.GetErrorCode(), path);
    return false;
}

void CModuleHeadersDlg::FillTree() {
    // Title and icons, also while nothing is loaded.
    const std::string path = m_image.GetPath();
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    setWindowTitle(m_caption + QLatin1Char(' ') + QString::fromLocal8Bit(name.c_str()));
    // The icon takes a look into the module: once per module, not on every switch of display.
    if (!path.empty() && m_host != nullptr && path != m_iconPath) {
        m_iconPath = path;
        const QIcon icon = m_host->ModuleIcon(path);
        if (!icon.isNull()) setWindowIcon(icon);
    }

    CReportTree report;
    CHeadersReport builder(m_image, report);
    builder.SetPkcs7Decoder(&DefaultPkcs7Decoder());
    builder.Fill(m_full ? HeadersDisplay::Full : HeadersDisplay::Summary);
    m_model->SetReport(std::move(report));
    QTreeView* tree = m_ui->tree1001;
    const QModelIndex root = m_model->index(0, 0);
    if (root.isValid()) {
        tree->expand(root);
        tree->setCurrentIndex(root);
    }
    UpdateToolbar();
}

ReportNode CModuleHeadersDlg::SelectedNode() const {
    return m_model->NodeOf(m_ui->tree1001->currentIndex());
}

bool CModuleHeadersDlg::SelectedIsModule() const {
    const ReportNode node = SelectedNode();
    return node != kNoReportNode && Report().At(node).kind == ReportLineKind::kModule;
}

void CModuleHeadersDlg::UpdateToolbar() {
    const bool module = SelectedIsModule();
    m_toolbar->CheckButton(cmd::kFullDisplay, m_full);
    for (uint32_t id : {cmd::kProperties, cmd::kResources, cmd::kHeaders})
        m_toolbar->EnableButton(id, module);
}

bool CModuleHeadersDlg::OnUpdateCommand(CCmdUI& ui) {
    QTreeView* tree = m_ui->tree1001;
    const QModelIndex current = tree->currentIndex();
    const bool children = current.isValid() && m_model->hasChildren(current);
    switch (ui.GetId()) {
        case cmd::kExpand:
            ui.Enable(children && !tree->isExpanded(current));
            return true;
        case cmd::kCollapse:
            ui.Enable(children && tree->isExpanded(current));
            return true;
        case cmd::kProperties:
        case cmd::kResources:
        case cmd::kHeaders:
            ui.Enable(SelectedIsModule());
            return true;
        case cmd::kFullDisplay:
            ui.Enable(true);
            ui.SetCheck(m_full);
            return true;
        case cmd::kEditCopy:
            ui.Enable(current.isValid());
            return true;
        default:
            return false;
    }
}

bool CModuleHeadersDlg::OnCommand(uint32_t id) {
    QTreeView* tree = m_ui->tree1001;
    const QModelIndex current = tree->currentIndex();
    switch (id) {
        case cmd::kExpand:
            if (current.isValid() && m_model->hasChildren(current) && !tree->isExpanded(current))
                tree->expand(current);
            return true;
        case cmd::kCollapse:
            if (current.isValid() && m_model->hasChildren(current) && tree->isExpanded(current))
                tree->collapse(current);
            return true;
        case cmd::kFullDisplay:
            m_full = !m_full;
            FillTree();
            return true;
        case cmd::kEditCopy:
            CopySelection();
            return true;
        case cmd::kProperties:
        case cmd::kResources:
        case cmd::kHeaders: {
            if (!SelectedIsModule() || m_host == nullptr) return true;
            const std::string module = ResolveSelectedModule();
            if (module.empty()) return true;
            if (id == cmd::kProperties)
                m_host->ShowFileProperties(module, this);
            else if (id == cmd::kResources)
                m_host->OpenResourcesWindow(module);
            else
                m_host->OpenHeadersWindow(module);
            return true;
        }
        default:
            return false;
    }
}

std::string CModuleHeadersDlg::ResolveSelectedModule() {
    const ReportNode node = SelectedNode();
    const CReportTree::Node& line = Report().At(node);
    // The root stands for this window's own module, whatever name its line shows.
    if (line.parent == kNoReportNode) return m_image.GetPath();
    // The name as the import table holds it, not as the line shows it cleaned up.
    const std::string& name = line.moduleName;
    if (name.empty()) return {};
    if (!IsBareModuleName(name)) return name;
    ModuleSearchContext context;
    context.importingModule = m_image.GetPath();
    if (const CPeFile* pe = m_image.GetNtHeaders()) context.machine = pe->File().Machine;
    if (auto found = FindModule(name, context)) return *found;

    QString folders;
    for (const std::string& folder : ModuleSearchFolders(context))
        folders += QStringLiteral("\n") + QString::fromLocal8Bit(folder.c_str());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tarnview"),
                    QStringLiteral("Die Bibliothek %1 wurde in keinem dieser Ordner gefunden:%2")
                        .arg(Qs(line.text), folders.isEmpty() ? QStringLiteral("\n-") : folders),
                    QMessageBox::Ok, this);
    box.exec();
    return {};
}

std::string CModuleHeadersDlg::SelectedText() const {
    const ReportNode node = SelectedNode();
    return node == kNoReportNode ? std::string() : Report().Render(node);
}

void CModuleHeadersDlg::CopySelection() const {
    const std::string text = SelectedText();
    if (!text.empty()) QApplication::clipboard()->setText(Qs(text));
}

QMenu* CModuleHeadersDlg::BuildContextMenu() {
    QMenu* menu = BuildMenu(
        kContextMenus, kPopupHeadersTree, this, [this](uint32_t id) { OnCommand(id); },
        [this](uint32_t id, QAction& action) {
            CCmdUI ui(id);
            OnUpdateCommand(ui);
            action.setEnabled(ui.IsEnabled());
        });
    return menu;
}

void CModuleHeadersDlg::OnContextMenu(const QPoint& position) {
    QTreeView* tree = m_ui->tree1001;
    const QModelIndex hit = tree->indexAt(position);
    if (hit.isValid()) tree->setCurrentIndex(hit);
    UpdateToolbar();
    QMenu* menu = BuildContextMenu();
    if (menu == nullptr) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(tree->viewport()->mapToGlobal(position));
}

void CModuleHeadersDlg::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tv
