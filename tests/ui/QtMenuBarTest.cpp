// The menu bar built from a module's menu template: its structure, the states Qt can show, the
// right-justified help menu, and that nothing in it changes when it is used.
#include "resources/QtMenuBar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

#include "resources/MenuTemplate.h"
#include "support/ResourceBuilders.h"

namespace {

using tvtest::MenuItem;

tv::MenuModel Model(const std::vector<uint8_t>& bytes) {
    tv::MenuModel model;
    EXPECT_TRUE(tv::ParseMenuTemplate({bytes.data(), bytes.size()}, model));
    return model;
}

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions)
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

uint EntryId(const QAction* action) { return action->property(tv::kMenuEntryIdProperty).toUInt(); }

TEST(QtMenuBar, BuildsOneMenuPerPopupWithTheEntriesStates) {
    const auto model = Model(tvtest::MenuTemplate({
        MenuItem::Popup("&Datei",
                        {MenuItem::Command("&Öffnen...\tStrg+O", 100), MenuItem::Separator(),
                         MenuItem::Popup("&Zuletzt", {MenuItem::Command("a && b", 101)}),
                         MenuItem::Command("&Drucken", 102, tvtest::kMfGrayed),
                         MenuItem::Command("&Senden", 103, 0x2),
                         MenuItem::Command("&Leiste", 104, tvtest::kMfChecked | 0x40),
                         MenuItem::Command("Bild", 105, 0x4)}),
        MenuItem::Command("&Los!", 200),
    }));
    QWidget window;
    QMenuBar* bar = tv::BuildMenuBar(model, &window);
    EXPECT_EQ(bar->parentWidget(), &window);
    EXPECT_FALSE(bar->isNativeMenuBar());
    ASSERT_EQ(Texts(bar->actions()), (QStringList{"&Datei", "&Los!"}));
    EXPECT_EQ(EntryId(bar->actions()[1]), 200u);
    EXPECT_EQ(bar->actions()[1]->menu(), nullptr);
    // The program's command ids live in an action's data; a module's never do.
    EXPECT_FALSE(bar->actions()[1]->data().isValid());

    QMenu* file = bar->actions()[0]->menu();
    ASSERT_NE(file, nullptr);
    const QList<QAction*> entries = file->actions();
    // The shortcut text stays after a tab, where QMenu draws it as a shortcut; the bitmap entry
    // is empty. The column break on "Leiste" changes nothing.
    ASSERT_EQ(Texts(entries), (QStringList{"&Öffnen...\tStrg+O", "-", "&Zuletzt", "&Drucken",
                                           "&Senden", "&Leiste", ""}));
    EXPECT_TRUE(entries[0]->shortcut().isEmpty());
    EXPECT_EQ(EntryId(entries[0]), 100u);
    ASSERT_NE(entries[2]->menu(), nullptr);
    EXPECT_EQ(Texts(entries[2]->menu()->actions()), (QStringList{"a && b"}));
    EXPECT_TRUE(entries[0]->isEnabled());
    EXPECT_FALSE(entries[3]->isEnabled());
    EXPECT_FALSE(entries[4]->isEnabled());
    EXPECT_FALSE(entries[0]->isCheckable());
    EXPECT_TRUE(entries[5]->isCheckable());
    EXPECT_TRUE(entries[5]->isChecked());
    EXPECT_EQ(entries[5]->actionGroup(), nullptr);
    EXPECT_FALSE(entries[6]->isEnabled());
    EXPECT_EQ(EntryId(entries[6]), 105u);
}

