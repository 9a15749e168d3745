#include "app/TarnviewApp.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "browser/QtModuleIcon.h"
#include "browser/QtShellServices.h"
#include "browser/RightView.h"
#include "module/ModuleHeadersDlg.h"
#include "res/Commands.h"
#include "res/QtResources.h"
#include "res/QtWaitCursor.h"
#include "resources/ImagePage.h"
#include "resources/ResourceTypes.h"
#include "resources/ResourcesDlg.h"
#include "settings/Settings.h"

namespace tv {

namespace {

CTarnviewApp* s_instance = nullptr;

// The switches a desktop's object broker starts a server with. Only the "-" spelling counts:
// "/Embedding" is a path on this system, and a folder may well be called that.
bool IsAutomationSwitch(const QString& argument) {
    for (const char* name : {"-Embedding", "-Automation"}) {
        if (argument.compare(QString::fromLatin1(name), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

constexpr const char* kUsage =
    "Aufruf: tarnview [--] [ORDNER|DATEI]\n"
    "        tarnview --headers DATEI\n"
    "        tarnview --resources DATEI\n"
    "        tarnview --save-picture DATEI TYP NAME AUSGABE.png|AUSGABE.bmp\n"
    "\n"
    "Zeigt Ordner und die Köpfe und Ressourcen von Windows-Modulen (EXE, DLL, SYS, ...).\n"
    "\n"
    "  ORDNER               der Ordner, den die Ordnerliste beim Start wählt\n"
    "  DATEI                eine Datei, in ihrem Ordner gewählt\n"
    "  --headers DATEI      öffnet das Fenster \"Modulköpfe\" von DATEI, in deren Ordner\n"
    "  --resources DATEI    öffnet das Ressourcenfenster von DATEI, in deren Ordner\n"
    "  --save-picture ...   schreibt das Bild einer Ressource (Bitmap, Symbol, Cursor, Dialog)\n"
    "                       so, wie die Bildseite es zeigt, ohne ein Fenster zu öffnen\n"
    "  -h, --help           zeigt diesen Text\n"
    "  --                   beendet die Optionen: was folgt, ist ein Pfad, auch wenn es mit\n"
    "                       \"-\" beginnt\n";

// path as an absolute path, without asking the file system anything else: the file may be missing,
// and the message that says so should name it as the user wrote it, after the folder.
std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer) == nullptr) return path;
    std::string folder(buffer);
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + (path.rfind("./", 0) == 0 ? path.substr(2) : path);
}

// --save-picture FILE TYPE NAME OUT: the exit status 0, 1 when the picture could not be written,
// 2 for a wrong call.
int SavePicture(const QStringList& operands) {
    if (operands.size() < 4) {
        std::fprintf(stderr, "tarnview: --save-picture braucht DATEI, TYP, NAME und AUSGABE.\n%s",
                     kUsage);
        return 2;
    }
    auto local = [](const QString& text) { return text.toLocal8Bit().toStdString(); };
    const std::string file = local(operands[0]);
    const auto type = tv::ParseResourceIdText(local(operands[1]), true);
    const auto name = tv::ParseResourceIdText(local(operands[2]), false);
    if (!type || !name) {
        std::fprintf(stderr, "tarnview: '%s' ist kein Ressourcen%s.\n",
                     local(operands[type ? 2 : 1]).c_str(), type ? "name" : "typ");
        return 2;
    }
    std::string error;
    if (!tv::SaveResourcePicture(AbsolutePath(file), *type, *name, local(operands[3]), error)) {
        std::fprintf(stderr, "tarnview: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

CTarnviewApp::CTarnviewApp() {
    s_instance = this;
    m_headers = [this] { return std::make_unique<CModuleHeadersWindow>(this); };
    m_resources = [this] { return std::make_unique<CResourcesWindow>(this); };
}

CTarnviewApp::~CTarnviewApp() {
    SweepModuleWindows(true);
    m_frame.reset();
    if (s_instance == this) s_instance = nullptr;
}

CTarnviewApp* CTarnviewApp::Instance() noexcept { return s_instance; }

CMainFrame* CTarnviewApp::GetMainFrame() const noexcept { return m_frame.get(); }

bool CTarnviewApp::InitInstance(const QStringList& arguments, int& exitCode) {
    exitCode = 0;
    QApplication::setApplicationName(QStringLiteral("Tarnview"));
    QApplication::setOrganizationName(QString::fromStdString(CSettings::GetCompanyKey()));
    QApplication::setWindowIcon(tv::ProgramIcon());
    // Texts Qt supplies (MIME type comments, standard buttons) in the program's language.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    std::string startPath;
    std::string moduleToOpen;  // --headers or --resources FILE
    uint32_t windowToOpen = 0;
    bool automation = false;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        // Qt has taken its own options out of the list already; a "-" alone is a name.
        const bool option =
            !optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1;
        if (!option) {
            // The first path is the start path; a desktop hands over one file (%f).
            if (startPath.empty()) startPath = argument.toLocal8Bit().toStdString();
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (IsAutomationSwitch(argument)) {
            automation = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return false;
        } else if (argument == QLatin1String("--save-picture")) {
            exitCode = SavePicture(arguments.mid(i + 1));
            return false;
        } else if (argument == QLatin1String("--headers") ||
                   argument == QLatin1String("--resources")) {
            if (i + 1 >= arguments.size()) {
                std::fprintf(stderr, "tarnview: %s braucht eine Datei.\n%s",
                             argument.toLocal8Bit().constData(), kUsage);
                exitCode = 2;
                return false;
            }
            windowToOpen =
                argument == QLatin1String("--headers") ? tv::cmd::kHeaders : tv::cmd::kResources;
            moduleToOpen = AbsolutePath(arguments[++i].toLocal8Bit().toStdString());
        } else if (argument == QLatin1String(kQuitAfterShowOption)) {
            continue;  // main's, for the start-up test
        } else {
            // A name the user meant as a path would otherwise vanish without a word.
            std::fprintf(stderr,
                         "tarnview: unbekannte Option %s (ein Pfad, der mit \"-\" beginnt, "
                         "steht nach \"--\").\n%s",
                         argument.toLocal8Bit().constData(), kUsage);
            exitCode = 2;
            return false;
        }
    }
    // Nothing on Linux drives the program as an automation server: started that way, it shows
    // no window and has nothing to wait for.
    if (automation) return false;

    // A module to open is shown in its folder, selected, with its window on top; one that is
    // missing is told by its window's load error, so the start path is its folder then.
    if (!moduleToOpen.empty()) {
        struct stat st {};
        startPath = ::stat(moduleToOpen.c_str(), &st) == 0
                        ? moduleToOpen
                        : moduleToOpen.substr(0, moduleToOpen.find_last_of('/') + 1);
    }
    if (startPath.empty())
        m_document.OnNewDocument();
    else
        m_document.OnOpenDocument(startPath);

    m_frame = std::make_unique<CMainFrame>(this);
    CMainFrame* frame = m_frame.get();
    frame->SetShellActions(
        [frame](const std::string& path) { return tv::ShowFileProperties(path, frame); },
        [frame](const tv::CItemIdList& item) { return tv::ShowItemProperties(item, frame); },
        [frame](const tv::CItemIdList& item) { return tv::ExploreItem(item, frame); });
    frame->SetModuleWindowActions(
        [this](const std::string& path) { return OpenResourcesWindow(path); },
        [this](const std::string& path) { return OpenHeadersWindow(path); });
    frame->show();
    // The frame names the folder it shows in its title from here on.
    frame->InitialUpdate(m_document.GetStartPath());
    if (!moduleToOpen.empty()) {
        if (windowToOpen == tv::cmd::kHeaders)
            OpenHeadersWindow(moduleToOpen);
        else
            OpenResourcesWindow(moduleToOpen);
    }
    return true;
}

void CTarnviewApp::ExitInstance() { SweepModuleWindows(true); }

bool CTarnviewApp::OpenResourcesWindow(const std::string& path) {
    return OpenModuleWindow("CResourcesDlg", m_resources, path);
}

bool CTarnviewApp::OpenHeadersWindow(const std::string& path) {
    return OpenModuleWindow("CModuleHeadersDlg", m_headers, path);
}

bool CTarnviewApp::ShowFileProperties(const std::string& path, QWidget* owner) {
    return tv::ShowFileProperties(path, owner);
}

QIcon CTarnviewApp::ModuleIcon(const std::string& path) { return ModuleListIcon(path, false); }

bool CTarnviewApp::OpenModuleWindow(const char* className, const WindowFactory& factory,
                                    const std::string& path) {
    CWaitCursor wait;
    for (const auto& window : m_windows) {
        QWidget* widget = window->Widget();
        if (widget == nullptr || std::string_view(window->ClassName()) != className) continue;
        // Paths compare byte for byte: two spellings are two windows.
        if (window->GetModulePath() != path) continue;
        widget->show();
        widget->raise();
        widget->activateWindow();
        return true;
    }
    std::unique_ptr<IModuleWindow> window = factory ? factory() : nullptr;
    if (!window) {
        wait.Restore();
        tv::DesktopServices().ShowMessage(
            m_frame.get(), QMessageBox::Information,
            QStringLiteral("Dieses Fenster (%1) gibt es in dieser Version von Tarnview noch nicht.")
                .arg(QString::fromLatin1(className)));
        return false;
    }
    if (!window->CreateModeless()) return false;
    if (!window->LoadModule(path)) {
        wait.Restore();
        tv::DesktopServices().ShowMessage(m_frame.get(), QMessageBox::Critical,
                                          QString::fromStdString(window->GetErrorText()));
        return false;
    }
    m_windows.push_back(std::move(window));
    SweepModuleWindows(false);
    return true;
}

void CTarnviewApp::SweepModuleWindows(bool all) {
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        QWidget* widget = (*it)->Widget();
        if (all || widget == nullptr || !widget->isVisible()) {
            it = m_windows.erase(it);
        } else {
            ++it;
        }
    }
}

bool CTarnviewApp::OnCommand(uint32_t id) {
    if (id != tv::cmd::kAppAbout) return false;
    CAboutDlg about(m_frame.get());
    about.exec();
    return true;
}

bool CTarnviewApp::OnUpdateCommand(CCmdUI& ui) {
    if (ui.GetId() != tv::cmd::kAppAbout) return false;
    ui.Enable(true);
    return true;
}

}  // namespace tv
