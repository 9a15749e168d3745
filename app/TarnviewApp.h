// The application: start-up from the command line, the main window, the list of open module
// windows, and the commands that belong to the whole program (About).
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/TarnviewDoc.h"
#include "module/QtModuleWindow.h"
#include "res/CommandTarget.h"

class QWidget;

namespace tv {

class CMainFrame;

class CTarnviewApp : public QObject, public ICommandTarget, public IModuleWindowHost {
    Q_OBJECT
public:
    // Makes a module window of one kind; null while that kind is not available.
    using WindowFactory = std::function<std::unique_ptr<IModuleWindow>()>;

    CTarnviewApp();
    ~CTarnviewApp() override;

    // The one application object, or null before it exists.
    [[nodiscard]] static CTarnviewApp* Instance() noexcept;

    // Tells main to leave once the window has shown (the start-up test).
    static constexpr const char* kQuitAfterShowOption = "--quit-after-show";

    // Start-up: reads the arguments (a path is the start path, a folder or a file to select in
    // its folder; -Embedding or -Automation start without a window; "--" ends the options, so a
    // path after it may start with "-"), creates the document and the main window and shows it.
    // False when the program should end at once; exitCode then says with what (2 for an unknown
    // option).
    bool InitInstance(const QStringList& arguments, int& exitCode);
    // Shutdown: every module window goes.
    void ExitInstance();

    [[nodiscard]] CMainFrame* GetMainFrame() const noexcept;
    [[nodiscard]] CTarnviewDoc& Document() noexcept { return m_document; }

    bool OpenResourcesWindow(const std::string& path) override;
    bool OpenHeadersWindow(const std::string& path) override;
    bool ShowFileProperties(const std::string& path, QWidget* owner) override;
    [[nodiscard]] QIcon ModuleIcon(const std::string& path) override;
    void SweepModuleWindows(bool all);
    [[nodiscard]] size_t ModuleWindowCount() const noexcept { return m_windows.size(); }

    // Tests and later windows put the factories in place.
    void SetResourcesWindowFactory(WindowFactory factory) { m_resources = std::move(factory); }
    void SetHeadersWindowFactory(WindowFactory factory) { m_headers = std::move(factory); }

    bool OnCommand(uint32_t id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

private:
    bool OpenModuleWindow(const char* className, const WindowFactory& factory,
                          const std::string& path);

    CTarnviewDoc m_document;
    std::unique_ptr<CMainFrame> m_frame;
    std::vector<std::unique_ptr<IModuleWindow>> m_windows;
    WindowFactory m_resources;
    WindowFactory m_headers;
};

}  // namespace tv
