#include "shell/ShellNamespace.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "common/TextCodec.h"
#include "support/PeBuilder.h"

using tv::CShellNamespace;

namespace {

using tv::CByteView;
using tv::CItemIdList;

void MakeDir(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

void MakeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    ::close(fd);
}

void MakeLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
}

CItemIdList Item(std::string_view name) {
    return CItemIdList::FromItemData(
        CByteView(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
}

std::string Data(const CItemIdList& list, size_t n) {
    const auto data = list.ItemData(n);
    if (!data) return "<none>";
    return std::string(reinterpret_cast<const char*>(data->Data()), data->Size());
}

std::vector<std::string> Names(const std::vector<tv::ShellChild>& children) {
    std::vector<std::string> names;
    for (const auto& child : children)
        names.push_back(Data(child.id, 0));
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// A folder tree in a temporary folder, with a home folder of its own:
//   home/docs/a.exe, home/.cache/
//   sub/Bild2.bmp, sub/Bild10.bmp, sub/.hidden, sub/inner/
class ShellNamespaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = m_temp.Path().string();
        m_home = m_base + "/home";
        MakeDir(m_home);
        MakeDir(m_home + "/docs");
        MakeFile(m_home + "/docs/a.exe");
        MakeDir(m_home + "/.cache");
        MakeDir(m_base + "/sub");
        MakeFile(m_base + "/sub/Bild2.bmp");
        MakeFile(m_base + "/sub/Bild10.bmp");
        MakeFile(m_base + "/sub/.hidden");
        MakeDir(m_base + "/sub/inner");
        m_ns = CShellNamespace(m_home);
    }

    CItemIdList ListOf(const std::string& path) {
        CItemIdList list = m_ns.PathToIdList(path);
        EXPECT_FALSE(list.IsNull()) << path;
        return list;
    }

    tvtest::TempDir m_temp;
    std::string m_base;
    std::string m_home;
    CShellNamespace m_ns{"/"};
};

TEST_F(ShellNamespaceTest, DesktopListsHomeThenRoot) {
    std::vector<tv::ShellChild> children;
    ASSERT_TRUE(m_ns.EnumObjects(CItemIdList::Desktop(), tv::kEnumFolders, children));
    ASSERT_EQ(Names(children), (std::vector<std::string>{m_home, "/"}));
    for (const auto& child : children)
        EXPECT_EQ(child.attributes, tv::kAttrFolder | tv::kAttrFileSystem);

    ASSERT_TRUE(m_ns.EnumObjects(CItemIdList::Desktop(), tv::kEnumNonFolders, children));
    EXPECT_TRUE(children.empty());

    // No home item when the home folder is the root or no folder at all.
    for (const std::string home : {std::string("/"), m_base + "/missing", std::string("rel")}) {
        CShellNamespace ns(home);
        EXPECT_EQ(ns.GetHomeFolder(), "");
        ASSERT_TRUE(ns.EnumObjects(CItemIdList::Desktop(), tv::kEnumFolders, children));
        EXPECT_EQ(Names(children), (std::vector<std::string>{"/"}));
    }

    EXPECT_EQ(m_ns.GetAbsoluteName(CItemIdList::Desktop(), false), "Desktop");
    EXPECT_EQ(m_ns.GetAbsoluteName(CItemIdList::Desktop(), true), "");
    EXPECT_EQ(m_ns.GetAbsoluteName(m_ns.HomeIdList(), false), "Persönlicher Ordner");
    EXPECT_EQ(m_ns.GetAbsoluteName(m_ns.HomeIdList(), true), m_home);
    EXPECT_EQ(m_ns.GetAbsoluteName(CShellNamespace::RootIdList(), false), "Dateisystem");
    EXPECT_EQ(m_ns.GetAbsoluteName(CShellNamespace::RootIdList(), true), "/");
}

TEST_F(ShellNamespaceTest, EnumeratesInReaddirOrderWithTheRequestedKinds) {
    const CItemIdList sub = ListOf(m_base + "/sub");
    std::vector<tv::ShellChild> all;
    ASSERT_TRUE(m_ns.EnumObjects(
        sub, tv::kEnumFolders | tv::kEnumNonFolders | tv::kEnumIncludeHidden, all));
    std::vector<std::string> expected;
    DIR* dir = ::opendir((m_base + "/sub").c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") expected.push_back(name);
    }
    ::closedir(dir);
    EXPECT_EQ(Names(all), expected);

    for (const auto& child : all) {
        const std::string name = Data(child.id, 0);
        SCOPED_TRACE(name);
        EXPECT_EQ(child.id.CountItems(), 1u);
        EXPECT_EQ((child.attributes & tv::kAttrFolder) != 0, name == "inner");
        EXPECT_EQ((child.attributes & tv::kAttrHidden) != 0, name == ".hidden");
        EXPECT_NE(child.attributes & tv::kAttrFileSystem, 0u);
    }

    std::vector<tv::ShellChild> some;
    ASSERT_TRUE(m_ns.EnumObjects(sub, tv::kEnumFolders, some));
    EXPECT_EQ(Names(some), (std::vector<std::string>{"inner"}));
    ASSERT_TRUE(m_ns.EnumObjects(sub, tv::kEnumNonFolders, some));
    EXPECT_EQ(Sorted(Names(some)), (std::vector<std::string>{"Bild10.bmp", "Bild2.bmp"}));
    ASSERT_TRUE(m_ns.EnumObjects(ListOf(m_home), tv::kEnumFolders, some));
    EXPECT_EQ(Names(some), (std::vector<std::string>{"docs"}));
    ASSERT_TRUE(m_ns.EnumObjects(ListOf(m_home), tv::kEnumFolders | tv::kEnumIncludeHidden, some));
    EXPECT_EQ(Sorted(Names(some)), (std::vector<std::string>{".cache", "docs"}));
    EXPECT_EQ(m_ns.GetErrorCode(), 0u);
}

TEST_F(ShellNamespaceTest, NamesOfEnumeratedChildren) {
    const CItemIdList docs = ListOf(m_home + "/docs");
    std::vector<tv::ShellChild> children;
    ASSERT_TRUE(m_ns.EnumObjects(docs, tv::kEnumNonFolders, children));
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(m_ns.GetName(docs, children[0].id, false), "a.exe");
    EXPECT_EQ(m_ns.GetName(docs, children[0].id, true), m_home + "/docs/a.exe");
    const CItemIdList absolute = CShellNamespace::Append(docs, children[0].id);
    EXPECT_EQ(m_ns.GetAbsoluteName(absolute, true), m_home + "/docs/a.exe");
    EXPECT_EQ(m_ns.GetName(CItemIdList::Desktop(), absolute, false), "a.exe");
    EXPECT_EQ(m_ns.GetPathDisplayName(m_home + "/docs/a.exe"), "a.exe");
    EXPECT_EQ(m_ns.GetPathDisplayName(m_home), "Persönlicher Ordner");
    EXPECT_EQ(m_ns.GetPathDisplayName(m_base + "/none.dll"), m_base + "/none.dll");
}

TEST_F(ShellNamespaceTest, PathsUnderHomeGoThroughTheHomeItem) {
    const CItemIdList exe = ListOf(m_home + "/docs/a.exe");
    ASSERT_EQ(exe.CountItems(), 3u);
    EXPECT_EQ(Data(exe, 0), m_home);
    EXPECT_EQ(Data(exe, 1), "docs");
    EXPECT_EQ(Data(exe, 2), "a.exe");
    EXPECT_EQ(ListOf(m_home), m_ns.HomeIdList());

    // Everything else through "/", one item per name.
    const CItemIdList bmp = ListOf(m_base + "/sub/Bild2.bmp");
    EXPECT_EQ(Data(bmp, 0), "/");
    EXPECT_EQ(Data(bmp, bmp.CountItems() - 1), "Bild2.bmp");
    EXPECT_EQ(m_ns.IdListToPath(bmp), m_base + "/sub/Bild2.bmp");
    EXPECT_EQ(ListOf("/"), CShellNamespace::RootIdList());
    // A sibling whose name merely starts like the home folder is not inside it.
    MakeDir(m_base + "/homework");
    EXPECT_EQ(Data(ListOf(m_base + "/homework"), 0), "/");
}

TEST_F(ShellNamespaceTest, PathTextIsNormalisedBeforeLookup) {
    const CItemIdList expected = ListOf(m_base + "/sub/Bild2.bmp");
    EXPECT_EQ(ListOf(m_base + "//sub/./inner/../Bild2.bmp"), expected);
    EXPECT_EQ(ListOf(m_base + "/sub/"), ListOf(m_base + "/sub"));
    EXPECT_EQ(ListOf("/../../"), CShellNamespace::RootIdList());
    EXPECT_EQ(ListOf(m_home + "/docs/.."), m_ns.HomeIdList());

    // A relative path starts in the current folder.
    char saved[PATH_MAX];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir((m_base + "/sub").c_str()), 0);
    const CItemIdList relative = m_ns.PathToIdList("inner/../Bild2.bmp");
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(relative, expected);
}

