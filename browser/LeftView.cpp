#include "browser/LeftView.h"

#include <QAbstractItemModel>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPixmap>
#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "browser/QtShellServices.h"
#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "res/Commands.h"
#include "res/QtWaitCursor.h"
#include "res/StringTable.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace {

constexpr uint32_t kCannotSetPathString = 1007;
constexpr uint32_t kFolderMenu = 130;
constexpr int kFolderPopup = 1;

enum class FolderKind { kDesktop, kHome, kRoot, kFolder };

// A strip picture at the two densities the screens use.
void AddStripPixmaps(QIcon& icon, int index, QIcon::Mode mode, QIcon::State state) {
    icon.addPixmap(StripPixmap(index, 1.0), mode, state);
    icon.addPixmap(StripPixmap(index, 2.0), mode, state);
}

// The closed folder, and the open one where the item view draws a row selected (mode Selected) or
// expanded (state On), so the picture follows the row without the model knowing about either.
QIcon FolderIcon() {
    QIcon icon;
    AddStripPixmaps(icon, kStripFolder, QIcon::Normal, QIcon::Off);
    AddStripPixmaps(icon, kStripFolderOpen, QIcon::Normal, QIcon::On);
    AddStripPixmaps(icon, kStripFolderOpen, QIcon::Selected, QIcon::Off);
    AddStripPixmaps(icon, kStripFolderOpen, QIcon::Selected, QIcon::On);
    AddStripPixmaps(icon, kStripFolderOpen, QIcon::Active, QIcon::On);
    return icon;
}

QIcon ThemeIcon(const char* name, const QIcon& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

}  // namespace

// One folder of the tree. The desktop is the invisible root; its children are the top level.
struct CFolderNode {
    CItemIdList absolute;
    QString text;
    std::string sortText;  // the shown name as UTF-8, for CompareDisplayNames
    CFolderNode* parent = nullptr;
    int row = 0;
    FolderKind kind = FolderKind::kFolder;
    bool loaded = false;
    // A hidden folder the user opened: the tree shows it from then on, while it exists.
    bool revealed = false;
    // Whether the folder shows an expand button before it is loaded: -1 until asked.
    mutable int hasSubfolders = -1;
    std::vector<std::unique_ptr<CFolderNode>> children;

    // The folder's own name as the file system holds it.
    [[nodiscard]] std::string_view RawName() const {
        const auto data = absolute.LastItemData();
        if (!data) return {};
        return {reinterpret_cast<const char*>(data->Data()), data->Size()};
    }
};

// The folders as an item model. A folder's children are read on the first expansion (fetchMore or
// Load) and never again; whether an unread folder has sub-folders is asked only when the view
// wants to draw its expand button, so a folder of thousands of sub-folders opens without looking
// into each of them first.
class CFolderTreeModel final : public QAbstractItemModel {
public:
    CFolderTreeModel(CShellNamespace& shell, QObject* parent)
        : QAbstractItemModel(parent),
          m_shell(shell),
          m_folderIcon(FolderIcon()),
          m_homeIcon(ThemeIcon("user-home", m_folderIcon)),
          m_rootIcon(
              ThemeIcon("drive-harddisk", ThemeIcon("computer", StripImage(kStripComputer)))) {
        m_root.kind = FolderKind::kDesktop;
        m_root.absolute = CItemIdList::Desktop();
    }

    // Drops every item and reads the desktop's children again.
    void Reset() {
        beginResetModel();
        m_root.children.clear();
        m_root.loaded = false;
        m_root.absolute = CItemIdList::Desktop();
        endResetModel();
        Load(m_root);
    }

    [[nodiscard]] CFolderNode* Node(const QModelIndex& index) const {
        if (!index.isValid()) return const_cast<CFolderNode*>(&m_root);
        return static_cast<CFolderNode*>(index.internalPointer());
    }

    [[nodiscard]] bool IsLoaded(const QModelIndex& index) const { return Node(index)->loaded; }

    // Reads the children of the folder at index once; a folder that vanished or cannot be read
    // gets none, and loses the expand button it had.
    void Load(const QModelIndex& index) { Load(*Node(index)); }

