// The module list window over real folders: rows and filter, modes and columns, header clicks,
// the background scan's texts, and refills and mode changes in the middle of a scan.
#include "browser/RightView.h"

#include "browser/QtModuleIconLoader.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "res/Commands.h"
#include "settings/RegistryKey.h"
#include "settings/Settings.h"
#include "support/HiveHelper.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CCmdUI;
using tv::CRegistryKey;
using tv::CRightView;
using tv::CSettings;
using tv::CShellNamespace;

namespace {

using namespace tvtest;

// 3 bitmaps, 2 icons, an icon group and a version resource.
std::vector<uint8_t> Module(const char* description) {
    auto builder = PeBuilder::Pe32();
    const auto icon = IconImage(16, 16, 4).Build();
    for (uint16_t id = 1; id <= 3; ++id)
        builder.AddResource(2, id, 0, Dib(2, 2, 1).Build());
    builder.AddResource(3, 1, 0, icon).AddResource(3, 2, 0, icon);
    builder.AddResource(14, 1, 0, GroupIcon({IconEntryFor(icon, 1), IconEntryFor(icon, 2)}));
    builder.AddResource(16, 1, 0x0409,
                        VersionInfoBuilder()
                            .StringTable(0x0409, 1200)
                            .Value("ProductVersion", "2.0")
                            .Value("FileDescription", description)
                            .Translation(0x0409, 1200)
                            .Build());
    return builder.Build();
}

struct Fixture {
    tv::test::CTempHive hive;
    TempDir dir;
    CShellNamespace shell{dir.Path().string()};
    std::vector<QString> messages;

    explicit Fixture(std::vector<std::string> extensions = {"exe", "dll"}) {
        CSettings settings;
        EXPECT_TRUE(settings.SaveExtensions(extensions));
    }
    std::unique_ptr<CRightView> MakeView() {
        auto view = std::make_unique<CRightView>(shell, nullptr);
        view->SetMessageHandler([this](const QString& text) { messages.push_back(text); });
        view->resize(800, 400);
        view->InitialUpdate();
        return view;
    }
    tv::CItemIdList Folder(const std::string& name = "") {
        return shell.PathToIdList((dir.Path() / name).string());
    }
};

std::vector<std::string> Column(CRightView& view, int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < view.Model().GetItemCount(); ++i)
        texts.push_back(view.Model().GetItemText(i, column));
    return texts;
}

bool WaitForScan(CRightView& view) {
    QElapsedTimer timer;
    timer.start();
    while (view.IsScanning() && timer.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return !view.IsScanning();
}

TEST(RightViewTest, ListsFoldersFirstThenFilesWithTheExactExtension) {
    Fixture f({"exe", " dll "});
    const std::vector<uint8_t> none;
    for (const char* name : {"a.exe", "B.EXE", "readme", "x.dll"})
        f.dir.Write(name, none);
    std::filesystem::create_directory(f.dir.Path() / "sub");
    auto view = f.MakeView();
    view->Refill(f.Folder());
    auto names = Column(*view, 0);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "sub");
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"sub", "a.exe", "x.dll"}));
    EXPECT_TRUE(f.messages.empty());

    // A null folder (nothing selected in the tree) empties the list.
    view->Refill(tv::CItemIdList());
    EXPECT_EQ(view->Model().GetItemCount(), 0);
}

TEST(RightViewTest, AnEmptyExtensionListIsRestoredAndAnUnknownModeShowsLargeIcons) {
    Fixture f(std::vector<std::string>{});
    CRegistryKey key;
    ASSERT_TRUE(key.Open(std::string(CSettings::kProductKey) + "\\ViewSettings",
                         tv::HKEY_CURRENT_USER, true));
    ASSERT_TRUE(key.WriteDword("RightViewStyle", 7));
    key.Close();
    auto view = f.MakeView();
    EXPECT_TRUE(f.messages.empty());
    EXPECT_EQ(CSettings().GetExtensionCount(), 6);
    EXPECT_EQ(view->Model().columnCount(), 1);
    EXPECT_EQ(view->CurrentView(), view->IconView());
    EXPECT_EQ(view->IconView()->viewMode(), QListView::IconMode);
    CCmdUI large(tv::cmd::kViewLargeIcons);
    view->UpdateViewModeUI(large);
    EXPECT_TRUE(large.IsChecked());
    EXPECT_EQ(CSettings().GetRightViewStyle(), 7u);  // unchanged until the user picks a mode
}

