// The shell namespace over the Linux file system: the folders and files the folder tree and the
// module list show, named by item-id lists (shell/ItemIdList.h).
//
// The namespace:
// - The desktop is the empty list. Its children are the home folder and the file-system root "/",
//   in that order; the home item is left out when the home folder is "/" itself or is not a
//   folder.
// - The data of a desktop child is the absolute path of its folder ("/" or, say, "/home/anna"), so
//   a stored list still means the same folder when HOME changes later. The data of every deeper
//   item is the raw bytes of one file name: no '/', no NUL, never "." or "..". Names are kept as
//   the bytes the file system holds, so names that are not UTF-8 still open; only the texts meant
//   for display are made valid UTF-8 (U+FFFD for bad bytes).
// - A path under the home folder is reached through the home item, every other path through "/"
//   (see PathToIdList).
//
// Folders are bound by their absolute item-id list: where the platform passes a shell folder
// object, these operations take the folder's absolute list (the desktop for top-level calls).
//
// No operation shows a message or throws: failures give the empty text, a null list, -1 or the
// path itself as each operation says, and leave the error code in GetErrorCode().
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ItemIdList.h"

namespace tv {

// Enumeration flags (the SHCONTF values).
enum : uint32_t {
    kEnumFolders = 0x20,
    kEnumNonFolders = 0x40,
    kEnumIncludeHidden = 0x80,
};

// Item attributes (the SFGAO values).
enum : uint32_t {
    kAttrLink = 0x00010000,          // a symbolic link
    kAttrHidden = 0x00080000,        // a name that starts with '.'
    kAttrFolder = 0x20000000,        // a folder, or a link that leads to one
    kAttrFileSystem = 0x40000000,    // a file-system item (everything but the desktop)
    kAttrHasSubfolder = 0x80000000,  // a folder with at least one sub-folder the tree would show
};

// What picture an item gets; the UI maps each kind to its own icon. The values are the icon
// "indexes" of GetSmallIconIndex and GetIconIndex.
enum class ShellIcon : int {
    kNone = -1,
    kDesktop = 0,
    kHome = 1,
    kRoot = 2,
    kFolder = 3,
    kFolderOpen = 4,
    kModule = 5,  // a file whose extension names a PE module (exe, dll, ocx, ...)
    kFile = 6,
};

// One child found by EnumObjects: its relative one-item list and the attributes known without
// further work (kAttrFolder, kAttrHidden, kAttrLink, kAttrFileSystem). kAttrHasSubfolder costs a
// look into the child and is only given by GetAttributesOf.
struct ShellChild {
    CItemIdList id;
    uint32_t attributes = 0;
};

// Compares two display names as a file manager sorts them: letters without regard to case,
// Latin letters with accents next to their base letters (ä with a, ß as ss), runs of digits by
// their value ("Bild2" before "Bild10"). Names equal in that order are ordered by their bytes, so
// the result is 0 only for equal texts. Negative, 0 or positive.
[[nodiscard]] int CompareDisplayNames(std::string_view a, std::string_view b);

// The extension of a file name: the text after its last '.', or empty when there is none. A dot
// that starts the name begins no extension (".profile" has none), as file managers see it.
[[nodiscard]] std::string_view FileExtension(std::string_view name) noexcept;

// True for an extension (without the dot, any case) of the PE module kinds the program knows.
[[nodiscard]] bool IsModuleExtension(std::string_view extension) noexcept;

// The German type text of a file name from a small table by extension ("Anwendung" for .exe,
// "Programmbibliothek" for .dll, ...); "XYZ-Datei" for an unknown extension xyz; "Datei" without
// one. Extensions compare without regard to case.
[[nodiscard]] std::string FileTypeName(std::string_view name);

// How far HasShownSubfolder looks before it gives up.
struct SubfolderBudget {
    int maxEntries = 1024;  // names read
    int maxFollows = 64;    // links and untyped entries looked up
};

// Whether the folder at path holds a sub-folder that the folder tree would show: not hidden, a
// folder or a link to one. Reads one level only, so a link loop cannot hold it up. Where the file
// system's link count says the folder has no sub-folders, only links are looked at and the entry
// budget does not apply, so a folder of many files says no; otherwise the answer is yes when the
// budget runs out first. An unreadable folder has none.
[[nodiscard]] bool HasShownSubfolder(const std::string& path,
                                     const SubfolderBudget& budget = SubfolderBudget());

class CShellNamespace {
public:
    // Shown names of the desktop and its two children.
    static constexpr const char* kDesktopName = "Desktop";
    static constexpr const char* kHomeName = "Persönlicher Ordner";
    static constexpr const char* kRootName = "Dateisystem";
    // Type text of the desktop and its children, and of every other folder.
    static constexpr const char* kSystemFolderType = "Systemordner";
    static constexpr const char* kFolderType = "Ordner";

    // The home folder is taken from HOME, or from the password database when HOME is unset or
    // not absolute.
    CShellNamespace();
    // The same with a given home folder (an absolute path); tests use a temporary one.
    explicit CShellNamespace(std::string homeFolder);
    virtual ~CShellNamespace();
    CShellNamespace(const CShellNamespace&) = default;
    CShellNamespace& operator=(const CShellNamespace&) = default;

