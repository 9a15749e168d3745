#include "res/DialogToolBar.h"

#include <QAction>
#include <QLayout>
#include <QToolButton>

#include "res/Menus.h"
#include "res/QtResources.h"

namespace tv {

CDialogToolBar::CDialogToolBar(QWidget* parent) : QToolBar(parent) {
    setFloatable(false);
    setMovable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFocusPolicy(Qt::TabFocus);
    // The pictures are drawn for 16 pixels; the tables' 15-pixel rows would only blur them.
    setIconSize(QSize(16, 16));
}

bool CDialogToolBar::CreateAtPlaceholder(QWidget* parent, int placeholderId, uint32_t toolbarId) {
    if (parent == nullptr) return false;
    auto* placeholder =
        parent->findChild<QWidget*>(QStringLiteral("placeholder%1").arg(placeholderId));
    if (placeholder == nullptr) return false;
    setParent(parent);
    setObjectName(QStringLiteral("toolbar%1").arg(toolbarId));
    QWidget* holder = placeholder->parentWidget();
    QLayout* layout = holder != nullptr ? holder->layout() : nullptr;
    QLayoutItem* replaced = layout != nullptr ? layout->replaceWidget(placeholder, this) : nullptr;
    if (replaced != nullptr) {
        delete replaced;
        if (parent != holder) setParent(holder);
    } else {
        setParent(holder != nullptr ? holder : parent);
        setGeometry(placeholder->geometry());
    }
    placeholder->hide();
    TakeTabPlaceOf(placeholder, this);
    show();
    return LoadButtons(toolbarId);
}

bool CDialogToolBar::LoadButtons(uint32_t toolbarId) {
    for (const Button& button : m_buttons)
        delete button.action;
    m_buttons.clear();
    clear();
    const auto entries = GetToolbar(toolbarId);
    int image = 0;
    for (uint32_t command : entries) {
        Button button;
        button.command = command;
        if (command == 0) {
            button.action = addSeparator();
        } else {
            button.action = CreateCommandAction(command, this, [this, command](uint32_t id) {
                // A checked button shows a state its page keeps: a click asks the page to change
                // it (the page reads the state, flips it and sets it with CheckButton). Qt has
                // already flipped a checkable action by now, so the page would flip it back.
                if (QAction* pressed = ButtonAction(command); pressed && pressed->isCheckable())
                    pressed->setChecked(!pressed->isChecked());
                emit commandTriggered(id);
            });
            button.action->setEnabled(true);
            button.image = image++;
            addAction(button.action);
        }
        m_buttons.append(button);
    }
    return !entries.empty();
}

namespace {

template <typename Buttons>
auto FindButton(Buttons& buttons, uint32_t command) -> decltype(&buttons[0]) {
    if (command == 0) return nullptr;
    for (auto& button : buttons) {
        if (button.command == command) return &button;
    }
    return nullptr;
}

}  // namespace

void CDialogToolBar::EnableButton(uint32_t command, bool enable) {
    if (QAction* action = ButtonAction(command)) action->setEnabled(enable);
}

void CDialogToolBar::HideButton(uint32_t command, bool hide) {
    if (QAction* action = ButtonAction(command)) action->setVisible(!hide);
}

void CDialogToolBar::CheckButton(uint32_t command, bool check) {
    QAction* action = ButtonAction(command);
    if (action == nullptr) return;
    action->setCheckable(true);
    action->setChecked(check);
}

bool CDialogToolBar::IsButtonEnabled(uint32_t command) const {
    const QAction* action = ButtonAction(command);
    return action != nullptr && action->isEnabled();
}

bool CDialogToolBar::IsButtonHidden(uint32_t command) const {
    const QAction* action = ButtonAction(command);
    return action != nullptr && !action->isVisible();
}

bool CDialogToolBar::IsButtonChecked(uint32_t command) const {
    const QAction* action = ButtonAction(command);
    return action != nullptr && action->isChecked();
}

QList<uint32_t> CDialogToolBar::Entries() const {
    QList<uint32_t> entries;
    for (const Button& button : m_buttons)
        entries.append(button.command);
    return entries;
}

int CDialogToolBar::ImageIndex(uint32_t command) const {
    const Button* button = FindButton(m_buttons, command);
    return button != nullptr ? button->image : -1;
}

QAction* CDialogToolBar::ButtonAction(uint32_t command) const {
    const Button* button = FindButton(m_buttons, command);
    return button != nullptr ? button->action : nullptr;
}

}  // namespace tv
