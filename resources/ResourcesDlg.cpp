#include "resources/ResourcesDlg.h"

#include <QPushButton>
#include <QTreeView>

#include <map>
#include <utility>

#include "common/SystemErrorText.h"
#include "module/QtReportTreeModel.h"
#include "res/QtResources.h"
#include "res/QtWaitCursor.h"
#include "resources/ImagePage.h"
#include "resources/InfoListPage.h"
#include "resources/RawDataPage.h"
#include "resources/ResourceTypes.h"
#include "resources/StringTablePage.h"
#include "ui_ResourcesDlg.h"

namespace tv {

namespace {

// The resources tree: a type node shows an open folder while it is selected. The pictures are
// rendered once per model, not on every request a painting view makes.
class CResourceTreeModel : public CReportTreeModel {
public:
    CResourceTreeModel(const CResourceTree& tree, QObject* parent)
        : CReportTreeModel(parent), m_tree(tree), m_images(StripImageList()) {}

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DecorationRole) return CReportTreeModel::data(index, role);
        const ReportNode node = NodeOf(index);
        if (node == kNoReportNode || node > m_tree.Lines().Size()) return {};
        const ResourceTreeItem& item = m_tree.Item(node);
        if (item.image < 0 || item.image >= m_images.size()) return {};
        if (item.selectedImage == item.image || item.selectedImage < 0 ||
            item.selectedImage >= m_images.size())
            return m_images[item.image];
        QIcon& icon = m_withSelected[{item.image, item.selectedImage}];
        if (icon.isNull()) {
            icon = m_images[item.image];
            const QIcon& selected = m_images[item.selectedImage];
            for (const QSize& size : selected.availableSizes())
                icon.addPixmap(selected.pixmap(size), QIcon::Selected);
        }
        return icon;
    }

private:
    const CResourceTree& m_tree;
    QList<QIcon> m_images;
    mutable std::map<std::pair<int, int>, QIcon> m_withSelected;
};

}  // namespace

CResourcesDlg::CResourcesDlg(IModuleWindowHost* host, QWidget* parent)
    : QDialog(parent), m_host(host), m_ui(std::make_unique<Ui::ResourcesDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowMinMaxButtonsHint);
    m_caption = windowTitle();

    QTreeView* tree = m_ui->tree1001;
    m_model = new CResourceTreeModel(m_tree, this);
    tree->setModel(m_model);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setIconSize(QSize(kStripImageSize, kStripImageSize));
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CResourcesDlg::OnSelectionChanged);

    // The pages share the placeholder's cell, so they grow with the window's right side.
    QWidget* area = m_ui->pageArea;
    QWidget* placeholder = m_ui->placeholder1005;
    const QRect rect = placeholder->geometry();
    m_raw = new CRawDataPage;
    m_raw->CreatePage(area, rect, placeholder);
    m_strings = new CStringTablePage;
    m_strings->CreatePage(area, rect, placeholder);
    m_image = new CImagePage;
    m_image->CreatePage(area, rect, placeholder);
    m_info = new CInfoListPage;
    m_info->CreatePage(area, rect, placeholder);
    ShowPage(nullptr);

    m_ui->splitter->setStretchFactor(0, 2);
    m_ui->splitter->setStretchFactor(1, 5);
    m_ui->splitter->setSizes({240, 560});
    connect(m_ui->button2, &QPushButton::clicked, this, &QDialog::reject);
    FillTree();
}

CResourcesDlg::~CResourcesDlg() = default;

QTreeView* CResourcesDlg::Tree() const noexcept { return m_ui->tree1001; }

bool CResourcesDlg::LoadModule(const std::string& path) {
    CWaitCursor wait;
    if (m_catalog.Enumerate(path)) {
        FillTree();
        return true;
    }
    m_errorText = ModuleLoadErrorMessage(m_catalog.GetErrorCode(), path);
    return false;
}

