// What the module windows (the headers and the resources windows) and the application offer each
// other. The windows live on lower floors than the application, so they reach it only through
// IModuleWindowHost, which the application implements.
#pragma once

#include <QIcon>

#include <string>

class QWidget;

namespace tv {

class IModuleWindow {
public:
    virtual ~IModuleWindow() = default;
    // The window; null once it has been destroyed.
    [[nodiscard]] virtual QWidget* Widget() = 0;
    // "CResourcesDlg" or "CModuleHeadersDlg": tells the two kinds apart.
    [[nodiscard]] virtual const char* ClassName() const = 0;
    virtual bool CreateModeless() = 0;
    virtual bool LoadModule(const std::string& path) = 0;
    [[nodiscard]] virtual std::string GetModulePath() const = 0;
    [[nodiscard]] virtual std::string GetErrorText() const = 0;
};

class IModuleWindowHost {
public:
    virtual ~IModuleWindowHost() = default;
    // The module commands of a window, with a path the window has already resolved.
    virtual bool OpenHeadersWindow(const std::string& path) = 0;
    virtual bool OpenResourcesWindow(const std::string& path) = 0;
    virtual bool ShowFileProperties(const std::string& path, QWidget* owner) = 0;
    // The module's own icon (its first icon group), or the picture for its kind of file.
    [[nodiscard]] virtual QIcon ModuleIcon(const std::string& path) = 0;
};

}  // namespace tv
