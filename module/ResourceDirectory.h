// The resource directory of a PE module (data directory 2), read without loading the module: the
// types in the order the directory stores them, for each type its names in directory order, for
// each (type, name) its languages, and for each language the bytes of its data.
//
// The walk keeps to three levels (type, name, language). Anything that points elsewhere is
// defended against where it is read: a subdirectory where a leaf belongs is skipped, a directory
// that points back into itself or an ancestor is not entered again, the whole walk reads at most
// kMaxEntries entries, and a damaged entry drops only itself. Each of these leaves a line in
// Diagnostics(), so nothing is dropped silently.
//
// Reading is cheap enough for the module list's resource-count scan: one pass over the directory
// into three flat arrays, no resource data touched, names decoded only when asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"
#include "module/ModuleNote.h"

namespace tv {

class CPeFile;

// The standard resource type numbers; resources/ResourceTypes gives each its names and page.
enum ResourceType : uint16_t {
    kRtCursor = 1,
    kRtBitmap = 2,
    kRtIcon = 3,
    kRtMenu = 4,
    kRtDialog = 5,
    kRtString = 6,
    kRtFontDir = 7,
    kRtFont = 8,
    kRtAccelerator = 9,
    kRtRcData = 10,
    kRtMessageTable = 11,
    kRtGroupCursor = 12,
    kRtGroupIcon = 14,
    kRtVersion = 16,
    kRtAniCursor = 21,
    kRtAniIcon = 22,
    kRtHtml = 23,
    kRtToolbar = 241,
};

// The name of the version resource the platform asks for.
inline constexpr uint16_t kVsVersionInfoId = 1;

inline constexpr uint16_t kLanguageNeutral = 0x0000;
inline constexpr uint16_t kLanguageEnglishUs = 0x0409;

// A resource type or name: a number, or a UTF-16 name. Names compare unit by unit, so letter case
// matters ("PNG" and "png" are two types).
class CResourceId {
public:
    CResourceId() = default;
    CResourceId(uint16_t number) noexcept : m_number(number) {}  // NOLINT: implicit on purpose
    explicit CResourceId(std::u16string name) : m_name(std::move(name)), m_isName(true) {}
    [[nodiscard]] static CResourceId FromUtf8(std::string_view name);

    [[nodiscard]] bool IsName() const noexcept { return m_isName; }
    [[nodiscard]] uint16_t GetNumber() const noexcept { return m_number; }
    [[nodiscard]] const std::u16string& GetName() const noexcept { return m_name; }
    // The name in UTF-8 (unpaired surrogates become U+FFFD); the number in decimal.
    [[nodiscard]] std::string ToText() const;

    friend bool operator==(const CResourceId&, const CResourceId&) = default;

private:
    uint16_t m_number = 0;
    std::u16string m_name;
    bool m_isName = false;
};

// An identifier as the directory stores it: a number, or where its name lies in the directory.
struct ResourceDirectoryId {
    uint32_t nameOffset = 0;  // offset of the name's first unit from the directory's start
    uint16_t nameLength = 0;  // in UTF-16 units
    uint16_t number = 0;
    bool isName = false;
};

struct ResourceTypeNode {
    ResourceDirectoryId id;
    uint32_t firstName = 0;  // index into the directory's names
    uint32_t nameCount = 0;
};

struct ResourceNameNode {
    ResourceDirectoryId id;
    uint32_t firstLanguage = 0;  // index into the directory's leaves
    uint32_t languageCount = 0;
};

// One language version of a resource: its IMAGE_RESOURCE_DATA_ENTRY and the bytes it names.
struct ResourceLeaf {
    uint16_t language = 0;
    uint32_t dataRva = 0;
    uint32_t dataSize = 0;
    uint32_t codePage = 0;
    // False when the data entry's RVA and size do not lie inside a section's file data; the
    // resource is still listed, it only has no bytes to show.
    bool hasData = false;
    CByteView data;
};

class CResourceDirectory {
public:
    // At most this many directory entries (types, names and languages together) are read. The
    // fuzz build spends a smaller budget: running out of it takes the same paths, and a few KiB
    // that reuse their subdirectories would otherwise cost every run a quarter million entries.
#ifdef TARNVIEW_FUZZ_LIMITS
    static constexpr size_t kMaxEntries = 4096;
#else
    static constexpr size_t kMaxEntries = 256 * 1024;
#endif
    // At most this many diagnostic lines are kept; one more line says how many were left out, and
    // the note that the entry budget ended the walk is kept whatever came before it.
    static constexpr size_t kMaxDiagnostics = 64;

