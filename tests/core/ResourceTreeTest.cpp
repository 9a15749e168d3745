// The resources tree over builder modules and hand-made entry lists: order, texts, images and
// item data of every level, types that share a display text, and the root's path text.
#include "resources/ResourceTree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "resources/ResourceCatalog.h"
#include "support/PeBuilder.h"

using tv::CResourceCatalog;
using tv::CResourceEntry;

namespace {

using tv::CResourceId;
using tv::CResourceTree;
using tv::ReportNode;
using tv::ResourceTreeItem;
using tv::ResourceTreeLevel;
using tvtest::PeBuilder;

std::vector<uint8_t> Some(size_t size = 8) { return std::vector<uint8_t>(size, 0x11); }

CResourceEntry Entry(CResourceId type, CResourceId name) {
    CResourceEntry e;
    e.typeId = type.IsName() ? -1 : type.GetNumber();
    e.typeName = type.IsName() ? type.ToText() : std::string();
    e.nameId = name.IsName() ? -1 : name.GetNumber();
    e.name = name.IsName() ? name.ToText() : std::string();
    e.type = std::move(type);
    e.id = std::move(name);
    return e;
}

const ResourceTreeItem& Child(const CResourceTree& tree, ReportNode parent, size_t index) {
    return tree.Item(tree.Lines().At(parent).children.at(index));
}

TEST(ResourceTree, FollowsTheCatalogOrderWithDisplayNamesAndDecimalNumbers) {
    const auto bytes = PeBuilder::Pe32()
                           .Dll()
                           .AddResource(16, 1, 0x0409, Some())
                           .AddResource(6, 7, 0x0409, Some())
                           .AddResource(6, 1, 0x0407, Some())
                           .AddResource(6, 1, 0x0409, Some())  // a second language: one leaf
                           .AddResource(2, 300, 0x0409, Some())
                           .AddResource(2, u"LOGO", 0x0409, Some())
                           .AddResource(24, 1, 0x0409, Some())
                           .AddResource(241, 128, 0x0409, Some())
                           .AddResource(u"PNG", u"SPLASH", 0x0409, Some())
                           .AddResource(u"AVI", 65535, 0x0409, Some())
                           .Build();
    CResourceCatalog catalog;
    ASSERT_TRUE(catalog.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()),
                                       "/opt/probe/sample.dll") &&
                catalog.Enumerate());

    CResourceTree tree;
    tv::FillResourceTree(catalog, tree);
    const tv::CReportTree::Node& rootLine = tree.Lines().At(tree.Lines().TopLevel().at(0));
    EXPECT_EQ(rootLine.kind, tv::ReportLineKind::kModule);
    EXPECT_EQ(rootLine.moduleName, "/opt/probe/sample.dll");
    // Named types first in name order, then numbers ascending; within a type names first.
    EXPECT_EQ(tree.Render(),
              "/opt/probe/sample.dll\n"
              "  AVI\n"
              "    65535\n"
              "  PNG\n"
              "    SPLASH\n"
              "  Bitmap\n"
              "    LOGO\n"
              "    300\n"
              "  Stringtabellen\n"
              "    1\n"
              "    7\n"
              "  Version\n"
              "    1\n"
              "  <Unbekannt> (24)\n"
              "    1\n"
              "  Werkzeugleiste\n"
              "    128\n");
}

