#include "browser/PropertiesDlg.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QMimeType>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <array>
#include <cerrno>
#include <optional>
#include <string_view>

#include "browser/QtFileType.h"
#include "common/DateText.h"
#include "common/ErrorCodes.h"
#include "common/NumberText.h"
#include "common/TextCodec.h"
#include "module/VersionInfo.h"
#include "res/StringTable.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace {

using Row = CPropertiesDlg::Row;

QString Show(std::string_view raw) { return QString::fromStdString(tv::SanitizeUtf8(raw)); }

QString Label(uint32_t stringId) {
    return QString::fromUtf8(tv::LoadString(stringId).data(),
                             static_cast<qsizetype>(tv::LoadString(stringId).size())) +
           QLatin1Char(':');
}

// The last name of path; "/" for the root. Trailing slashes do not start an empty name.
std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || path.size() == 1) return path;
    return path.substr(slash + 1);
}

// The folder that holds path, as an absolute path; empty for the root.
std::string Location(std::string path) {
    if (path.empty() || path[0] != '/') {
        std::array<char, 4096> cwd{};
        if (::getcwd(cwd.data(), cwd.size()) == nullptr) return std::string();
        path = std::string(cwd.data()) + "/" + path;
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (path.size() == 1) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

QString SizeText(uint64_t bytes) {
    CNumberText text;
    QString result = QString::fromStdString(text.FormatByteSize(bytes).GetText());
    // Below a Kb the unit text already is the count of bytes.
    if (bytes >= 1024) {
        result += QStringLiteral(" (") +
                  QString::fromStdString(CNumberText().FormatUnsigned(bytes).GetText()) +
                  QStringLiteral(" Bytes)");
    }
    return result;
}

QString PermissionsText(mode_t mode) {
    QString text;
    text += S_ISDIR(mode) ? QLatin1Char('d') : S_ISLNK(mode) ? QLatin1Char('l') : QLatin1Char('-');
    static constexpr std::array<mode_t, 9> kBits = {S_IRUSR, S_IWUSR, S_IXUSR, S_IRGRP, S_IWGRP,
                                                    S_IXGRP, S_IROTH, S_IWOTH, S_IXOTH};
    static constexpr char kLetters[] = "rwxrwxrwx";
    for (size_t i = 0; i < kBits.size(); ++i)
        text += (mode & kBits[i]) != 0 ? QLatin1Char(kLetters[i]) : QLatin1Char('-');
    // The special bits show where ls shows them, over the execute letters.
    auto special = [&text](int index, bool set, char withExec, char withoutExec) {
        if (!set) return;
        text[index] =
            text[index] == QLatin1Char('x') ? QLatin1Char(withExec) : QLatin1Char(withoutExec);
    };
    special(3, (mode & S_ISUID) != 0, 's', 'S');
    special(6, (mode & S_ISGID) != 0, 's', 'S');
    special(9, (mode & S_ISVTX) != 0, 't', 'T');
    return text + QStringLiteral(" (%1)").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

QString OwnerText(uid_t uid) {
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return Show(found->pw_name) + QStringLiteral(" (%1)").arg(uid);
    return QString::number(uid);
}

QString GroupText(gid_t gid) {
    std::array<char, 4096> buffer{};
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return Show(found->gr_name) + QStringLiteral(" (%1)").arg(gid);
    return QString::number(gid);
}

std::optional<std::string> LinkTarget(const std::string& path) {
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0) return std::nullopt;
    target.resize(static_cast<size_t>(length));
    return target;
}

QMimeType MimeTypeOf(const std::string& path, const struct stat& target, bool targetKnown) {
    QMimeDatabase db;
    if (!targetKnown) return db.mimeTypeForName(QStringLiteral("inode/symlink"));
    if (S_ISDIR(target.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/directory"));
    if (S_ISCHR(target.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/chardevice"));
    if (S_ISBLK(target.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/blockdevice"));
    if (S_ISFIFO(target.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/fifo"));
    if (S_ISSOCK(target.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/socket"));
    // Name and bytes are handed over separately: a name that is not UTF-8 would not survive the
    // trip through QString as a path.
    return db.mimeTypeForFileNameAndData(Show(BaseName(path)), FileStart(path));
}

// Files and folders are typed as the module list types them, so one file has one type name;
// what the list never shows (links that lead nowhere, devices, pipes) gets the desktop's name.
QString TypeText(const std::string& path, const struct stat& target, bool targetKnown) {
    if (targetKnown && (S_ISREG(target.st_mode) || S_ISDIR(target.st_mode))) {
        CShellNamespace shell;
        return Show(
            tv::ItemTypeText(shell, shell.PathToIdList(path), path, S_ISDIR(target.st_mode)));
    }
    const QMimeType type = MimeTypeOf(path, target, targetKnown);
    const QString comment = type.isValid() ? type.comment() : QString();
    if (comment.isEmpty()) return QString::fromStdString(tv::FileTypeName(BaseName(path)));
    return comment;
}

void AddVersionRows(const std::string& path, std::vector<Row>& rows) {
    CVersionInfo info;
    info.Load(path);
    if (!info.HasData()) return;
    std::vector<Row> version;
    for (const tv::VersionLabel& label : tv::VersionLabels()) {
        // The fixed part is summed up by the file version; the rest is for the resources window.
        if (label.field > tv::kFieldFixedFileVersion) continue;
        const std::string value = info.GetField(label.field);
        if (!value.empty()) version.push_back({Row::kValue, Label(label.stringId), Show(value)});
    }
    if (info.GetTranslation() != 0 || info.GetTranslationCount() > 0) {
        version.push_back(
            {Row::kValue, Label(tv::kLanguageLabelId),
             Show(tv::LanguageLineText(info.GetLanguageName(), info.GetTranslation()))});
    }
    if (version.empty()) return;
    rows.push_back({Row::kSeparator, {}, {}});
    rows.push_back({Row::kHeading, Show(tv::LoadString(2007)), {}});
    rows.insert(rows.end(), version.begin(), version.end());
}

QFrame* SeparatorLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

CPropertiesDlg::CPropertiesDlg(QWidget* parent) : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_icon = new QLabel(this);
    m_icon->setFixedSize(32, 32);
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setReadOnly(true);
    top->addWidget(m_icon);
    top->addSpacing(8);
    top->addWidget(m_nameEdit, 1);
    layout->addLayout(top);
    layout->addWidget(SeparatorLine(this));
    m_body = new QWidget(this);
    layout->addWidget(m_body);
    layout->addStretch(1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close =
        buttons->addButton(QStringLiteral("Schließen"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(400);
}

CPropertiesDlg::~CPropertiesDlg() = default;

QString CPropertiesDlg::ValueOf(const QString& label) const {
    for (const Row& row : m_rows) {
        if (row.label == label) return row.value;
    }
    return QString();
}

bool CPropertiesDlg::LoadPath(const std::string& path) {
    struct statx own {};
    if (path.empty()) {
        m_error = tv::kErrorFileNotFound;
        return false;
    }
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                &own) != 0) {
        m_error = tv::ErrnoToErrorCode(errno);
        return false;
    }
    const bool isLink = S_ISLNK(own.stx_mode);
    struct stat target {};
    // A dangling link or a loop describes the link alone.
    const bool targetKnown = ::stat(path.c_str(), &target) == 0;

    std::vector<Row> rows;
    const QString typeText = TypeText(path, target, targetKnown);
    rows.push_back({Row::kValue, QStringLiteral("Typ:"), typeText});
    const std::string location = Location(path);
    if (!location.empty()) rows.push_back({Row::kPath, QStringLiteral("Ort:"), Show(location)});
    if (targetKnown && S_ISREG(target.st_mode))
        rows.push_back({Row::kValue, Label(2001), SizeText(static_cast<uint64_t>(target.st_size))});
    if (isLink) {
        const auto linkTarget = LinkTarget(path);
        rows.push_back({Row::kPath, QStringLiteral("Verknüpft mit:"),
                        linkTarget ? Show(*linkTarget) : QString()});
    }

    rows.push_back({Row::kSeparator, {}, {}});
    // The birth time is only there when the file system records it and the kernel reports it.
    if ((own.stx_mask & STATX_BTIME) != 0) {
        rows.push_back({Row::kValue, QStringLiteral("Erstellt:"),
                        Show(tv::FileTimeTextFromUnix(own.stx_btime.tv_sec))});
    }
    rows.push_back(
        {Row::kValue, Label(2005), Show(tv::FileTimeTextFromUnix(own.stx_mtime.tv_sec))});
    rows.push_back(
        {Row::kValue, Label(2006), Show(tv::FileTimeTextFromUnix(own.stx_atime.tv_sec))});

    rows.push_back({Row::kSeparator, {}, {}});
    // A link's own mode is always rwxrwxrwx; what the user can do is decided by the target.
    const mode_t mode = isLink && targetKnown ? target.st_mode : own.stx_mode;
    rows.push_back({Row::kValue, QStringLiteral("Berechtigungen:"), PermissionsText(mode)});
    rows.push_back({Row::kValue, QStringLiteral("Besitzer:"), OwnerText(own.stx_uid)});
    rows.push_back({Row::kValue, QStringLiteral("Gruppe:"), GroupText(own.stx_gid)});

    if (targetKnown && S_ISREG(target.st_mode)) AddVersionRows(path, rows);

    m_path = path;
    m_error = tv::kErrorSuccess;
    m_rows = std::move(rows);
    CShellNamespace shell;
    m_name = QString::fromStdString(tv::NameDisplayText(shell.GetPathDisplayName(path)));
    if (m_name.isEmpty()) m_name = Show(tv::NameDisplayText(BaseName(path)));

    QFileIconProvider icons;
    QIcon icon;
    if (targetKnown && S_ISDIR(target.st_mode)) {
        icon = icons.icon(QFileIconProvider::Folder);
    } else {
        const QMimeType type = MimeTypeOf(path, target, targetKnown);
        icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        if (icon.isNull()) icon = icons.icon(QFileIconProvider::File);
    }
    m_icon->setPixmap(icon.pixmap(32, 32));
    Rebuild();
    return true;
}

void CPropertiesDlg::Rebuild() {
    setWindowTitle(QStringLiteral("Eigenschaften von ") + m_name);
    m_nameEdit->setText(m_name);
    m_nameEdit->setCursorPosition(0);

    delete m_body->layout();
    qDeleteAll(m_body->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    auto* grid = new QGridLayout(m_body);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(16);
    grid->setColumnStretch(1, 1);
    int line = 0;
    for (const Row& row : m_rows) {
        switch (row.kind) {
            case Row::kSeparator:
                grid->addWidget(SeparatorLine(m_body), line, 0, 1, 2);
                break;
            case Row::kHeading: {
                auto* heading = new QLabel(row.label, m_body);
                QFont bold = heading->font();
                bold.setBold(true);
                heading->setFont(bold);
                grid->addWidget(heading, line, 0, 1, 2);
                break;
            }
            case Row::kPath: {
                grid->addWidget(new QLabel(row.label, m_body), line, 0, Qt::AlignLeft);
                auto* value = new QLineEdit(row.value, m_body);
                value->setReadOnly(true);
                value->setFrame(false);
                value->setCursorPosition(0);
                // Looks like the labels around it while still scrolling a long path.
                value->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
                value->setContentsMargins(0, 0, 0, 0);
                value->setTextMargins(-2, 0, 0, 0);
                grid->addWidget(value, line, 1);
                break;
            }
            case Row::kValue: {
                grid->addWidget(new QLabel(row.label, m_body), line, 0,
                                Qt::AlignLeft | Qt::AlignTop);
                auto* value = new QLabel(row.value, m_body);
                value->setTextInteractionFlags(Qt::TextSelectableByMouse);
                value->setTextFormat(Qt::PlainText);
                value->setWordWrap(true);
                grid->addWidget(value, line, 1);
                break;
            }
        }
        ++line;
    }
    // Wrapped values make the plain size hint guess a narrow, tall window; ask the layout for the
    // height the chosen width really needs.
    layout()->activate();
    const int width = qMax(minimumWidth(), qMin(sizeHint().width(), 640));
    const int height = hasHeightForWidth() ? heightForWidth(width) : sizeHint().height();
    resize(width, height > 0 ? height : sizeHint().height());
}

}  // namespace tv
