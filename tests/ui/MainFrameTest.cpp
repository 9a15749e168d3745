// The main window as a user drives it: a start folder, the list that follows the tree, command
// routing and enable rules, refresh, and the view mode commands.
#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitter>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>

#include "browser/LeftView.h"
#include "browser/RightView.h"
#include "res/Commands.h"
#include "settings/Settings.h"
#include "shell/ShellNamespace.h"
#include "support/HiveHelper.h"
#include "support/PeBuilder.h"

using tv::CCmdUI;
using tv::CLeftView;
using tv::CMainFrame;
using tv::CRightView;
using tv::CSettings;
using tv::CShellNamespace;
using tv::ICommandTarget;

namespace {

using namespace tv::cmd;

struct AppStub : ICommandTarget {
    std::vector<uint32_t> commands;
    bool OnCommand(uint32_t id) override {
        if (id != kAppAbout) return false;
        commands.push_back(id);
        return true;
    }
    bool OnUpdateCommand(CCmdUI& ui) override {
        if (ui.GetId() != kAppAbout) return false;
        ui.Enable(true);
        return true;
    }
};

struct Fixture {
    tv::test::CTempHive hive;
    tvtest::TempDir dir;
    AppStub app;
    std::unique_ptr<CMainFrame> frame;
    std::vector<std::string> headersOpened;

    Fixture() {
        EXPECT_TRUE(CSettings().SaveExtensions({"dll"}));
        std::filesystem::create_directories(dir.Path() / "pkg" / "lib");
        dir.Write("pkg/a.dll", tvtest::PeBuilder::Pe32().Build());
        dir.Write("pkg/notes.txt", std::vector<uint8_t>{'x'});
        frame = std::make_unique<CMainFrame>(&app, CShellNamespace(dir.Path().string()), nullptr);
        frame->SetModuleWindowActions({}, [this](const std::string& path) {
            headersOpened.push_back(path);
            return true;
        });
        frame->GetLeftView()->SetWarningBox([](QWidget*, const QString&) {});
        frame->show();
    }
    CRightView& List() { return *frame->GetRightView(); }
    CLeftView& Tree() { return *frame->GetLeftView(); }
    bool Enabled(uint32_t id) { return frame->QueryCommand(id).IsEnabled(); }
    tv::CItemIdList Folder(const std::string& relative) {
        return CShellNamespace(dir.Path().string()).PathToIdList((dir.Path() / relative).string());
    }
    void SelectRow(const std::string& name) {
        for (int i = 0; i < List().Model().GetItemCount(); ++i)
            if (List().Model().GetItemText(i, 0) == name) List().Model().SetItemSelected(i, true);
    }
    void Settle() {
        QElapsedTimer timer;
        timer.start();
        while (List().IsScanning() && timer.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::processEvents();
    }
};

TEST(MainFrameTest, StartFolderFillsTheListAndCommandsFollowTheSelection) {
    Fixture f;
    f.frame->InitialUpdate((f.dir.Path() / "pkg").string());
    f.Settle();
    ASSERT_EQ(f.List().Model().GetItemCount(), 2);  // lib/ and a.dll, not notes.txt
    EXPECT_EQ(f.List().Model().GetItemText(0, 0), "lib");

    // Nobody handles these: always disabled.
    for (uint32_t id : {kSettings, kEditUndo, kEditCut, kEditCopy, kEditPaste, kFilePrint})
        EXPECT_FALSE(f.Enabled(id)) << id;
    for (uint32_t id : {kViews, kShellInformation, kAboutWindows, kRefresh, kAppAbout})
        EXPECT_TRUE(f.Enabled(id)) << id;
    EXPECT_FALSE(f.Enabled(kHeaders));
    EXPECT_FALSE(f.Enabled(kFileOpen));
    EXPECT_TRUE(f.Enabled(kParentFolder));

    f.SelectRow("a.dll");
    EXPECT_TRUE(f.Enabled(kHeaders));
    EXPECT_TRUE(f.Enabled(kResources));
    EXPECT_FALSE(f.Enabled(kFileOpen));
    // The focus in the tree: the headers command still acts on the list's row.
    f.Tree().setFocus();
    QApplication::processEvents();
    f.frame->RouteCommand(kHeaders);
    ASSERT_EQ(f.headersOpened.size(), 1u);
    EXPECT_EQ(f.headersOpened[0], (f.dir.Path() / "pkg" / "a.dll").string());

    // Opening a folder row selects it in the tree, and the list follows.
    f.SelectRow("lib");
    EXPECT_TRUE(f.Enabled(kFileOpen));
    f.frame->RouteCommand(kFileOpen);
    f.Settle();
    EXPECT_EQ(f.List().Model().GetItemCount(), 0);
    EXPECT_TRUE(f.Enabled(kBack));
    f.frame->RouteCommand(kBack);
    f.Settle();
    EXPECT_EQ(f.List().Model().GetItemCount(), 2);
    EXPECT_TRUE(f.Enabled(kForward));

    f.frame->RouteCommand(kAppAbout);
    EXPECT_EQ(f.app.commands, std::vector<uint32_t>{kAppAbout});
}

TEST(MainFrameTest, RefreshRefillsOnlyTheListAndModesAreChecked) {
    Fixture f;
    f.frame->InitialUpdate((f.dir.Path() / "pkg").string());
    f.Settle();
    const auto selected = f.Tree().GetSelectedIdList();
    const bool couldGoBack = f.Tree().CanGoBack();
    f.dir.Write("pkg/b.dll", tvtest::PeBuilder::Pe32().Build());
    f.SelectRow("a.dll");
    f.frame->RouteCommand(kRefresh);
    f.Settle();
    EXPECT_EQ(f.List().Model().GetItemCount(), 3);
    EXPECT_EQ(f.List().GetSelectedPath(), (f.dir.Path() / "pkg" / "a.dll").string());
    EXPECT_EQ(f.Tree().GetSelectedIdList(), selected);
    EXPECT_EQ(f.Tree().CanGoBack(), couldGoBack);

    f.frame->RouteCommand(kResourceDetails);
    EXPECT_TRUE(f.frame->QueryCommand(kResourceDetails).IsChecked());
    EXPECT_FALSE(f.frame->QueryCommand(kViewDetails).IsChecked());
    EXPECT_FALSE(f.frame->QueryCommand(kViewLargeIcons).IsChecked());
    f.frame->UpdateCommandStates();
    QAction* action = f.frame->FindAction(kResourceDetails);
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isChecked());
    EXPECT_TRUE(action->isEnabled());
    EXPECT_FALSE(f.frame->FindAction(kSettings)->isEnabled());
    f.Settle();
}

TEST(MainFrameTest, AStartPathThatCannotBeSelectedIsReported) {
    Fixture f;
    QString warning;
    f.Tree().SetWarningBox([&](QWidget*, const QString& text) { warning = text; });
    f.frame->InitialUpdate((f.dir.Path() / "pkg" / "gone" / "deeper").string());
    f.Settle();
    EXPECT_TRUE(warning.startsWith(QStringLiteral("Can't set the path\n")));
    EXPECT_EQ(f.List().Model().GetItemCount(), 0);
}

// What a file manager's "Open with" hands over: the file's folder, with the file selected.
TEST(MainFrameTest, AStartPathNamingAFileSelectsItInItsFolder) {
    Fixture f;
    QString warning;
    f.Tree().SetWarningBox([&](QWidget*, const QString& text) { warning = text; });
    const std::string module = (f.dir.Path() / "pkg" / "a.dll").string();
    f.frame->InitialUpdate(module);
    f.Settle();
    EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
    EXPECT_EQ(f.Tree().GetSelectedIdList(), f.Folder("pkg"));
    EXPECT_EQ(f.List().GetSelectedPath(), module);
    EXPECT_TRUE(f.Enabled(kHeaders));
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("pkg - Tarnview"));

