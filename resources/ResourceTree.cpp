#include "resources/ResourceTree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <stdexcept>
#include <string>
#include <unordered_map>

#include "res/StringTable.h"
#include "resources/ResourceTypes.h"

namespace tv {

namespace {

constexpr uint32_t kModuleTextId = 2048;  // "Modul"

int32_t ItemData(const CResourceId& id) {
    return id.IsName() ? -1 : static_cast<int32_t>(id.GetNumber());
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// On a case-insensitive file system (a FAT stick, a case-folding ext4 folder, a Windows share)
// a module opened as "kernel32.dll" may be stored as "KERNEL32.DLL"; the tree shows the stored
// name, as a file search would report it. The entry must be the very file that was opened (same
// device and inode), not merely a name that folds alike.
std::string StoredSpelling(const std::string& path) {
    struct stat opened {};
    if (::stat(path.c_str(), &opened) != 0 || !S_ISREG(opened.st_mode)) return path;
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return path;
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : path.substr(0, slash);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return path;
    std::string stored;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName = entry->d_name;
        // The usual case on Linux: the name as given is the name on disk.
        if (entryName == name) {
            stored.clear();
            break;
        }
        if (!stored.empty() || !EqualIgnoringAsciiCase(entryName, name)) continue;
        struct stat candidate {};
        if (::fstatat(::dirfd(dir), entry->d_name, &candidate, 0) == 0 &&
            candidate.st_dev == opened.st_dev && candidate.st_ino == opened.st_ino)
            stored.assign(entryName);
    }
    ::closedir(dir);
    if (stored.empty()) return path;
    return slash == std::string::npos ? stored : path.substr(0, slash + 1) + stored;
}

// Finds the node of a type by its identifier. Entries come grouped by type in directory order,
// so the last type answers almost every lookup; the maps keep a hostile directory that lists
// thousands of types, or one type twice, from making the fill quadratic.
class CTypeNodes {
public:
    [[nodiscard]] ReportNode Find(const CResourceId& type) const {
        if (m_last != kNoReportNode && type == m_lastType) return m_last;
        if (type.IsName()) {
            const auto it = m_named.find(type.GetName());
            return it == m_named.end() ? kNoReportNode : it->second;
        }
        const auto it = m_numbered.find(type.GetNumber());
        return it == m_numbered.end() ? kNoReportNode : it->second;
    }
    void Remember(const CResourceId& type, ReportNode node) {
        if (type.IsName())
            m_named.emplace(type.GetName(), node);
        else
            m_numbered.emplace(type.GetNumber(), node);
        m_lastType = type;
        m_last = node;
    }
    void Touch(const CResourceId& type, ReportNode node) {
        if (node == m_last) return;
        m_lastType = type;
        m_last = node;
    }

private:
    std::unordered_map<uint16_t, ReportNode> m_numbered;
    std::unordered_map<std::u16string, ReportNode> m_named;
    CResourceId m_lastType;
    ReportNode m_last = kNoReportNode;
};

}  // namespace

void CResourceTree::Clear() {
    m_lines.Clear();
    m_items.clear();
    m_expanded.clear();
}

ReportNode CResourceTree::AddItem(const ResourceTreeItem& item, ReportNode parent) {
    ReportLine line;
    line.text = item.text;
    line.image = item.image;
    switch (item.level) {
        case ResourceTreeLevel::kModule:
            line.kind = ReportLineKind::kModule;
            line.moduleName = item.modulePath;
            break;
        case ResourceTreeLevel::kType:
            line.kind = ReportLineKind::kResourceType;
            line.resourceType = item.type;
            break;
        case ResourceTreeLevel::kResource:
            line.kind = ReportLineKind::kResource;
            line.resourceType = item.type;
            line.resourceName = item.name;
            break;
    }
    const ReportNode node = m_lines.AddLine(line, parent);
    if (node == kNoReportNode) return node;
    m_items.push_back(item);
    m_expanded.push_back(false);
    return node;
}

// Lines and items are added in step, so line n (counted from 1) is item n - 1; At checks that
// the node is one of this tree's.
void CResourceTree::Expand(ReportNode node) {
    (void)m_lines.At(node);
    m_expanded.at(node - 1) = true;
}

const ResourceTreeItem& CResourceTree::Item(ReportNode node) const {
    (void)m_lines.At(node);
    return m_items.at(node - 1);
}

bool CResourceTree::IsExpanded(ReportNode node) const {
    (void)m_lines.At(node);
    return m_expanded.at(node - 1);
}

std::string ResourceTreeRootText(const std::string& path) {
    if (path.empty()) return std::string(LoadString(kModuleTextId));
    return StoredSpelling(path);
}

std::string ResourcesWindowTitle(std::string_view caption, std::string_view rootPath) {
    const size_t slash = rootPath.rfind('/');
    std::string title(caption);
    title += ' ';
    title += slash == std::string_view::npos ? rootPath : rootPath.substr(slash + 1);
    return title;
}

void FillResourceTree(std::string_view rootText, std::span<const CResourceEntry> entries,
                      IResourceTreeSink& sink, std::string_view modulePath) {
    sink.Clear();
    ResourceTreeItem root;
    root.level = ResourceTreeLevel::kModule;
    root.text.assign(rootText);
    root.modulePath.assign(modulePath);
    root.image = root.selectedImage = kImageModuleRoot;
    root.itemData = 0;
    const ReportNode rootNode = sink.AddItem(root, kNoReportNode);
    // Without a root there is nowhere to hang the types; a parent of kNoReportNode would make
    // them top-level items instead.
    if (rootNode == kNoReportNode) return;

    CTypeNodes types;
    ResourceTreeItem item;
    for (const CResourceEntry& entry : entries) {
        const CResourceId& type = entry.TypeId();
        ReportNode typeNode = types.Find(type);
        if (typeNode == kNoReportNode) {
            item.level = ResourceTreeLevel::kType;
            item.text = ResourceTypeDisplayName(type);
            item.image = kImageTypeNode;
            item.selectedImage = kImageTypeOpen;
            item.itemData = ItemData(type);
            item.type = type;
            item.name = CResourceId();
            typeNode = sink.AddItem(item, rootNode);
            if (typeNode == kNoReportNode) continue;
            types.Remember(type, typeNode);
        } else {
            types.Touch(type, typeNode);
        }
        const CResourceId& name = entry.NameId();
        item.level = ResourceTreeLevel::kResource;
        item.text = name.ToText();
        item.image = item.selectedImage = LookupResourceType(type).image;
        item.itemData = ItemData(name);
        item.type = type;
        item.name = name;
        sink.AddItem(item, typeNode);
    }
    sink.Expand(rootNode);
}

void FillResourceTree(const CResourceCatalog& catalog, IResourceTreeSink& sink) {
    FillResourceTree(ResourceTreeRootText(catalog.GetPath()), catalog.Entries(), sink,
                     catalog.GetPath());
}

}  // namespace tv
