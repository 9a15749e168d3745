// The module list window over real folders: rows and filter, modes and columns, header clicks,
// the background scan's texts, and refills and mode changes in the middle of a scan.
#include "browser/RightView.h"

#include "browser/PropertiesDlg.h"
#include "browser/QtModuleIconLoader.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QProxyStyle>
#include <QScrollBar>
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

// Automatic widths belong to one fill: the next starts afresh, none grows past half the view,
// the widest name is not cut by its icon, and a width the user set stays until the mode changes.
TEST(RightViewTest, ColumnWidthsStartAfreshAtEachFill) {
    Fixture f;
    const std::string longName = std::string(240, 'w') + ".dll";
    const std::string mediumName = std::string(20, 'm') + ".dll";
    f.dir.Write("long/" + longName, Module("x"));
    f.dir.Write("medium/" + mediumName, Module("x"));
    f.dir.Write("short/a.dll", Module("x"));
    auto view = f.MakeView();
    view->SetViewMode(tv::cmd::kViewDetails);
    view->show();
    QHeaderView* header = view->ReportView()->horizontalHeader();
    QScrollBar* sideways = view->ReportView()->horizontalScrollBar();

    view->Refill(f.Folder("long"));
    ASSERT_TRUE(WaitForScan(*view));
    QApplication::processEvents();
    const int longWidth = header->sectionSize(0);
    EXPECT_LE(longWidth, view->width() / 2);
    EXPECT_GT(longWidth, 160);
    sideways->setValue(sideways->maximum());
    ASSERT_GT(sideways->value(), 0);

    view->Refill(f.Folder("short"));
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_LT(header->sectionSize(0), longWidth);
    EXPECT_EQ(sideways->value(), 0);

    view->Refill(f.Folder("medium"));
    ASSERT_TRUE(WaitForScan(*view));
    const int text =
        view->ReportView()->fontMetrics().horizontalAdvance(QString::fromStdString(mediumName));
    const int icon = view->ReportView()->iconSize().width();
    EXPECT_GE(header->sectionSize(0), text + 25 + icon);

    // The user's width of "Modultyp" stays over refills, until another mode is chosen.
    header->resizeSection(2, 333);
    view->Refill(f.Folder("long"));
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_EQ(header->sectionSize(2), 333);
    view->SetViewMode(tv::cmd::kVersionDetails);
    view->SetViewMode(tv::cmd::kViewDetails);
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_NE(header->sectionSize(2), 333);
}

// The report modes move by rows: Home and End go to the first and last row, the first Down in
// a list without a selection selects the first row, and typing finds a name.
TEST(RightViewTest, TheKeyboardMovesByRows) {
    Fixture f;
    for (const char* name : {"alpha.dll", "beta.dll", "gamma.dll", "delta.dll"})
        f.dir.Write(name, Module("x"));
    auto view = f.MakeView();
    view->SetViewMode(tv::cmd::kViewDetails);
    view->Refill(f.Folder());
    ASSERT_TRUE(WaitForScan(*view));
    view->show();
    QApplication::setActiveWindow(view.get());
    QTableView* report = view->ReportView();
    report->setFocus();
    QApplication::processEvents();
    const auto selectedName = [&] {
        const int row = view->GetSelectedRow();
        return row < 0 ? std::string("<none>") : view->Model().GetItemText(row, 0);
    };
    const auto names = Column(*view, 0);

    QTest::keyClick(report, Qt::Key_Down);
    EXPECT_EQ(selectedName(), names.front());
    QTest::keyClick(report, Qt::Key_End);
    EXPECT_EQ(selectedName(), names.back());
    EXPECT_EQ(report->currentIndex().column(), 0);
    EXPECT_EQ(report->horizontalScrollBar()->value(), 0);
    QTest::keyClick(report, Qt::Key_Home);
    EXPECT_EQ(selectedName(), names.front());
    QTest::keyClick(report, Qt::Key_Right);
    QTest::keyClick(report, Qt::Key_Down);
    EXPECT_EQ(selectedName(), names[1]);
    EXPECT_EQ(report->currentIndex().column(), 0);

    QTest::keyClicks(report, QStringLiteral("ga"));
    EXPECT_EQ(selectedName(), "gamma.dll");
    WaitForScan(*view);
}

// "The rows stay" when the mode changes, and so do the selected and the current row.
TEST(RightViewTest, ModeChangesKeepTheSelectedRow) {
    Fixture f;
    for (const char* name : {"a.dll", "b.dll", "c.dll"})
        f.dir.Write(name, Module("x"));
    auto view = f.MakeView();
    QAbstractItemModelTester tester(&view->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    view->Refill(f.Folder());
    view->Model().SetItemSelected(1, true);
    const std::string selected = view->GetSelectedPath();
    ASSERT_FALSE(selected.empty());
    for (uint32_t mode : {tv::cmd::kViewDetails, tv::cmd::kVersionDetails, tv::cmd::kViewList,
                          tv::cmd::kResourceDetails, tv::cmd::kViewLargeIcons}) {
        view->SetViewMode(mode);
        EXPECT_EQ(view->GetSelectedRow(), 1) << mode;
        EXPECT_EQ(view->GetSelectedPath(), selected) << mode;
        EXPECT_TRUE(view->IsSelectedModule()) << mode;
        EXPECT_EQ(view->CurrentView()->currentIndex().row(), 1) << mode;
    }
    WaitForScan(*view);
}

// A line feed or another control character in a name is drawn as an escape, so one row stays
// one line; the row still names the real file.
TEST(RightViewTest, ControlCharactersInNamesShowAsEscapes) {
    Fixture f;
    f.dir.Write("zwei\nZeilen.dll", Module("x"));
    f.dir.Write("mit\tTab\x01.dll", Module("x"));
    auto view = f.MakeView();
    view->SetViewMode(tv::cmd::kViewList);
    view->Refill(f.Folder());
    std::vector<std::string> shown;
    for (int row = 0; row < view->Model().rowCount(); ++row)
        shown.push_back(view->Model().index(row, 0).data().toString().toStdString());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"mit\\tTab\\x01.dll", "zwei\\nZeilen.dll"}));
    for (int row = 0; row < view->Model().rowCount(); ++row) {
        view->Model().SetItemSelected(row, true);
        EXPECT_TRUE(std::filesystem::exists(view->GetSelectedPath()));
    }
    WaitForScan(*view);
}

