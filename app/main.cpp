// The desktop program.
#include <QApplication>
#include <QTimer>

#include "app/TarnviewApp.h"

using tv::CTarnviewApp;

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    CTarnviewApp app;
    int exitCode = 0;
    if (!app.InitInstance(QApplication::arguments(), exitCode)) return exitCode;
    // Used by the start-up test: show the window, let the event loop run once, then leave.
    if (QApplication::arguments().contains(QLatin1String(CTarnviewApp::kQuitAfterShowOption)))
        QTimer::singleShot(0, &qtApp, &QApplication::quit);
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