    // Reads the children of the folder at index again and brings the tree in step: folders made
    // since come in at their sorted place, vanished ones go, and the ones that stay keep their
    // rows' children and expansion (their indexes stay valid). A hidden child is taken in when
    // it is wanted (the user opens it) and kept while it exists. Returns the index of wanted
    // when it is a child now, else an invalid index.
    QModelIndex Reread(const QModelIndex& at, const CItemIdList& wanted = CItemIdList()) {
        CFolderNode& node = *Node(at);
        if (!node.loaded) Load(node);
        std::vector<ShellChild> found;
        (void)m_shell.EnumObjects(node.absolute, kEnumFolders | kEnumIncludeHidden, found);
        // Names as the file system holds them: a child's relative list carries its raw name.
        const auto nameOf = [](const CItemIdList& list) -> std::optional<std::string_view> {
            const std::optional<CByteView> data = list.LastItemData();
            if (!data) return std::nullopt;
            return std::string_view(reinterpret_cast<const char*>(data->Data()), data->Size());
        };
        const std::optional<std::string_view> wantedName =
            !wanted.IsNull() && wanted.Parent() == node.absolute ? nameOf(wanted) : std::nullopt;
        const auto present = [&](std::string_view name) -> CFolderNode* {
            for (const auto& child : node.children)
                if (child->RawName() == name) return child.get();
            return nullptr;
        };

        // What the level holds now: every folder that is not hidden, and the hidden ones shown
        // before or asked for now.
        std::vector<std::unique_ptr<CFolderNode>> fresh;
        std::vector<const CFolderNode*> kept;
        for (const ShellChild& child : found) {
            const std::optional<std::string_view> name = nameOf(child.id);
            if (!name) continue;
            CFolderNode* existing = present(*name);
            const bool isWanted = wantedName == name;
            const bool hidden = (child.attributes & kAttrHidden) != 0;
            if (hidden && !isWanted && !(existing && existing->revealed)) continue;
            if (existing) {
                existing->revealed = existing->revealed || (hidden && isWanted);
                kept.push_back(existing);
                continue;
            }
            std::unique_ptr<CFolderNode> item = MakeNode(node, child);
            if (!item) continue;
            item->revealed = hidden;
            fresh.push_back(std::move(item));
        }

        const QModelIndex parentIndex = IndexOf(node);
        // Vanished children go first, from the back, so the rows before stay where they are.
        for (size_t i = node.children.size(); i-- > 0;) {
            const CFolderNode* child = node.children[i].get();
            if (std::find(kept.begin(), kept.end(), child) != kept.end()) continue;
            beginRemoveRows(parentIndex, static_cast<int>(i), static_cast<int>(i));
            node.children.erase(node.children.begin() + static_cast<std::ptrdiff_t>(i));
            Renumber(node, i);
            endRemoveRows();
        }
        std::sort(fresh.begin(), fresh.end(), SortsBefore);
        for (auto& item : fresh) {
            const auto place =
                std::lower_bound(node.children.begin(), node.children.end(), item, SortsBefore);
            const auto row = static_cast<size_t>(place - node.children.begin());
            beginInsertRows(parentIndex, static_cast<int>(row), static_cast<int>(row));
            node.children.insert(place, std::move(item));
            Renumber(node, row);
            endInsertRows();
        }
        // Folders that stayed may have gained or lost sub-folders since the view drew them.
        for (const auto& child : node.children)
            if (!child->loaded) child->hasSubfolders = -1;
        if (!node.children.empty())
            emit dataChanged(index(0, 0, parentIndex),
                             index(static_cast<int>(node.children.size()) - 1, 0, parentIndex));
        if (node.hasSubfolders >= 0) node.hasSubfolders = node.children.empty() ? 0 : 1;

        if (!wantedName) return {};
        const CFolderNode* now = present(*wantedName);
        return now != nullptr ? IndexOf(*now) : QModelIndex();
    }

