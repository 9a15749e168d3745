#include "browser/QtFileType.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

#include "common/TextCodec.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace {

constexpr size_t kMimeSniffBytes = 4096;

}  // namespace

// The start of a regular file for content sniffing. O_NONBLOCK keeps a file that turned into a
// FIFO since it was listed from holding the caller up.
QByteArray FileStart(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return QByteArray();
    QByteArray data(static_cast<qsizetype>(kMimeSniffBytes), '\0');
    const ssize_t got = ::read(fd, data.data(), kMimeSniffBytes);
    ::close(fd);
    data.resize(got > 0 ? static_cast<qsizetype>(got) : 0);
    return data;
}

std::string ItemTypeText(CShellNamespace& shell, const CItemIdList& idList, const std::string& path,
                         bool folder) {
    if (folder) return shell.GetTypeName(idList);
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (IsModuleExtension(FileExtension(name))) return FileTypeName(name);
    // The comment comes in the language of the default locale, which the program sets to German
    // at its start; switching it here would race with other threads that read it.
    static const QMimeDatabase database;
    // Name and bytes are handed over separately: a name that is not UTF-8 would not survive the
    // trip through QString as a path.
    const QMimeType type = database.mimeTypeForFileNameAndData(
        QString::fromStdString(SanitizeUtf8(name)), FileStart(path));
    const QString comment = type.isValid() ? type.comment() : QString();
    if (comment.isEmpty()) return FileTypeName(name);
    return comment.toStdString();
}

}  // namespace tv
