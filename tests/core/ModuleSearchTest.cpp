// Finding a module by its bare name: the order of the folders, and names that differ only in
// letter case, as import tables and file systems disagree about it.
#include "module/ModuleSearch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/PeBuilder.h"

namespace {

namespace fs = std::filesystem;
using tvtest::TempDir;

// Sets TARNVIEW_MODULE_PATH for one test and puts back what was there.
class ScopedModulePath {
public:
    explicit ScopedModulePath(const std::string& value) {
        if (const char* old = std::getenv(kName)) m_old = old;
        ::setenv(kName, value.c_str(), 1);
    }
    ~ScopedModulePath() {
        if (m_old)
            ::setenv(kName, m_old->c_str(), 1);
        else
            ::unsetenv(kName);
    }

private:
    static constexpr const char* kName = "TARNVIEW_MODULE_PATH";
    std::optional<std::string> m_old;
};

const std::vector<uint8_t> kBytes = {'M', 'Z'};

TEST(ModuleSearchTest, NamesMatchWithoutRegardToAsciiCase) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    dir.Write("USER32.dll", kBytes);
    dir.Write("Straße.DLL", kBytes);
    fs::create_directory(dir.Path() / "folder.dll");

    EXPECT_EQ(tv::FindFileInFolder(folder, "USER32.dll"), folder + "/USER32.dll");
    EXPECT_EQ(tv::FindFileInFolder(folder, "user32.DLL"), folder + "/USER32.dll");
    EXPECT_EQ(tv::FindFileInFolder(folder, "STRAßE.dll"), folder + "/Straße.DLL");
    // Only ASCII letters fold: "ß" and "SS" are different names, as on Windows.
    EXPECT_FALSE(tv::FindFileInFolder(folder, "STRASSE.dll"));
    EXPECT_FALSE(tv::FindFileInFolder(folder, "user32.dl"));
    EXPECT_FALSE(tv::FindFileInFolder(folder, "FOLDER.DLL")) << "a folder is not a module";
    EXPECT_FALSE(tv::FindFileInFolder(folder + "/missing", "USER32.dll"));
    EXPECT_FALSE(tv::FindFileInFolder(folder, "../USER32.dll"));
}

TEST(ModuleSearchTest, SeveralCaseVariantsGiveTheSameAnswerEveryTime) {
    TempDir dir;
    dir.Write("b.DLL", kBytes);
    dir.Write("B.dll", kBytes);
    dir.Write("b.dll", kBytes);
    // The exact name wins; otherwise the bytewise smallest of the variants.
    EXPECT_EQ(tv::FindFileInFolder(dir.Path().string(), "b.dll"), (dir.Path() / "b.dll").string());
    EXPECT_EQ(tv::FindFileInFolder(dir.Path().string(), "B.DLL"), (dir.Path() / "B.dll").string());
}

TEST(ModuleSearchTest, ImportingFolderComesBeforeTheModulePath) {
    TempDir importing, listed, other;
    importing.Write("shared.dll", kBytes);
    listed.Write("SHARED.DLL", kBytes);
    listed.Write("only-listed.dll", kBytes);
    other.Write("late.dll", kBytes);
    // Empty entries are skipped rather than meaning the working folder.
    const ScopedModulePath path(":" + listed.Path().string() + "::" + other.Path().string() + ":");

    tv::ModuleSearchContext context;
    context.importingModule = (importing.Path() / "app.exe").string();
    const auto folders = tv::ModuleSearchFolders(context);
    ASSERT_GE(folders.size(), 3u);
    EXPECT_EQ(folders[0], importing.Path().string());
    EXPECT_EQ(folders[1], listed.Path().string());
    EXPECT_EQ(folders[2], other.Path().string());

    EXPECT_EQ(tv::FindModule("Shared.dll", context), (importing.Path() / "shared.dll").string());
    EXPECT_EQ(tv::FindModule("Shared.dll"), (listed.Path() / "SHARED.DLL").string());
    EXPECT_EQ(tv::FindModule("only-listed.dll", context),
              (listed.Path() / "only-listed.dll").string());
    EXPECT_EQ(tv::FindModule("LATE.DLL"), (other.Path() / "late.dll").string());
    EXPECT_FALSE(tv::FindModule("tarnview-no-such-module-4711.dll", context));
    EXPECT_FALSE(tv::FindModule(listed.Path().string() + "/shared.dll")) << "not a bare name";
    EXPECT_FALSE(tv::FindModule(""));
}

TEST(ModuleSearchTest, WineFoldersOfTheImportingMachineComeFirst) {
    const std::vector<std::string> found = {
        "/usr/lib/x86_64-linux-gnu/wine/i386-windows",
        "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
        "/usr/lib/i386-linux-gnu/wine/i386-windows",
        "/opt/wine-stable/lib64/wine/x86_64-windows",
        "/opt/wine-stable/lib/wine/aarch64-windows",
    };
    const auto i386 = tv::OrderWineFolders(found, 0x014C);
    EXPECT_EQ(i386, (std::vector<std::string>{found[0], found[2], found[1], found[3], found[4]}));
    const auto arm64ec = tv::OrderWineFolders(found, 0xA641);
    EXPECT_EQ(arm64ec.front(), found[4]);
    // Unknown machine: 64-bit x86 first, each architecture keeping the folders' own order.
    const auto unknown = tv::OrderWineFolders(found, 0);
    EXPECT_EQ(unknown,
              (std::vector<std::string>{found[1], found[3], found[0], found[2], found[4]}));
}

}  // namespace