    // Reads the resource directory of pe, whose bytes must outlive this object and every view it
    // hands out. false with GetErrorCode() 1812 (no resource section) when data directory 2 is
    // empty, cannot be placed in a section, or its root directory cannot be read; 193 when pe
    // is not a parsed module. A directory with damaged entries still reads: true, with the
    // damage noted in Diagnostics().
    [[nodiscard]] bool Read(const CPeFile& pe);
    // Reads the tree alone from root, the bytes from the root directory on (to the end of the
    // section's data, or a part of them), without a module to place data in: every leaf has no
    // data. Lets a scan count resources from a few bytes read off the file. Fails as Read does
    // when the root directory cannot be read.
    [[nodiscard]] bool ReadTree(CByteView root);

    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }
    [[nodiscard]] const std::vector<ModuleNote>& Diagnostics() const noexcept { return m_notes; }
    // False when the entry budget stopped the walk before the end of the directory.
    [[nodiscard]] bool IsComplete() const noexcept { return m_complete; }
    // Whether a structure reached past the end of the bytes read (a directory, an entry, a
    // name): after ReadTree on part of the data, only this says that more bytes would help.
    [[nodiscard]] bool ReachedEnd() const noexcept { return m_reachedEnd; }

    [[nodiscard]] std::span<const ResourceTypeNode> Types() const noexcept { return m_types; }
    [[nodiscard]] std::span<const ResourceNameNode> Names(const ResourceTypeNode& type) const;
    [[nodiscard]] std::span<const ResourceLeaf> Languages(const ResourceNameNode& name) const;
    // The number of (type, name) pairs, each counted once whatever its languages.
    [[nodiscard]] size_t NameCount() const noexcept { return m_names.size(); }

    [[nodiscard]] CResourceId ToId(const ResourceDirectoryId& id) const;
    [[nodiscard]] std::string ToText(const ResourceDirectoryId& id) const;
    // Exact comparison (numbers by value, names unit by unit) without decoding the name.
    [[nodiscard]] bool Matches(const ResourceDirectoryId& id,
                               const CResourceId& key) const noexcept;

    // The first type or name in directory order that matches.
    [[nodiscard]] const ResourceTypeNode* FindType(const CResourceId& type) const noexcept;
    [[nodiscard]] const ResourceNameNode* FindName(const ResourceTypeNode& type,
                                                   const CResourceId& name) const noexcept;
    // The number of names of every type node that matches (a damaged directory may list a type
    // twice; both count, as an enumeration would list both).
    [[nodiscard]] size_t CountOfType(const CResourceId& type) const noexcept;

    // The language version a lookup by (type, name) gives, by one rule used everywhere in the
    // program: the neutral language (0), else English (U.S.) 0x0409, else the first language in
    // directory order. nullptr when the name has no languages.
    [[nodiscard]] const ResourceLeaf* ChooseLanguage(const ResourceNameNode& name) const noexcept;
    [[nodiscard]] const ResourceLeaf* FindLanguage(const ResourceNameNode& name,
                                                   uint16_t language) const noexcept;
    // Type, name and the language rule in one step; nullptr when any of them is missing.
    [[nodiscard]] const ResourceLeaf* Find(const CResourceId& type,
                                           const CResourceId& name) const noexcept;

private:
    // Where an entry sits, for diagnostics; the text is only built when something is wrong.
    enum : int { kLevelRoot, kLevelType, kLevelName, kLevelLanguage };
    void Reset();
    [[nodiscard]] bool Walk(CByteView root);
    [[nodiscard]] std::string Describe(int level, uint32_t index) const;
    [[nodiscard]] bool ReadHeader(uint32_t offset, uint32_t& firstEntry, uint32_t& count, int level,
                                  uint32_t index);
    [[nodiscard]] bool ReadId(uint32_t nameField, ResourceDirectoryId& id, int level,
                              uint32_t index);
    [[nodiscard]] bool Spend(std::string_view what);
    // Keeps a diagnostic while there is room: a hostile directory can hold hundreds of thousands
    // of damaged entries.
    void Note(NoteKind kind, int level, uint32_t index, uint64_t a = 0, uint64_t b = 0,
              uint64_t c = 0);
    void WalkNames(uint32_t typeOffset, uint32_t first, uint32_t count);
    void WalkLanguages(uint32_t first, uint32_t count);

    const CPeFile* m_pe = nullptr;  // only while Read runs
    CByteView m_root;
    uint32_t m_error = 0;
    bool m_complete = true;
    bool m_reachedEnd = false;
    size_t m_entriesRead = 0;
    size_t m_notesDropped = 0;
    std::vector<ResourceTypeNode> m_types;
    std::vector<ResourceNameNode> m_names;
    std::vector<ResourceLeaf> m_leaves;
    std::vector<ModuleNote> m_notes;
};

}  // namespace tv
