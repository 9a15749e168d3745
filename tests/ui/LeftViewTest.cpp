#include "browser/LeftView.h"

#include <stdlib.h>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/Commands.h"
#include "shell/ShellNamespace.h"

using tv::CCmdUI;
using tv::CLeftView;
using tv::CShellNamespace;

namespace {

namespace fs = std::filesystem;
using tv::CItemIdList;

// A home folder of its own in a temporary folder:
//   Alpha/Inner/   beta/   Bild10/   Bild2/   Gamma/Deep/module.dll   Paper/.trash/
//   Paper/letter.txt   .hidden/Sub/   notes.txt
class LeftViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "leftview-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        // The namespace compares the home folder by its text, so it gets one without links.
        m_temp = fs::canonical(pattern).string();
        m_home = m_temp + "/home";
        for (const char* dir : {"Alpha/Inner", "beta", "Bild10", "Bild2", "Gamma/Deep",
                                "Paper/.trash", ".hidden/Sub"})
            fs::create_directories(m_home + "/" + dir);
        std::ofstream(m_home + "/notes.txt") << "x";
        std::ofstream(m_home + "/Paper/letter.txt") << "x";
        std::ofstream(m_home + "/Gamma/Deep/module.dll") << "MZ";
        m_view = std::make_unique<CLeftView>(std::make_unique<CShellNamespace>(m_home));
        m_view->resize(300, 400);
        QObject::connect(m_view.get(), &CLeftView::selectionChangedTo,
                         [this](const CItemIdList& list) { m_signalled.push_back(list); });
        m_view->SetWarningBox(
            [this](QWidget*, const QString& text) { m_warnings.push_back(text.toStdString()); });
        m_view->Rebuild();
    }

    // Removed by its bytes: names that are not UTF-8 would not survive a trip through QString.
    void TearDown() override {
        m_view.reset();
        std::error_code ignored;
        if (!m_temp.empty()) fs::remove_all(m_temp, ignored);
    }

    QAbstractItemModel& Model() { return *m_view->model(); }

    std::vector<std::string> Texts(const QModelIndex& parent) {
        std::vector<std::string> texts;
        for (int row = 0; row < Model().rowCount(parent); ++row)
            texts.push_back(Model().index(row, 0, parent).data().toString().toStdString());
        return texts;
    }

    QModelIndex Child(const QModelIndex& parent, const std::string& text) {
        for (int row = 0; row < Model().rowCount(parent); ++row) {
            const QModelIndex child = Model().index(row, 0, parent);
            if (child.data().toString().toStdString() == text) return child;
        }
        ADD_FAILURE() << "no child " << text;
        return {};
    }

    QModelIndex Home() { return Child({}, CShellNamespace::kHomeName); }

    // A home child, reached as the user would: open the home folder, click the child.
    QModelIndex HomeChild(const std::string& text) {
        m_view->expand(Home());
        return Child(Home(), text);
    }

    void Click(const QModelIndex& index) {
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }

    std::string SelectedText() {
        const auto rows = m_view->selectionModel()->selectedRows();
        return rows.isEmpty() ? std::string("<none>")
                              : rows.first().data().toString().toStdString();
    }

    CItemIdList ListOf(const std::string& relative) {
        return m_view->Namespace().PathToIdList(m_home + (relative.empty() ? "" : "/" + relative));
    }

    std::string m_temp;
    std::string m_home;
    std::unique_ptr<CLeftView> m_view;
    std::vector<CItemIdList> m_signalled;
    std::vector<std::string> m_warnings;
};