TEST(RightViewTest, ModesRebuildColumnsAndTheScanFillsThem) {
    Fixture f;
    f.dir.Write("m.dll", Module("Erstes Modul"));
    std::filesystem::create_directory(f.dir.Path() / "sub");
    auto view = f.MakeView();
    view->Refill(f.Folder());
    ASSERT_EQ(view->Model().GetItemCount(), 2);

    view->SetViewMode(tv::cmd::kResourceDetails);
    EXPECT_EQ(CSettings().GetRightViewStyle(), tv::cmd::kResourceDetails);
    EXPECT_EQ(view->Model().columnCount(), 9);
    EXPECT_EQ(view->CurrentView(), view->ReportView());
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_EQ(view->Model().GetItemText(1, 1), "3");
    EXPECT_EQ(view->Model().GetItemText(1, 4), "2");
    EXPECT_EQ(view->Model().GetItemText(1, 7), "1");
    EXPECT_EQ(view->Model().GetItemText(1, 8), "1");
    EXPECT_EQ(view->Model().GetItemText(1, 2), "");
    // Columns grew to their texts, never below the header.
    EXPECT_GE(view->ReportView()->horizontalHeader()->sectionSize(6),
              view->fontMetrics().horizontalAdvance(QStringLiteral("Stringtabellen")));

    view->SetViewMode(tv::cmd::kVersionDetails);
    EXPECT_EQ(view->Model().columnCount(), 4);
    EXPECT_EQ(view->Model().GetItemText(1, 2), "");  // a new mode starts with empty cells
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_EQ(view->Model().GetItemText(1, 1), "2.0");
    EXPECT_EQ(view->Model().GetItemText(1, 2), "Erstes Modul");

    view->SetViewMode(tv::cmd::kViewDetails);
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_EQ(view->Model().GetItemText(0, 2), "Ordner");
    EXPECT_EQ(view->Model().GetItemText(0, 1), "");  // folders get their type only
    EXPECT_EQ(view->Model().GetItemText(1, 2), "Programmbibliothek");
    EXPECT_FALSE(view->Model().GetItemText(1, 5).empty());

    view->SetViewMode(tv::cmd::kViewList);
    EXPECT_EQ(view->Model().columnCount(), 1);
    EXPECT_EQ(view->IconView()->flow(), QListView::TopToBottom);
    view->SetViewMode(12345);  // not a mode: nothing changes
    EXPECT_EQ(view->GetViewMode(), tv::cmd::kViewList);
}

