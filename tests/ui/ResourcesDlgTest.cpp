// The resources window over a builder module: which page each kind of tree item shows and with
// what, the window hidden on close and shown again as it was, one window per exact path; and over
// real modules, every item selectable, with pictures of each page kind for the screenshot script.
#include "resources/ResourcesDlg.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "FakeDesktopServices.h"
#include "Screenshot.h"
#include "app/TarnviewApp.h"
#include "module/QtReportTreeModel.h"
#include "resources/ImagePage.h"
#include "resources/InfoListPage.h"
#include "resources/RawDataPage.h"
#include "resources/StringTablePage.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

struct NoHost : tv::IModuleWindowHost {
    bool OpenHeadersWindow(const std::string&) override { return true; }
    bool OpenResourcesWindow(const std::string&) override { return true; }
    bool ShowFileProperties(const std::string&, QWidget*) override { return true; }
    QIcon ModuleIcon(const std::string&) override { return {}; }
};

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Sample() {
    const auto icon = tvtest::IconImage(16, 16, 32).Build();
    return tvtest::PeBuilder::Pe32()
        .Dll()
        .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
        .AddResource(2, 1, 0x0409, tvtest::Dib(8, 8, 24).Build())
        .AddResource(3, 1, 0x0409, icon)
        .AddResource(14, 1, 0x0409, tvtest::GroupIcon({tvtest::IconEntryFor(icon, 1)}))
        .AddResource(6, 1, 0x0409, tvtest::StringBlock({"Eins", "Zwei"}))
        .AddResource(6, 2, 0x0409, tvtest::StringBlock({"Drei"}))
        .AddResource(16, 1, 0x0409,
                     tvtest::VersionInfoBuilder()
                         .StringTable(0x0407, 1200)
                         .Value("FileDescription", "Beispiel")
                         .Translation(0x0407, 1200)
                         .Build())
        .AddResource(u"DATA", u"BLOB", 0x0409, {1, 2, 3})
        .AddResource(300, 5, 0x0409, {4, 5})
        .AddResource(301, 6, 0x0409, {6, 7, 8})
        .Build();
}

class ResourcesDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = m_dir.path().toStdString() + "/sample.dll";
        Write(m_path, Sample());
    }
    // Selects the item with this text (depth first) and gives the page it shows.
    QWidget* Select(tv::CResourcesDlg& dlg, std::string_view text, std::string_view under = {}) {
        auto* model = static_cast<tv::CReportTreeModel*>(dlg.Tree()->model());
        const tv::CReportTree& lines = dlg.Items().Lines();
        const tv::ReportNode parent = under.empty() ? tv::kNoReportNode : lines.Find(under);
        const tv::ReportNode node = lines.Find(text, parent);
        EXPECT_NE(node, tv::kNoReportNode) << text;
        dlg.Tree()->setCurrentIndex(model->IndexOf(node));
        return dlg.VisiblePage();
    }

    QTemporaryDir m_dir;
    std::string m_path;
    NoHost m_host;
};