TEST_F(LeftViewTest, FoldersLoadOnFirstExpansionSortedAndWithoutHiddenOnes) {
    EXPECT_EQ(Texts({}), (std::vector<std::string>{"Dateisystem", "Persönlicher Ordner"}));

    const QModelIndex home = Home();
    EXPECT_EQ(Model().rowCount(home), 0);
    EXPECT_TRUE(Model().hasChildren(home));  // the expand button before anything is read

    m_view->expand(home);
    // Display order: case does not matter and numbers go by value; files and hidden folders
    // are left out.
    EXPECT_EQ(Texts(home),
              (std::vector<std::string>{"Alpha", "beta", "Bild2", "Bild10", "Gamma", "Paper"}));

    const QModelIndex alpha = Child(home, "Alpha");
    EXPECT_EQ(Model().rowCount(alpha), 0);
    EXPECT_TRUE(Model().hasChildren(alpha));
    EXPECT_FALSE(Model().hasChildren(Child(home, "beta")));
    // A file and a hidden folder below are nothing the tree would show.
    EXPECT_FALSE(Model().hasChildren(Child(home, "Paper")));

    // Collapsing keeps what was read; expanding again reads nothing new.
    m_view->expand(alpha);
    EXPECT_EQ(Texts(alpha), std::vector<std::string>{"Inner"});
    m_view->collapse(alpha);
    fs::create_directories(m_home + "/Alpha/Later");
    m_view->expand(alpha);
    EXPECT_EQ(Texts(alpha), std::vector<std::string>{"Inner"});
}

TEST_F(LeftViewTest, SelectingAFolderOpensItAndTellsItsList) {
    ASSERT_TRUE(m_view->SelectPath(m_home + "/Alpha"));
    EXPECT_EQ(SelectedText(), "Alpha");
    EXPECT_EQ(m_view->GetSelectedIdList(), ListOf("Alpha"));
    ASSERT_FALSE(m_signalled.empty());
    EXPECT_EQ(m_signalled.back(), ListOf("Alpha"));
    // Every level on the way was selected in turn, each a selection of its own.
    ASSERT_EQ(m_signalled.size(), 2u);
    EXPECT_EQ(m_signalled[0], ListOf(""));
    EXPECT_TRUE(m_view->IsSelectedExpanded());
    EXPECT_EQ(Texts(m_view->currentIndex()), std::vector<std::string>{"Inner"});

    m_view->CollapseSelected();
    EXPECT_TRUE(m_view->IsSelectedCollapsed());
    m_view->ExpandSelected();
    EXPECT_TRUE(m_view->IsSelectedExpanded());

    // Selecting nothing tells the null list.
    m_view->selectionModel()->clearSelection();
    EXPECT_TRUE(m_signalled.back().IsNull());
    EXPECT_TRUE(m_view->GetSelectedIdList().IsNull());
    EXPECT_FALSE(m_view->IsSelectedExpanded());
    EXPECT_FALSE(m_view->IsSelectedCollapsed());
}

TEST_F(LeftViewTest, BackAndForwardFollowTheHistoryRules) {
    EXPECT_FALSE(m_view->CanGoBack());
    EXPECT_FALSE(m_view->GoBack());
    EXPECT_FALSE(m_view->GoForward());
    EXPECT_TRUE(m_signalled.empty());

    const QModelIndex a = HomeChild("Alpha");
    const QModelIndex b = HomeChild("beta");
    const QModelIndex c = HomeChild("Gamma");
    const QModelIndex d = HomeChild("Bild2");
    Click(a);
    Click(a);  // re-selecting the selected folder is no step
    EXPECT_FALSE(m_view->CanGoBack());
    Click(b);
    Click(c);

    ASSERT_TRUE(m_view->GoBack());
    EXPECT_EQ(SelectedText(), "beta");
    EXPECT_EQ(m_signalled.back(), ListOf("beta"));
    ASSERT_TRUE(m_view->GoBack());
    EXPECT_EQ(SelectedText(), "Alpha");
    EXPECT_FALSE(m_view->CanGoBack());
    EXPECT_FALSE(m_view->GoBack());
    EXPECT_EQ(SelectedText(), "Alpha");

    // The forward stack holds C under B.
    ASSERT_TRUE(m_view->GoForward());
    EXPECT_EQ(SelectedText(), "beta");
    ASSERT_TRUE(m_view->GoBack());
    EXPECT_EQ(SelectedText(), "Alpha");

    // A new way forks off: forward is gone, A is the one step back.
    Click(d);
    EXPECT_FALSE(m_view->CanGoForward());
    ASSERT_TRUE(m_view->GoBack());
    EXPECT_EQ(SelectedText(), "Alpha");
    EXPECT_FALSE(m_view->CanGoBack());

    // A rebuild forgets every step and the selection.
    m_view->Rebuild();
    EXPECT_FALSE(m_view->CanGoForward());
    EXPECT_TRUE(m_signalled.back().IsNull());
    EXPECT_TRUE(m_view->GetSelectedIdList().IsNull());
}

