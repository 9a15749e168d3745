// The desktop program.
#include <QApplication>
#include <QTimer>

#include <string_view>

#include "app/TarnviewApp.h"

using tv::CTarnviewApp;

namespace {

// The usage text and a picture written to a file need no window, so they also work where there is
// no display (over ssh, in a build job); without a display Qt would abort before either is done.
void UseOffscreenWhenNoDisplayIsNeeded(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") return;  // what follows is a path, even "--help"
        if (argument == "--help" || argument == "-h" || argument == "--save-picture") {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    UseOffscreenWhenNoDisplayIsNeeded(argc, argv);
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
