#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "Screenshot.h"
#include "app/MainFrame.h"
#include "browser/LeftView.h"
#include "browser/RightView.h"
#include "res/Commands.h"
#include "settings/Settings.h"
#include "shell/ShellNamespace.h"
#include "support/HiveHelper.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

TEST(UiSmoke, ApplicationRunsOffscreen) { EXPECT_NE(QApplication::instance(), nullptr); }

namespace {

using namespace tv::cmd;

// A module with bitmaps, icons, a dialog-less version block: the resource columns get numbers.
std::vector<uint8_t> Module(int bitmaps) {
    auto builder = tvtest::PeBuilder::Pe32().Dll();
    for (int id = 1; id <= bitmaps; ++id)
        builder.AddResource(2, static_cast<uint16_t>(id), 0, tvtest::Dib(2, 2, 1).Build());
    builder.AddResource(16, 1, 0x0407,
                        tvtest::VersionInfoBuilder()
                            .StringTable(0x0407, 1200)
                            .Value("ProductVersion", "1.0")
                            .Value("FileDescription", "Ein Modul")
                            .Translation(0x0407, 1200)
                            .Build());
    return builder.Build();
}

// The main window in the situations users met, each saved as a picture when
// TARNVIEW_SCREENSHOT_DIR names a folder (scripts/screenshots.sh sets it); skipped otherwise.
class MainWindowScreens : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("TARNVIEW_SCREENSHOT_DIR").isEmpty())
            GTEST_SKIP() << "only for pictures";
        EXPECT_TRUE(tv::CSettings().SaveExtensions({"dll", "exe"}));
        const std::filesystem::path& root = m_dir.Path();
        std::filesystem::create_directories(root / "pkg" / ".config" / "autostart");
        std::filesystem::create_directories(root / "pkg" / "nur-dateien");
        std::filesystem::create_directories(root / "pkg" / "mit-ordner" / "innen");
        m_dir.Write("pkg/nur-dateien/a.dll", Module(1));
        m_dir.Write("pkg/zwei\nZeilen.dll", Module(2));
        m_dir.Write("pkg/" + std::string(180, 'n') + ".dll", Module(1));
        for (int i = 0; i < 12; ++i)
            m_dir.Write("pkg/modul" + std::to_string(i) + ".dll", Module(i % 5));
        for (int i = 0; i < 6000; ++i)
            m_dir.Write("viele/m" + std::to_string(i) + ".dll", Module(1));
        m_frame =
            std::make_unique<tv::CMainFrame>(nullptr, tv::CShellNamespace(root.string()), nullptr);
        m_frame->GetLeftView()->SetWarningBox([](QWidget*, const QString&) {});
        m_frame->show();
        QApplication::setActiveWindow(m_frame.get());
    }

    tv::CRightView& List() { return *m_frame->GetRightView(); }

    void Settle() {
        QElapsedTimer timer;
        timer.start();
        while (List().IsScanning() && timer.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::processEvents();
    }

    void SelectRow(const std::string& name) {
        for (int i = 0; i < List().Model().GetItemCount(); ++i)
            if (List().Model().GetItemText(i, 0) == name) List().Model().SetItemSelected(i, true);
    }

    tv::test::CTempHive m_hive;
    tvtest::TempDir m_dir;
    std::unique_ptr<tv::CMainFrame> m_frame;
};

TEST_F(MainWindowScreens, TheSituationsOfTheBrowser) {
    const std::string pkg = (m_dir.Path() / "pkg").string();
    // Started with a file: its folder, the file selected; the long name fits in half the pane.
    m_frame->InitialUpdate(pkg + "/modul3.dll");
    m_frame->RouteCommand(kViewDetails);
    Settle();
    m_frame->GetLeftView()->ExpandSelected();
    SaveScreenshot(*m_frame, QStringLiteral("browser-start-file-details"));

    // A name with a line feed in list mode stays on one line.
    m_frame->RouteCommand(kViewList);
    Settle();
    SaveScreenshot(*m_frame, QStringLiteral("browser-list-linefeed"));

    // The resource counts sorted: the mark sits right of the right-aligned text.
    m_frame->RouteCommand(kResourceDetails);
    Settle();
    List().OnColumnClick(1);
    List().OnColumnClick(1);
    SaveScreenshot(*m_frame, QStringLiteral("browser-resource-details-sorted"));

    // The view menu with the marks of all modes.
    if (QMenu* view = m_frame->menuBar()->actions().value(2)->menu()) {
        view->popup(m_frame->mapToGlobal(QPoint(60, 20)));
        QApplication::processEvents();
        SaveScreenshot(*view, QStringLiteral("browser-view-menu"));
        view->close();
    }

    // A hidden folder opened from the list shows in the tree.
    m_frame->RouteCommand(kViewDetails);
    Settle();
    SelectRow(".config");
    m_frame->RouteCommand(kFileOpen);
    Settle();
    SaveScreenshot(*m_frame, QStringLiteral("browser-hidden-folder-opened"));

    // A folder that vanished says why it shows nothing.
    m_frame->RouteCommand(kParentFolder);
    Settle();
    const tv::CItemIdList gone = m_frame->GetLeftView()->Namespace().PathToIdList(pkg + "/.config");
    std::filesystem::remove_all(pkg + "/.config");
    List().Refill(gone);
    SaveScreenshot(*m_frame, QStringLiteral("browser-unreadable-folder"));

    // Many modules: the scan's progress in the status bar.
    m_frame->RouteCommand(kParentFolder);
    Settle();
    SelectRow("viele");
    m_frame->RouteCommand(kVersionDetails);
    m_frame->RouteCommand(kFileOpen);
    // The first batches are in, the scan goes on.
    for (int i = 0; i < 3 && List().IsScanning(); ++i)
        QTest::qWait(tv::CRightView::kScanBatchInterval);
    EXPECT_TRUE(m_frame->MessageText().startsWith(QStringLiteral("Details: ")))
        << m_frame->MessageText().toStdString();
    SaveScreenshot(*m_frame, QStringLiteral("browser-scan-progress"));
    Settle();
}

}  // namespace
