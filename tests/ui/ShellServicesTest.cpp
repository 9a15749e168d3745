// The shell commands: which desktop service each one uses, what it falls back to, and the error
// box the user sees when the item is not there. Nothing is launched: the services are fakes.
#include <sys/stat.h>

#include <QApplication>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "FakeDesktopServices.h"
#include "Screenshot.h"
#include "app/ShellInfoDlg.h"
#include "browser/PropertiesDlg.h"
#include "browser/QtShellServices.h"
#include "shell/ShellNamespace.h"

using tv::CPropertiesDlg;
using tv::CShellInfoDlg;
using tv::CShellNamespace;

namespace {

class ShellServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_root = m_dir.path().toStdString();
        m_file = m_root + "/modul.dll";
        std::ofstream(m_file) << "MZ";
        m_folder = m_root + "/Ordner";
        ASSERT_EQ(::mkdir(m_folder.c_str(), 0755), 0);
    }

    tv::CItemIdList IdList(const std::string& path) { return m_shell.PathToIdList(path); }
    // A list for an item that is not (or no longer) there: its folder's list and its name.
    tv::CItemIdList GoneIdList(const std::string& name) {
        const tv::CByteView data(reinterpret_cast<const uint8_t*>(name.data()), name.size());
        return tv::CItemIdList::Append(IdList(m_root), tv::CItemIdList::FromItemData(data));
    }

    QTemporaryDir m_dir;
    CShellNamespace m_shell;
    std::string m_root;
    std::string m_file;
    std::string m_folder;
    CFakeDesktopServices m_desktop;
};

}  // namespace

TEST(FileUri, EncodesEveryByteThatIsNotPlain) {
    EXPECT_EQ(tv::FileUri("/tmp/a b/x-1_2.~dll"), QStringLiteral("file:///tmp/a%20b/x-1_2.~dll"));
    EXPECT_EQ(tv::FileUri("/ä#?%"), QStringLiteral("file:///%C3%A4%23%3F%25"));
    // A name that is not UTF-8 keeps its bytes.
    EXPECT_EQ(tv::FileUri("/\xFF\x01"), QStringLiteral("file:///%FF%01"));
}

TEST_F(ShellServicesTest, PropertiesGoToTheFileManagerWhenItIsThere) {
    m_desktop.fileManager = true;
    EXPECT_TRUE(tv::ShowFileProperties(m_file));
    EXPECT_TRUE(tv::ShowItemProperties(IdList(m_folder)));
    ASSERT_EQ(m_desktop.fileManagerCalls.size(), 2u);
    EXPECT_EQ(m_desktop.fileManagerCalls[0].first, QStringLiteral("ShowItemProperties"));
    EXPECT_EQ(m_desktop.fileManagerCalls[0].second, QStringList{tv::FileUri(m_file)});
    EXPECT_EQ(m_desktop.fileManagerCalls[1].second, QStringList{tv::FileUri(m_folder)});
    EXPECT_TRUE(m_desktop.propertiesShown.empty());
    EXPECT_TRUE(m_desktop.messages.empty());
}

TEST_F(ShellServicesTest, PropertiesFallBackToOurWindow) {
    // No file manager on the bus.
    EXPECT_TRUE(tv::ShowFileProperties(m_file));
    EXPECT_TRUE(m_desktop.fileManagerCalls.empty());
    // A file manager that refuses.
    m_desktop.fileManager = true;
    m_desktop.fileManagerSucceeds = false;
    EXPECT_TRUE(tv::ShowItemProperties(IdList(m_file)));
    EXPECT_EQ(m_desktop.propertiesShown, (std::vector<std::string>{m_file, m_file}));
    EXPECT_TRUE(m_desktop.messages.empty());
}

TEST_F(ShellServicesTest, OurPropertiesWindowOpensModeless) {
    m_desktop.realPropertiesWindow = true;
    ASSERT_TRUE(tv::ShowFileProperties(m_file));
    CPropertiesDlg* shown = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CPropertiesDlg*>(widget); dialog && dialog->isVisible())
            shown = dialog;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetPath(), m_file);
    EXPECT_TRUE(shown->testAttribute(Qt::WA_DeleteOnClose));
    shown->close();
}

TEST_F(ShellServicesTest, MissingItemsShowTheErrorWithTheBracketedName) {
    EXPECT_FALSE(tv::ShowFileProperties(m_root + "/fehlt.dll"));
    EXPECT_FALSE(tv::ShowItemProperties(GoneIdList("weg.dll")));
    EXPECT_FALSE(tv::ExploreItem(GoneIdList("Verschwunden")));
    ASSERT_EQ(m_desktop.messages.size(), 3u);
    for (const auto& message : m_desktop.messages)
        EXPECT_EQ(message.first, QMessageBox::Critical);
    // A path that names nothing is shown as it was given; a list names its item as the folder
    // shows it for properties, and by its path for explore.
    EXPECT_EQ(m_desktop.messages[0].second,
              QStringLiteral("Die Datei wurde nicht gefunden.\n[%1/fehlt.dll]").arg(m_dir.path()));
    EXPECT_EQ(m_desktop.messages[1].second,
              QStringLiteral("Die Datei wurde nicht gefunden.\n[weg.dll]"));
    EXPECT_EQ(
        m_desktop.messages[2].second,
        QStringLiteral("Die Datei wurde nicht gefunden.\n[%1/Verschwunden]").arg(m_dir.path()));
    EXPECT_TRUE(m_desktop.propertiesShown.empty());
    EXPECT_TRUE(m_desktop.opened.empty());
}

