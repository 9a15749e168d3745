// The module list's rows, modes and header clicks, driven by a folder source of the test's own
// and by a real folder through the shell namespace.
#include "browser/ModuleRows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "resources/MemoryReportList.h"
#include "resources/ReportListAdapter.h"
#include "shell/ShellNamespace.h"
#include "support/PeBuilder.h"

using tv::CReportListAdapter;
using tv::CShellNamespace;

namespace {

using tv::FolderItem;
using tv::ModuleRow;

struct FakeFolder : tv::IFolderSource {
    std::vector<FolderItem> folders;
    std::vector<FolderItem> files;
    bool Enumerate(bool wantFolders, std::vector<FolderItem>& items) override {
        items = wantFolders ? folders : files;
        return true;
    }
};

FolderItem Item(std::string name, bool folder = false) {
    const std::vector<uint8_t> bytes(name.begin(), name.end());
    return {name, tv::CItemIdList::FromItemData(tv::CByteView(bytes.data(), bytes.size())), folder};
}

std::vector<std::string> Names(const std::vector<ModuleRow>& rows) {
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row.name + (row.folder ? "/" : ""));
    return names;
}

TEST(ModuleRowsTest, FilterKeepsEnumerationOrderFoldersFirstAndEachNameOnce) {
    FakeFolder folder;
    folder.folders = {Item("zeta", true), Item("alpha", true)};
    folder.files = {Item("b.dll"), Item("a.exe"), Item("B.EXE"), Item("readme"),
                    // a folder the non-folder pass returns, and a name seen twice
                    Item("late", true), Item("a.exe"), Item("x.tar.exe"), Item(".exe")};
    const std::set<std::string> extensions{"exe", "dll"};
    const auto parent =
        tv::CItemIdList::FromItemData(tv::CByteView(reinterpret_cast<const uint8_t*>("/"), 1));

    const auto rows = tv::CollectModuleRows(folder, parent, extensions, true);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"zeta/", "alpha/", "b.dll", "a.exe", "late/",
                                                     "x.tar.exe", ".exe"}));
    // Each row's list is the folder's with the item appended.
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[2].idList, tv::CItemIdList::Append(parent, Item("b.dll").id));

    const auto noFolders = tv::CollectModuleRows(folder, parent, extensions, false);
    EXPECT_EQ(Names(noFolders), (std::vector<std::string>{"b.dll", "a.exe", "x.tar.exe", ".exe"}));

    const auto nothing = tv::CollectModuleRows(folder, parent, {}, false);
    EXPECT_TRUE(nothing.empty());
}

TEST(ModuleRowsTest, RealFolderThroughTheShellNamespace) {
    tvtest::TempDir dir;
    const std::vector<uint8_t> none;
    for (const char* name : {"a.exe", "B.EXE", "readme", "x.dll", ".hidden.dll"})
        dir.Write(name, none);
    std::filesystem::create_directory(dir.Path() / "sub");
    // A name that is not UTF-8 still becomes a row (shown with a replacement character).
    dir.Write("bad\xff.dll", none);

    CShellNamespace shell;
    const auto folderId = shell.PathToIdList(dir.Path().string());
    ASSERT_FALSE(folderId.IsNull());
    tv::CShellFolderSource source(shell, folderId);
    bool complete = false;
    auto rows = tv::CollectModuleRows(source, folderId, {"exe", "dll"}, true, &complete);
    EXPECT_TRUE(complete);
    auto names = Names(rows);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "sub/");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.dll", "a.exe", "bad\xEF\xBF\xBD.dll",
                                               "sub/", "x.dll"}));
    for (const auto& row : rows) {
        const auto path = shell.IdListToPath(row.idList);
        ASSERT_TRUE(path.has_value());
        EXPECT_TRUE(std::filesystem::exists(*path)) << *path;
    }

    // A folder that went away gives no rows and says so.
    const auto goneId = shell.PathToIdList((dir.Path() / "sub").string());
    std::filesystem::remove(dir.Path() / "sub");
    tv::CShellFolderSource gone(shell, goneId);
    EXPECT_TRUE(tv::CollectModuleRows(gone, goneId, {"exe"}, true, &complete).empty());
    EXPECT_FALSE(complete);
}

