#include "res/Commands.h"
#include "res/Menus.h"
#include "res/QtResources.h"
#include "res/StringTable.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QList<QAction*> CommandActions(const QList<QAction*>& actions) {
    QList<QAction*> out;
    for (QAction* action : actions) {
        if (QMenu* sub = action->menu()) {
            out += CommandActions(sub->actions());
        } else if (tv::CommandOf(action) != 0) {
            out.append(action);
        }
    }
    return out;
}

QAction* FindCommand(const QList<QAction*>& actions, uint32_t command) {
    for (QAction* action : CommandActions(actions)) {
        if (tv::CommandOf(action) == command) return action;
    }
    return nullptr;
}

int VisiblePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
    }
    return count;
}

TEST(StripImages, EveryPictureRendersDistinctOnATransparentGround) {
    std::vector<QImage> images;
    for (int i = 0; i < tv::kStripImageCount; ++i) {
        SCOPED_TRACE(i);
        const QPixmap pixmap = tv::StripPixmap(i);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), QSize(16, 16));
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        const int visible = VisiblePixels(image);
        EXPECT_GE(visible, 8);        // not blank
        EXPECT_LT(visible, 16 * 16);  // the ground stays transparent (the strip's white mask)
        for (std::size_t j = 0; j < images.size(); ++j)
            EXPECT_NE(image, images[j]) << j;
        images.push_back(image);
    }
    EXPECT_TRUE(tv::StripPixmap(-1).isNull());
    EXPECT_TRUE(tv::StripPixmap(tv::kStripImageCount).isNull());
    EXPECT_TRUE(tv::StripImage(20).isNull());
}

TEST(StripImages, HighDensityAndIconForms) {
    const QPixmap sharp = tv::StripPixmap(15, 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16));
    const QList<QIcon> list = tv::StripImageList();
    ASSERT_EQ(list.size(), tv::kStripImageCount);
    for (const QIcon& icon : list) {
        EXPECT_FALSE(icon.isNull());
        EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    }
    // The sort marks point the way the header expects: ascending (18) down, descending (19) up.
    auto rowOfMostInk = [](int index) {
        const QImage image = tv::StripPixmap(index).toImage();
        int best = 0, bestRow = -1;
        for (int y = 0; y < 16; ++y) {
            int ink = 0;
            for (int x = 0; x < 16; ++x)
                ink += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
            if (ink > best) best = ink, bestRow = y;
        }
        return bestRow;
    };
    EXPECT_LT(rowOfMostInk(18), 8);  // wide end at the top
    EXPECT_GE(rowOfMostInk(19), 8);  // wide end at the bottom
}

TEST(StripImages, ToolbarAndProgramIcons) {
    for (uint32_t command : tv::GetToolbar(tv::kMainToolbar)) {
        if (command == 0) continue;
        EXPECT_FALSE(tv::CommandIcon(command).isNull()) << command;
    }
    EXPECT_TRUE(tv::CommandIcon(tv::cmd::kSettings).isNull());
    const QIcon program = tv::ProgramIcon();
    ASSERT_FALSE(program.isNull());
    EXPECT_GE(VisiblePixels(program.pixmap(48, 48).toImage()), 48 * 48 / 3);
}

TEST(KeySequences, AcceleratorsMapToQtKeys) {
    EXPECT_EQ(tv::ToKeySequence({tv::kAccelAlt, tv::vk::kLeft, 0}), QKeySequence("Alt+Left"));
    EXPECT_EQ(tv::ToKeySequence({tv::kAccelShift, tv::vk::kDelete, 0}), QKeySequence("Shift+Del"));
    EXPECT_EQ(tv::ToKeySequence({tv::kAccelAlt, tv::vk::kBackspace, 0}),
              QKeySequence("Alt+Backspace"));
    EXPECT_EQ(tv::ToKeySequence({0, tv::vk::kF5, 0}), QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(tv::ToKeySequence({0, 0x01, 0}).isEmpty());
    EXPECT_EQ(tv::AcceleratorKeys(tv::kMainAccelerators, tv::cmd::kEditPaste),
              (QList<QKeySequence>{QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}));
}

TEST(MenuBar, EntriesCarryCaptionsPromptsShortcutsAndStartDisabled) {
    QWidget window;
    std::vector<uint32_t> fired;
    QMenuBar* bar = tv::BuildMenuBar(tv::kMainMenu, &window,
                                     [&](uint32_t command) { fired.push_back(command); });
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* top : bar->actions())
        titles << top->text();
    EXPECT_EQ(titles, (QStringList{"&Datei", "&Bearbeiten", "&Ansicht", "&Extras", "&Hilfe"}));

    const QList<QAction*> actions = CommandActions(bar->actions());
    EXPECT_EQ(actions.size(), 27);
    for (QAction* action : actions) {
        const uint32_t command = tv::CommandOf(action);
        SCOPED_TRACE(command);
        EXPECT_FALSE(action->isEnabled());
        EXPECT_EQ(action->statusTip(), Qs(tv::PromptText(command)));
        EXPECT_EQ(action->toolTip(), Qs(tv::TooltipText(command)));
    }
    QAction* back = FindCommand(bar->actions(), tv::cmd::kBack);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->text(), "&Zurück\tAlt+Links");
    EXPECT_EQ(back->shortcut(), QKeySequence("Alt+Left"));
    QAction* copy = FindCommand(bar->actions(), tv::cmd::kEditCopy);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}));
    EXPECT_TRUE(FindCommand(bar->actions(), tv::cmd::kAppExit)->shortcuts().isEmpty());

    // Disabled actions ignore a trigger; enabled ones report their command.
    back->trigger();
    EXPECT_TRUE(fired.empty());
    back->setEnabled(true);
    back->trigger();
    EXPECT_EQ(fired, std::vector<uint32_t>{tv::cmd::kBack});
    EXPECT_EQ(tv::BuildMenuBar(130 + 1, &window, {}), nullptr);
}

