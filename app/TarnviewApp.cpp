#include "app/TarnviewApp.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QWidget>

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "browser/QtShellServices.h"
#include "res/Commands.h"
#include "res/QtResources.h"
#include "res/QtWaitCursor.h"
#include "settings/Settings.h"

namespace tv {

namespace {

CTarnviewApp* s_instance = nullptr;

bool IsAutomationSwitch(const QString& argument) {
    for (const char* name : {"Embedding", "Automation"}) {
        for (const char* prefix : {"-", "/"}) {
            if (argument.compare(QString::fromLatin1(prefix) + QString::fromLatin1(name),
                                 Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

CTarnviewApp::CTarnviewApp() { s_instance = this; }

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
    bool automation = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (IsAutomationSwitch(argument)) {
            automation = true;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            continue;  // options of Qt's and of the test harness
        } else if (startPath.empty()) {
            startPath = argument.toLocal8Bit().toStdString();
        }
    }
    // Nothing on Linux drives the program as an automation server: started that way, it shows
    // no window and has nothing to wait for.
    if (automation) return false;

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
    if (m_document.GetTitle() != "Tarnview")
        frame->setWindowTitle(QString::fromLocal8Bit(m_document.GetTitle().c_str()) +
                              QStringLiteral(" - Tarnview"));
    frame->show();
    frame->InitialUpdate(m_document.GetStartPath());
    return true;
}

void CTarnviewApp::ExitInstance() { SweepModuleWindows(true); }

bool CTarnviewApp::OpenResourcesWindow(const std::string& path) {
    return OpenModuleWindow("CResourcesDlg", m_resources, path);
}

bool CTarnviewApp::OpenHeadersWindow(const std::string& path) {
    return OpenModuleWindow("CModuleHeadersDlg", m_headers, path);
}

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