    // ---- QAbstractItemModel ----
    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        const CFolderNode* node = Node(parent);
        if (column != 0 || row < 0 || static_cast<size_t>(row) >= node->children.size()) return {};
        return createIndex(row, 0, node->children[static_cast<size_t>(row)].get());
    }

    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid()) return {};
        const CFolderNode* parentNode = Node(child)->parent;
        if (parentNode == nullptr || parentNode == &m_root) return {};
        return createIndex(parentNode->row, 0, const_cast<CFolderNode*>(parentNode));
    }

    int rowCount(const QModelIndex& parent) const override {
        if (parent.column() > 0) return 0;
        return static_cast<int>(Node(parent)->children.size());
    }

    int columnCount(const QModelIndex&) const override { return 1; }

    bool hasChildren(const QModelIndex& parent) const override {
        const CFolderNode* node = Node(parent);
        if (node->loaded || node->parent == nullptr) return !node->children.empty();
        if (node->hasSubfolders < 0) {
            const CItemIdList relative =
                CItemIdList::CopyItem(node->absolute, node->absolute.CountItems() - 1);
            const uint32_t attributes = m_shell.GetAttributesOf(node->parent->absolute, relative,
                                                                kAttrFolder | kAttrHasSubfolder);
            node->hasSubfolders = (attributes & kAttrHasSubfolder) != 0 ? 1 : 0;
        }
        return node->hasSubfolders != 0;
    }

    bool canFetchMore(const QModelIndex& parent) const override { return !Node(parent)->loaded; }
    void fetchMore(const QModelIndex& parent) override { Load(parent); }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const CFolderNode* node = Node(index);
        switch (role) {
            case Qt::DisplayRole:
                return node->text;
            case Qt::DecorationRole:
                switch (node->kind) {
                    case FolderKind::kHome:
                        return m_homeIcon;
                    case FolderKind::kRoot:
                        return m_rootIcon;
                    default:
                        return m_folderIcon;
                }
            default:
                return {};
        }
    }

private:
    QModelIndex IndexOf(const CFolderNode& node) const {
        if (&node == &m_root) return {};
        return createIndex(node.row, 0, const_cast<CFolderNode*>(&node));
    }

    static bool SortsBefore(const std::unique_ptr<CFolderNode>& a,
                            const std::unique_ptr<CFolderNode>& b) {
        if (const int order = CompareDisplayNames(a->sortText, b->sortText); order != 0)
            return order < 0;
        // Two names that are not UTF-8 can show the same text; their bytes still differ.
        return a->RawName() < b->RawName();
    }

    static void Renumber(CFolderNode& node, size_t from) {
        for (size_t i = from; i < node.children.size(); ++i)
            node.children[i]->row = static_cast<int>(i);
    }

    // The tree item of one enumerated child of node; null when it vanished meanwhile.
    std::unique_ptr<CFolderNode> MakeNode(CFolderNode& node, const ShellChild& child) {
        auto item = std::make_unique<CFolderNode>();
        item->sortText = m_shell.GetName(node.absolute, child.id, false);
        // Gone between the listing and the look at its name.
        if (item->sortText.empty()) return nullptr;
        item->absolute = CItemIdList::Append(node.absolute, child.id);
        if (item->absolute.IsNull()) return nullptr;
        item->text = QString::fromStdString(NameDisplayText(item->sortText));
        item->parent = &node;
        if (node.kind == FolderKind::kDesktop) {
            const CItemIdList home = m_shell.HomeIdList();
            item->kind = child.id == home                            ? FolderKind::kHome
                         : child.id == CShellNamespace::RootIdList() ? FolderKind::kRoot
                                                                     : FolderKind::kFolder;
        }
        return item;
    }

    void Load(CFolderNode& node) {
        if (node.loaded) return;
        node.loaded = true;
        std::vector<ShellChild> found;
        // A folder that breaks off while it is read keeps what was read; one that cannot be
        // opened at all (gone since its parent was listed, no access) stays empty.
        (void)m_shell.EnumObjects(node.absolute, kEnumFolders, found);

        std::vector<std::unique_ptr<CFolderNode>> children;
        children.reserve(found.size());
        for (const ShellChild& child : found)
            if (auto item = MakeNode(node, child)) children.push_back(std::move(item));
        // Sorted once and inserted in one go: a folder with thousands of sub-folders would
        // otherwise pay a sorted insertion and a view update per row.
        std::sort(children.begin(), children.end(), SortsBefore);

        const QModelIndex parentIndex = IndexOf(node);
        if (children.empty()) {
            // The view may have drawn an expand button from the earlier look (the folder vanished
            // or lost its sub-folders since); a change of the row makes it ask again.
            if (node.hasSubfolders > 0 && parentIndex.isValid()) {
                node.hasSubfolders = 0;
                emit dataChanged(parentIndex, parentIndex);
            }
            return;
        }
        beginInsertRows(parentIndex, 0, static_cast<int>(children.size()) - 1);
        for (size_t i = 0; i < children.size(); ++i)
            children[i]->row = static_cast<int>(i);
        node.children = std::move(children);
        endInsertRows();
    }

    CShellNamespace& m_shell;
    CFolderNode m_root;
    QIcon m_folderIcon;
    QIcon m_homeIcon;
    QIcon m_rootIcon;
};