TEST(MenuBar, NoKeyIsBoundTwiceInTheWindow) {
    // Qt fires neither action of an ambiguous shortcut, so each key must belong to one action.
    QWidget window;
    tv::BuildMenuBar(tv::kMainMenu, &window, {});
    const QList<QAction*> extra = tv::AddAcceleratorActions(tv::kMainAccelerators, &window, {});
    QList<uint32_t> extraCommands;
    for (QAction* action : extra) {
        extraCommands << tv::CommandOf(action);
        EXPECT_TRUE(action->isEnabled());
    }
    EXPECT_EQ(extraCommands, (QList<uint32_t>{tv::cmd::kNextPane, tv::cmd::kPrevPane}));
    EXPECT_EQ(extra[1]->shortcut(), QKeySequence("Shift+F6"));

    QList<QKeySequence> seen;
    int keys = 0;
    for (const QAction* action : window.findChildren<QAction*>()) {
        for (const QKeySequence& key : action->shortcuts()) {
            EXPECT_FALSE(seen.contains(key)) << key.toString().toStdString();
            seen << key;
            ++keys;
        }
    }
    EXPECT_EQ(keys, 14);  // every entry of the table, once
    EXPECT_TRUE(tv::AddAcceleratorActions(tv::kMainAccelerators, &window, {}).isEmpty());
}

TEST(ContextMenus, PopupMatchesTheTableAndUpdatesBeforeShowing) {
    QWidget owner;
    std::vector<uint32_t> asked;
    QMenu* menu = tv::BuildMenu(tv::kContextMenus, tv::kPopupModuleList, &owner, {},
                                [&](uint32_t command, QAction& action) {
                                    asked.push_back(command);
                                    action.setEnabled(command == tv::cmd::kHeaders);
                                });
    ASSERT_NE(menu, nullptr);
    const auto items = tv::GetPopup(tv::kContextMenus, tv::kPopupModuleList);
    ASSERT_EQ(menu->actions().size(), static_cast<qsizetype>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* action = menu->actions()[static_cast<qsizetype>(i)];
        EXPECT_EQ(action->isSeparator(), items[i].IsSeparator());
        if (items[i].IsSeparator()) continue;
        EXPECT_EQ(action->text(), Qs(items[i].text));
        EXPECT_EQ(tv::CommandOf(action), items[i].command);
        EXPECT_TRUE(action->shortcuts().isEmpty());
        EXPECT_FALSE(action->isEnabled());
    }
    emit menu->aboutToShow();
    EXPECT_EQ(asked, tv::MenuCommands(items));
    EXPECT_TRUE(FindCommand(menu->actions(), tv::cmd::kHeaders)->isEnabled());
    EXPECT_FALSE(FindCommand(menu->actions(), tv::cmd::kResources)->isEnabled());

    EXPECT_EQ(tv::BuildMenu(tv::kContextMenus, 4, &owner, {}), nullptr);
    EXPECT_EQ(tv::BuildMenu(tv::kMainMenu, -1, &owner, {}), nullptr);
}

TEST(ContextMenus, MenuBarSubmenuUpdatesItsNestedEntries) {
    QWidget window;
    std::vector<uint32_t> asked;
    QMenuBar* bar = tv::BuildMenuBar(tv::kMainMenu, &window, {},
                                     [&](uint32_t c, QAction&) { asked.push_back(c); });
    QMenu* edit = bar->actions()[1]->menu();
    ASSERT_NE(edit, nullptr);
    emit edit->aboutToShow();
    EXPECT_EQ(asked, tv::MenuCommands(tv::GetPopup(tv::kMainMenu, 1)));  // "Gehe zu" included
}

TEST(ToolBar, MainToolbarButtonsInOrder) {
    QWidget window;
    std::vector<uint32_t> fired;
    QToolBar* bar = tv::BuildToolBar(tv::kMainToolbar, &window,
                                     [&](uint32_t command) { fired.push_back(command); });
    ASSERT_NE(bar, nullptr);
    std::vector<uint32_t> layout;
    for (QAction* action : bar->actions()) {
        layout.push_back(action->isSeparator() ? 0 : tv::CommandOf(action));
        if (action->isSeparator()) continue;
        EXPECT_FALSE(action->icon().isNull());
        EXPECT_FALSE(action->isEnabled());
        EXPECT_TRUE(action->shortcuts().isEmpty());  // the menu bar holds the keys
    }
    const auto expected = tv::GetToolbar(tv::kMainToolbar);
    EXPECT_EQ(layout, std::vector<uint32_t>(expected.begin(), expected.end()));
    QAction* views = FindCommand(bar->actions(), tv::cmd::kViews);
    ASSERT_NE(views, nullptr);
    EXPECT_EQ(views->toolTip(), "Ansichten");
    tv::UpdateCommandActions(bar->actions(), [](uint32_t, QAction& a) { a.setEnabled(true); });
    views->trigger();
    EXPECT_EQ(fired, std::vector<uint32_t>{tv::cmd::kViews});
    EXPECT_EQ(tv::BuildToolBar(129, &window, {}), nullptr);
}

}  // namespace
