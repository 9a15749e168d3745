// The per-user store that stands in for the Windows registry: one text file in the .reg syntax
// ("REGEDIT4"), holding the keys and values under HKEY_CURRENT_USER.
//
// The file lives at $TARNVIEW_HIVE, else $XDG_CONFIG_HOME/tarnview/tarnview.reg, else
// ~/.config/tarnview/tarnview.reg. People may edit it by hand, and several instances of the
// program may run at once, so:
//  - every change is a read-modify-write under an exclusive flock() on "<hive>.lock": the file is
//    read afresh under the lock, changed, written to "<hive>.tmp", fsync'ed and renamed over the
//    hive, then the folder is fsync'ed. A writer killed at any point leaves the old or the new
//    file, and two writers never lose each other's changes;
//  - a file that cannot be parsed is never written: every operation fails with 1009 and the file
//    stays as it is for the user to mend;
//  - a change that changes nothing (creating a key that exists) does not touch the file;
//  - comment lines (";...") survive rewrites: each stays with the key line or value line that
//    follows it, comments at the end stay at the end. Blank lines and spacing are not kept, and
//    the comments of a deleted key or value go with it.
//
// Names of keys and values compare case-insensitively (ASCII and the Latin, Greek and Cyrillic
// letters with a simple case pair), keeping the case they were first written with. Keys and values
// keep the order they were created in. Text is UTF-8.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace tv {

// Registry value types (the Windows numbering); any other number is kept as it is.
enum : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

// The limits Windows puts on names and nesting. A key name that cannot be enumerated would make
// a subtree undeletable, so longer key names are refused on creation and in the file alike.
inline constexpr size_t kMaxKeyNameLength = 255;      // characters
inline constexpr size_t kMaxValueNameLength = 16383;  // characters
inline constexpr size_t kMaxKeyDepth = 512;           // keys on a path below the root
// A settings file is a few kilobytes; anything this large is not ours and is not read into memory.
inline constexpr size_t kMaxHiveFileSize = 16u << 20;

struct HiveValue {
    std::string name;  // empty: the key's default value ("@")
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;          // REG_SZ data includes its terminating zero
    std::vector<std::string> comments;  // comment lines before the value line, ';' included

    bool operator==(const HiveValue&) const = default;
};

struct HiveKey {
    std::string name;
    std::vector<HiveValue> values;
    std::vector<HiveKey> subkeys;
    std::vector<std::string> comments;  // comment lines before the key line

    bool operator==(const HiveKey&) const = default;
};

struct HiveDocument {
    HiveKey root;  // HKEY_CURRENT_USER
    std::vector<std::string> tailComments;

    bool operator==(const HiveDocument&) const = default;
};

// Where and why a file could not be read as a hive (for a user mending the file by hand).
struct HiveParseError {
    size_t line = 0;     // 1-based; 0 for the file as a whole
    std::string reason;  // German
};

// The .reg text, or false with error set. An empty file (or one of blank lines only) is an empty
// hive. Beyond what our own files hold, the parser accepts CRLF line ends, a UTF-8 byte order
// mark, spacing around "=" and within hex lists, "hex(n):" data of any type, duplicate key
// sections (merged) and values (the last one wins), and, as an import would, "[-key]" and
// "name"=- lines that delete what came before. A backslash before any character other than
// "\" or '"' inside a quoted string stands for itself, as people type Windows paths.
[[nodiscard]] bool ParseHive(std::string_view text, HiveDocument& out,
                             HiveParseError* error = nullptr);
// The .reg text of a document, in a form ParseHive reads back to the same document. REG_SZ data
// that a quoted string cannot carry (no terminating zero, an inner zero, control characters,
// invalid UTF-8) is written as hex(1), and REG_DWORD data that is not four bytes as hex(4).
[[nodiscard]] std::string SerializeHive(const HiveDocument& document);

// True when the two names are the same name for the registry (case-insensitive).
[[nodiscard]] bool HiveNamesEqual(std::string_view a, std::string_view b) noexcept;
// The length of name in UTF-16 units, the unit Windows counts name limits in.
[[nodiscard]] size_t HiveNameLength(std::string_view name) noexcept;

// The hive file of the current user from the environment; empty when there is no home folder
// to put it in.
[[nodiscard]] std::string CurrentUserHivePath();

// One hive file. Key paths are relative to the hive's root, parts separated by "\". Results are
// error codes: 0, 2 (key or value not found), 259 (no more items), 1018 (the key the operation
// works on no longer exists), 1010 (a key path that cannot name a key), 87 (a value name that
// cannot be stored), 1009 (the file cannot be parsed), 5, 112, 1016 and the like (the file
// cannot be read or written).
//
// The parsed file is kept between operations and read again when its inode, size, mtime or ctime
// has changed; a change always reads the file afresh under the lock. Not thread-safe: one object
// per thread.
class CHive {
public:
    explicit CHive(std::string path);
    CHive(const CHive&) = delete;
    CHive& operator=(const CHive&) = delete;

    [[nodiscard]] const std::string& GetPath() const noexcept { return m_path; }

    // Opens sub (may be empty: base itself) below base, which must exist (1018 when it does
    // not). Without create a missing key gives 2; with create the missing keys are added.
    uint32_t OpenKey(std::string_view base, std::string_view sub, bool create);
    uint32_t QueryValue(std::string_view key, std::string_view name, uint32_t& type,
                        std::vector<uint8_t>& data);
    uint32_t SetValue(std::string_view key, std::string_view name, uint32_t type,
                      std::span<const uint8_t> data);
    // The name of value or subkey index, in creation order; 259 past the end.
    uint32_t EnumValueName(std::string_view key, size_t index, std::string& name);
    uint32_t EnumSubKeyName(std::string_view key, size_t index, std::string& name);
    uint32_t GetValueCount(std::string_view key, size_t& count);
    // Deletes sub below base with its values; 5 when it still has subkeys.
    uint32_t DeleteKey(std::string_view base, std::string_view sub);

    // Why the file could not be parsed after an operation failed with 1009.
    [[nodiscard]] const HiveParseError& GetParseError() const noexcept { return m_parseError; }

private:
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec mtime{};
        timespec ctime{};
        bool operator==(const Stamp& other) const noexcept;
    };
    static Stamp MakeStamp(const struct stat& st) noexcept;

    // Brings m_document up to date with the file (unconditionally with force); 0 or the error.
    uint32_t Load(bool force);
    // Runs change on a fresh copy of the document under the lock and writes the result when
    // change reports a difference. change returns an error code and sets changed.
    template <typename Change>
    uint32_t Modify(Change&& change);
    uint32_t WriteFile(const std::string& target, const std::string& text);

    std::string m_path;
    HiveDocument m_document;
    Stamp m_stamp;
    bool m_loaded = false;
    uint32_t m_loadError = 0;  // the parse result of the loaded stamp (0 or 1009)
    HiveParseError m_parseError;
};

}  // namespace tv
