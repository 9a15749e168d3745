#include "browser/QtShellServices.h"

#include <sys/stat.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>
#include <QWidget>
#include <cerrno>
#include <optional>

#include "browser/PropertiesDlg.h"
#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "common/TextCodec.h"
#include "res/QtWaitCursor.h"
#include "res/StringTable.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace {

constexpr auto kFileManagerService = "org.freedesktop.FileManager1";
constexpr auto kFileManagerPath = "/org/freedesktop/FileManager1";
// Starting a file manager through bus activation can take seconds on a cold desktop; beyond this
// the user is better served by our own window than by a frozen one.
constexpr int kFileManagerTimeoutMs = 10000;

CDesktopServices* g_injected = nullptr;

// 0 when something exists at path (a dangling link counts: it has properties of its own);
// otherwise the code of the failure.
uint32_t CheckExists(const std::string& path) {
    if (path.empty()) return kErrorFileNotFound;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return ErrnoToErrorCode(errno);
    return kErrorSuccess;
}

// 0 when path is a folder or a link to one.
uint32_t CheckFolder(const std::string& path) {
    if (const uint32_t code = CheckExists(path); code != kErrorSuccess) return code;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ErrnoToErrorCode(errno);
    return S_ISDIR(st.st_mode) ? kErrorSuccess : kErrorDirectory;
}

bool Fail(CWaitCursor& wait, QWidget* owner, uint32_t code, const std::string& displayName) {
    wait.Restore();
    const std::string text = ShellCommandErrorMessage(code, SanitizeUtf8(displayName));
    DesktopServices().ShowMessage(owner, QMessageBox::Critical, QString::fromStdString(text));
    return false;
}

// Properties of an existing path: the file manager's window when it has one, else ours.
uint32_t ShowProperties(const std::string& path, QWidget* owner) {
    CDesktopServices& services = DesktopServices();
    if (services.HasFileManager() &&
        services.CallFileManager(QStringLiteral("ShowItemProperties"), {FileUri(path)}))
        return kErrorSuccess;
    return services.ShowPropertiesWindow(path, owner);
}

}  // namespace

CDesktopServices::~CDesktopServices() = default;

QDBusConnection CDesktopServices::Bus() { return QDBusConnection::sessionBus(); }

bool CDesktopServices::HasFileManager() {
    QDBusConnection bus = Bus();
    if (!bus.isConnected() || bus.interface() == nullptr) return false;
    const QString service = QString::fromLatin1(kFileManagerService);
    const QDBusReply<bool> running = bus.interface()->isServiceRegistered(service);
    if (running.isValid() && running.value()) return true;
    const QDBusReply<QStringList> activatable =
        bus.interface()->call(QStringLiteral("ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(service);
}

bool CDesktopServices::CallFileManager(const QString& method, const QStringList& uris) {
    QDBusConnection bus = Bus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kFileManagerService), QString::fromLatin1(kFileManagerPath),
        QString::fromLatin1(kFileManagerService), method);
    call << uris << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kFileManagerTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool CDesktopServices::OpenUrl(const QString& url) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

uint32_t CDesktopServices::ShowPropertiesWindow(const std::string& path, QWidget* owner) {
    auto* dialog = new CPropertiesDlg(owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!dialog->LoadPath(path)) {
        const uint32_t code = dialog->GetErrorCode();
        delete dialog;
        return code;
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return kErrorSuccess;
}

void CDesktopServices::ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QString::fromUtf8(LoadString(57344)), text, QMessageBox::Ok, owner);
    box.exec();
}

CDesktopServices& DesktopServices() {
    static CDesktopServices real;
    return g_injected != nullptr ? *g_injected : real;
}

CDesktopServices* SetDesktopServices(CDesktopServices* services) {
    CDesktopServices* previous = g_injected;
    g_injected = services;
    return previous;
}

QString FileUri(std::string_view rawPath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QString uri = QStringLiteral("file://");
    for (const char c : rawPath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                          byte == '_' || byte == '~' || byte == '/';
        if (keep) {
            uri += QChar(byte);
        } else {
            uri += QChar('%');
            uri += QChar(kHex[byte >> 4]);
            uri += QChar(kHex[byte & 0x0F]);
        }
    }
    return uri;
}

bool ShowItemProperties(const CItemIdList& idList, QWidget* owner) {
    CWaitCursor wait;
    CShellNamespace shell;
    if (idList.IsNull()) return Fail(wait, owner, kErrorInvalidParameter, std::string());
    const std::string name = shell.GetAbsoluteName(idList, false);
    // The desktop is a place of the namespace, not of the file system: nothing to describe.
    if (idList.CountItems() == 0) return Fail(wait, owner, kErrorNotSupported, name);
    const std::optional<std::string> path = shell.IdListToPath(idList);
    if (!path) return Fail(wait, owner, kErrorInvalidParameter, name);
    uint32_t code = CheckExists(*path);
    if (code == kErrorSuccess) code = ShowProperties(*path, owner);
    return code == kErrorSuccess || Fail(wait, owner, code, name);
}

bool ShowFileProperties(const std::string& path, QWidget* owner) {
    CWaitCursor wait;
    uint32_t code = CheckExists(path);
    if (code == kErrorSuccess) code = ShowProperties(path, owner);
    if (code == kErrorSuccess) return true;
    CShellNamespace shell;
    return Fail(wait, owner, code, shell.GetPathDisplayName(path));
}

bool ExploreItem(const CItemIdList& idList, QWidget* owner) {
    CWaitCursor wait;
    CShellNamespace shell;
    if (idList.IsNull()) return Fail(wait, owner, kErrorInvalidParameter, std::string());
    std::optional<std::string> path;
    if (idList.CountItems() == 0) {
        // The desktop's own folder on Linux is the home folder; without one, the root.
        path = shell.GetHomeFolder().empty() ? std::string("/") : shell.GetHomeFolder();
    } else {
        path = shell.IdListToPath(idList);
    }
    const std::string name = path ? *path : shell.GetAbsoluteName(idList, true);
    if (!path) return Fail(wait, owner, kErrorInvalidParameter, name);
    if (const uint32_t code = CheckFolder(*path); code != kErrorSuccess)
        return Fail(wait, owner, code, name);

    CDesktopServices& services = DesktopServices();
    const QString uri = FileUri(*path);
    if (services.HasFileManager() && services.CallFileManager(QStringLiteral("ShowFolders"), {uri}))
        return true;
    if (services.OpenUrl(uri)) return true;
    return Fail(wait, owner, kErrorNotSupported, name);
}

}  // namespace tv