    // A file the extension list leaves out is shown all the same: the user asked for it.
    Fixture g;
    const std::string notes = (g.dir.Path() / "pkg" / "notes.txt").string();
    g.frame->InitialUpdate(notes);
    g.Settle();
    EXPECT_EQ(g.List().Model().GetItemCount(), 3);
    EXPECT_EQ(g.List().GetSelectedPath(), notes);
}

// The title names the folder the window shows, wherever the user goes.
TEST(MainFrameTest, TheTitleFollowsTheShownFolder) {
    Fixture f;
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("Tarnview"));
    f.frame->InitialUpdate((f.dir.Path() / "pkg").string());
    f.Settle();
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("pkg - Tarnview"));
    f.SelectRow("lib");
    f.frame->RouteCommand(kFileOpen);
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("lib - Tarnview"));
    f.frame->RouteCommand(kParentFolder);
    f.frame->RouteCommand(kParentFolder);
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("Pers\u00f6nlicher Ordner - Tarnview"));
    f.Settle();
}

// Folders the tree had not read, or leaves out as hidden, open from the list like any other, and
// Refresh reads the tree's level again without losing the user's place.
TEST(MainFrameTest, EveryFolderRowOpensAndRefreshRereadsTheTree) {
    Fixture f;
    std::filesystem::create_directories(f.dir.Path() / "pkg" / ".config" / "inner");
    f.frame->InitialUpdate((f.dir.Path() / "pkg").string());
    f.Settle();
    std::filesystem::create_directories(f.dir.Path() / "pkg" / "later");
    f.frame->RouteCommand(kRefresh);
    f.Settle();
    for (const char* name : {".config", "later"}) {
        f.SelectRow(name);
        ASSERT_TRUE(f.Enabled(kFileOpen)) << name;
        f.frame->RouteCommand(kFileOpen);
        f.Settle();
        EXPECT_EQ(f.Tree().GetSelectedIdList(), f.Folder(std::string("pkg/") + name)) << name;
        f.frame->RouteCommand(kBack);
        f.Settle();
    }
    // A double click on the row opens it the same way.
    f.SelectRow(".config");
    f.List().OnRowActivated(f.List().GetSelectedRow());
    f.Settle();
    EXPECT_EQ(f.Tree().GetSelectedIdList(), f.Folder("pkg/.config"));
    EXPECT_EQ(f.List().Model().GetItemText(0, 0), "inner");

    // Refresh on the parent: a folder made since comes into the tree, a removed one goes, and
    // the selection, its expansion and the history stay.
    f.frame->RouteCommand(kParentFolder);
    f.Settle();
    const tv::CItemIdList pkg = f.Tree().GetSelectedIdList();
    const bool couldGoBack = f.Tree().CanGoBack();
    std::filesystem::create_directories(f.dir.Path() / "pkg" / "newer");
    std::filesystem::remove_all(f.dir.Path() / "pkg" / "lib");
    f.frame->RouteCommand(kRefresh);
    f.Settle();
    EXPECT_EQ(f.Tree().GetSelectedIdList(), pkg);
    EXPECT_EQ(f.Tree().CanGoBack(), couldGoBack);
    EXPECT_TRUE(f.Tree().IsSelectedExpanded());
    std::vector<std::string> children;
    const QModelIndex selected = f.Tree().currentIndex();
    for (int row = 0; row < f.Tree().model()->rowCount(selected); ++row)
        children.push_back(
            f.Tree().model()->index(row, 0, selected).data().toString().toStdString());
    EXPECT_EQ(children, (std::vector<std::string>{".config", "later", "newer"}));
}

