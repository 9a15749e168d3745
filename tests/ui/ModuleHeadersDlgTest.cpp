// The headers window over modules the builder writes: what the toolbar and the context menu allow
// on each kind of line, the two displays, copying, and the module commands, which must find a
// bare import next to its importer and say so when it is nowhere.
#include "module/ModuleHeadersDlg.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "FakeDesktopServices.h"
#include "Screenshot.h"
#include "app/TarnviewApp.h"
#include "module/QtReportTreeModel.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "support/DirectoryModules.h"
#include "support/PeBuilder.h"

namespace cmd = tv::cmd;
using tvtest::PeBuilder;

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Importer(const char* library) {
    return PeBuilder::Pe32()
        .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
        .AddImport(library, {"Helper"})
        .Build();
}

std::vector<uint8_t> Library() {
    return PeBuilder::Pe32()
        .Dll()
        .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
        .ExportDllName("helper.dll")
        .Export(1, "Helper", 0x1000)
        .Build();
}

// Records what a window asks of the application.
struct FakeHost : tv::IModuleWindowHost {
    bool OpenHeadersWindow(const std::string& path) override {
        calls.push_back("headers " + path);
        return true;
    }
    bool OpenResourcesWindow(const std::string& path) override {
        calls.push_back("resources " + path);
        return true;
    }
    bool ShowFileProperties(const std::string& path, QWidget*) override {
        calls.push_back("properties " + path);
        return true;
    }
    QIcon ModuleIcon(const std::string&) override { return {}; }
    std::vector<std::string> calls;
};

class ModuleHeadersDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path().toStdString();
        qputenv("TARNVIEW_MODULE_PATH", "");
    }
    std::string Path(const char* name) const { return m_folder + "/" + name; }

    // The line with this text, searched depth first.
    QModelIndex Line(tv::CModuleHeadersDlg& dlg, std::string_view text) {
        auto* model = static_cast<tv::CReportTreeModel*>(dlg.Tree()->model());
        return model->IndexOf(dlg.Report().Find(text));
    }
    bool Enabled(tv::CModuleHeadersDlg& dlg, uint32_t id) {
        tv::CCmdUI ui(id);
        dlg.OnUpdateCommand(ui);
        return ui.IsEnabled();
    }

    QTemporaryDir m_dir;
    std::string m_folder;
    FakeHost m_host;
};

TEST_F(ModuleHeadersDlgTest, CommandsFollowTheSelectedLine) {
    Write(Path("app.exe"), Importer("HELPER.dll"));
    tv::CModuleHeadersDlg dlg(&m_host);
    QAbstractItemModelTester tester(dlg.Tree()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(dlg.LoadModule(Path("app.exe")));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Modulköpfe app.exe"));
    tv::CDialogToolBar* bar = dlg.ToolBar();

    // The root stands for the module: the three module buttons work, it can be collapsed.
    EXPECT_TRUE(bar->IsButtonEnabled(cmd::kResources));
    EXPECT_TRUE(Enabled(dlg, cmd::kCollapse));
    EXPECT_FALSE(Enabled(dlg, cmd::kExpand));

    // An imported library is a module line too; a value line is not, and has nothing to open.
    const QModelIndex library = Line(dlg, "HELPER.dll");
    ASSERT_TRUE(library.isValid());
    dlg.Tree()->setCurrentIndex(library);
    EXPECT_TRUE(bar->IsButtonEnabled(cmd::kHeaders));
    EXPECT_TRUE(Enabled(dlg, cmd::kProperties));
    const QModelIndex value = dlg.Tree()->model()->index(0, 0, dlg.Tree()->model()->index(0, 0));
    dlg.Tree()->setCurrentIndex(value);
    EXPECT_FALSE(bar->IsButtonEnabled(cmd::kHeaders));
    EXPECT_FALSE(Enabled(dlg, cmd::kExpand));
    EXPECT_FALSE(Enabled(dlg, cmd::kCollapse));
    QMenu* menu = dlg.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
        }
    }
    dlg.OnCommand(cmd::kHeaders);
    EXPECT_TRUE(m_host.calls.empty());

    // The full display and back: the toggle's check follows, the tree is the summary again.
    const size_t summaryLines = dlg.Report().Size();
    dlg.OnCommand(cmd::kFullDisplay);
    EXPECT_TRUE(bar->IsButtonChecked(cmd::kFullDisplay));
    EXPECT_TRUE(dlg.Report().Find("IMAGE_DOS_HEADER") != tv::kNoReportNode);
    dlg.OnCommand(cmd::kFullDisplay);
    EXPECT_FALSE(bar->IsButtonChecked(cmd::kFullDisplay));
    EXPECT_EQ(dlg.Report().Size(), summaryLines);
}