TEST_F(LeftViewTest, ParentFolderStopsAtTheTopLevel) {
    EXPECT_FALSE(m_view->HasParentFolder());
    EXPECT_FALSE(m_view->SelectParentFolder());

    ASSERT_TRUE(m_view->SelectPath(m_home + "/Gamma/Deep"));
    ASSERT_TRUE(m_view->HasParentFolder());
    ASSERT_TRUE(m_view->SelectParentFolder());
    EXPECT_EQ(SelectedText(), "Gamma");
    ASSERT_TRUE(m_view->SelectParentFolder());
    EXPECT_EQ(SelectedText(), CShellNamespace::kHomeName);
    EXPECT_FALSE(m_view->HasParentFolder());
    EXPECT_FALSE(m_view->SelectParentFolder());
    EXPECT_EQ(SelectedText(), CShellNamespace::kHomeName);
}

TEST_F(LeftViewTest, PathsThatCannotBeSelectedFully) {
    // A file: the folders on the way are selected, the file is not one of the tree's items.
    EXPECT_FALSE(m_view->SelectPath(m_home + "/Gamma/Deep/module.dll"));
    EXPECT_EQ(SelectedText(), "Deep");
    // A hidden folder is not shown, but the user who names it gets it.
    EXPECT_TRUE(m_view->SelectPath(m_home + "/.hidden/Sub"));
    EXPECT_EQ(SelectedText(), "Sub");
    // Nothing there: nothing changes.
    EXPECT_FALSE(m_view->SelectPath(m_home + "/missing"));
    EXPECT_EQ(SelectedText(), "Sub");
    EXPECT_FALSE(m_view->SelectIdList(CItemIdList()));
    // The desktop selects nothing and succeeds.
    EXPECT_TRUE(m_view->SelectIdList(CItemIdList::Desktop()));
    EXPECT_EQ(SelectedText(), "<none>");
    EXPECT_TRUE(m_warnings.empty());

    // As a start path the failure is told, with the path; the part found stays selected.
    const std::string file = m_home + "/Gamma/Deep/module.dll";
    m_view->InitialUpdate(file);
    ASSERT_EQ(m_warnings.size(), 1u);
    EXPECT_EQ(m_warnings[0], "Can't set the path\n" + file);
    EXPECT_EQ(SelectedText(), "Deep");
    EXPECT_FALSE(m_view->CanGoForward());

    m_view->InitialUpdate(m_home + "/Alpha/Inner");
    EXPECT_EQ(m_warnings.size(), 1u);
    EXPECT_EQ(SelectedText(), "Inner");
    m_view->InitialUpdate("");
    EXPECT_EQ(m_warnings.size(), 1u);
    EXPECT_EQ(SelectedText(), "<none>");
}