TEST_F(ResourcesDlgTest, EachItemShowsItsPage) {
    tv::CResourcesDlg dlg(&m_host);
    QAbstractItemModelTester tester(dlg.Tree()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester rowsTester(dlg.InfoListPage()->List()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(dlg.LoadModule(m_path)) << dlg.GetErrorText();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Modulressourcen sample.dll"));
    // The module's statistics from the start.
    EXPECT_EQ(dlg.VisiblePage(), dlg.InfoListPage());
    EXPECT_TRUE(dlg.InfoListPage()->RowsText().contains(QStringLiteral("Anzahl Ressourcen\t9")));

    EXPECT_EQ(Select(dlg, "Bitmap"), dlg.InfoListPage());
    EXPECT_TRUE(dlg.InfoListPage()->RowsText().contains(QStringLiteral("RT_BITMAP")));
    EXPECT_EQ(Select(dlg, "1", "Bitmap"), dlg.ImagePage());
    EXPECT_EQ(dlg.ImagePage()->Picture().Width(), 8u);
    EXPECT_EQ(Select(dlg, "1", "Symbol"), dlg.ImagePage());
    EXPECT_EQ(dlg.ImagePage()->Picture().Width(), 16u);
    // Groups go to the raw data page.
    EXPECT_EQ(Select(dlg, "1", "Gruppensymbole"), dlg.RawDataPage());
    // All string tables, then one block.
    EXPECT_EQ(Select(dlg, "Stringtabellen"), dlg.StringTablePage());
    EXPECT_TRUE(dlg.StringTablePage()->CountText().startsWith(QStringLiteral("3 String(s)")));
    EXPECT_EQ(Select(dlg, "2", "Stringtabellen"), dlg.StringTablePage());
    EXPECT_EQ(dlg.StringTablePage()->CountText(), QStringLiteral("1 String(s)"));
    EXPECT_EQ(Select(dlg, "1", "Version"), dlg.InfoListPage());
    // Statistics rows keep the list's colours; the language line and the fields are shaded, and
    // only their background changes.
    QAbstractItemModel* rows = dlg.InfoListPage()->List()->model();
    std::map<QString, QVariant> shade;
    for (int row = 0; row < rows->rowCount(); ++row)
        shade[rows->index(row, 0).data().toString()] = rows->index(row, 1).data(Qt::BackgroundRole);
    EXPECT_FALSE(shade.at(QStringLiteral("Modulstatistik")).isValid());
    EXPECT_EQ(shade.at(QStringLiteral("Sprache")).value<QColor>(), QColor::fromRgb(0xC0C0C0));
    EXPECT_EQ(shade.at(QStringLiteral("Dateibeschreibung")).value<QColor>(),
              QColor::fromRgb(0xF0F0F0));
    EXPECT_FALSE(rows->index(0, 0).data(Qt::ForegroundRole).isValid());
    // A named type and its named leaf.
    EXPECT_EQ(Select(dlg, "DATA"), dlg.InfoListPage());
    EXPECT_EQ(Select(dlg, "BLOB", "DATA"), dlg.RawDataPage());
    EXPECT_EQ(dlg.RawDataPage()->ByteCountText(), QStringLiteral("3 bytes (~1 Kb)"));
    // Two unknown numbered types keep a node each, and each leaf its own type.
    EXPECT_EQ(Select(dlg, "6"), dlg.RawDataPage());
    EXPECT_EQ(dlg.RawDataPage()->ByteCountText(), QStringLiteral("3 bytes (~1 Kb)"));
    EXPECT_EQ(Select(dlg, "5"), dlg.RawDataPage());
    EXPECT_EQ(dlg.RawDataPage()->ByteCountText(), QStringLiteral("2 bytes (~1 Kb)"));
    // Back to the root.
    dlg.Tree()->setCurrentIndex(dlg.Tree()->model()->index(0, 0));
    EXPECT_EQ(dlg.VisiblePage(), dlg.InfoListPage());
}

TEST_F(ResourcesDlgTest, ClosedWindowsComeBackAsTheyWereUntilTheSweep) {
    CFakeDesktopServices desktop;
    tv::CTarnviewApp app;
    ASSERT_TRUE(app.OpenResourcesWindow(m_path));
    ASSERT_EQ(app.ModuleWindowCount(), 1u);
    tv::CResourcesDlg* dlg = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = qobject_cast<tv::CResourcesDlg*>(widget);
            candidate && candidate->isVisible())
            dlg = candidate;
    }
    ASSERT_NE(dlg, nullptr);
    Select(*dlg, "BLOB", "DATA");
    QTest::keyClick(dlg->RawDataPage(), Qt::Key_Escape);  // posted to the window, which hides
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_TRUE(app.OpenResourcesWindow(m_path));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->VisiblePage(), dlg->RawDataPage());
    EXPECT_EQ(app.ModuleWindowCount(), 1u);

    // Letter case matters: another window. A module without resources says so.
    Write(m_dir.path().toStdString() + "/SAMPLE.dll", Sample());
    ASSERT_TRUE(app.OpenResourcesWindow(m_dir.path().toStdString() + "/SAMPLE.dll"));
    EXPECT_EQ(app.ModuleWindowCount(), 2u);
    Write(m_dir.path().toStdString() + "/empty.dll",
          tvtest::PeBuilder::Pe32()
              .Dll()
              .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
              .Build());
    EXPECT_FALSE(app.OpenResourcesWindow(m_dir.path().toStdString() + "/empty.dll"));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].second.contains(QStringLiteral("empty.dll")));
}