TEST(ModuleRowsTest, ModesGiveTheirColumnSetsAndChecks) {
    EXPECT_EQ(tv::ColumnHeaders(1), std::vector<std::string>{"Name"});
    EXPECT_EQ(tv::StyleOfMode(1), tv::ListStyle::kLargeIcons);
    EXPECT_EQ(tv::StyleOfMode(7), tv::ListStyle::kLargeIcons);
    EXPECT_TRUE(tv::IsModeChecked(tv::kModeLargeIcons, tv::StyleOfMode(1), 1));
    EXPECT_FALSE(tv::IsViewMode(1));

    EXPECT_EQ(tv::ColumnHeaders(tv::kModeDetails),
              (std::vector<std::string>{"Name", "Größe", "Modultyp", "Attribute", "Creation date",
                                        "Geändert", "Letzter Zugriff"}));
    EXPECT_EQ(tv::ColumnHeaders(tv::kModeVersionDetails),
              (std::vector<std::string>{"Name", "Version", "Beschreibung", "Copyright"}));
    EXPECT_EQ(tv::ColumnHeaders(tv::kModeResourceDetails),
              (std::vector<std::string>{"Name", "Bitmap", "Dialoge", "Zeiger", "Symbol", "Menüs",
                                        "Stringtabellen", "Version", "Sonstiges"}));
    for (uint32_t mode : {tv::kModeLargeIcons, tv::kModeSmallIcons, tv::kModeList})
        EXPECT_EQ(tv::ColumnsOfMode(mode).size(), 1u);

    const auto details = tv::ColumnsOfMode(tv::kModeDetails);
    EXPECT_EQ(details[1].kind, CReportListAdapter::KIND_SIZE);
    EXPECT_TRUE(details[1].rightAligned);
    EXPECT_EQ(details[5].kind, CReportListAdapter::KIND_DATETIME);
    for (const auto& column : tv::ColumnsOfMode(tv::kModeResourceDetails).subspan(1)) {
        EXPECT_EQ(column.kind, CReportListAdapter::KIND_INTEGER);
        EXPECT_TRUE(column.rightAligned);
    }

    // The three report commands share one style; only the mode tells them apart.
    const auto report = tv::StyleOfMode(tv::kModeVersionDetails);
    EXPECT_TRUE(tv::IsModeChecked(tv::kModeVersionDetails, report, tv::kModeVersionDetails));
    EXPECT_FALSE(tv::IsModeChecked(tv::kModeDetails, report, tv::kModeVersionDetails));
    EXPECT_FALSE(tv::IsModeChecked(tv::kModeList, report, tv::kModeVersionDetails));
}

TEST(ModuleRowsTest, HeaderClicksToggleMarksAndRefuseWhileScanning) {
    tv::CMemoryReportList list;
    for (const auto& header : tv::ColumnHeaders(tv::kModeDetails))
        list.InsertColumn(header);
    list.AddRow({"b.dll", "2,00 Kb"});
    list.AddRow({"a.exe", "512 Bytes"});
    list.AddRow({"c.ocx", "1,00 Mb"});
    CReportListAdapter adapter(&list);
    auto column0 = [&] {
        std::vector<std::string> texts;
        for (int i = 0; i < list.GetItemCount(); ++i)
            texts.push_back(list.GetItemText(i, 0));
        return texts;
    };
    int sortColumn = -1;

    EXPECT_EQ(tv::SortByColumnClick(adapter, tv::kModeDetails, 1, true, sortColumn),
              tv::SortClickResult::kBeep);
    EXPECT_EQ(column0(), (std::vector<std::string>{"b.dll", "a.exe", "c.ocx"}));
    EXPECT_EQ(sortColumn, -1);
    EXPECT_EQ(tv::SortByColumnClick(adapter, tv::kModeDetails, -1, false, sortColumn),
              tv::SortClickResult::kIgnored);

    // Sizes compare by value, not by text.
    ASSERT_EQ(tv::SortByColumnClick(adapter, tv::kModeDetails, 1, false, sortColumn),
              tv::SortClickResult::kSorted);
    EXPECT_EQ(column0(), (std::vector<std::string>{"a.exe", "b.dll", "c.ocx"}));
    EXPECT_EQ(adapter.GetColumnImage(1), tv::kSortMarkAscending);
    EXPECT_EQ(sortColumn, 1);

    tv::SortByColumnClick(adapter, tv::kModeDetails, 1, false, sortColumn);
    EXPECT_EQ(column0(), (std::vector<std::string>{"c.ocx", "b.dll", "a.exe"}));
    EXPECT_EQ(adapter.GetColumnImage(1), tv::kSortMarkDescending);

    tv::SortByColumnClick(adapter, tv::kModeDetails, 0, false, sortColumn);
    EXPECT_EQ(column0(), (std::vector<std::string>{"a.exe", "b.dll", "c.ocx"}));
    EXPECT_EQ(adapter.GetColumnImage(0), tv::kSortMarkAscending);
    EXPECT_LT(adapter.GetColumnImage(1), 0);
}

TEST(ModuleRowsTest, AFolderThatCannotBeReadSaysWhyInOneLine) {
    EXPECT_EQ(tv::FolderReadErrorText(5, "/root"),
              "Zugriff verweigert: /root \u2013 Für diesen Zugriff fehlt die Berechtigung.");
    EXPECT_EQ(tv::FolderReadErrorText(3, "/w/neu\nZeile"),
              "Ordner nicht lesbar: /w/neu\\nZeile \u2013 Der Pfad existiert nicht, oder einer "
              "seiner Ordner fehlt.");
    EXPECT_EQ(tv::FolderReadErrorText(0, "/w"), "");
}

}  // namespace
