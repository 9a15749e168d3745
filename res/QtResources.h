// Qt side of the program's own resources: the pictures of the image strip 132 and the toolbar
// buttons, the program icon, and menus, toolbars and shortcuts built from the constant tables
// of Menus.h and Accelerators.h.
//
// Command actions carry their command id as QAction::data() (see CommandOf), the prompt text
// (status-bar text) as statusTip and the text after the prompt's line feed as toolTip. They
// start disabled, as a command nobody has claimed stays disabled; the owner enables and checks
// them through a CommandUpdater, which menus call each time just before they open. Toolbars and
// shortcuts have no such moment: a disabled action ignores its keys, so the owner also calls
// UpdateCommandActions on its menu bar and toolbar whenever its state changes.
#pragma once

#include "res/Accelerators.h"
#include "res/ImageStrip.h"

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QPixmap>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QObject;
class QToolBar;
class QWidget;

namespace tv {

inline constexpr int kStripImageSize = 16;  // each one square, in device-independent pixels

// Picture `index` of the strip on a transparent background, kStripImageSize square at the given
// device pixel ratio; a null pixmap for an index outside 0..19.
[[nodiscard]] QPixmap StripPixmap(int index, qreal devicePixelRatio = 1.0);
// The same picture as an icon with renderings for normal and high-density screens; a null icon
// for an index outside 0..19.
[[nodiscard]] QIcon StripImage(int index);
// The whole strip; element i is StripImage(i), so tree and list image indexes work unchanged.
[[nodiscard]] QList<QIcon> StripImageList();

// The toolbar picture of a command; a null icon for a command that has none.
[[nodiscard]] QIcon CommandIcon(uint32_t command);
// The program icon, rendered for the usual window and task bar sizes.
[[nodiscard]] QIcon ProgramIcon();

// The key sequence of an accelerator entry; empty for a key without a Qt equivalent.
[[nodiscard]] QKeySequence ToKeySequence(const Accelerator& accelerator);
// Every key of a command in an accelerator table, in table order (the first is the primary).
[[nodiscard]] QList<QKeySequence> AcceleratorKeys(uint32_t tableId, uint32_t command);

using CommandHandler = std::function<void(uint32_t command)>;
using CommandUpdater = std::function<void(uint32_t command, QAction& action)>;

// The command id an action was made for, 0 for separators, submenus and foreign actions.
[[nodiscard]] uint32_t CommandOf(const QAction* action);

// A command action (text = tooltip text, prompts, icon, no shortcut), disabled, owned by
// `parent`; triggering it calls onCommand with the id.
QAction* CreateCommandAction(uint32_t command, QObject* parent, const CommandHandler& onCommand);

// Top-level submenu `popup` of menu resource `menuId` as a context menu owned by `parent`, or
// null when there is no such popup. onUpdate (may be empty) runs for every command entry just
// before the menu opens. Context menus show no shortcuts.
QMenu* BuildMenu(uint32_t menuId, int popup, QWidget* parent, const CommandHandler& onCommand,
                 const CommandUpdater& onUpdate = {});

// Menu resource `menuId` as a menu bar owned by `parent`. Command entries get the keys of
// accelerator table 128 as shortcuts, so they work while the window is active; the entries' own
// captions keep the German key names after the tab. Null for an unknown menu.
QMenuBar* BuildMenuBar(uint32_t menuId, QWidget* parent, const CommandHandler& onCommand,
                       const CommandUpdater& onUpdate = {});

// Toolbar resource `toolbarId` as a QToolBar owned by `parent`: one CreateCommandAction per
// button, separators between the groups. Null for an unknown toolbar.
QToolBar* BuildToolBar(uint32_t toolbarId, QWidget* parent, const CommandHandler& onCommand);

// Shortcut-only actions for the accelerators of `tableId` whose command has no action with a
// shortcut in `window` yet (the pane switch keys): added to the window, enabled, invisible in
// any menu. Call after BuildMenuBar; a key bound twice in one window would fire neither action.
QList<QAction*> AddAcceleratorActions(uint32_t tableId, QWidget* window,
                                      const CommandHandler& onCommand);

// Puts widget where a window's hidden placeholder stands in the tab order. A placeholder takes no
// focus, and Qt ignores such a widget as an anchor, so widget follows the nearest focusable
// widget before it.
void TakeTabPlaceOf(QWidget* placeholder, QWidget* widget);

// Runs onUpdate for every command action in `actions` and in their submenus.
void UpdateCommandActions(const QList<QAction*>& actions, const CommandUpdater& onUpdate);

}  // namespace tv
