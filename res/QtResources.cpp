#include "res/QtResources.h"

#include "res/Commands.h"
#include "res/Menus.h"
#include "res/StringTable.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolBar>
#include <QWidget>

#include <span>
#include <string_view>

// The resources live in the static UI library, where the linker would drop the unreferenced
// registration object; referencing it here keeps it in every program that shows a picture.
// Q_INIT_RESOURCE declares a global function, so this stays outside the namespace.
static void InitTarnviewResources() { Q_INIT_RESOURCE(tarnview); }

namespace tv {

namespace {

// Image strip 132, in index order. 1 to 3 are the headers tree's lines, 5 to 17 the resources
// tree and string list, 18 and 19 the list header's sort marks; 0 and 4 are spare pictures.
constexpr const char* kStripFiles[kStripImageCount] = {
    "strip00-page",    "strip01-group",       "strip02-value",     "strip03-library",
    "strip04-item",    "strip05-keys",        "strip06-landscape", "strip07-hourglass",
    "strip08-dialog",  "strip09-grid",        "strip10-menu",      "strip11-abc",
    "strip12-version", "strip13-toolbar",     "strip14-question",  "strip15-computer",
    "strip16-folder",  "strip17-folder-open", "strip18-sort-down", "strip19-sort-up",
};

struct CommandPicture {
    uint32_t command;
    const char* file;
};

constexpr CommandPicture kCommandPictures[] = {
    {cmd::kBack, "tb-back"},
    {cmd::kForward, "tb-forward"},
    {cmd::kParentFolder, "tb-parent"},
    {cmd::kEditCut, "tb-cut"},
    {cmd::kEditCopy, "tb-copy"},
    {cmd::kEditPaste, "tb-paste"},
    {cmd::kFilePrint, "tb-print"},
    {cmd::kViews, "tb-views"},
    {cmd::kAppAbout, "tb-about"},
    {cmd::kFullDisplay, "tb-full-display"},
    {cmd::kProperties, "tb-properties"},
    {cmd::kResources, "tb-resources"},
    {cmd::kHeaders, "tb-headers"},
    {cmd::kSaveAs, "tb-save-as"},
    {cmd::kHexDisplay, "tb-hex-display"},
    {cmd::kTestDialog, "tb-test-dialog"},
    {cmd::kRawAsText, "tb-as-text"},
};

void EnsureResources() {
    static const bool once = [] {
        InitTarnviewResources();
        return true;
    }();
    (void)once;
}

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ImagePath(const char* file) {
    return QStringLiteral(":/res/images/") + QLatin1String(file) + QStringLiteral(".svg");
}

// Renders at the exact pixel size instead of going through an icon engine plugin, which a
// minimal Qt installation may lack.
QPixmap RenderSvg(const QString& path, int size, qreal dpr) {
    EnsureResources();
    QSvgRenderer renderer(path);
    if (!renderer.isValid() || size <= 0 || dpr <= 0) return {};
    const int pixels = qRound(size * dpr);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

QIcon RenderIcon(const QString& path, std::initializer_list<int> sizes) {
    QIcon icon;
    for (int size : sizes) {
        const QPixmap pixmap = RenderSvg(path, size, 1.0);
        if (!pixmap.isNull()) icon.addPixmap(pixmap);
    }
    return icon;
}

// Text, prompts and id shared by every kind of command action.
QAction* NewAction(uint32_t command, const QString& text, QObject* parent,
                   const CommandHandler& onCommand) {
    auto* action = new QAction(text, parent);
    action->setData(QVariant::fromValue(command));
    action->setStatusTip(Qs(PromptText(command)));
    action->setToolTip(Qs(TooltipText(command)));
    action->setEnabled(false);
    if (onCommand) {
        QObject::connect(action, &QAction::triggered, action,
                         [onCommand, command] { onCommand(command); });
    }
    return action;
}

void UpdateOnShow(QMenu* menu, const CommandUpdater& onUpdate) {
    if (!onUpdate) return;
    QObject::connect(menu, &QMenu::aboutToShow, menu,
                     [menu, onUpdate] { UpdateCommandActions(menu->actions(), onUpdate); });
}

// Fills `menu` from the items; a nested submenu is brought up to date together with its parent.
void FillMenu(QMenu* menu, std::span<const MenuItem> items, bool withShortcuts,
              const CommandHandler& onCommand, const CommandUpdater& onUpdate) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItemKind::kSeparator:
                menu->addSeparator();
                break;
            case MenuItemKind::kSubmenu: {
                QMenu* sub = menu->addMenu(Qs(item.text));
                FillMenu(sub, item.children, withShortcuts, onCommand, {});
                break;
            }
            case MenuItemKind::kCommand: {
                QAction* action = NewAction(item.command, Qs(item.text), menu, onCommand);
                action->setIcon(CommandIcon(item.command));
                action->setIconVisibleInMenu(false);
                if (withShortcuts)
                    action->setShortcuts(AcceleratorKeys(kMainAccelerators, item.command));
                menu->addAction(action);
                break;
            }
        }
    }
    UpdateOnShow(menu, onUpdate);
}

