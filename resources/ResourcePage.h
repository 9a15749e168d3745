// The base of the resources window's pages: a child widget that sits in its window's page area,
// right after the area's placeholder in the tab order. Enter and Escape in a page reach the window
// as its OK and Cancel commands, posted rather than called, so the key that closes the window is
// handled after the page has finished with it.
#pragma once

#include <QWidget>

#include <cstdint>

class QKeyEvent;

namespace tv {

inline constexpr uint32_t kIdOk = 1;
inline constexpr uint32_t kIdCancel = 2;

class CResourcePage : public QWidget {
    Q_OBJECT
public:
    explicit CResourcePage(QWidget* parent = nullptr);

    // Makes the page a child of parent at rect (parent coordinates) or, when placeholder is in a
    // layout, in the placeholder's layout cell; with a placeholder the page also follows it in
    // the tab order. false without a parent.
    bool CreatePage(QWidget* parent, const QRect& rect, QWidget* placeholder);

    // Shows the window that holds the page, brings it to the front and gives it the focus.
    void ActivateParent();

protected:
    // Post kIdOk / kIdCancel to the parent when it is a command target.
    virtual void OnOK();
    virtual void OnCancel();
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PostToParent(uint32_t command);
};

}  // namespace tv