TEST_F(ModuleHeadersDlgTest, BareImportsAreFoundNextToTheirImporter) {
    Write(Path("app.exe"), Importer("HELPER.dll"));
    Write(Path("helper.dll"), Library());  // another case than the import names it
    tv::CModuleHeadersDlg dlg(&m_host);
    ASSERT_TRUE(dlg.LoadModule(Path("app.exe")));
    dlg.Tree()->setCurrentIndex(Line(dlg, "HELPER.dll"));
    dlg.OnCommand(cmd::kHeaders);
    dlg.OnCommand(cmd::kResources);
    dlg.OnCommand(cmd::kProperties);
    dlg.Tree()->setCurrentIndex(dlg.Tree()->model()->index(0, 0));
    dlg.OnCommand(cmd::kHeaders);
    EXPECT_EQ(m_host.calls, (std::vector<std::string>{
                                "headers " + Path("helper.dll"), "resources " + Path("helper.dll"),
                                "properties " + Path("helper.dll"), "headers " + Path("app.exe")}));
}

TEST_F(ModuleHeadersDlgTest, AMissingLibraryIsNamedWithTheFoldersSearched) {
    Write(Path("app.exe"), Importer("NOWHERE.dll"));
    tv::CModuleHeadersDlg dlg(&m_host);
    ASSERT_TRUE(dlg.LoadModule(Path("app.exe")));
    dlg.Tree()->setCurrentIndex(Line(dlg, "NOWHERE.dll"));
    QString shown;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                shown = box->text();
                box->accept();
            }
        }
    });
    dlg.OnCommand(cmd::kHeaders);
    EXPECT_TRUE(m_host.calls.empty());
    EXPECT_TRUE(shown.contains(QStringLiteral("NOWHERE.dll"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString::fromStdString(m_folder))) << shown.toStdString();
}

TEST_F(ModuleHeadersDlgTest, CopyGivesTheLineAndEverythingBelowIt) {
    Write(Path("app.exe"), Importer("HELPER.dll"));
    tv::CModuleHeadersDlg dlg(&m_host);
    ASSERT_TRUE(dlg.LoadModule(Path("app.exe")));
    const QModelIndex imports = Line(dlg, "HELPER.dll").parent();
    dlg.Tree()->setCurrentIndex(imports);
    QTest::keySequence(&dlg, QKeySequence::Copy);
    const QString copied = QApplication::clipboard()->text();
    const tv::ReportNode group = dlg.Report().At(dlg.Report().Find("HELPER.dll")).parent;
    EXPECT_EQ(copied.toStdString(), dlg.Report().Render(group));
    EXPECT_TRUE(copied.startsWith(imports.data().toString() + QLatin1Char('\n')));
    EXPECT_TRUE(copied.contains(QStringLiteral("\n  HELPER.dll\n")));
}

TEST_F(ModuleHeadersDlgTest, TheApplicationOpensOneWindowPerExactPath) {
    CFakeDesktopServices desktop;
    Write(Path("app.exe"), Importer("HELPER.dll"));
    Write(Path("junk.dll"), {'M', 'Z', 0, 0});
    tv::CTarnviewApp app;
    EXPECT_TRUE(app.OpenHeadersWindow(Path("app.exe")));
    EXPECT_TRUE(app.OpenHeadersWindow(Path("app.exe")));
    EXPECT_EQ(app.ModuleWindowCount(), 1u);
    // Another spelling is another window, even when it names the same file.
    EXPECT_TRUE(app.OpenHeadersWindow(m_folder + "/./app.exe"));
    EXPECT_EQ(app.ModuleWindowCount(), 2u);

    // A file that is not a module and a file that is not there: a message naming each path.
    EXPECT_FALSE(app.OpenHeadersWindow(Path("junk.dll")));
    EXPECT_FALSE(app.OpenHeadersWindow(Path("gone.dll")));
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_TRUE(desktop.messages[0].second.contains(QString::fromStdString(Path("junk.dll"))));
    EXPECT_TRUE(desktop.messages[1].second.contains(QString::fromStdString(Path("gone.dll"))));
    EXPECT_EQ(app.ModuleWindowCount(), 2u);
}

}  // namespace

