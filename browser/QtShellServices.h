// The shell commands the folder tree, the module list and the headers window call: the properties
// of an item or a file, and a folder opened in the desktop's file manager.
//
// On Linux the desktop's file manager does both when the session bus offers
// org.freedesktop.FileManager1 (ShowItemProperties, ShowFolders). Without it, or when it refuses,
// properties come in our own window (browser/PropertiesDlg.h) and folders are handed to xdg-open.
// Everything that reaches outside the process goes through CDesktopServices, which tests replace
// so that nothing is launched.
//
// The commands keep the wait cursor up while they work and, on failure, show the system's error
// text followed by the item's display name in square brackets in an error box; the caller only
// gets false.
#pragma once

#include <QDBusConnection>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/ItemIdList.h"

class QWidget;

namespace tv {

// The ways the shell commands and the About box reach the desktop.
class CDesktopServices {
public:
    virtual ~CDesktopServices();

    // True when the session bus is up and org.freedesktop.FileManager1 is running or can be
    // started by the bus.
    virtual bool HasFileManager();
    // Calls method ("ShowItemProperties", "ShowFolders", "ShowItems") of the file manager with
    // uris and an empty start-up id; false when the bus reports an error or no reply comes.
    virtual bool CallFileManager(const QString& method, const QStringList& uris);
    // Hands url to xdg-open without waiting for it; false when xdg-open cannot be started.
    virtual bool OpenUrl(const QString& url);
    // Shows our own properties window for path (modeless, deleted when closed); 0, or the error
    // code (Windows numbering) when the path cannot be described.
    virtual uint32_t ShowPropertiesWindow(const std::string& path, QWidget* owner);
    // A message box with the program's name as its title.
    virtual void ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& text);

protected:
    // The bus the file manager is looked for on: the session bus.
    virtual QDBusConnection Bus();
};

// The services in use: the real ones unless a test put others in place.
[[nodiscard]] CDesktopServices& DesktopServices();
// Puts services in place (nullptr restores the real ones); returns what was in place before, or
// nullptr when that was the real ones. The caller keeps ownership.
CDesktopServices* SetDesktopServices(CDesktopServices* services);

// A file URI for a raw file-system path: "file://" and the path with every byte outside the
// unreserved characters and '/' percent-encoded, so names that are not UTF-8 survive the trip.
[[nodiscard]] QString FileUri(std::string_view rawPath);

// The properties of the item an absolute item-id list names (the folder tree's items). The
// desktop itself has no properties on Linux and fails with error 50.
bool ShowItemProperties(const CItemIdList& idList, QWidget* owner = nullptr);
// The properties of the file or folder at path (the module list, the headers window).
bool ShowFileProperties(const std::string& path, QWidget* owner = nullptr);
// Opens the folder an absolute item-id list names in the file manager; the desktop opens the home
// folder. An item that is not a folder fails with error 267.
bool ExploreItem(const CItemIdList& idList, QWidget* owner = nullptr);

}  // namespace tv