// Rows, not cells: Tab leaves the list for the tree and back, and a mode change keeps the
// selected row with the commands it enables.
TEST(MainFrameTest, TabMovesBetweenThePanesAndModesKeepTheSelection) {
    Fixture f;
    f.frame->InitialUpdate((f.dir.Path() / "pkg").string());
    f.Settle();
    f.frame->RouteCommand(kViewDetails);
    f.Settle();
    QApplication::setActiveWindow(f.frame.get());
    QWidget* list = f.List().CurrentView();
    list->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_TRUE(f.Tree().hasFocus());
    QTest::keyClick(&f.Tree(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(f.Tree().hasFocus());

    f.SelectRow("a.dll");
    ASSERT_TRUE(f.Enabled(kHeaders));
    for (uint32_t mode : {kVersionDetails, kViewList, kResourceDetails}) {
        f.frame->RouteCommand(mode);
        EXPECT_EQ(f.List().GetSelectedPath(), (f.dir.Path() / "pkg" / "a.dll").string()) << mode;
        EXPECT_TRUE(f.Enabled(kHeaders)) << mode;
        EXPECT_TRUE(f.Enabled(kProperties)) << mode;
    }
    f.Settle();
}

// "Fenster teilen" holds the split bar: it follows the mouse and the arrow keys until a click or
// Enter sets it, and Escape puts it back.
TEST(MainFrameTest, TheSplitCommandMovesTheBarUntilItIsSet) {
    Fixture f;
    f.frame->InitialUpdate((f.dir.Path() / "pkg").string());
    QApplication::setActiveWindow(f.frame.get());
    auto* splitter = f.frame->findChild<QSplitter*>();
    ASSERT_NE(splitter, nullptr);
    const int start = splitter->sizes().value(0);
    const auto left = [&] { return splitter->sizes().value(0); };

    f.frame->RouteCommand(kWindowSplit);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(splitter, Qt::Key_Right);
    EXPECT_EQ(left(), start + 24);
    QTest::keyClick(splitter, Qt::Key_Return);
    QTest::keyClick(splitter, Qt::Key_Right);  // set: the keys are the views' again
    EXPECT_EQ(left(), start + 24);

    f.frame->RouteCommand(kWindowSplit);
    const QPoint at(start / 2, splitter->height() / 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(splitter->mapToGlobal(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &move);
    EXPECT_LT(left(), start);
    QTest::keyClick(splitter, Qt::Key_Escape);
    EXPECT_EQ(left(), start + 24);

    f.frame->RouteCommand(kWindowSplit);
    QApplication::sendEvent(splitter, &move);
    QTest::mouseClick(splitter, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_LT(left(), start);
    f.Settle();
}

TEST(MainFrameTest, ModeEntriesShowTheirMarksFromTheStart) {
    Fixture f;
    f.frame->InitialUpdate((f.dir.Path() / "pkg").string());
    f.frame->UpdateCommandStates();
    for (uint32_t mode : {kViewLargeIcons, kViewSmallIcons, kViewList, kViewDetails,
                          kVersionDetails, kResourceDetails}) {
        QAction* action = f.frame->FindAction(mode);
        ASSERT_NE(action, nullptr) << mode;
        EXPECT_TRUE(action->isCheckable()) << mode;
    }
    f.Settle();
}

}  // namespace