namespace {

std::optional<QPersistentModelIndex> AsOptional(const QPersistentModelIndex& index) {
    if (!index.isValid()) return std::nullopt;
    return index;
}

}  // namespace

CLeftView::CLeftView(QWidget* parent) : CLeftView(std::make_unique<CShellNamespace>(), parent) {}

CLeftView::CLeftView(std::unique_ptr<CShellNamespace> shell, QWidget* parent)
    : QTreeView(parent), m_shell(std::move(shell)) {
    Init();
}

CLeftView::~CLeftView() = default;

void CLeftView::Init() {
    m_model = new tv::CFolderTreeModel(*m_shell, this);
    setModel(m_model);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    // Long folder names widen the column, so the pane scrolls sideways instead of cutting them.
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    // Expanding by button or key loads the folder first when the view has not fetched it.
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { m_model->Load(index); });
    m_warningBox = [](QWidget* owner, const QString& text) {
        tv::DesktopServices().ShowMessage(owner, QMessageBox::Warning, text);
    };
}

void CLeftView::InitialUpdate(const std::string& startPath) {
    Rebuild();
    if (startPath.empty() || SelectPath(startPath)) return;
    const std::string text = tv::FormatStringResource(tv::kCannotSetPathString, {startPath});
    // The path is raw file-name bytes; bytes that are not UTF-8 show as U+FFFD.
    if (m_warningBox) m_warningBox(this, QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void CLeftView::Rebuild() {
    const bool hadSelection = m_selected.isValid();
    m_history.Clear();
    m_model->Reset();
    m_selected = QPersistentModelIndex();
    if (hadSelection) emit selectionChangedTo(tv::CItemIdList());
}

QModelIndex CLeftView::SelectedIndex() const {
    if (selectionModel() == nullptr) return {};
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

void CLeftView::SelectIndex(const QModelIndex& index) {
    QItemSelectionModel* selection = selectionModel();
    if (!index.isValid()) {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void CLeftView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    OnSelectionMoved();
}

void CLeftView::OnSelectionMoved() {
    const QPersistentModelIndex now(SelectedIndex());
    if (now == m_selected) return;
    const std::optional<QPersistentModelIndex> previous = AsOptional(m_selected);
    m_selected = now;
    tv::CItemIdList absolute;
    if (now.isValid()) {
        // A folder that was never opened is opened by selecting it.
        if (m_model->rowCount(now) == 0) {
            m_model->Load(now);
            expand(now);
        }
        absolute = m_model->Node(now)->absolute;
    }
    emit selectionChangedTo(absolute);
    m_history.RecordSelectionChange(previous, AsOptional(now));
}

bool CLeftView::GoBack() {
    return m_history.GoBack(AsOptional(m_selected), [this](const QPersistentModelIndex& target) {
        if (!target.isValid()) return false;
        SelectIndex(target);
        return SelectedIndex() == target;
    });
}

bool CLeftView::GoForward() {
    return m_history.GoForward(AsOptional(m_selected), [this](const QPersistentModelIndex& target) {
        if (!target.isValid()) return false;
        SelectIndex(target);
        return SelectedIndex() == target;
    });
}

bool CLeftView::HasParentFolder() const {
    const QModelIndex selected = SelectedIndex();
    return selected.isValid() && selected.parent().isValid();
}

bool CLeftView::SelectParentFolder() {
    if (!HasParentFolder()) return false;
    SelectIndex(SelectedIndex().parent());
    return true;
}

bool CLeftView::IsSelectedExpanded() const {
    const QModelIndex selected = SelectedIndex();
    return selected.isValid() && isExpanded(selected);
}

bool CLeftView::IsSelectedCollapsed() const {
    const QModelIndex selected = SelectedIndex();
    return selected.isValid() && !isExpanded(selected);
}

void CLeftView::ExpandSelected() {
    const QModelIndex selected = SelectedIndex();
    if (!selected.isValid()) return;
    m_model->Load(selected);
    expand(selected);
}

void CLeftView::CollapseSelected() {
    const QModelIndex selected = SelectedIndex();
    if (selected.isValid()) collapse(selected);
}

bool CLeftView::SelectChildByIdList(const tv::CItemIdList& absolute) {
    if (absolute.IsNull()) return false;
    const QModelIndex parent = SelectedIndex();
    const int rows = m_model->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = m_model->index(row, 0, parent);
        const tv::CItemIdList& childList = m_model->Node(child)->absolute;
        if (childList.IsNull() || m_shell->CompareIDs(absolute, childList) != 0) continue;
        SelectIndex(child);
        return true;
    }
    // The level was read before the folder was made, or the folder is hidden and so left out:
    // what the user opens (a row of the list, a start path) must open all the same.
    const QModelIndex found = m_model->Reread(parent, absolute);
    if (!found.isValid()) return false;
    SelectIndex(found);
    return true;
}

void CLeftView::RefreshSelected() {
    const QModelIndex selected = SelectedIndex();
    if (!selected.isValid()) return;
    (void)m_model->Reread(selected);
}

QString CLeftView::GetSelectedText() const {
    const QModelIndex selected = SelectedIndex();
    return selected.isValid() ? selected.data(Qt::DisplayRole).toString() : QString();
}

bool CLeftView::SelectIdList(const tv::CItemIdList& absolute) {
    if (absolute.IsNull()) return false;
    const CWaitCursor wait;
    SelectIndex(QModelIndex());
    tv::CItemIdList prefix = tv::CItemIdList::Desktop();
    const size_t count = absolute.CountItems();
    for (size_t i = 0; i < count; ++i) {
        const tv::CItemIdList item = tv::CItemIdList::CopyItem(absolute, i);
        if (item.IsNull()) return false;
        prefix = tv::CItemIdList::Append(prefix, item);
        if (!SelectChildByIdList(prefix)) return false;
    }
    return true;
}

bool CLeftView::SelectPath(const std::string& path) {
    const tv::CItemIdList absolute = m_shell->PathToIdList(path);
    if (absolute.IsNull()) return false;
    return SelectIdList(absolute);
}

tv::CItemIdList CLeftView::GetSelectedIdList() const {
    const QModelIndex selected = SelectedIndex();
    if (!selected.isValid()) return {};
    return m_model->Node(selected)->absolute;
}

void CLeftView::SetShellActions(ShellAction explore, ShellAction properties) {
    m_explore = std::move(explore);
    m_properties = std::move(properties);
}

void CLeftView::SetCommandHandler(tv::CommandHandler handler) {
    m_commandHandler = std::move(handler);
}

void CLeftView::SetCommandUpdater(tv::CommandUpdater updater) {
    m_commandUpdater = std::move(updater);
}

void CLeftView::SetWarningBox(WarningBox box) { m_warningBox = std::move(box); }

bool CLeftView::OnCommand(uint32_t id) {
    if (id != tv::cmd::kExplore && id != tv::cmd::kProperties) return false;
    const tv::CItemIdList selected = GetSelectedIdList();
    const ShellAction& action = id == tv::cmd::kExplore ? m_explore : m_properties;
    if (!selected.IsNull() && action) action(selected, this);
    return true;
}

bool CLeftView::OnUpdateCommand(CCmdUI& ui) {
    if (ui.GetId() != tv::cmd::kExplore && ui.GetId() != tv::cmd::kProperties) return false;
    ui.Enable(SelectedIndex().isValid());
    return true;
}

void CLeftView::RunCommand(uint32_t id) {
    if (m_commandHandler)
        m_commandHandler(id);
    else
        OnCommand(id);
}

void CLeftView::UpdateCommand(uint32_t id, QAction& action) {
    if (m_commandUpdater) {
        m_commandUpdater(id, action);
        return;
    }
    CCmdUI ui(id);
    OnUpdateCommand(ui);
    action.setEnabled(ui.IsEnabled());
}

void CLeftView::contextMenuEvent(QContextMenuEvent* event) {
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        // The menu acts on the folder under the mouse, so that one becomes the selection.
        const QModelIndex hit = indexAt(event->pos());
        if (hit.isValid()) SelectIndex(hit);
    } else if (const QModelIndex selected = SelectedIndex(); selected.isValid()) {
        at = viewport()->mapToGlobal(visualRect(selected).bottomLeft());
    }
    std::unique_ptr<QMenu> menu(tv::BuildMenu(
        tv::kFolderMenu, tv::kFolderPopup, this, [this](uint32_t id) { RunCommand(id); },
        [this](uint32_t id, QAction& action) { UpdateCommand(id, action); }));
    event->accept();
    if (menu) menu->exec(at);
}

}  // namespace tv
