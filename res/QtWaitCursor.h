// The wait cursor for the time an object of this class lives, as the windows show it while they
// read folders and modules. Restore drops it early (before a message box, which should not show
// an hourglass).
#pragma once

#include <QGuiApplication>

namespace tv {

class CWaitCursor {
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { Restore(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore() {
        if (m_active) QGuiApplication::restoreOverrideCursor();
        m_active = false;
    }

private:
    bool m_active = true;
};

}  // namespace tv