TEST(ResourceTree, ItemsCarryImagesItemDataAndTheirIdentifiers) {
    const std::vector<CResourceEntry> entries = {
        Entry(CResourceId(u"FOO"), CResourceId(u"BAR")),
        Entry(1, 3),
        Entry(2, CResourceId(u"LOGO")),
        Entry(3, 4),
        Entry(5, 100),
        Entry(6, 2),
        Entry(9, 1),
        Entry(12, 5),
        Entry(14, 6),
        Entry(16, 1),
        Entry(23, 7),
        Entry(241, 128),
    };
    CResourceTree tree;
    tv::FillResourceTree("sample.dll", entries, tree);

    ASSERT_EQ(tree.Lines().TopLevel().size(), 1u);
    const ReportNode root = tree.Lines().TopLevel()[0];
    const ResourceTreeItem& r = tree.Item(root);
    EXPECT_EQ(r.level, ResourceTreeLevel::kModule);
    EXPECT_EQ(r.text, "sample.dll");
    EXPECT_EQ(r.image, 15);
    EXPECT_EQ(r.selectedImage, 15);
    EXPECT_EQ(r.itemData, 0);
    EXPECT_TRUE(tree.IsExpanded(root));
    EXPECT_EQ(tree.Lines().At(root).kind, tv::ReportLineKind::kModule);

    struct Expect {
        const char* typeText;
        int32_t typeData;
        const char* leafText;
        int32_t leafData;
        int leafImage;
    };
    const Expect expected[] = {
        {"FOO", -1, "BAR", -1, 14},        {"Zeiger", 1, "3", 3, 7},
        {"Bitmap", 2, "LOGO", -1, 6},      {"Symbol", 3, "4", 4, 9},
        {"Dialoge", 5, "100", 100, 8},     {"Stringtabellen", 6, "2", 2, 11},
        {"Accelerator", 9, "1", 1, 5},     {"Gruppenzeiger", 12, "5", 5, 7},
        {"Gruppensymbole", 14, "6", 6, 9}, {"Version", 16, "1", 1, 12},
        {"HTML Dokument", 23, "7", 7, 14}, {"Werkzeugleiste", 241, "128", 128, 13},
    };
    const auto& typeNodes = tree.Lines().At(root).children;
    ASSERT_EQ(typeNodes.size(), std::size(expected));
    for (size_t i = 0; i < typeNodes.size(); ++i) {
        SCOPED_TRACE(expected[i].typeText);
        const ResourceTreeItem& t = tree.Item(typeNodes[i]);
        EXPECT_EQ(t.level, ResourceTreeLevel::kType);
        EXPECT_EQ(t.text, expected[i].typeText);
        EXPECT_EQ(t.image, 16);
        EXPECT_EQ(t.selectedImage, 17);
        EXPECT_EQ(t.itemData, expected[i].typeData);
        EXPECT_EQ(t.type, entries[i].type);
        EXPECT_FALSE(tree.IsExpanded(typeNodes[i]));
        const auto& typeLine = tree.Lines().At(typeNodes[i]);
        EXPECT_EQ(typeLine.kind, tv::ReportLineKind::kResourceType);
        EXPECT_EQ(typeLine.resourceType, entries[i].type);

        const ResourceTreeItem& leaf = Child(tree, typeNodes[i], 0);
        EXPECT_EQ(leaf.level, ResourceTreeLevel::kResource);
        EXPECT_EQ(leaf.text, expected[i].leafText);
        EXPECT_EQ(leaf.itemData, expected[i].leafData);
        EXPECT_EQ(leaf.image, expected[i].leafImage);
        EXPECT_EQ(leaf.selectedImage, expected[i].leafImage);
        EXPECT_EQ(leaf.type, entries[i].type);
        EXPECT_EQ(leaf.name, entries[i].id);
        const auto& leafLine = tree.Lines().At(tree.Lines().At(typeNodes[i]).children[0]);
        EXPECT_EQ(leafLine.kind, tv::ReportLineKind::kResource);
        EXPECT_EQ(leafLine.resourceType, entries[i].type);
        EXPECT_EQ(leafLine.resourceName, entries[i].id);
        EXPECT_EQ(leafLine.image, expected[i].leafImage);
    }
}