    // ---- item-id lists (see tv::CItemIdList for the contracts) ----
    [[nodiscard]] static tv::CItemIdList Append(const tv::CItemIdList& list,
                                                const tv::CItemIdList& item) {
        return tv::CItemIdList::Append(list, item);
    }
    [[nodiscard]] static size_t CountItems(const tv::CItemIdList& list) noexcept {
        return list.CountItems();
    }
    [[nodiscard]] static std::optional<tv::CByteView> FindItem(const tv::CItemIdList& list,
                                                               size_t n) noexcept {
        return list.FindItem(n);
    }
    [[nodiscard]] static tv::CItemIdList CopyItem(const tv::CItemIdList& list, size_t n) {
        return tv::CItemIdList::CopyItem(list, n);
    }
    static void Free(tv::CItemIdList& list) noexcept { tv::CItemIdList::Free(list); }

    // ---- folders ----
    // The children of folder (an absolute list) in the order the file system lists them (readdir
    // order), filtered by the kEnum flags: folders, non-folders, and hidden ones (names that start
    // with '.') only with kEnumIncludeHidden. A link to a folder is a folder; a dangling link, a
    // link loop and anything else that cannot be followed is a non-folder. False with an empty
    // list when folder does not resolve or cannot be read (5 for a folder without read access,
    // 3 for a missing one, 267 for a file); false with the children read so far when reading
    // breaks off.
    bool EnumObjects(const tv::CItemIdList& folder, uint32_t flags,
                     std::vector<tv::ShellChild>& children);
    // The attributes of child (relative to folder) among mask; 0 with the error code set when the
    // item is gone. kAttrHasSubfolder is looked for only when mask asks for it, with
    // tv::HasShownSubfolder and its default budget.
    [[nodiscard]] uint32_t GetAttributesOf(const tv::CItemIdList& folder,
                                           const tv::CItemIdList& child, uint32_t mask);

    // ---- names ----
    // The name of relative (a list relative to folder): for parsing, the full path as raw bytes
    // (not necessarily UTF-8: hand it to the file system as it is; the desktop itself has no
    // path, its for-parsing name is empty); otherwise the name shown inside its folder, as valid
    // UTF-8. Empty text when the lists do not resolve. Names are not cut: a path longer than the
    // Windows buffer of 260 characters still opens.
    [[nodiscard]] std::string GetName(const tv::CItemIdList& folder,
                                      const tv::CItemIdList& relative, bool forParsing);
    // GetName relative to the desktop.
    [[nodiscard]] std::string GetAbsoluteName(const tv::CItemIdList& absolute, bool forParsing);
    // The shown name of the file at path (its last name, or the name of the home or root item);
    // the path itself, made valid UTF-8, when there is no such file.
    [[nodiscard]] std::string GetPathDisplayName(const std::string& path);
    // The absolute list of path; null for an empty path, a path that does not exist (error 2 or
    // 3), or a name too long for an item. A relative path is taken from the current folder. "."
    // and ".." are resolved by the text, as a shell does, before anything is looked up.
    //
    // A path inside the home folder (or the home folder itself) goes through the home item, so
    // that the folder tree reaches it from its "Persönlicher Ordner" branch: that branch is what
    // the user opens for their own files, and the way through "/" may pass folders the tree
    // does not show (a home under a hidden or unreadable folder). Both the home path as given and
    // the path it resolves to (when it is reached through a link) count as the home folder.
    // Every other path goes through "/".
    [[nodiscard]] tv::CItemIdList PathToIdList(const std::string& path);
    // The file-system path of an absolute list, as raw bytes; nullopt for the desktop, the null
    // list and lists whose items are not names (empty, containing '/' or NUL, "." or "..").
    [[nodiscard]] std::optional<std::string> IdListToPath(const tv::CItemIdList& absolute) const;

    // ---- shell information ----
    // The German type text: "Systemordner" for the desktop and its children, "Ordner" for a
    // folder, FileTypeName for a file; empty when the item does not exist.
    [[nodiscard]] std::string GetTypeName(const tv::CItemIdList& absolute);
    // The picture of an item; open asks for the open-folder picture of a plain folder. kNone when
    // the item does not exist.
    [[nodiscard]] tv::ShellIcon GetIconKind(const tv::CItemIdList& absolute, bool open);
    // GetIconKind as an index; -1 on failure. The size does not change the kind.
    [[nodiscard]] int GetSmallIconIndex(const tv::CItemIdList& absolute, bool open) {
        return static_cast<int>(GetIconKind(absolute, open));
    }
    [[nodiscard]] int GetIconIndex(const tv::CItemIdList& absolute, bool /*large*/) {
        return static_cast<int>(GetIconKind(absolute, false));
    }
    // The picture of the file at path (closed, for window icons); kNone when there is no file.
    [[nodiscard]] tv::ShellIcon GetPathIconKind(const std::string& path);

    // ---- order ----
    // Compares two absolute lists item by item (column 0): the first differing item decides by
    // its shown name (tv::CompareDisplayNames), then by its raw bytes; a list that is a prefix of
    // the other comes first. 0 only for lists with the same items. Siblings so come in the order
    // of the tree's sorted texts.
    [[nodiscard]] int CompareIDs(const tv::CItemIdList& a, const tv::CItemIdList& b) const;

    // The home folder as used for the home item ("" when there is none).
    [[nodiscard]] const std::string& GetHomeFolder() const noexcept { return m_home; }
    // The desktop's children: the home item (when there is one) and the root item.
    [[nodiscard]] tv::CItemIdList HomeIdList() const;
    [[nodiscard]] static tv::CItemIdList RootIdList();

    // 0 after a successful operation; otherwise the code of the last failure (Windows numbering).
    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }

private:
    void Fail(uint32_t code) noexcept { m_error = code; }
    [[nodiscard]] std::string ShownName(const tv::CItemIdList& absolute) const;

    std::string m_home;           // lexically normalised; empty when there is no home item
    std::string m_homeCanonical;  // m_home with its links resolved; may equal m_home
    uint32_t m_error = 0;
};

}  // namespace tv
