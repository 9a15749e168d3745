// Desktop services for tests: record what the shell commands and the About box ask for instead of
// talking to D-Bus, starting xdg-open or showing modal boxes. Puts itself in place while it lives.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "browser/QtShellServices.h"

class CFakeDesktopServices : public tv::CDesktopServices {
public:
    CFakeDesktopServices() : m_previous(tv::SetDesktopServices(this)) {}
    ~CFakeDesktopServices() override { tv::SetDesktopServices(m_previous); }
    CFakeDesktopServices(const CFakeDesktopServices&) = delete;
    CFakeDesktopServices& operator=(const CFakeDesktopServices&) = delete;

    // What the fake desktop offers.
    bool fileManager = false;
    bool fileManagerSucceeds = true;
    bool openSucceeds = true;
    uint32_t propertiesResult = 0;
    // Show our real properties window instead of recording the request.
    bool realPropertiesWindow = false;

    // What was asked of it.
    std::vector<std::pair<QString, QStringList>> fileManagerCalls;
    QStringList opened;
    std::vector<std::string> propertiesShown;
    std::vector<std::pair<QMessageBox::Icon, QString>> messages;

    bool HasFileManager() override { return fileManager; }
    bool CallFileManager(const QString& method, const QStringList& uris) override {
        fileManagerCalls.emplace_back(method, uris);
        return fileManagerSucceeds;
    }
    bool OpenUrl(const QString& url) override {
        opened << url;
        return openSucceeds;
    }
    uint32_t ShowPropertiesWindow(const std::string& path, QWidget* owner) override {
        propertiesShown.push_back(path);
        if (realPropertiesWindow) return tv::CDesktopServices::ShowPropertiesWindow(path, owner);
        return propertiesResult;
    }
    void ShowMessage(QWidget*, QMessageBox::Icon icon, const QString& text) override {
        messages.emplace_back(icon, text);
    }

private:
    tv::CDesktopServices* m_previous;
};

// Failure messages print QStrings as text instead of their code units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