TEST(ResourceTree, TypesThatShareADisplayTextKeepNodesOfTheirOwn) {
    // Unknown numbers all read "<Unbekannt>", and a named type may be called "Bitmap": grouping
    // by text would put a type-17 leaf under type 24's statistics, or show a named "Bitmap"
    // resource as a picture of type 2.
    const std::vector<CResourceEntry> entries = {
        Entry(CResourceId(u"Bitmap"), 1), Entry(2, 1), Entry(17, 5), Entry(24, 5), Entry(24, 6),
    };
    CResourceTree tree;
    tv::FillResourceTree("m.dll", entries, tree);
    EXPECT_EQ(tree.Render(),
              "m.dll\n"
              "  Bitmap\n"
              "    1\n"
              "  Bitmap\n"
              "    1\n"
              "  <Unbekannt> (17)\n"
              "    5\n"
              "  <Unbekannt> (24)\n"
              "    5\n"
              "    6\n");
    const ReportNode root = tree.Lines().TopLevel()[0];
    EXPECT_EQ(Child(tree, root, 0).itemData, -1);
    EXPECT_EQ(Child(tree, root, 1).itemData, 2);
    EXPECT_EQ(Child(tree, root, 2).itemData, 17);
    EXPECT_EQ(Child(tree, root, 3).itemData, 24);
    const ReportNode unknown24 = tree.Lines().At(root).children[3];
    EXPECT_EQ(Child(tree, unknown24, 1).type, CResourceId(24));
    EXPECT_EQ(Child(tree, tree.Lines().At(root).children[0], 0).image, 14);
    EXPECT_EQ(Child(tree, tree.Lines().At(root).children[1], 0).image, 6);
}

TEST(ResourceTree, ATypeListedTwiceGathersUnderOneNode) {
    // A damaged directory can list a type twice, and so the entries return to a type after
    // another; names differing only in letter case are two types.
    std::vector<CResourceEntry> entries;
    for (uint16_t i = 1; i <= 3000; ++i) {
        entries.push_back(Entry(CResourceId(u"T" + std::u16string(1, char16_t(u'a' + i % 7))), i));
        entries.push_back(Entry(static_cast<uint16_t>(100 + i % 5), i));
    }
    entries.push_back(Entry(CResourceId(u"TA"), 1));
    CResourceTree tree;
    tv::FillResourceTree("m.dll", entries, tree);
    const ReportNode root = tree.Lines().TopLevel()[0];
    const auto& types = tree.Lines().At(root).children;
    ASSERT_EQ(types.size(), 7u + 5u + 1u);
    size_t leaves = 0;
    for (ReportNode t : types)
        leaves += tree.Lines().At(t).children.size();
    EXPECT_EQ(leaves, entries.size());
    // Order of first appearance: Tb (1 % 7 = 1), then 101, then Tc, 102, ...
    EXPECT_EQ(tree.Item(types[0]).text, "Tb");
    EXPECT_EQ(tree.Item(types[1]).itemData, 101);
    EXPECT_EQ(tree.Item(types.back()).text, "TA");
    EXPECT_EQ(tree.Lines().At(types[0]).children.size(), 429u);  // i % 7 == 1 for 1..3000
}

TEST(ResourceTree, WithoutAModuleOnlyTheRootNamedModulStays) {
    CResourceTree tree;
    tv::FillResourceTree("stale.dll", std::vector<CResourceEntry>{Entry(2, 1)}, tree);
    CResourceCatalog catalog;
    tv::FillResourceTree(catalog, tree);
    EXPECT_EQ(tree.Render(), "Modul\n");
}

TEST(ResourceTree, RootTextAndTitleUseTheFileAsStored) {
    EXPECT_EQ(tv::ResourceTreeRootText(""), "Modul");
    // On a case-sensitive file system the path is the stored spelling, whether or not the file
    // exists, and a relative path stays relative.
    tvtest::TempDir dir;
    const std::string stored = dir.Write("Probe.DLL", Some()).string();
    EXPECT_EQ(tv::ResourceTreeRootText(stored), stored);
    const std::string missing = (dir.Path() / "probe.dll").string();
    EXPECT_EQ(tv::ResourceTreeRootText(missing), missing);
    EXPECT_EQ(tv::ResourceTreeRootText("no-such-folder/x.dll"), "no-such-folder/x.dll");

    EXPECT_EQ(tv::ResourcesWindowTitle("Modulressourcen", "/mnt/c/windows/KERNEL32.DLL"),
              "Modulressourcen KERNEL32.DLL");
    EXPECT_EQ(tv::ResourcesWindowTitle("Modulressourcen", "KERNEL32.DLL"),
              "Modulressourcen KERNEL32.DLL");
    EXPECT_EQ(tv::ResourcesWindowTitle("Modulressourcen", "Modul"), "Modulressourcen Modul");
}

}  // namespace