void CResourcesDlg::FillTree() {
    const std::string path = m_catalog.GetPath();
    const std::string rootText = ResourceTreeRootText(path);
    const std::string title =
        ResourcesWindowTitle(m_caption.toStdString(), path.empty() ? std::string() : rootText);
    setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    if (!path.empty() && m_host != nullptr) {
        const QIcon icon = m_host->ModuleIcon(path);
        if (!icon.isNull()) setWindowIcon(icon);
    }
    FillResourceTree(m_catalog, m_tree);
    m_model->SetReport(m_tree.Lines());
    const QModelIndex root = m_model->index(0, 0);
    if (root.isValid()) {
        m_ui->tree1001->expand(root);
        // The module's statistics are there from the start instead of an empty page.
        m_ui->tree1001->setCurrentIndex(root);
    }
}

void CResourcesDlg::ShowPage(QWidget* page) {
    for (QWidget* each : {static_cast<QWidget*>(m_raw), static_cast<QWidget*>(m_strings),
                          static_cast<QWidget*>(m_image), static_cast<QWidget*>(m_info)}) {
        if (each != page) each->hide();
    }
    if (page != nullptr) page->show();
}

QWidget* CResourcesDlg::VisiblePage() const {
    for (QWidget* each : {static_cast<QWidget*>(m_raw), static_cast<QWidget*>(m_strings),
                          static_cast<QWidget*>(m_image), static_cast<QWidget*>(m_info)}) {
        if (!each->isHidden()) return each;
    }
    return nullptr;
}

void CResourcesDlg::OnSelectionChanged() {
    const ReportNode node = m_model->NodeOf(m_ui->tree1001->currentIndex());
    // Each item carries its own identifiers, so a leaf of a type the table does not know still
    // opens with its own type, and a named type or resource passes its name.
    if (node == kNoReportNode || m_tree.Item(node).level == ResourceTreeLevel::kModule) {
        ShowPage(m_info);
        m_info->ShowModuleInfo(m_catalog);
        return;
    }
    const ResourceTreeItem& item = m_tree.Item(node);
    const bool numbered = !item.type.IsName();
    const uint16_t type = numbered ? item.type.GetNumber() : 0;
    if (item.level == ResourceTreeLevel::kType) {
        if (numbered && type == kRtString) {
            ShowPage(m_strings);
            m_strings->ShowStringTables(m_catalog);
        } else {
            ShowPage(m_info);
            m_info->ShowTypeInfo(m_catalog, item.type);
        }
        return;
    }
    const ResourcePageKind page =
        numbered ? LookupResourceType(type).page : ResourcePageKind::kRawData;
    switch (page) {
        case ResourcePageKind::kImageCursor:
            ShowPage(m_image);
            m_image->ShowCursorResource(m_catalog, item.name);
            break;
        case ResourcePageKind::kImageBitmap:
            ShowPage(m_image);
            m_image->ShowBitmapResource(m_catalog, item.name);
            break;
        case ResourcePageKind::kImageIcon:
            ShowPage(m_image);
            m_image->ShowIconResource(m_catalog, item.name);
            break;
        case ResourcePageKind::kImageDialog:
            ShowPage(m_image);
            m_image->ShowDialogResource(m_catalog, item.name);
            break;
        case ResourcePageKind::kStringTable:
            ShowPage(m_strings);
            m_strings->ShowStringBlock(m_catalog, item.name);
            break;
        case ResourcePageKind::kVersionInfo:
            ShowPage(m_info);
            m_info->ShowVersionInfo(m_catalog, item.name);
            break;
        case ResourcePageKind::kRawData:
            ShowPage(m_raw);
            m_raw->ShowRawData(m_catalog, item.type, item.name);
            break;
    }
}

bool CResourcesDlg::OnCommand(uint32_t id) {
    if (id == kIdCancel) {
        reject();
        return true;
    }
    return id == kIdOk;  // Enter in a page closes nothing
}

bool CResourcesDlg::OnUpdateCommand(CCmdUI&) { return false; }

}  // namespace tv