// The tree read a level once; a folder made since, or a hidden one, still opens when the user
// asks for it, and a hidden folder opened once stays in the tree.
TEST_F(LeftViewTest, ChildrenTheTreeLacksAreFoundByReadingTheLevelAgain) {
    ASSERT_TRUE(m_view->SelectPath(m_home));
    ASSERT_EQ(Model().rowCount(Home()), 6);
    fs::create_directories(m_home + "/Later/Inner");
    ASSERT_TRUE(m_view->SelectChildByIdList(ListOf("Later")));
    EXPECT_EQ(SelectedText(), "Later");
    EXPECT_EQ(Texts(m_view->currentIndex()), std::vector<std::string>{"Inner"});
    EXPECT_EQ(Texts(Home()), (std::vector<std::string>{"Alpha", "beta", "Bild2", "Bild10", "Gamma",
                                                       "Later", "Paper"}));
    // The folders read before kept their place in the history.
    ASSERT_TRUE(m_view->GoBack());
    EXPECT_EQ(SelectedText(), CShellNamespace::kHomeName);

    ASSERT_TRUE(m_view->SelectChildByIdList(ListOf(".hidden")));
    EXPECT_EQ(SelectedText(), ".hidden");
    EXPECT_EQ(Texts(m_view->currentIndex()), std::vector<std::string>{"Sub"});
    const auto shown = Texts(Home());
    EXPECT_EQ(std::count(shown.begin(), shown.end(), ".hidden"), 1);
    // Only a child of the selection: another level's folder, or one that is not there, is not.
    EXPECT_FALSE(m_view->SelectChildByIdList(ListOf("Gamma/Deep")));
    EXPECT_FALSE(m_view->SelectChildByIdList(ListOf(".hidden/missing")));
    EXPECT_EQ(SelectedText(), ".hidden");
    EXPECT_TRUE(m_warnings.empty());
}

TEST_F(LeftViewTest, ControlCharactersInFolderNamesShowAsEscapes) {
    fs::create_directories(m_home + "/zwei\nZeilen");
    const QModelIndex folder = HomeChild("zwei\\nZeilen");
    ASSERT_TRUE(folder.isValid());
    Click(folder);
    EXPECT_EQ(m_view->GetSelectedIdList(), ListOf("zwei\nZeilen"));
}

TEST_F(LeftViewTest, SelectChildByIdListLooksOnlyBelowTheSelection) {
    EXPECT_FALSE(m_view->SelectChildByIdList(ListOf("Alpha")));  // not a top-level item
    ASSERT_TRUE(m_view->SelectChildByIdList(ListOf("")));
    EXPECT_EQ(SelectedText(), CShellNamespace::kHomeName);
    ASSERT_TRUE(m_view->SelectChildByIdList(ListOf("Bild10")));
    EXPECT_EQ(SelectedText(), "Bild10");
    EXPECT_FALSE(m_view->SelectChildByIdList(ListOf("Alpha")));  // a sibling, not a child
    EXPECT_EQ(SelectedText(), "Bild10");
}

TEST_F(LeftViewTest, ExploreAndPropertiesNeedASelectedFolder) {
    std::vector<std::pair<char, CItemIdList>> calls;
    m_view->SetShellActions(
        [&](const CItemIdList& list, QWidget*) {
            calls.emplace_back('e', list);
            return true;
        },
        [&](const CItemIdList& list, QWidget*) {
            calls.emplace_back('p', list);
            return true;
        });

    for (const uint32_t id : {tv::cmd::kExplore, tv::cmd::kProperties}) {
        CCmdUI ui(id);
        ASSERT_TRUE(m_view->OnUpdateCommand(ui));
        EXPECT_FALSE(ui.IsEnabled());
        EXPECT_TRUE(m_view->OnCommand(id));
    }
    EXPECT_TRUE(calls.empty());

    ASSERT_TRUE(m_view->SelectPath(m_home + "/beta"));
    for (const uint32_t id : {tv::cmd::kExplore, tv::cmd::kProperties}) {
        CCmdUI ui(id);
        ASSERT_TRUE(m_view->OnUpdateCommand(ui));
        EXPECT_TRUE(ui.IsEnabled());
        EXPECT_TRUE(m_view->OnCommand(id));
    }
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair('e', ListOf("beta")));
    EXPECT_EQ(calls[1], std::make_pair('p', ListOf("beta")));

    // Navigation belongs to the frame.
    CCmdUI back(tv::cmd::kBack);
    EXPECT_FALSE(m_view->OnUpdateCommand(back));
    EXPECT_FALSE(back.IsHandled());
    EXPECT_FALSE(m_view->OnCommand(tv::cmd::kBack));
}