// Real modules from Debian's Wine package, when unpacked as the README says: every item can be
// selected; with TARNVIEW_SCREENSHOT_DIR set, one picture per page kind.
TEST(ResourcesDlgReal, EveryItemOfRealModulesCanBeShown) {
    const std::string wine = "/tmp/winepkg/root/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";
    if (!std::ifstream(wine + "comctl32.dll")) GTEST_SKIP() << "Wine's modules are not unpacked";
    NoHost host;
    // Damaged copies too: cut short at a few places, and with a stretch of the resource section
    // overwritten. Each either loads and shows every item, or fails with a text naming it.
    QTemporaryDir dir;
    std::vector<std::string> paths;
    for (const char* name : {"comctl32.dll", "shell32.dll", "user32.dll"})
        paths.push_back(wine + name);
    {
        std::ifstream in(wine + "comctl32.dll", std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        for (const size_t cut : {bytes.size() / 2, bytes.size() * 9 / 10, bytes.size() - 1}) {
            paths.push_back(dir.path().toStdString() + "/cut" + std::to_string(cut) + ".dll");
            std::ofstream(paths.back(), std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(cut));
        }
        std::vector<char> noisy = bytes;
        for (size_t i = noisy.size() * 3 / 4; i < noisy.size() * 3 / 4 + 4096 && i < noisy.size();
             ++i)
            noisy[i] = static_cast<char>(i * 131);
        paths.push_back(dir.path().toStdString() + "/noisy.dll");
        std::ofstream(paths.back(), std::ios::binary)
            .write(noisy.data(), static_cast<std::streamsize>(noisy.size()));
    }
    for (const std::string& path : paths) {
        const std::string name = path.substr(path.rfind('/') + 1);
        tv::CResourcesDlg dlg(&host);
        if (!dlg.LoadModule(path)) {
            EXPECT_TRUE(
                QString::fromStdString(dlg.GetErrorText()).contains(QString::fromStdString(name)));
            continue;
        }
        dlg.resize(900, 600);
        dlg.show();
        QAbstractItemModel* model = dlg.Tree()->model();
        const QModelIndex root = model->index(0, 0);
        QSet<QWidget*> saved;
        bool savedDialog = false;
        for (int t = 0; t < model->rowCount(root); ++t) {
            const QModelIndex type = model->index(t, 0, root);
            dlg.Tree()->setCurrentIndex(type);
            for (int r = 0; r < model->rowCount(type); ++r) {
                dlg.Tree()->setCurrentIndex(model->index(r, 0, type));
                QWidget* page = dlg.VisiblePage();
                ASSERT_NE(page, nullptr);
                if (name == "comctl32.dll" && !savedDialog &&
                    type.data().toString() == QStringLiteral("Dialoge")) {
                    savedDialog = true;
                    QCoreApplication::processEvents();
                    SaveScreenshot(dlg, QStringLiteral("resources-dialog"));
                }
                if (name == "comctl32.dll" && !saved.contains(page)) {
                    saved.insert(page);
                    QCoreApplication::processEvents();
                    SaveScreenshot(dlg,
                                   QStringLiteral("resources-%1")
                                       .arg(QLatin1String(page->metaObject()->className()).mid(4)));
                }
            }
        }
    }
}

}  // namespace
