// Our own properties window: what it says about modules, folders, links and files it cannot find.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "FakeDesktopServices.h"
#include "Screenshot.h"
#include "browser/PropertiesDlg.h"
#include "common/DateText.h"
#include "common/NumberText.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CNumberText;
using tv::CPropertiesDlg;

namespace {

constexpr int64_t kModified = 1111111111;  // 18.03.2005
constexpr int64_t kAccessed = 1000000000;  // 09.09.2001

std::vector<uint8_t> VersionedModule() {
    tvtest::ResourceEntry version;
    version.type = 16;
    version.name = 1;
    version.language = 0x0407;
    version.data = tvtest::VersionInfoBuilder()
                       .FileVersion(1, 2, 3, 4)
                       .StringTable(0x0407, 1200)
                       .Value("CompanyName", "Brisling")
                       .Value("FileDescription", "Prüfmodul")
                       .Value("FileVersion", "1.2")
                       .Translation(0x0407, 1200)
                       .Build();
    return tvtest::PeBuilder::Pe32().Dll().AddResource(version).Build();
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void SetTimes(const std::string& path) {
    const timespec times[2] = {{kAccessed, 0}, {kModified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

class PropertiesDlgTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const {
        return m_dir.path().toStdString() + "/" + name;
    }
    QTemporaryDir m_dir;
};

bool HasHeading(const CPropertiesDlg& dialog, const QString& heading) {
    for (const auto& row : dialog.GetRows()) {
        if (row.kind == CPropertiesDlg::Row::kHeading && row.label == heading) return true;
    }
    return false;
}

}  // namespace

TEST_F(PropertiesDlgTest, ModuleShowsSizeDatesAndVersion) {
    const std::string path = Path("probe.dll");
    const auto bytes = VersionedModule();
    WriteFile(path, bytes);
    SetTimes(path);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    CPropertiesDlg dialog;
    ASSERT_TRUE(dialog.LoadPath(path));
    EXPECT_EQ(dialog.GetErrorCode(), 0u);
    EXPECT_EQ(dialog.GetName(), QStringLiteral("probe.dll"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Eigenschaften von probe.dll"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Ort:")), m_dir.path());

    // The builder's modules are over a Kb, so the exact count follows the rounded size.
    ASSERT_GE(bytes.size(), 1024u);
    const std::string rounded = CNumberText().FormatByteSize(bytes.size()).GetText();
    const std::string exact = CNumberText().FormatUnsigned(bytes.size()).GetText();
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Größe:")).toStdString(),
              rounded + " (" + exact + " Bytes)");

    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Geändert:")).toStdString(),
              tv::FileTimeTextFromUnix(kModified));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Letzter Zugriff:")).toStdString(),
              tv::FileTimeTextFromUnix(kAccessed));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Berechtigungen:")),
              QStringLiteral("-rw-r----- (0640)"));
    EXPECT_TRUE(dialog.ValueOf(QStringLiteral("Besitzer:"))
                    .endsWith(QStringLiteral("(%1)").arg(::getuid())));
    // The type the module list shows for the same file, not a second name of the desktop's.
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Typ:")), QStringLiteral("Programmbibliothek"));

    EXPECT_TRUE(HasHeading(dialog, QStringLiteral("Version")));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Dateiversion (Header):")), QStringLiteral("v1.2.3.4"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Dateiversion:")), QStringLiteral("1.2"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Dateibeschreibung:")), QStringLiteral("Prüfmodul"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Hersteller:")), QStringLiteral("Brisling"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Sprache:")),
              QStringLiteral("Deutsch (Deutschland) [0x0407 4b0]"));
    // Values the resource lacks get no row.
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Produktname:")), QString());

    SaveScreenshot(dialog, QStringLiteral("properties-module"));
}