Qt::Key ToQtKey(uint16_t code) {
    if (code >= 'A' && code <= 'Z') return static_cast<Qt::Key>(Qt::Key_A + (code - 'A'));
    if (code >= '0' && code <= '9') return static_cast<Qt::Key>(Qt::Key_0 + (code - '0'));
    if (code >= vk::kF1 && code <= vk::kF24)
        return static_cast<Qt::Key>(Qt::Key_F1 + (code - vk::kF1));
    switch (code) {
        case vk::kBackspace:
            return Qt::Key_Backspace;
        case vk::kLeft:
            return Qt::Key_Left;
        case vk::kUp:
            return Qt::Key_Up;
        case vk::kRight:
            return Qt::Key_Right;
        case vk::kDown:
            return Qt::Key_Down;
        case vk::kInsert:
            return Qt::Key_Insert;
        case vk::kDelete:
            return Qt::Key_Delete;
        default:
            return Qt::Key_unknown;
    }
}

}  // namespace

QPixmap StripPixmap(int index, qreal devicePixelRatio) {
    if (index < 0 || index >= kStripImageCount) return {};
    return RenderSvg(ImagePath(kStripFiles[index]), kStripImageSize, devicePixelRatio);
}

QIcon StripImage(int index) {
    if (index < 0 || index >= kStripImageCount) return {};
    return RenderIcon(ImagePath(kStripFiles[index]), {kStripImageSize, 2 * kStripImageSize});
}

QList<QIcon> StripImageList() {
    QList<QIcon> icons;
    for (int i = 0; i < kStripImageCount; ++i)
        icons.append(StripImage(i));
    return icons;
}

QIcon CommandIcon(uint32_t command) {
    for (const CommandPicture& picture : kCommandPictures) {
        if (picture.command == command) return RenderIcon(ImagePath(picture.file), {16, 24, 32});
    }
    return {};
}

QIcon ProgramIcon() {
    return RenderIcon(QStringLiteral(":/res/icons/tarnview.svg"), {16, 24, 32, 48, 64, 128, 256});
}

QKeySequence ToKeySequence(const Accelerator& accelerator) {
    const Qt::Key key = ToQtKey(accelerator.key);
    if (key == Qt::Key_unknown) return {};
    Qt::KeyboardModifiers modifiers;
    if (accelerator.modifiers & kAccelShift) modifiers |= Qt::ShiftModifier;
    if (accelerator.modifiers & kAccelControl) modifiers |= Qt::ControlModifier;
    if (accelerator.modifiers & kAccelAlt) modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, key));
}

QList<QKeySequence> AcceleratorKeys(uint32_t tableId, uint32_t command) {
    QList<QKeySequence> keys;
    for (const Accelerator& accelerator : AcceleratorsFor(tableId, command)) {
        const QKeySequence key = ToKeySequence(accelerator);
        if (!key.isEmpty()) keys.append(key);
    }
    return keys;
}