// Real modules from Debian packages, when they are unpacked as the README says (NSIS's plug-ins for
// a PE32 module, Wine's for PE32+): both open in both displays with the optional header of their
// own layout. With TARNVIEW_SCREENSHOT_DIR set each display is also saved as a picture
// (scripts/screenshots.sh does that).
TEST(ModuleHeadersDlgReal, Pe32AndPe32PlusInBothDisplays) {
    const struct {
        std::string path;
        const char* name;
        const char* optionalHeader;
    } modules[] = {
        {"/tmp/nsis/usr/share/nsis/Plugins/x86-unicode/System.dll", "pe32",
         "OptionalHeader (IMAGE_OPTIONAL_HEADER32)"},
        {"/tmp/winepkg/root/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe", "pe32plus",
         "OptionalHeader (IMAGE_OPTIONAL_HEADER64)"},
    };
    if (!std::ifstream(modules[0].path) || !std::ifstream(modules[1].path))
        GTEST_SKIP() << "NSIS's and Wine's modules are not unpacked under /tmp";
    FakeHost host;
    for (const auto& module : modules) {
        tv::CModuleHeadersDlg dlg(&host);
        ASSERT_TRUE(dlg.LoadModule(module.path)) << dlg.GetErrorText();
        dlg.resize(640, 520);
        dlg.show();
        EXPECT_NE(dlg.Report().Find("Importierte Bibliotheken"), tv::kNoReportNode);
        SaveScreenshot(dlg, QStringLiteral("headers-%1-summary").arg(QLatin1String(module.name)));
        dlg.OnCommand(cmd::kFullDisplay);
        const tv::ReportNode optional = dlg.Report().Find(module.optionalHeader);
        ASSERT_NE(optional, tv::kNoReportNode) << module.path;
        auto* model = static_cast<tv::CReportTreeModel*>(dlg.Tree()->model());
        const QModelIndex index = model->IndexOf(optional);
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
            dlg.Tree()->expand(up);
        dlg.Tree()->expand(index);
        dlg.Tree()->setCurrentIndex(index);
        dlg.Tree()->scrollTo(index, QAbstractItemView::PositionAtTop);
        SaveScreenshot(dlg, QStringLiteral("headers-%1-full").arg(QLatin1String(module.name)));
    }
}

// The full display's groups after the NT headers, on a module with every one of those directories
// and a signature: the window hands the report its signature decoder, so the signer is named.
// With TARNVIEW_SCREENSHOT_DIR set the groups are saved as pictures.
TEST(ModuleHeadersDlgDirectories, NewGroupsAndTheDecodedSignature) {
    std::vector<uint8_t> table;
    tvtest::AppendCertificate(table, 2, tvtest::MakeSignedData());
    auto builder =
        tvtest::WithDirectories(tvtest::PeBuilder::Pe32Plus().Dll(), tvtest::Pe64Directories());
    const auto start = static_cast<uint32_t>(builder.Layout().fileSize);
    builder.Overlay(table).DataDirectory(4, start, static_cast<uint32_t>(table.size()));
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("signed.dll")).toStdString();
    Write(path, builder.Build());

    FakeHost host;
    tv::CModuleHeadersDlg dlg(&host);
    ASSERT_TRUE(dlg.LoadModule(path)) << dlg.GetErrorText();
    dlg.resize(640, 760);
    dlg.show();
    dlg.OnCommand(cmd::kFullDisplay);
    const tv::CReportTree& report = dlg.Report();
    const tv::ReportNode certificates = report.Find("Zertifikate");
    ASSERT_NE(certificates, tv::kNoReportNode);
    EXPECT_NE(report.Find("Antragsteller = CN=Prüfer,O=Tarnview Test", certificates),
              tv::kNoReportNode);

    auto* model = static_cast<tv::CReportTreeModel*>(dlg.Tree()->model());
    const auto show = [&](const char* group, bool all) {
        const QModelIndex index = model->IndexOf(report.Find(group));
        EXPECT_TRUE(index.isValid()) << group;
        if (all)
            dlg.Tree()->expandRecursively(index);
        else
            dlg.Tree()->expand(index);
        return index;
    };
    const QModelIndex sections = show("Abschnitte (IMAGE_SECTION_HEADER)", false);
    dlg.Tree()->expandRecursively(model->index(0, 0, sections));
    for (const char* group :
         {"Verzögert geladene Bibliotheken", "Debug", "TLS", "Lade-Konfiguration",
          "Basis-Relokationen", ".NET (CLR)", "Zertifikate"})
        show(group, true);
    dlg.Tree()->scrollTo(sections, QAbstractItemView::PositionAtTop);
    dlg.Tree()->setCurrentIndex(sections);
    SaveScreenshot(dlg, QStringLiteral("headers-directories-1"));
    const QModelIndex tls = model->IndexOf(report.Find("TLS"));
    dlg.Tree()->scrollTo(tls, QAbstractItemView::PositionAtTop);
    dlg.Tree()->setCurrentIndex(tls);
    SaveScreenshot(dlg, QStringLiteral("headers-directories-2"));
}
