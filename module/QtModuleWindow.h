// What the module windows (the headers and the resources windows) and the application offer each
// other. The windows live on lower floors than the application, so they reach it only through
// IModuleWindowHost, which the application implements.
#pragma once

#include <QIcon>
#include <QPointer>

#include <string>

class QWidget;

namespace tv {

class IModuleWindowHost;

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

// A module window's dialog as the application's list holds it: Dialog is constructed with the
// host, shown modeless, and deletes itself or is hidden when closed; className tells the kinds
// apart.
template <typename Dialog, const char* className>
class CModuleWindowOf : public IModuleWindow {
public:
    explicit CModuleWindowOf(IModuleWindowHost* host) : m_dialog(new Dialog(host)) {}
    ~CModuleWindowOf() override { delete m_dialog.data(); }
    CModuleWindowOf(const CModuleWindowOf&) = delete;
    CModuleWindowOf& operator=(const CModuleWindowOf&) = delete;

    QWidget* Widget() override { return m_dialog.data(); }
    const char* ClassName() const override { return className; }
    bool CreateModeless() override {
        if (m_dialog.isNull()) return false;
        m_dialog->show();
        return true;
    }
    bool LoadModule(const std::string& path) override {
        return !m_dialog.isNull() && m_dialog->LoadModule(path);
    }
    std::string GetModulePath() const override {
        return m_dialog.isNull() ? std::string() : m_dialog->GetModulePath();
    }
    std::string GetErrorText() const override {
        return m_dialog.isNull() ? std::string() : m_dialog->GetErrorText();
    }

private:
    QPointer<Dialog> m_dialog;
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