TEST(RightViewTest, HeaderClicksSortWithMarksButNotWhileScanning) {
    Fixture f;
    f.dir.Write("b.dll", std::vector<uint8_t>(3000, 1));
    f.dir.Write("a.dll", std::vector<uint8_t>(10, 1));
    f.dir.Write("c.dll", std::vector<uint8_t>(200000, 1));
    auto view = f.MakeView();
    QAbstractItemModelTester tester(&view->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    view->SetViewMode(tv::cmd::kViewDetails);
    view->Refill(f.Folder());
    const auto before = Column(*view, 0);
    // The scan's end has not been processed yet: the click only beeps.
    ASSERT_TRUE(view->IsScanning());
    view->OnColumnClick(1);
    EXPECT_EQ(Column(*view, 0), before);
    EXPECT_EQ(view->GetSortColumn(), -1);

    ASSERT_TRUE(WaitForScan(*view));
    view->OnColumnClick(1);
    EXPECT_EQ(Column(*view, 0), (std::vector<std::string>{"a.dll", "b.dll", "c.dll"}));
    EXPECT_EQ(view->Adapter().GetColumnImage(1), 18);
    view->OnColumnClick(1);
    EXPECT_EQ(Column(*view, 0), (std::vector<std::string>{"c.dll", "b.dll", "a.dll"}));
    EXPECT_EQ(view->Adapter().GetColumnImage(1), 19);
    view->OnColumnClick(0);
    EXPECT_EQ(view->Adapter().GetColumnImage(0), 18);
    EXPECT_LT(view->Adapter().GetColumnImage(1), 0);

    // The selection and the row records move with their rows.
    view->Model().SetItemSelected(2, true);
    const std::string selected = view->GetSelectedPath();
    view->OnColumnClick(0);
    EXPECT_EQ(view->GetSelectedPath(), selected);
    EXPECT_TRUE(view->IsSelectedModule());
}

TEST(RightViewTest, RefillsAndModeChangesMidScanLeaveNoStaleTexts) {
    Fixture f;
    std::filesystem::create_directory(f.dir.Path() / "one");
    std::filesystem::create_directory(f.dir.Path() / "two");
    for (int i = 0; i < 40; ++i) {
        f.dir.Write("one/m" + std::to_string(i) + ".dll", Module("Eins"));
        f.dir.Write("two/n" + std::to_string(i) + ".dll", Module("Zwei"));
    }
    auto view = f.MakeView();
    QAbstractItemModelTester tester(&view->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    view->SetViewMode(tv::cmd::kVersionDetails);
    for (int round = 0; round < 30; ++round) {
        view->Refill(f.Folder(round % 2 ? "one" : "two"));
        QApplication::processEvents();
        if (round % 5 == 0) view->SetViewMode(tv::cmd::kResourceDetails);
        if (round % 5 == 1) view->SetViewMode(tv::cmd::kVersionDetails);
    }
    view->Refill(f.Folder("one"));
    ASSERT_TRUE(WaitForScan(*view));
    ASSERT_EQ(view->Model().GetItemCount(), 40);
    for (const std::string& text : Column(*view, 2))
        EXPECT_EQ(text, "Eins");
}

TEST(RightViewTest, DoubleClickFollowsTheSetting) {
    Fixture f;
    f.dir.Write("m.dll", Module("x"));
    std::filesystem::create_directory(f.dir.Path() / "sub");
    auto view = f.MakeView();
    view->Refill(f.Folder());
    std::vector<uint32_t> commands;
    view->SetCommandHandler([&](uint32_t id) { commands.push_back(id); }, {});
    std::vector<tv::CItemIdList> opened;
    QObject::connect(view.get(), &CRightView::folderOpened,
                     [&](const tv::CItemIdList& id) { opened.push_back(id); });

    view->OnRowActivated(0);  // the folder
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], f.Folder("sub"));
    // Enter on the selected row opens it as a double click does.
    view->show();
    view->Model().SetItemSelected(0, true);
    view->CurrentView()->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(view->CurrentView(), &enter);
    EXPECT_EQ(opened.size(), 2u);

    CRegistryKey key;
    ASSERT_TRUE(key.Open(std::string(CSettings::kProductKey) + "\\ViewSettings",
                         tv::HKEY_CURRENT_USER, true));
    for (uint32_t action : {1u, 2u, 3u, 0u, 4u}) {
        ASSERT_TRUE(key.WriteDword("DoubleClickAction", action));
        view->OnRowActivated(1);
    }
    EXPECT_EQ(commands, (std::vector<uint32_t>{tv::cmd::kProperties, tv::cmd::kResources,
                                               tv::cmd::kHeaders}));
    WaitForScan(*view);
}

TEST(RightViewTest, IconsAreFetchedOnlyForRowsThatArePainted) {
    Fixture f;
    for (int i = 0; i < 400; ++i)
        f.dir.Write("m" + std::to_string(i) + ".dll", Module("x"));
    auto view = f.MakeView();
    view->SetViewMode(tv::cmd::kViewLargeIcons);
    view->resize(300, 200);
    view->show();
    view->Refill(f.Folder());
    WaitForScan(*view);
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    view->repaint();
    const size_t fetched = view->Model().FetchedIconCount();
    EXPECT_GT(fetched, 0u);
    EXPECT_LT(fetched, 100u);
    view->repaint();
    EXPECT_EQ(view->Model().FetchedIconCount(), fetched) << "a row fetches its icon once";
    // The modules' own icons are decoded off the UI thread and replace the stand-ins.
    auto shownOwnIcon = [&] {
        const auto names = Column(*view, 0);
        const auto at = std::find(names.begin(), names.end(), "m0.dll");
        if (at == names.end()) return false;
        const QModelIndex row = view->Model().index(static_cast<int>(at - names.begin()), 0);
        view->IconView()->scrollTo(row);
        view->repaint();
        const auto icon = row.data(Qt::DecorationRole).value<QIcon>();
        return icon.availableSizes() == QList<QSize>{QSize(16, 16)};
    };
    ASSERT_TRUE(QTest::qWaitFor(shownOwnIcon, 5000));
    const size_t decoded = view->IconLoader().DecodeCount();
    EXPECT_LE(decoded, view->Model().FetchedIconCount()) << "only painted rows are decoded";

    // Back in the same folder the icons come from the cache; a module that changed is decoded
    // anew.
    f.dir.Write("m0.dll", Module("a changed description"));
    view->Refill(f.Folder());
    ASSERT_TRUE(QTest::qWaitFor(shownOwnIcon, 5000));
    EXPECT_EQ(view->IconLoader().DecodeCount(), decoded + 1);
}

}  // namespace
