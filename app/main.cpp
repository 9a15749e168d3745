// The desktop program.
#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <string_view>

#include "app/TarnviewApp.h"

using tv::CTarnviewApp;

namespace {

// True for the calls that end without a window: the help and a picture written to a file.
// Arguments after "--" are paths, and the one after --headers or --resources is a file.
bool OpensNoWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") return false;
        if (argument == "-h" || argument == "--help" || argument == "--save-picture") return true;
        if (argument == "--headers" || argument == "--resources") ++i;
    }
    return false;
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Without a display Qt gives up before the program can say a word (abort, status 134), yet
    // the help and --save-picture need no screen: on a server, over ssh or in a build they run
    // on the offscreen platform. A platform the user chose stays chosen.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if ((platform == nullptr || *platform == '\0') && !HasDisplay() && OpensNoWindow(argc, argv))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

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
