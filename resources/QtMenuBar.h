// A menu bar built from a module's menu template, for showing it only: its actions are connected
// to nothing, so choosing one does nothing, and a checked entry stays checked.
//
// What Windows shows and Qt cannot is approximated:
// - '&' mnemonics mean the same in both ("&&" is a literal &), so texts are taken as they are;
// - the shortcut text after a tab (or \b) goes into the action's text after a tab, which a QMenu
//   draws right-aligned as it draws shortcuts; no real shortcut is set, so no key does anything;
// - grayed and disabled entries are disabled (Qt draws both gray);
// - a checked entry is checkable and checked; with MFT_RADIOCHECK it gets an exclusive action
//   group of its own, which Qt draws as a radio mark (a group per entry, because Windows lets
//   several radio entries be checked at once and a shared group would clear all but one);
// - a menu bar entry with MFT_RIGHTJUSTIFY and every entry after it go into a second bar in the
//   bar's right corner, where Windows puts them;
// - column breaks (MFT_MENUBREAK, MFT_MENUBARBREAK) are ignored: Qt menus have one column;
// - bitmap and owner-drawn entries, whose pictures only the running program has, are empty
//   disabled entries.
#pragma once

#include <QMenuBar>

#include "resources/MenuTemplate.h"

class QMenu;

namespace tv {

// The dynamic property of each action that holds the entry's id (a uint).
inline constexpr char kMenuEntryIdProperty[] = "menuEntryId";

// A menu bar for model as a child of parent, drawn inside its window (never as the desktop's
// global menu bar).
[[nodiscard]] QMenuBar* BuildMenuBar(const MenuModel& model, QWidget* parent);
// Adds model's entries to bar (whatever bar already holds stays).
void FillMenuBar(QMenuBar& bar, const MenuModel& model);
// Adds entries to a popup menu, for templates that hold popup menus rather than a menu bar.
void FillMenu(QMenu& menu, const std::vector<MenuEntry>& entries);

}  // namespace tv