TEST_F(LeftViewTest, RightClickSelectsAndTheMenuFollowsTheFrame) {
    std::vector<uint32_t> updated;
    std::vector<uint32_t> handled;
    m_view->SetCommandUpdater([&](uint32_t id, QAction& action) {
        updated.push_back(id);
        action.setEnabled(id == tv::cmd::kProperties);
    });
    m_view->SetCommandHandler([&](uint32_t id) { handled.push_back(id); });
    m_view->show();
    const QModelIndex beta = HomeChild("beta");
    const QPoint at = m_view->visualRect(beta).center();

    std::vector<std::pair<uint32_t, bool>> entries;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (tv::CommandOf(action) != 0)
                entries.emplace_back(tv::CommandOf(action), action->isEnabled());
        for (QAction* action : menu->actions())
            if (tv::CommandOf(action) == tv::cmd::kProperties) action->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(m_view->viewport(), &event);

    EXPECT_EQ(SelectedText(), "beta");
    const std::vector<uint32_t> ids = {tv::cmd::kExpand,      tv::cmd::kCollapse, tv::cmd::kExplore,
                                       tv::cmd::kProperties,  tv::cmd::kBack,     tv::cmd::kForward,
                                       tv::cmd::kParentFolder};
    EXPECT_EQ(updated, ids);
    ASSERT_EQ(entries.size(), ids.size());
    for (const auto& [id, enabled] : entries)
        EXPECT_EQ(enabled, id == tv::cmd::kProperties) << id;
    EXPECT_EQ(handled, std::vector<uint32_t>{tv::cmd::kProperties});
}

TEST_F(LeftViewTest, AFolderThatVanishedBeforeItOpensGetsNoChildren) {
    m_view->expand(Home());
    const QModelIndex gamma = Child(Home(), "Gamma");
    EXPECT_TRUE(Model().hasChildren(gamma));
    fs::remove_all(m_home + "/Gamma");
    Click(gamma);
    EXPECT_EQ(SelectedText(), "Gamma");
    EXPECT_EQ(Model().rowCount(gamma), 0);
    EXPECT_FALSE(Model().hasChildren(gamma));
    EXPECT_EQ(m_signalled.back(), m_view->GetSelectedIdList());
    // The whole home folder gone: the top level still stands.
    m_view->Rebuild();
    fs::remove_all(m_home);
    m_view->expand(Home());
    EXPECT_EQ(Model().rowCount(Home()), 0);
    EXPECT_FALSE(m_view->SelectPath(m_home + "/Alpha"));
}

TEST_F(LeftViewTest, NamesThatAreNotUtf8ShowReplacementsAndStillOpen) {
    const std::string raw = "Bad\xff\xfe";
    fs::create_directories(m_home + "/" + raw + "/Sub");
    const QModelIndex bad = HomeChild("Bad\xEF\xBF\xBD\xEF\xBF\xBD");
    ASSERT_TRUE(bad.isValid());
    Click(bad);
    EXPECT_EQ(m_view->GetSelectedIdList(), ListOf(raw));
    EXPECT_EQ(Texts(bad), std::vector<std::string>{"Sub"});
}

TEST_F(LeftViewTest, AFolderOfThousandsOfFoldersListsThemAllInNameOrder) {
    constexpr int kCount = 3000;
    const std::string big = m_home + "/Big";
    for (int i = kCount; i > 0; --i)
        fs::create_directories(big + "/d" + std::to_string(i));
    m_view->show();
    ASSERT_TRUE(m_view->SelectPath(big));
    QApplication::processEvents();
    m_view->repaint();
    const QModelIndex index = m_view->currentIndex();
    ASSERT_EQ(Model().rowCount(index), kCount);
    EXPECT_EQ(Model().index(0, 0, index).data().toString(), "d1");
    EXPECT_EQ(Model().index(1, 0, index).data().toString(), "d2");
    EXPECT_EQ(Model().index(kCount - 1, 0, index).data().toString(), "d3000");
}

}  // namespace