uint32_t CommandOf(const QAction* action) {
    if (action == nullptr || action->isSeparator() || action->menu() != nullptr) return 0;
    const QVariant data = action->data();
    return data.typeId() == QMetaType::UInt ? data.toUInt() : 0;
}

QAction* CreateCommandAction(uint32_t command, QObject* parent, const CommandHandler& onCommand) {
    QAction* action = NewAction(command, Qs(TooltipText(command)), parent, onCommand);
    action->setIcon(CommandIcon(command));
    return action;
}

QMenu* BuildMenu(uint32_t menuId, int popup, QWidget* parent, const CommandHandler& onCommand,
                 const CommandUpdater& onUpdate) {
    const auto items = GetPopup(menuId, popup);
    if (items.empty()) return nullptr;
    auto* menu = new QMenu(parent);
    menu->setTitle(Qs(GetMenu(menuId)[static_cast<std::size_t>(popup)].text));
    FillMenu(menu, items, false, onCommand, onUpdate);
    return menu;
}

QMenuBar* BuildMenuBar(uint32_t menuId, QWidget* parent, const CommandHandler& onCommand,
                       const CommandUpdater& onUpdate) {
    const auto items = GetMenu(menuId);
    if (items.empty()) return nullptr;
    auto* bar = new QMenuBar(parent);
    for (const MenuItem& item : items) {
        if (!item.IsSubmenu()) continue;  // a menu bar holds submenus only
        QMenu* menu = bar->addMenu(Qs(item.text));
        FillMenu(menu, item.children, true, onCommand, onUpdate);
    }
    return bar;
}

QToolBar* BuildToolBar(uint32_t toolbarId, QWidget* parent, const CommandHandler& onCommand) {
    const auto buttons = GetToolbar(toolbarId);
    if (buttons.empty()) return nullptr;
    auto* bar = new QToolBar(parent);
    bar->setIconSize(QSize(kStripImageSize, kStripImageSize));
    for (uint32_t command : buttons) {
        if (command == 0) {
            bar->addSeparator();
        } else {
            bar->addAction(CreateCommandAction(command, bar, onCommand));
        }
    }
    return bar;
}

QList<QAction*> AddAcceleratorActions(uint32_t tableId, QWidget* window,
                                      const CommandHandler& onCommand) {
    QList<QAction*> added;
    if (window == nullptr) return added;
    QList<uint32_t> bound;
    for (const QAction* action : window->findChildren<QAction*>()) {
        if (!action->shortcuts().isEmpty()) bound.append(CommandOf(action));
    }
    for (const Accelerator& accelerator : GetAccelerators(tableId)) {
        const uint32_t command = accelerator.command;
        if (bound.contains(command)) continue;
        bound.append(command);
        QAction* action = NewAction(command, Qs(TooltipText(command)), window, onCommand);
        action->setShortcuts(AcceleratorKeys(tableId, command));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(true);  // no menu opens for them, so nothing would ever enable them
        window->addAction(action);
        added.append(action);
    }
    return added;
}

void UpdateCommandActions(const QList<QAction*>& actions, const CommandUpdater& onUpdate) {
    if (!onUpdate) return;
    for (QAction* action : actions) {
        if (QMenu* sub = action->menu()) {
            UpdateCommandActions(sub->actions(), onUpdate);
        } else if (const uint32_t command = CommandOf(action)) {
            onUpdate(command, *action);
        }
    }
}

void TakeTabPlaceOf(QWidget* placeholder, QWidget* widget) {
    QWidget* before = placeholder->previousInFocusChain();
    while (before != placeholder && before != widget && before->focusPolicy() == Qt::NoFocus)
        before = before->previousInFocusChain();
    if (before != placeholder && before != widget) QWidget::setTabOrder(before, widget);
}

}  // namespace tv
