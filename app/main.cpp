// The desktop program.
#include <QApplication>
#include <QMainWindow>
#include <QSplitter>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnview"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tarnview"));
    window.setCentralWidget(new QSplitter(Qt::Horizontal, &window));
    window.resize(900, 600);
    window.show();
    // Used by the start-up test: show the window, let the event loop run once, then leave.
    if (QApplication::arguments().contains(QStringLiteral("--quit-after-show")))
        QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