TEST(QtMenuBar, PutsRightJustifiedEntriesInTheRightCorner) {
    const auto model = Model(tvtest::MenuTemplate({
        MenuItem::Popup("&Datei", {MenuItem::Command("x", 1)}),
        MenuItem::Popup("&?", {MenuItem::Command("&Info", 2)}, 0x4000),
        MenuItem::Command("&Danach", 3),
    }));
    QWidget window;
    QMenuBar* bar = tv::BuildMenuBar(model, &window);
    EXPECT_EQ(Texts(bar->actions()), (QStringList{"&Datei"}));
    auto* corner = qobject_cast<QMenuBar*>(bar->cornerWidget(Qt::TopRightCorner));
    ASSERT_NE(corner, nullptr);
    EXPECT_FALSE(corner->isNativeMenuBar());
    ASSERT_EQ(Texts(corner->actions()), (QStringList{"&?", "&Danach"}));
    ASSERT_NE(corner->actions()[0]->menu(), nullptr);
    EXPECT_EQ(Texts(corner->actions()[0]->menu()->actions()), (QStringList{"&Info"}));

    // Without such an entry there is no corner bar.
    QMenuBar* plain =
        tv::BuildMenuBar(Model(tvtest::MenuTemplate({MenuItem::Command("a", 1)})), &window);
    EXPECT_EQ(plain->cornerWidget(Qt::TopRightCorner), nullptr);
}

TEST(QtMenuBar, ShowsRadioChecksAndStaysAsItIsWhenUsed) {
    std::vector<MenuItem> modes = {MenuItem::Command("&Groß", 1), MenuItem::Command("&Klein", 2),
                                   MenuItem::Command("&Liste", 3)};
    // Windows lets two radio entries be checked at once; both stay checked.
    for (MenuItem& mode : modes)
        mode.type = tv::kMftRadioCheck;
    modes[0].state = tv::kMfsChecked;
    modes[2].state = tv::kMfsChecked | tv::kMfsDefault;
    MenuItem toggle = MenuItem::Command("&Leiste", 4);
    toggle.state = tv::kMfsChecked;
    modes.push_back(toggle);
    const auto model = Model(tvtest::MenuExTemplate({MenuItem::Popup("&Ansicht", modes)}));

    QWidget window;
    QMenuBar* bar = tv::BuildMenuBar(model, &window);
    QMenu* view = bar->actions().at(0)->menu();
    ASSERT_NE(view, nullptr);
    const QList<QAction*> entries = view->actions();
    ASSERT_EQ(entries.size(), 4);
    for (const int i : {0, 2}) {
        ASSERT_NE(entries[i]->actionGroup(), nullptr) << i;
        EXPECT_TRUE(entries[i]->actionGroup()->isExclusive()) << i;
        EXPECT_TRUE(entries[i]->isChecked()) << i;
    }
    // An unchecked radio entry shows no mark, as in Windows.
    EXPECT_FALSE(entries[1]->isCheckable());
    EXPECT_TRUE(entries[2]->font().bold());
    EXPECT_FALSE(entries[0]->font().bold());

    // Choosing entries changes nothing.
    for (QAction* action : entries)
        action->trigger();
    EXPECT_TRUE(entries[0]->isChecked());
    EXPECT_FALSE(entries[1]->isChecked());
    EXPECT_TRUE(entries[2]->isChecked());
    EXPECT_TRUE(entries[3]->isChecked());
}

TEST(QtMenuBar, CutsAModelNestedDeeperThanTheReaderReads) {
    tv::MenuEntry entry;
    entry.text = "Boden";
    for (int level = 0; level < 40; ++level) {
        tv::MenuEntry popup;
        popup.popup = true;
        popup.text = "Ebene";
        popup.children.push_back(std::move(entry));
        entry = std::move(popup);
    }
    tv::MenuModel model;
    model.items.push_back(std::move(entry));
    QWidget window;
    QMenuBar* bar = tv::BuildMenuBar(model, &window);
    int depth = 0;
    for (QMenu* menu = bar->actions().at(0)->menu(); menu != nullptr;
         menu = menu->actions().isEmpty() ? nullptr : menu->actions()[0]->menu())
        ++depth;
    EXPECT_EQ(depth, static_cast<int>(tv::kMaxMenuDepth));

    // A template of popup menus fills a menu the same way, from its first level.
    QMenu popup;
    tv::FillMenu(popup, model.items);
    depth = 0;
    for (QMenu* menu = &popup; menu != nullptr;
         menu = menu->actions().isEmpty() ? nullptr : menu->actions()[0]->menu())
        ++depth;
    EXPECT_EQ(depth, static_cast<int>(tv::kMaxMenuDepth) + 1);
}

}  // namespace