TEST_F(ShellServicesTest, OurWindowFailingIsReportedLikeTheShell) {
    m_desktop.propertiesResult = 5;
    EXPECT_FALSE(tv::ShowFileProperties(m_file));
    ASSERT_EQ(m_desktop.messages.size(), 1u);
    EXPECT_EQ(m_desktop.messages[0].second,
              QStringLiteral("Für diesen Zugriff fehlt die Berechtigung.\n[modul.dll]"));
}

TEST_F(ShellServicesTest, ExploreUsesTheFileManagerOrXdgOpen) {
    EXPECT_TRUE(tv::ExploreItem(IdList(m_folder)));
    EXPECT_EQ(m_desktop.opened, QStringList{tv::FileUri(m_folder)});

    m_desktop.fileManager = true;
    EXPECT_TRUE(tv::ExploreItem(IdList(m_folder)));
    ASSERT_EQ(m_desktop.fileManagerCalls.size(), 1u);
    EXPECT_EQ(m_desktop.fileManagerCalls[0].first, QStringLiteral("ShowFolders"));
    EXPECT_EQ(m_desktop.fileManagerCalls[0].second, QStringList{tv::FileUri(m_folder)});
    EXPECT_EQ(m_desktop.opened.size(), 1);

    // The file manager refuses and xdg-open cannot be started either.
    m_desktop.fileManagerSucceeds = false;
    m_desktop.openSucceeds = false;
    EXPECT_FALSE(tv::ExploreItem(IdList(m_folder)));
    ASSERT_EQ(m_desktop.messages.size(), 1u);
    EXPECT_TRUE(
        m_desktop.messages[0].second.endsWith(QStringLiteral("\n[%1/Ordner]").arg(m_dir.path())));
}

TEST_F(ShellServicesTest, ExploreRefusesFilesAndOpensHomeForTheDesktop) {
    EXPECT_FALSE(tv::ExploreItem(IdList(m_file)));
    ASSERT_EQ(m_desktop.messages.size(), 1u);
    EXPECT_EQ(m_desktop.messages[0].second,
              QStringLiteral("Der Name bezeichnet keinen gültigen Ordner.\n[%1/modul.dll]")
                  .arg(m_dir.path()));

    EXPECT_TRUE(tv::ExploreItem(tv::CItemIdList::Desktop()));
    const std::string home = m_shell.GetHomeFolder().empty() ? "/" : m_shell.GetHomeFolder();
    EXPECT_EQ(m_desktop.opened, QStringList{tv::FileUri(home)});

    // The desktop has no properties of its own, and a null list names nothing.
    EXPECT_FALSE(tv::ShowItemProperties(tv::CItemIdList::Desktop()));
    EXPECT_FALSE(tv::ShowItemProperties(tv::CItemIdList()));
    EXPECT_FALSE(tv::ExploreItem(tv::CItemIdList()));
    ASSERT_EQ(m_desktop.messages.size(), 4u);
    EXPECT_EQ(
        m_desktop.messages[1].second,
        QStringLiteral("Dieser Vorgang wird auf diesem System nicht unterstützt.\n[Desktop]"));
    EXPECT_EQ(m_desktop.messages[2].second,
              QStringLiteral("Einer der übergebenen Werte ist ungültig."));
}

TEST(ShellInformation, MessageNamesTheTableResultAndTheRealSystem) {
    tv::LinuxSystemInfo system;
    system.distribution = "Debian GNU/Linux 12 (bookworm)";
    system.kernel = "Linux 6.1.0 (x86_64)";
    EXPECT_EQ(tv::ShellInformationMessage(system),
              QStringLiteral("Windows ¿-?\nShell v¿-?\n\n"
                             "Distribution: Debian GNU/Linux 12 (bookworm)\n"
                             "Kernel: Linux 6.1.0 (x86_64)\n"
                             "Arbeitsumgebung: ¿-?\n"
                             "Qt: ") +
                  QString::fromLatin1(qVersion()));

    CFakeDesktopServices desktop;
    tv::OnShellInformation(nullptr);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].first, QMessageBox::Information);
    EXPECT_TRUE(
        desktop.messages[0].second.startsWith(QStringLiteral("Windows ¿-?\nShell v¿-?\n\n")));
}

TEST(ShellInformation, AboutWindowsShowsTheSystem) {
    tv::LinuxSystemInfo system;
    system.distribution = "Debian GNU/Linux 12 (bookworm)";
    system.desktop = "GNOME (Wayland)";
    CShellInfoDlg dialog(system);
    const QString text = dialog.GetText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Windows ¿-?\nShell v¿-?\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Debian GNU/Linux 12 (bookworm)")));
    EXPECT_TRUE(text.contains(QStringLiteral("GNOME (Wayland)")));
    EXPECT_TRUE(text.contains(QString::fromLatin1(qVersion())));
    SaveScreenshot(dialog, QStringLiteral("about-windows"));
}
