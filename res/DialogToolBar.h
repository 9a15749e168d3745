// The button strip of the module windows and the resource pages: a tool bar that takes the place
// of a hidden placeholder of its window (the widget named "placeholder<id>", in practice 1003),
// with its position in the layout and in the tab order, and fills itself from one of the
// program's toolbar tables. Buttons carry command ids: a click reaches the owner as
// commandTriggered(id), and the owner sets each button's state itself by command id whenever its
// content changes (there is no update routing for these strips).
#pragma once

#include <QList>
#include <QToolBar>

#include <cstdint>

class QAction;

namespace tv {

class CDialogToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CDialogToolBar(QWidget* parent = nullptr);

    // Puts the tool bar where parent's child "placeholder<placeholderId>" is: into its layout slot
    // (or its geometry when it is in no layout) and right after it in the tab order; the
    // placeholder stays hidden. Then loads toolbar toolbarId. false when there is no such
    // placeholder or no such toolbar; the window then goes on without buttons.
    bool CreateAtPlaceholder(QWidget* parent, int placeholderId, uint32_t toolbarId);
    // Replaces every button by those of toolbar toolbarId, each enabled; separators take no
    // picture. false for an unknown toolbar (the strip is then empty).
    bool LoadButtons(uint32_t toolbarId);

    void EnableButton(uint32_t command, bool enable = true);
    void HideButton(uint32_t command, bool hide = true);
    // Makes the button a toggle if it is not one yet.
    void CheckButton(uint32_t command, bool check = true);
    [[nodiscard]] bool IsButtonEnabled(uint32_t command) const;
    [[nodiscard]] bool IsButtonHidden(uint32_t command) const;
    [[nodiscard]] bool IsButtonChecked(uint32_t command) const;

    // The buttons' command ids in display order, 0 for a separator.
    [[nodiscard]] QList<uint32_t> Entries() const;
    // Index of the button's picture among the toolbar's pictures (separators have none), -1
    // for a command the strip does not hold.
    [[nodiscard]] int ImageIndex(uint32_t command) const;
    // The action of a button, nullptr for a command the strip does not hold.
    [[nodiscard]] QAction* ButtonAction(uint32_t command) const;

signals:
    void commandTriggered(uint32_t command);

private:
    struct Button {
        uint32_t command = 0;
        QAction* action = nullptr;
        int image = -1;
    };
    QList<Button> m_buttons;
};

}  // namespace tv