TEST_F(PropertiesDlgTest, FilesWithoutVersionAndFolders) {
    const std::string text = Path("notiz.txt");
    WriteFile(text, {'h', 'a', 'l', 'l', 'o', '\n'});
    CPropertiesDlg dialog;
    ASSERT_TRUE(dialog.LoadPath(text));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Größe:")), QStringLiteral("6 Bytes"));
    EXPECT_FALSE(HasHeading(dialog, QStringLiteral("Version")));

    // A module without a version resource is described like any other file.
    const std::string bare = Path("bare.exe");
    WriteFile(bare, tvtest::PeBuilder::Pe32().Build());
    ASSERT_TRUE(dialog.LoadPath(bare));
    EXPECT_FALSE(HasHeading(dialog, QStringLiteral("Version")));

    const std::string folder = Path("Ordner");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(dialog.LoadPath(folder + "/"));
    EXPECT_EQ(dialog.GetName(), QStringLiteral("Ordner"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Ort:")), m_dir.path());
    EXPECT_TRUE(dialog.ValueOf(QStringLiteral("Typ:")).startsWith(QStringLiteral("Ordner")));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Größe:")), QString());
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Berechtigungen:")),
              QStringLiteral("drwxr-xr-x (0755)"));

    ASSERT_TRUE(dialog.LoadPath("/"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Ort:")), QString());
}

TEST_F(PropertiesDlgTest, LinksShowTheirTarget) {
    const std::string module = Path("probe.dll");
    WriteFile(module, VersionedModule());
    ASSERT_EQ(::chmod(module.c_str(), 04755), 0);
    const std::string link = Path("verweis.dll");
    ASSERT_EQ(::symlink("probe.dll", link.c_str()), 0);

    CPropertiesDlg dialog;
    ASSERT_TRUE(dialog.LoadPath(link));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Verknüpft mit:")), QStringLiteral("probe.dll"));
    // What the link leads to decides size, rights and version.
    EXPECT_FALSE(dialog.ValueOf(QStringLiteral("Größe:")).isEmpty());
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Berechtigungen:")),
              QStringLiteral("-rwsr-xr-x (4755)"));
    EXPECT_TRUE(HasHeading(dialog, QStringLiteral("Version")));

    const std::string dangling = Path("weg.dll");
    ASSERT_EQ(::symlink("nirgendwo.dll", dangling.c_str()), 0);
    ASSERT_TRUE(dialog.LoadPath(dangling));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Verknüpft mit:")), QStringLiteral("nirgendwo.dll"));
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Größe:")), QString());
    EXPECT_FALSE(HasHeading(dialog, QStringLiteral("Version")));
}

TEST_F(PropertiesDlgTest, MissingPathKeepsTheWindowAsItWas) {
    const std::string text = Path("da.txt");
    WriteFile(text, {'x'});
    CPropertiesDlg dialog;
    ASSERT_TRUE(dialog.LoadPath(text));
    EXPECT_FALSE(dialog.LoadPath(Path("fehlt.dll")));
    EXPECT_EQ(dialog.GetErrorCode(), 2u);
    EXPECT_EQ(dialog.GetPath(), text);
    EXPECT_EQ(dialog.GetName(), QStringLiteral("da.txt"));
    EXPECT_FALSE(dialog.LoadPath(""));
    EXPECT_EQ(dialog.GetErrorCode(), 2u);
    EXPECT_FALSE(dialog.LoadPath(text + "/darunter"));
    EXPECT_NE(dialog.GetErrorCode(), 0u);
}

TEST_F(PropertiesDlgTest, NamesThatAreNotUtf8StillOpen) {
    const std::string path = Path("Modul\xFF.dll");
    WriteFile(path, VersionedModule());
    CPropertiesDlg dialog;
    ASSERT_TRUE(dialog.LoadPath(path));
    EXPECT_EQ(dialog.GetName(), QStringLiteral("Modul\uFFFD.dll"));
    EXPECT_EQ(dialog.GetPath(), path);
    EXPECT_EQ(dialog.ValueOf(QStringLiteral("Dateibeschreibung:")), QStringLiteral("Prüfmodul"));
    // QTemporaryDir cannot name it to remove it.
    ::unlink(path.c_str());
}
