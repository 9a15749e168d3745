#include "resources/ResourcePage.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPointer>

#include "res/CommandTarget.h"
#include "res/QtResources.h"

namespace tv {

CResourcePage::CResourcePage(QWidget* parent) : QWidget(parent) {}

bool CResourcePage::CreatePage(QWidget* parent, const QRect& rect, QWidget* placeholder) {
    if (parent == nullptr) return false;
    setParent(parent);
    setGeometry(rect);
    if (placeholder != nullptr) {
        setFocusPolicy(Qt::TabFocus);
        // In a layout, every page shares the placeholder's cell, so the window resizes them all.
        QWidget* holder = placeholder->parentWidget();
        if (auto* grid =
                holder != nullptr ? qobject_cast<QGridLayout*>(holder->layout()) : nullptr) {
            const int at = grid->indexOf(placeholder);
            if (at >= 0) {
                int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
                grid->getItemPosition(at, &row, &column, &rowSpan, &columnSpan);
                setParent(holder);
                grid->addWidget(this, row, column, rowSpan, columnSpan);
            }
        }
        TakeTabPlaceOf(placeholder, this);
    }
    return true;
}

void CResourcePage::ActivateParent() {
    QWidget* window = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    if (window == nullptr) return;
    window->show();
    window->raise();
    window->activateWindow();
    window->setFocus(Qt::OtherFocusReason);
}

void CResourcePage::OnOK() { PostToParent(kIdOk); }

void CResourcePage::OnCancel() { PostToParent(kIdCancel); }

void CResourcePage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (event->modifiers() & ~Qt::KeypadModifier) break;
            OnOK();
            event->accept();
            return;
        case Qt::Key_Escape:
            if (event->modifiers() != Qt::NoModifier) break;
            OnCancel();
            event->accept();
            return;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void CResourcePage::PostToParent(uint32_t command) {
    // The page's parent may be the window itself or a frame inside it: the nearest command
    // target up the chain gets the command.
    QWidget* target = parentWidget();
    while (target != nullptr && dynamic_cast<ICommandTarget*>(target) == nullptr)
        target = target->parentWidget();
    if (target == nullptr) return;
    QPointer<QWidget> guard(target);
    QMetaObject::invokeMethod(
        target,
        [guard, command] {
            if (auto* commands = dynamic_cast<ICommandTarget*>(guard.data()))
                commands->OnCommand(command);
        },
        Qt::QueuedConnection);
}

}  // namespace tv