// A row opens on a double click and on Enter, never on a single click, whatever the desktop's
// single-click setting says.
TEST(RightViewTest, ASingleClickNeverOpensARow) {
    class CSingleClickStyle : public QProxyStyle {
    public:
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* returned) const override {
            if (hint == SH_ItemView_ActivateItemOnSingleClick) return 1;
            return QProxyStyle::styleHint(hint, option, widget, returned);
        }
    };
    Fixture f;
    f.dir.Write("m.dll", Module("x"));
    auto view = f.MakeView();
    std::vector<uint32_t> commands;
    view->SetCommandHandler([&](uint32_t id) { commands.push_back(id); }, {});
    view->Refill(f.Folder());
    view->show();
    for (uint32_t mode : {tv::cmd::kViewDetails, tv::cmd::kViewList}) {
        view->SetViewMode(mode);
        QAbstractItemView* list = view->CurrentView();
        CSingleClickStyle style;
        list->setStyle(&style);
        commands.clear();
        const QPoint at = list->visualRect(view->Model().index(0, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_TRUE(commands.empty()) << mode;
        EXPECT_EQ(view->GetSelectedRow(), 0) << mode;
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(commands, std::vector<uint32_t>{tv::cmd::kProperties}) << mode;
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(commands.size(), 2u) << mode;
        list->setStyle(nullptr);
    }
    WaitForScan(*view);
}

// One file, one type name: the list's "Modultyp" and the properties window say the same, the
// program's table for a module, the desktop's name for any other file.
TEST(RightViewTest, TheListAndThePropertiesWindowNameATypeAlike) {
    Fixture f({"dll", "txt"});
    f.dir.Write("m.dll", Module("x"));
    f.dir.Write("notes.txt", std::vector<uint8_t>{'h', 'i', '\n'});
    auto view = f.MakeView();
    view->SetViewMode(tv::cmd::kViewDetails);
    view->Refill(f.Folder());
    ASSERT_TRUE(WaitForScan(*view));
    ASSERT_EQ(view->Model().GetItemCount(), 2);
    for (int row = 0; row < 2; ++row) {
        view->Model().SetItemSelected(row, true);
        tv::CPropertiesDlg properties;
        ASSERT_TRUE(properties.LoadPath(view->GetSelectedPath()));
        EXPECT_EQ(properties.ValueOf(QStringLiteral("Typ:")).toStdString(),
                  view->Model().GetItemText(row, 2));
        if (view->Model().GetItemText(row, 0) == "m.dll")
            EXPECT_EQ(view->Model().GetItemText(row, 2), "Programmbibliothek");
    }
}

// The status bar hears how far the scan is and why a folder shows nothing.
TEST(RightViewTest, TheStatusTextTellsTheScansProgressAndUnreadableFolders) {
    Fixture f;
    for (int i = 0; i < 30; ++i)
        f.dir.Write("many/m" + std::to_string(i) + ".dll", Module("x"));
    std::filesystem::create_directory(f.dir.Path() / "gone");
    auto view = f.MakeView();
    std::vector<QString> texts;
    QObject::connect(view.get(), &CRightView::statusTextChanged,
                     [&](const QString& text) { texts.push_back(text); });
    view->SetViewMode(tv::cmd::kVersionDetails);
    view->Refill(f.Folder("many"));
    // A header click is refused while the scan runs, and the header's cursor says so.
    QWidget* header = view->ReportView()->horizontalHeader()->viewport();
    EXPECT_EQ(header->cursor().shape(), Qt::BusyCursor);
    ASSERT_FALSE(texts.empty());
    EXPECT_TRUE(texts.back().startsWith(QStringLiteral("Details: "))) << texts.back().toStdString();
    EXPECT_TRUE(texts.back().endsWith(QStringLiteral(" von 30"))) << texts.back().toStdString();
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_EQ(texts.back(), QString());
    EXPECT_EQ(view->StatusText(), QString());
    EXPECT_FALSE(header->testAttribute(Qt::WA_SetCursor));

    const tv::CItemIdList gone = f.Folder("gone");
    std::filesystem::remove(f.dir.Path() / "gone");
    view->Refill(gone);
    EXPECT_EQ(view->Model().GetItemCount(), 0);
    EXPECT_TRUE(
        view->StatusText().startsWith(QStringLiteral("Ordner nicht lesbar: ") +
                                      QString::fromStdString((f.dir.Path() / "gone").string())))
        << view->StatusText().toStdString();
    view->Refill(f.Folder("many"));
    ASSERT_TRUE(WaitForScan(*view));
    EXPECT_EQ(view->StatusText(), QString());
}

}  // namespace