TEST_F(ShellNamespaceTest, HomeReachedThroughALinkAlsoCountsAsHome) {
    MakeLink(m_home, m_base + "/homelink");
    CShellNamespace ns(m_base + "/homelink");
    EXPECT_EQ(ns.GetHomeFolder(), m_base + "/homelink");
    char* real = ::realpath(m_home.c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    const std::string realHome = real;
    std::free(real);

    for (const std::string& path : {m_base + "/homelink/docs", realHome + "/docs"}) {
        SCOPED_TRACE(path);
        const CItemIdList list = ns.PathToIdList(path);
        ASSERT_EQ(list.CountItems(), 2u);
        EXPECT_EQ(Data(list, 0), m_base + "/homelink");
        EXPECT_EQ(ns.IdListToPath(list), m_base + "/homelink/docs");
    }
}

TEST_F(ShellNamespaceTest, PathsThatDoNotResolve) {
    EXPECT_TRUE(m_ns.PathToIdList("").IsNull());
    EXPECT_TRUE(m_ns.PathToIdList(m_base + "/sub/missing.dll").IsNull());
    EXPECT_EQ(m_ns.GetErrorCode(), tv::kErrorFileNotFound);
    EXPECT_TRUE(m_ns.PathToIdList(m_base + "/nowhere/missing.dll").IsNull());
    EXPECT_EQ(m_ns.GetErrorCode(), tv::kErrorPathNotFound);
    EXPECT_TRUE(m_ns.PathToIdList(std::string("/tmp\0/x", 7)).IsNull());

    std::vector<tv::ShellChild> children{{Item("stale"), 0}};
    EXPECT_FALSE(m_ns.EnumObjects(Item(m_base + "/gone"), tv::kEnumFolders, children));
    EXPECT_TRUE(children.empty());
    EXPECT_EQ(m_ns.GetErrorCode(), tv::kErrorPathNotFound);
    EXPECT_FALSE(m_ns.EnumObjects(ListOf(m_home + "/docs/a.exe"), tv::kEnumNonFolders, children));
    EXPECT_EQ(m_ns.GetErrorCode(), tv::kErrorDirectory);
}

// Lists can come from outside; an item that is not a plain name must never reach the file system
// as part of a path.
TEST_F(ShellNamespaceTest, ListsWhoseItemsAreNotNamesDoNotResolve) {
    const CItemIdList root = CShellNamespace::RootIdList();
    const std::vector<CItemIdList> bad = {
        CItemIdList(),
        Item("tmp"),    // a top item must be an absolute path
        Item("/tmp/"),  // ... in normal form
        Item("/tmp/../etc"),
        Item(std::string("/tmp\0x", 6)),
        CItemIdList::Append(root, Item("..")),
        CItemIdList::Append(root, Item(".")),
        CItemIdList::Append(root, Item("")),
        CItemIdList::Append(root, Item("etc/passwd")),
        CItemIdList::Append(root, Item(std::string("a\0b", 3))),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(m_ns.IdListToPath(bad[i]));
        EXPECT_EQ(m_ns.GetAbsoluteName(bad[i], true), "");
        EXPECT_EQ(m_ns.GetAbsoluteName(bad[i], false), "");
        EXPECT_EQ(m_ns.GetErrorCode(), tv::kErrorInvalidParameter);
        std::vector<tv::ShellChild> children;
        EXPECT_FALSE(m_ns.EnumObjects(bad[i], tv::kEnumFolders | tv::kEnumNonFolders, children));
        EXPECT_EQ(m_ns.GetTypeName(bad[i]), "");
        EXPECT_EQ(m_ns.GetSmallIconIndex(bad[i], false), -1);
        EXPECT_EQ(m_ns.GetAttributesOf(CItemIdList::Desktop(), bad[i], 0xFFFFFFFF), 0u);
    }
}

TEST_F(ShellNamespaceTest, SymbolicLinks) {
    const std::string links = m_base + "/links";
    MakeDir(links);
    MakeLink("../sub", links + "/tofolder");
    MakeLink("../sub/Bild2.bmp", links + "/tofile");
    MakeLink("nowhere", links + "/dangling");
    MakeLink("..", links + "/up");              // leads back to an ancestor
    MakeLink("selfloop", links + "/selfloop");  // cannot be followed at all
    const CItemIdList folder = ListOf(links);

    std::vector<tv::ShellChild> children;
    ASSERT_TRUE(m_ns.EnumObjects(folder, tv::kEnumFolders, children));
    EXPECT_EQ(Sorted(Names(children)), (std::vector<std::string>{"tofolder", "up"}));
    for (const auto& child : children)
        EXPECT_EQ(child.attributes, tv::kAttrFolder | tv::kAttrLink | tv::kAttrFileSystem);
    ASSERT_TRUE(m_ns.EnumObjects(folder, tv::kEnumNonFolders, children));
    EXPECT_EQ(Sorted(Names(children)),
              (std::vector<std::string>{"dangling", "selfloop", "tofile"}));

    const uint32_t all = 0xFFFFFFFF;
    EXPECT_EQ(m_ns.GetAttributesOf(folder, Item("selfloop"), all),
              tv::kAttrLink | tv::kAttrFileSystem);
    EXPECT_EQ(m_ns.GetAttributesOf(folder, Item("tofolder"), all),
              tv::kAttrFolder | tv::kAttrLink | tv::kAttrFileSystem | tv::kAttrHasSubfolder);
    EXPECT_EQ(m_ns.GetTypeName(CItemIdList::Append(folder, Item("tofolder"))), "Ordner");
    EXPECT_EQ(m_ns.GetTypeName(CItemIdList::Append(folder, Item("dangling"))), "Datei");

    // Following the loop is just another folder each time; nothing walks it on its own.
    CItemIdList deep = folder;
    for (int i = 0; i < 20; ++i)
        deep = CItemIdList::Append(CItemIdList::Append(deep, Item("up")), Item("links"));
    ASSERT_TRUE(m_ns.EnumObjects(deep, tv::kEnumFolders, children));
    EXPECT_EQ(Sorted(Names(children)), (std::vector<std::string>{"tofolder", "up"}));
    EXPECT_NE(m_ns.GetAttributesOf(folder, Item("up"), tv::kAttrHasSubfolder), 0u);
}

TEST_F(ShellNamespaceTest, HasSubfolderCountsOnlyFoldersTheTreeShows) {
    const std::string hs = m_base + "/hs";
    MakeDir(hs);
    MakeDir(hs + "/empty");
    MakeDir(hs + "/files");
    MakeFile(hs + "/files/a.txt");
    MakeDir(hs + "/hiddenonly");
    MakeDir(hs + "/hiddenonly/.git");
    MakeDir(hs + "/visible");
    MakeDir(hs + "/visible/x");
    MakeDir(hs + "/linkonly");
    MakeLink("..", hs + "/linkonly/l");
    MakeFile(hs + "/plain.dll");
    const CItemIdList folder = ListOf(hs);
    const uint32_t mask = tv::kAttrFolder | tv::kAttrHasSubfolder;
    const auto attributes = [&](const char* name) {
        return m_ns.GetAttributesOf(folder, Item(name), mask);
    };
    EXPECT_EQ(attributes("empty"), tv::kAttrFolder);
    EXPECT_EQ(attributes("files"), tv::kAttrFolder);
    EXPECT_EQ(attributes("hiddenonly"), tv::kAttrFolder);
    EXPECT_EQ(attributes("visible"), mask);
    EXPECT_EQ(attributes("linkonly"), mask);
    EXPECT_EQ(attributes("plain.dll"), 0u);
    EXPECT_EQ(attributes("gone"), 0u);
    EXPECT_EQ(m_ns.GetErrorCode(), tv::kErrorFileNotFound);
    // Only what the mask asks for.
    EXPECT_EQ(m_ns.GetAttributesOf(folder, Item("visible"), tv::kAttrHidden), 0u);
    EXPECT_EQ(m_ns.GetAttributesOf(ListOf(m_home), Item(".cache"), tv::kAttrHidden),
              tv::kAttrHidden);
}

TEST_F(ShellNamespaceTest, HasSubfolderGivesUpOptimisticallyInLargeFolders) {
    const std::string large = m_base + "/large";
    MakeDir(large);
    for (int i = 0; i < 20; ++i)
        MakeFile(large + "/f" + std::to_string(i));
    EXPECT_FALSE(tv::HasShownSubfolder(large));
    struct stat st {};
    ASSERT_EQ(::stat(large.c_str(), &st), 0);
    // A folder of files only, where the link count tells so, is no folder to expand however
    // many files it holds; one with a sub-folder hidden among many files is given up on.
    if (st.st_nlink == 2) {
        EXPECT_FALSE(tv::HasShownSubfolder(large, {10, 64}));
    }
    MakeDir(large + "/.git");
    EXPECT_FALSE(tv::HasShownSubfolder(large));
    EXPECT_TRUE(tv::HasShownSubfolder(large, {10, 64}));
    // Looking up links counts too.
    const std::string links = m_base + "/manylinks";
    MakeDir(links);
    for (int i = 0; i < 20; ++i)
        MakeLink("nowhere", links + "/l" + std::to_string(i));
    EXPECT_FALSE(tv::HasShownSubfolder(links));
    EXPECT_TRUE(tv::HasShownSubfolder(links, {1024, 5}));
}

TEST_F(ShellNamespaceTest, NamesThatAreNotUtf8KeepTheirBytes) {
    const std::string first =
        "\xFF\xFE"
        "Bild.dll";
    const std::string second =
        "\xFE\xFF"
        "Bild.dll";
    MakeFile(m_base + "/sub/" + first);
    MakeFile(m_base + "/sub/" + second);
    const CItemIdList sub = ListOf(m_base + "/sub");

    std::vector<tv::ShellChild> children;
    ASSERT_TRUE(m_ns.EnumObjects(sub, tv::kEnumNonFolders, children));
    const auto names = Names(children);
    ASSERT_NE(std::find(names.begin(), names.end(), first), names.end());

    const CItemIdList a = CItemIdList::Append(sub, Item(first));
    const CItemIdList b = CItemIdList::Append(sub, Item(second));
    const std::string shown = m_ns.GetAbsoluteName(a, false);
    EXPECT_TRUE(tv::IsValidUtf8(shown));
    EXPECT_EQ(shown,
              "\xEF\xBF\xBD\xEF\xBF\xBD"
              "Bild.dll");
    EXPECT_EQ(m_ns.GetAbsoluteName(b, false), shown);
    // The parsing name is the raw path, and it opens.
    const std::string path = m_ns.GetAbsoluteName(a, true);
    EXPECT_EQ(path, m_base + "/sub/" + first);
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(m_ns.PathToIdList(path), a);
    EXPECT_EQ(m_ns.GetTypeName(a), "Programmbibliothek");
    EXPECT_EQ(m_ns.GetIconKind(a, false), tv::ShellIcon::kModule);
    // Same shown name, different files: never equal, and ordered both ways alike.
    const int ab = m_ns.CompareIDs(a, b);
    EXPECT_NE(ab, 0);
    EXPECT_EQ(m_ns.CompareIDs(b, a), -ab);
    EXPECT_EQ(m_ns.GetPathDisplayName(m_base + "/\xFF"
                                               "missing"),
              m_base +
                  "/\xEF\xBF\xBD"
                  "missing");
}

TEST_F(ShellNamespaceTest, UnreadableFolderEnumeratesAsEmptyWithAccessDenied) {
    const std::string locked = m_base + "/locked";
    MakeDir(locked);
    MakeDir(locked + "/inside");
    ASSERT_EQ(::chmod(m_base.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);

    // Each failed expectation has its own exit code, so that a child process can report it.
    const auto check = [&]() -> int {
        CShellNamespace ns(m_home);
        const CItemIdList list = ns.PathToIdList(locked);
        if (list.IsNull()) return 10;
        std::vector<tv::ShellChild> children{{Item("stale"), 0}};
        if (ns.EnumObjects(list, tv::kEnumFolders | tv::kEnumNonFolders, children)) return 11;
        if (!children.empty()) return 12;
        if (ns.GetErrorCode() != tv::kErrorAccessDenied) return 13;
        // No expand button for a folder whose sub-folders cannot be listed.
        if (ns.GetAttributesOf(list.Parent(), CItemIdList::CopyItem(list, list.CountItems() - 1),
                               tv::kAttrFolder | tv::kAttrHasSubfolder) != tv::kAttrFolder)
            return 14;
        return 0;
    };
    int result = 0;
    if (::geteuid() != 0) {
        result = check();
    } else {
        // Root reads every folder; an unprivileged child process sees what a user sees.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(20);
            ::_exit(check());
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        result = WEXITSTATUS(status);
    }
    ::chmod(locked.c_str(), 0755);
    EXPECT_EQ(result, 0);
}

TEST_F(ShellNamespaceTest, TypeNamesAndIconKinds) {
    MakeFile(m_base + "/sub/x.DLL");
    MakeFile(m_base + "/sub/notes.xyz");
    MakeFile(m_base + "/sub/README");
    const auto type = [&](const std::string& path) { return m_ns.GetTypeName(ListOf(path)); };
    const auto icon = [&](const std::string& path, bool open = false) {
        return m_ns.GetIconKind(ListOf(path), open);
    };
    EXPECT_EQ(type(m_home + "/docs/a.exe"), "Anwendung");
    EXPECT_EQ(type(m_base + "/sub/x.DLL"), "Programmbibliothek");
    EXPECT_EQ(type(m_base + "/sub/notes.xyz"), "XYZ-Datei");
    EXPECT_EQ(type(m_base + "/sub/README"), "Datei");
    EXPECT_EQ(type(m_base + "/sub/.hidden"), "Datei");
    EXPECT_EQ(type(m_base + "/sub/inner"), "Ordner");
    EXPECT_EQ(type(m_home), "Systemordner");
    EXPECT_EQ(type("/"), "Systemordner");
    EXPECT_EQ(m_ns.GetTypeName(CItemIdList::Desktop()), "Systemordner");

    EXPECT_EQ(icon(m_home + "/docs/a.exe"), tv::ShellIcon::kModule);
    EXPECT_EQ(icon(m_base + "/sub/x.DLL"), tv::ShellIcon::kModule);
    EXPECT_EQ(icon(m_base + "/sub/notes.xyz"), tv::ShellIcon::kFile);
    EXPECT_EQ(icon(m_base + "/sub/inner"), tv::ShellIcon::kFolder);
    EXPECT_EQ(icon(m_base + "/sub/inner", true), tv::ShellIcon::kFolderOpen);
    EXPECT_EQ(icon(m_home, true), tv::ShellIcon::kHome);
    EXPECT_EQ(icon("/"), tv::ShellIcon::kRoot);
    EXPECT_EQ(m_ns.GetIconKind(CItemIdList::Desktop(), false), tv::ShellIcon::kDesktop);
    EXPECT_EQ(m_ns.GetPathIconKind(m_home + "/docs/a.exe"), tv::ShellIcon::kModule);
    EXPECT_EQ(m_ns.GetPathIconKind(m_home + "/docs/b.exe"), tv::ShellIcon::kNone);

    // An item that went away since it was listed.
    const CItemIdList gone = ListOf(m_base + "/sub/README");
    ASSERT_EQ(::unlink((m_base + "/sub/README").c_str()), 0);
    EXPECT_EQ(m_ns.GetTypeName(gone), "");
    EXPECT_EQ(m_ns.GetErrorCode(), tv::kErrorFileNotFound);
    EXPECT_EQ(m_ns.GetIconIndex(gone, true), -1);
}

TEST(ShellNamesTest, FileTypeNamesByExtension) {
    EXPECT_EQ(tv::FileTypeName("setup.exe"), "Anwendung");
    EXPECT_EQ(tv::FileTypeName("SHELL32.DLL"), "Programmbibliothek");
    EXPECT_EQ(tv::FileTypeName("a.tar.gz"), "GZ-Datei");
    EXPECT_EQ(tv::FileTypeName("trailing."), "Datei");
    EXPECT_EQ(tv::FileTypeName(".bashrc"), "Datei");
    EXPECT_EQ(tv::FileTypeName("x.\xFF"), "\xEF\xBF\xBD-Datei");
    EXPECT_EQ(tv::FileExtension(".config.ini"), "ini");
    for (const char* ext : {"exe", "dll", "ocx", "drv", "cpl", "scr", "SYS"})
        EXPECT_TRUE(tv::IsModuleExtension(ext)) << ext;
    EXPECT_FALSE(tv::IsModuleExtension("txt"));
    EXPECT_FALSE(tv::IsModuleExtension(""));
}

TEST(ShellNamesTest, DisplayNamesSortAsInAFileManager) {
    std::vector<std::string> names = {"zeta",   "b",       "Äb",    "A10",     "a2", "a1",
                                      "Straße", "Strasse", "file7", "file007", "a",  "1"};
    std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
        return tv::CompareDisplayNames(x, y) < 0;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"1", "a", "a1", "a2", "A10", "Äb", "b", "file007",
                                               "file7", "Strasse", "Straße", "zeta"}));
    EXPECT_EQ(tv::CompareDisplayNames("Bild", "Bild"), 0);
    EXPECT_LT(tv::CompareDisplayNames("Bild", "bild"), 0);  // only the bytes tell them apart
    EXPECT_GT(tv::CompareDisplayNames("bild", "Bild"), 0);
    EXPECT_LT(tv::CompareDisplayNames("Bild2", "Bild10"), 0);
    EXPECT_LT(tv::CompareDisplayNames("Ölung", "Pause"), 0);
    EXPECT_LT(tv::CompareDisplayNames("99999999999999999999998", "99999999999999999999999"), 0);
}

TEST_F(ShellNamespaceTest, CompareIdsOrdersSiblingsByShownName) {
    const CItemIdList sub = ListOf(m_base + "/sub");
    const CItemIdList two = ListOf(m_base + "/sub/Bild2.bmp");
    const CItemIdList ten = ListOf(m_base + "/sub/Bild10.bmp");
    EXPECT_LT(m_ns.CompareIDs(two, ten), 0);
    EXPECT_GT(m_ns.CompareIDs(ten, two), 0);
    EXPECT_EQ(m_ns.CompareIDs(two, ListOf(m_base + "/sub/./Bild2.bmp")), 0);
    EXPECT_LT(m_ns.CompareIDs(sub, two), 0);  // a folder before what is inside it
    EXPECT_EQ(m_ns.CompareIDs(CItemIdList::Desktop(), CItemIdList::Desktop()), 0);
    // Top items by their shown names: "Dateisystem" before "Persönlicher Ordner".
    EXPECT_LT(m_ns.CompareIDs(CShellNamespace::RootIdList(), m_ns.HomeIdList()), 0);
}

}  // namespace
