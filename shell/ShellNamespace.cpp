#include "shell/ShellNamespace.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "common/ErrorCodes.h"
#include "common/MappedFile.h"
#include "common/TextCodec.h"

namespace tv {

namespace {

std::string_view AsText(CByteView bytes) noexcept {
    return std::string_view(reinterpret_cast<const char*>(bytes.Data()), bytes.Size());
}

CByteView AsBytes(std::string_view text) noexcept {
    return CByteView(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The text of an absolute path with empty and "." names dropped and ".." taking the name before
// it away (at the root it stays at the root); nullopt for a path that is not absolute or holds a
// NUL byte, which no file-system call could take.
std::optional<std::string> NormalizeAbsolute(std::string_view path) {
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::vector<std::string_view> names;
    size_t pos = 0;
    while (pos < path.size()) {
        const size_t end = std::min(path.find('/', pos), path.size());
        const std::string_view name = path.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    if (names.empty()) return std::string("/");
    std::string out;
    for (const auto name : names) {
        out += '/';
        out += name;
    }
    return out;
}

// The data of an item below a desktop child: one file name, as the file system holds it. Lists
// may come from outside, so a name that would climb out of its folder or split into two is
// refused here rather than handed to the file system.
bool IsFileName(std::string_view name) noexcept {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// The data of a desktop child: an absolute path already in normal form.
bool IsTopFolderPath(std::string_view path) {
    const auto normal = NormalizeAbsolute(path);
    return normal && *normal == path;
}

// rest receives what follows base in path when path is base or lies inside it.
bool IsInside(std::string_view path, std::string_view base, std::string_view& rest) noexcept {
    if (base.empty() || base == "/") return false;
    if (path == base) {
        rest = {};
        return true;
    }
    if (path.size() > base.size() && path.substr(0, base.size()) == base &&
        path[base.size()] == '/') {
        rest = path.substr(base.size() + 1);
        return true;
    }
    return false;
}

std::string HomeFromSystem() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

bool IsFolderPath(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether an entry of the open folder dirFd leads to a folder. d_type saves the stat for most
// entries; links and file systems that do not fill d_type need one. Anything that cannot be
// followed (a dangling link, a loop of links) is not a folder.
struct EntryKind {
    bool folder = false;
    bool link = false;
    bool statted = false;
};

EntryKind ClassifyEntry(int dirFd, const struct dirent& entry) {
    EntryKind kind;
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat st {};
        kind.statted = true;
        if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return kind;
        if (S_ISLNK(st.st_mode))
            type = DT_LNK;
        else
            kind.folder = S_ISDIR(st.st_mode);
    }
    if (type == DT_DIR) kind.folder = true;
    if (type == DT_LNK) {
        kind.link = true;
        kind.statted = true;
        struct stat st {};
        kind.folder = ::fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    return kind;
}

bool IsHiddenName(std::string_view name) noexcept { return !name.empty() && name.front() == '.'; }

// Sort keys of display names (see CompareDisplayNames). A run of digits becomes the marker '0',
// the number of its significant digits and those digits, so that numbers compare by value and
// still sort where a digit would; letters are folded to lower case and Latin-1 letters with
// accents to their base letters.
void AppendFolded(std::vector<uint32_t>& key, char32_t c) {
    if (c >= 'A' && c <= 'Z') {
        key.push_back(c + 0x20);
        return;
    }
    if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) {
        // Base letters of U+00C0..U+00FF, upper and lower case alike; two-letter expansions are
        // written out below.
        static constexpr char kBase[] = "aaaaaa_ceeeeiiiidnooooo_ouuuuyt_";
        const char32_t lower = c >= 0xE0 ? c - 0x20 : c;
        switch (lower) {
            case 0xC6:  // Æ æ
                key.push_back('a');
                key.push_back('e');
                return;
            case 0xDE:  // Þ þ
                key.push_back('t');
                key.push_back('h');
                return;
            case 0xDF:  // ß (ÿ folds here too, by the subtraction above)
                if (c == 0xFF) {
                    key.push_back('y');
                } else {
                    key.push_back('s');
                    key.push_back('s');
                }
                return;
            default:
                key.push_back(static_cast<uint32_t>(kBase[lower - 0xC0]));
                return;
        }
    }
    key.push_back(static_cast<uint32_t>(c));
}

std::vector<uint32_t> SortKey(std::string_view text) {
    const std::u16string units = Utf8ToUtf16(text);
    std::vector<uint32_t> key;
    key.reserve(units.size());
    size_t i = 0;
    while (i < units.size()) {
        const char16_t u = units[i];
        if (u >= '0' && u <= '9') {
            size_t end = i;
            while (end < units.size() && units[end] >= '0' && units[end] <= '9')
                ++end;
            size_t first = i;
            while (first + 1 < end && units[first] == '0')
                ++first;
            key.push_back('0');
            key.push_back(static_cast<uint32_t>(end - first));
            for (size_t k = first; k < end; ++k)
                key.push_back(units[k]);
            i = end;
            continue;
        }
        char32_t c = u;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                (static_cast<char32_t>(units[i + 1]) - 0xDC00);
            ++i;
        }
        AppendFolded(key, c);
        ++i;
    }
    return key;
}

int Sign(int value) noexcept { return (value > 0) - (value < 0); }

int CompareBytes(std::string_view a, std::string_view b) noexcept { return Sign(a.compare(b)); }

struct TypeEntry {
    std::string_view extension;  // lower case
    std::string_view name;
    bool module;
};

constexpr TypeEntry kTypes[] = {
    {"exe", "Anwendung", true},
    {"dll", "Programmbibliothek", true},
    {"ocx", "ActiveX-Steuerelement", true},
    {"drv", "Gerätetreiber", true},
    {"sys", "Systemtreiber", true},
    {"cpl", "Systemsteuerungselement", true},
    {"scr", "Bildschirmschoner", true},
    {"efi", "EFI-Anwendung", true},
    {"mui", "Sprachressourcen", true},
    {"com", "MS-DOS-Anwendung", false},
    {"bat", "Stapelverarbeitungsdatei", false},
    {"txt", "Textdokument", false},
    {"ini", "Konfigurationseinstellungen", false},
    {"rc", "Ressourcenskript", false},
    {"bmp", "Bitmap", false},
    {"ico", "Symbol", false},
    {"cur", "Cursor", false},
    {"lnk", "Verknüpfung", false},
    {"zip", "ZIP-Archiv", false},
    {"pdf", "PDF-Dokument", false},
    {"htm", "HTML-Dokument", false},
    {"html", "HTML-Dokument", false},
};

const TypeEntry* FindType(std::string_view extension) noexcept {
    for (const auto& entry : kTypes) {
        if (entry.extension.size() != extension.size()) continue;
        bool same = true;
        for (size_t i = 0; i < extension.size() && same; ++i) {
            char c = extension[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
            same = c == entry.extension[i];
        }
        if (same) return &entry;
    }
    return nullptr;
}

}  // namespace

int CompareDisplayNames(std::string_view a, std::string_view b) {
    const auto keyA = SortKey(a);
    const auto keyB = SortKey(b);
    if (keyA != keyB)
        return std::lexicographical_compare(keyA.begin(), keyA.end(), keyB.begin(), keyB.end()) ? -1
                                                                                                : 1;
    return CompareBytes(a, b);
}

std::string_view FileExtension(std::string_view name) noexcept {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

bool IsModuleExtension(std::string_view extension) noexcept {
    const TypeEntry* type = FindType(extension);
    return type && type->module;
}

std::string FileTypeName(std::string_view name) {
    const std::string_view extension = FileExtension(name);
    if (extension.empty()) return "Datei";
    if (const TypeEntry* type = FindType(extension)) return std::string(type->name);
    std::string upper(extension);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return SanitizeUtf8(upper) + "-Datei";
}

// The folder tree asks this for every folder it draws, so it must stay cheap in folders of any
// size. An expand button that then finds nothing costs less than reading a folder of a hundred
// thousand files for every row.
//
// Most file systems count a folder's sub-folders in its link count (2 + their number), which
// answers for real sub-folders without reading anything: a count of 2 leaves only links that
// lead to folders, and those are found by the entries' types alone, without a look at every
// file. File systems that do not count (btrfs gives 1) are read within the budget.
bool HasShownSubfolder(const std::string& path, const SubfolderBudget& budget) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    const bool onlyLinks = st.st_nlink == 2;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    const int fd = ::dirfd(dir);
    bool found = false;
    int entries = 0;
    int follows = 0;
    while (const struct dirent* entry = ::readdir(dir)) {
        if ((!onlyLinks && ++entries > budget.maxEntries) || follows > budget.maxFollows) {
            found = true;
            break;
        }
        const std::string_view name(entry->d_name);
        if (IsHiddenName(name)) continue;  // also skips "." and ".."
        // Without sub-folders of its own a plain file or folder entry needs no look.
        if (onlyLinks && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
        const EntryKind kind = ClassifyEntry(fd, *entry);
        if (kind.statted) ++follows;
        if (kind.folder) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

using tv::CItemIdList;

CShellNamespace::CShellNamespace() : CShellNamespace(tv::HomeFromSystem()) {}

CShellNamespace::CShellNamespace(std::string homeFolder) {
    const auto normal = tv::NormalizeAbsolute(homeFolder);
    // A home that is the root itself would make the desktop list "/" twice.
    if (!normal || *normal == "/" || !tv::IsFolderPath(*normal)) return;
    m_home = *normal;
    m_homeCanonical = m_home;
    if (char* real = ::realpath(m_home.c_str(), nullptr)) {
        m_homeCanonical = real;
        std::free(real);
    }
}

CShellNamespace::~CShellNamespace() = default;

CItemIdList CShellNamespace::HomeIdList() const {
    if (m_home.empty()) return CItemIdList();
    return CItemIdList::FromItemData(tv::AsBytes(m_home));
}

CItemIdList CShellNamespace::RootIdList() { return CItemIdList::FromItemData(tv::AsBytes("/")); }

std::optional<std::string> CShellNamespace::IdListToPath(const CItemIdList& absolute) const {
    const size_t count = absolute.CountItems();
    if (count == 0) return std::nullopt;
    std::string path;
    for (size_t i = 0; i < count; ++i) {
        const auto data = absolute.ItemData(i);
        if (!data) return std::nullopt;
        const std::string_view name = tv::AsText(*data);
        if (i == 0) {
            if (!tv::IsTopFolderPath(name)) return std::nullopt;
            path = name;
            continue;
        }
        if (!tv::IsFileName(name)) return std::nullopt;
        if (path.back() != '/') path += '/';
        path += name;
    }
    return path;
}

std::string CShellNamespace::ShownName(const CItemIdList& absolute) const {
    const size_t count = absolute.CountItems();
    if (count == 0) return absolute.IsNull() ? std::string() : kDesktopName;
    if (!IdListToPath(absolute)) return {};
    const std::string_view name = tv::AsText(*absolute.LastItemData());
    if (count == 1) {
        if (name == "/") return kRootName;
        if (name == m_home) return kHomeName;
    }
    return tv::SanitizeUtf8(name);
}

bool CShellNamespace::EnumObjects(const CItemIdList& folder, uint32_t flags,
                                  std::vector<tv::ShellChild>& children) {
    children.clear();
    m_error = tv::kErrorSuccess;
    if (folder.IsNull()) {
        Fail(tv::kErrorInvalidParameter);
        return false;
    }
    if (folder.CountItems() == 0) {
        if (flags & tv::kEnumFolders) {
            const uint32_t attributes = tv::kAttrFolder | tv::kAttrFileSystem;
            if (!m_home.empty()) children.push_back({HomeIdList(), attributes});
            children.push_back({RootIdList(), attributes});
        }
        return true;
    }
    const auto path = IdListToPath(folder);
    if (!path) {
        Fail(tv::kErrorInvalidParameter);
        return false;
    }
    DIR* dir = ::opendir(path->c_str());
    if (!dir) {
        const int error = errno;
        struct stat st {};
        if (error == ENOTDIR && ::stat(path->c_str(), &st) == 0)
            Fail(tv::kErrorDirectory);
        else if (error == ENOENT || error == ENOTDIR)
            Fail(tv::kErrorPathNotFound);
        else
            Fail(tv::ErrnoToErrorCode(error));
        return false;
    }
    const int fd = ::dirfd(dir);
    bool ok = true;
    for (;;) {
        errno = 0;  // readdir reports its failure only through errno
        const struct dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                Fail(tv::ErrnoToErrorCode(errno));
                ok = false;
            }
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        const bool hidden = tv::IsHiddenName(name);
        if (hidden && !(flags & tv::kEnumIncludeHidden)) continue;
        const tv::EntryKind kind = tv::ClassifyEntry(fd, *entry);
        if (!(flags & (kind.folder ? tv::kEnumFolders : tv::kEnumNonFolders))) continue;
        tv::ShellChild child{CItemIdList::FromItemData(tv::AsBytes(name)), tv::kAttrFileSystem};
        // A name longer than an item can carry; no Linux file system allows one.
        if (child.id.IsNull()) continue;
        if (kind.folder) child.attributes |= tv::kAttrFolder;
        if (kind.link) child.attributes |= tv::kAttrLink;
        if (hidden) child.attributes |= tv::kAttrHidden;
        children.push_back(std::move(child));
    }
    ::closedir(dir);
    return ok;
}

uint32_t CShellNamespace::GetAttributesOf(const CItemIdList& folder, const CItemIdList& child,
                                          uint32_t mask) {
    m_error = tv::kErrorSuccess;
    const CItemIdList absolute = CItemIdList::Combine(folder, child);
    if (folder.IsNull() || child.IsNull()) {
        Fail(tv::kErrorInvalidParameter);
        return 0;
    }
    if (absolute.CountItems() == 0) return (tv::kAttrFolder | tv::kAttrHasSubfolder) & mask;
    const auto path = IdListToPath(absolute);
    if (!path) {
        Fail(tv::kErrorInvalidParameter);
        return 0;
    }
    struct stat st {};
    if (::lstat(path->c_str(), &st) != 0) {
        Fail(tv::OpenErrorCode(*path, errno));
        return 0;
    }
    uint32_t attributes = tv::kAttrFileSystem;
    bool isFolder = S_ISDIR(st.st_mode);
    if (S_ISLNK(st.st_mode)) {
        attributes |= tv::kAttrLink;
        struct stat target {};
        isFolder = ::stat(path->c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    if (isFolder) attributes |= tv::kAttrFolder;
    if (absolute.CountItems() > 1 && tv::IsHiddenName(tv::AsText(*absolute.LastItemData())))
        attributes |= tv::kAttrHidden;
    if (isFolder && (mask & tv::kAttrHasSubfolder) && tv::HasShownSubfolder(*path))
        attributes |= tv::kAttrHasSubfolder;
    return attributes & mask;
}

std::string CShellNamespace::GetName(const CItemIdList& folder, const CItemIdList& relative,
                                     bool forParsing) {
    m_error = tv::kErrorSuccess;
    const CItemIdList absolute = CItemIdList::Combine(folder, relative);
    if (folder.IsNull() || relative.IsNull()) {
        Fail(tv::kErrorInvalidParameter);
        return {};
    }
    if (absolute.CountItems() == 0) return forParsing ? std::string() : kDesktopName;
    if (forParsing) {
        if (auto path = IdListToPath(absolute)) return std::move(*path);
    } else {
        if (auto name = ShownName(absolute); !name.empty()) return name;
    }
    Fail(tv::kErrorInvalidParameter);
    return {};
}

std::string CShellNamespace::GetAbsoluteName(const CItemIdList& absolute, bool forParsing) {
    return GetName(CItemIdList::Desktop(), absolute, forParsing);
}

std::string CShellNamespace::GetPathDisplayName(const std::string& path) {
    const CItemIdList list = PathToIdList(path);
    if (list.IsNull()) return tv::SanitizeUtf8(path);
    return ShownName(list);
}

CItemIdList CShellNamespace::PathToIdList(const std::string& path) {
    m_error = tv::kErrorSuccess;
    if (path.empty()) {
        Fail(tv::kErrorPathNotFound);
        return CItemIdList();
    }
    std::string absolute = path;
    if (path.front() != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (!cwd) {
            Fail(tv::ErrnoToErrorCode(errno));
            return CItemIdList();
        }
        absolute = std::string(cwd) + "/" + path;
        std::free(cwd);
    }
    const auto normal = tv::NormalizeAbsolute(absolute);
    if (!normal) {
        Fail(tv::kErrorInvalidName);
        return CItemIdList();
    }
    struct stat st {};
    if (::lstat(normal->c_str(), &st) != 0) {
        Fail(tv::OpenErrorCode(*normal, errno));
        return CItemIdList();
    }
    std::string_view rest;
    CItemIdList list;
    if (tv::IsInside(*normal, m_home, rest) || tv::IsInside(*normal, m_homeCanonical, rest)) {
        list = HomeIdList();
    } else {
        list = RootIdList();
        rest = std::string_view(*normal).substr(1);
    }
    while (!rest.empty()) {
        const size_t slash = std::min(rest.find('/'), rest.size());
        const CItemIdList item = CItemIdList::FromItemData(tv::AsBytes(rest.substr(0, slash)));
        if (item.IsNull()) {
            Fail(tv::kErrorFilenameTooLong);
            return CItemIdList();
        }
        list = CItemIdList::Append(list, item);
        rest = slash < rest.size() ? rest.substr(slash + 1) : std::string_view();
    }
    return list;
}

std::string CShellNamespace::GetTypeName(const CItemIdList& absolute) {
    m_error = tv::kErrorSuccess;
    const size_t count = absolute.CountItems();
    if (count == 0) {
        if (absolute.IsNull()) Fail(tv::kErrorInvalidParameter);
        return absolute.IsNull() ? std::string() : kSystemFolderType;
    }
    const auto path = IdListToPath(absolute);
    if (!path) {
        Fail(tv::kErrorInvalidParameter);
        return {};
    }
    struct stat st {};
    if (::lstat(path->c_str(), &st) != 0) {
        Fail(tv::OpenErrorCode(*path, errno));
        return {};
    }
    if (count == 1) return kSystemFolderType;
    if (tv::IsFolderPath(*path)) return kFolderType;
    return tv::FileTypeName(tv::AsText(*absolute.LastItemData()));
}

tv::ShellIcon CShellNamespace::GetIconKind(const CItemIdList& absolute, bool open) {
    m_error = tv::kErrorSuccess;
    const size_t count = absolute.CountItems();
    if (count == 0) {
        if (!absolute.IsNull()) return tv::ShellIcon::kDesktop;
        Fail(tv::kErrorInvalidParameter);
        return tv::ShellIcon::kNone;
    }
    const auto path = IdListToPath(absolute);
    if (!path) {
        Fail(tv::kErrorInvalidParameter);
        return tv::ShellIcon::kNone;
    }
    struct stat st {};
    if (::lstat(path->c_str(), &st) != 0) {
        Fail(tv::OpenErrorCode(*path, errno));
        return tv::ShellIcon::kNone;
    }
    if (count == 1 && *path == "/") return tv::ShellIcon::kRoot;
    if (count == 1 && *path == m_home) return tv::ShellIcon::kHome;
    if (tv::IsFolderPath(*path)) return open ? tv::ShellIcon::kFolderOpen : tv::ShellIcon::kFolder;
    const std::string_view name = tv::AsText(*absolute.LastItemData());
    return tv::IsModuleExtension(tv::FileExtension(name)) ? tv::ShellIcon::kModule
                                                          : tv::ShellIcon::kFile;
}

tv::ShellIcon CShellNamespace::GetPathIconKind(const std::string& path) {
    const CItemIdList list = PathToIdList(path);
    if (list.IsNull()) return tv::ShellIcon::kNone;
    return GetIconKind(list, false);
}

int CShellNamespace::CompareIDs(const CItemIdList& a, const CItemIdList& b) const {
    const size_t countA = a.CountItems();
    const size_t countB = b.CountItems();
    for (size_t i = 0; i < countA && i < countB; ++i) {
        const std::string_view dataA = tv::AsText(*a.ItemData(i));
        const std::string_view dataB = tv::AsText(*b.ItemData(i));
        if (dataA == dataB) continue;
        // Only the shown name is compared, so the prefix up to this item does not matter.
        const std::string nameA = ShownName(a.Prefix(i + 1));
        const std::string nameB = ShownName(b.Prefix(i + 1));
        if (const int order = tv::CompareDisplayNames(nameA, nameB); order != 0) return order;
        return tv::CompareBytes(dataA, dataB);
    }
    return (countA > countB) - (countA < countB);
}

}  // namespace tv
