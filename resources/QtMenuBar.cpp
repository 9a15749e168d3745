#include "resources/QtMenuBar.h"

#include <QAction>
#include <QActionGroup>
#include <QFont>
#include <QMenu>
#include <QSignalBlocker>
#include <QString>
#include <QVariant>

namespace tv {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The text of an entry in a popup menu: QMenu draws what follows a tab as the shortcut column.
QString MenuText(const MenuEntry& entry) {
    if (entry.IsPicture()) return {};
    QString text = FromUtf8(entry.Caption());
    if (!entry.ShortcutText().empty()) text += u'\t' + FromUtf8(entry.ShortcutText());
    return text;
}

// A menu bar has no shortcut column; the shortcut text stays visible after the caption.
QString BarText(const MenuEntry& entry) {
    if (entry.IsPicture()) return {};
    QString text = FromUtf8(entry.Caption());
    if (!entry.ShortcutText().empty()) text += u' ' + FromUtf8(entry.ShortcutText());
    return text;
}

// States and looks of one entry's action. The only connection made keeps a checked entry
// checked when it is clicked: the menu is a picture of the module's menu, not a control.
void Configure(QAction& action, const MenuEntry& entry) {
    // A property, not the action's data: the program's own actions carry their command id there,
    // and a module's ids must never be mistaken for the program's commands.
    action.setProperty(kMenuEntryIdProperty, QVariant::fromValue(entry.id));
    action.setEnabled(!entry.IsDisabled() && !entry.IsPicture());
    if (entry.state & kMfsDefault) {
        // Windows draws a menu's default entry in bold.
        QFont font = action.font();
        font.setBold(true);
        action.setFont(font);
    }
    if (!entry.IsChecked() || entry.IsPicture()) return;
    action.setCheckable(true);
    action.setChecked(true);
    if (entry.type & kMftRadioCheck) {
        auto* group = new QActionGroup(&action);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
        group->addAction(&action);
    }
    QObject::connect(&action, &QAction::toggled, &action, [&action](bool checked) {
        if (checked) return;
        const QSignalBlocker blocker(&action);
        action.setChecked(true);
    });
}

void FillLevel(QMenu& menu, const std::vector<MenuEntry>& entries, size_t depth) {
    for (const MenuEntry& entry : entries) {
        if (entry.popup) {
            QMenu* sub = menu.addMenu(MenuText(entry));
            Configure(*sub->menuAction(), entry);
            // The reader never nests deeper; a model built otherwise is cut off here.
            if (depth < kMaxMenuDepth) FillLevel(*sub, entry.children, depth + 1);
        } else if (entry.IsSeparator()) {
            menu.addSeparator();
        } else {
            Configure(*menu.addAction(MenuText(entry)), entry);
        }
    }
}

// The bar in bar's right corner that holds the right-justified entries, made on first use.
QMenuBar& RightBar(QMenuBar& bar) {
    if (auto* corner = qobject_cast<QMenuBar*>(bar.cornerWidget(Qt::TopRightCorner)))
        return *corner;
    auto* corner = new QMenuBar(&bar);
    corner->setNativeMenuBar(false);
    bar.setCornerWidget(corner, Qt::TopRightCorner);
    return *corner;
}

}  // namespace

QMenuBar* BuildMenuBar(const MenuModel& model, QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    FillMenuBar(*bar, model);
    return bar;
}

void FillMenuBar(QMenuBar& bar, const MenuModel& model) {
    // Windows puts a right-justified menu bar entry and every entry after it at the right end.
    QMenuBar* target = &bar;
    for (const MenuEntry& entry : model.items) {
        if ((entry.type & kMftRightJustify) && target == &bar) target = &RightBar(bar);
        if (entry.popup) {
            QMenu* menu = target->addMenu(BarText(entry));
            Configure(*menu->menuAction(), entry);
            FillLevel(*menu, entry.children, 2);
        } else if (entry.IsSeparator()) {
            target->addSeparator();
        } else {
            Configure(*target->addAction(BarText(entry)), entry);
        }
    }
}

void FillMenu(QMenu& menu, const std::vector<MenuEntry>& entries) { FillLevel(menu, entries, 1); }

}  // namespace tv
