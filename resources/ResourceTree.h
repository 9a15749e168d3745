// The resources window's tree as data: the module at the root, one node per resource type below
// it, the single resources below their type, all in the catalog's entry order. The tree goes
// through a small sink, so the window's tree control, tarnview-cli and the tests get the same
// items.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "module/ReportTree.h"
#include "module/ResourceDirectory.h"
#include "resources/ResourceCatalog.h"

namespace tv {

// Images of the resources tree in the image strip (bitmap 132). Resources use their type's image
// from the resource type table.
inline constexpr int kImageModuleRoot = kStripComputer;
inline constexpr int kImageTypeNode = kStripFolder;
inline constexpr int kImageTypeOpen = kStripFolderOpen;  // a selected type node

enum class ResourceTreeLevel { kModule, kType, kResource };

// One item of the tree.
struct ResourceTreeItem {
    ResourceTreeLevel level = ResourceTreeLevel::kModule;
    std::string text;  // UTF-8
    int image = kImageModuleRoot;
    int selectedImage = kImageModuleRoot;
    // The tree control's item data: 0 for the root; the type number, or -1 for a named type; the
    // resource number, or -1 for a named resource.
    int32_t itemData = 0;
    // The identifiers the pages need, exactly as the directory holds them (a name that is not
    // valid UTF-16 would not survive a round trip through its text). type is set for type nodes
    // and resources, name for resources.
    CResourceId type;
    CResourceId name;
    // The root: the path of the module it stands for, as given (empty without one).
    std::string modulePath;
};

class IResourceTreeSink {
public:
    virtual ~IResourceTreeSink() = default;
    // Every fill starts here: the items of the previous fill go.
    virtual void Clear() = 0;
    // Appends item as the last child of parent (kNoReportNode: a top-level item) and returns it,
    // or kNoReportNode when it cannot be added.
    virtual ReportNode AddItem(const ResourceTreeItem& item, ReportNode parent) = 0;
    // Shows the children of node; the fill expands the root only.
    virtual void Expand(ReportNode /*node*/) {}
};

// The tree kept in memory: for tarnview-cli and for tests.
class CResourceTree : public IResourceTreeSink {
public:
    void Clear() override;
    ReportNode AddItem(const ResourceTreeItem& item, ReportNode parent) override;
    void Expand(ReportNode node) override;

    // node must be one this tree handed out.
    [[nodiscard]] const ResourceTreeItem& Item(ReportNode node) const;
    [[nodiscard]] bool IsExpanded(ReportNode node) const;
    // The texts and the shape, for lookups by text and for Render; each line carries its level
    // as its kind (kModule, kResourceType, kResource) with the module path or identifiers.
    [[nodiscard]] const CReportTree& Lines() const noexcept { return m_lines; }
    // One line per item, depth first, indented by two spaces per level: the root at column 0,
    // types at two spaces, resources at four.
    [[nodiscard]] std::string Render() const { return m_lines.Render(); }

private:
    CReportTree m_lines;  // line n's item is m_items[n - 1]
    std::vector<ResourceTreeItem> m_items;
    std::vector<bool> m_expanded;
};

// The root's text: the module path with its file name spelled as the file system stores it (on
// a case-insensitive file system "KERNEL32.DLL" opened as "kernel32.dll"), or string 2048
// "Modul" when there is no path.
[[nodiscard]] std::string ResourceTreeRootText(const std::string& path);

// The window title: caption, a blank and the root path's last component (the whole path when
// it has no "/"), e.g. "Modulressourcen KERNEL32.DLL".
[[nodiscard]] std::string ResourcesWindowTitle(std::string_view caption, std::string_view rootPath);

// Fills the tree: the root with rootText, then one node per distinct type in order of first
// appearance and each entry below its type's node.
//
// Types are told apart by their identifiers, not by their texts: every unknown number displays
// "<Unbekannt>" and a named type may be called "Bitmap" like type 2, yet each keeps a node of its
// own, so a type node's statistics and each resource's page are those of its own type.
void FillResourceTree(std::string_view rootText, std::span<const CResourceEntry> entries,
                      IResourceTreeSink& sink, std::string_view modulePath = {});
// The same for the catalog's module and entries.
void FillResourceTree(const CResourceCatalog& catalog, IResourceTreeSink& sink);

}  // namespace tv
