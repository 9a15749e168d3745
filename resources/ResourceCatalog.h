// Read access to the resources of one module file, without running or loading it: the list of
// (type, name) entries in directory order, counts and sizes per type, raw bytes, decoded
// string-table blocks, and raw and string-table export to files. Every window that touches
// resources goes through one of these; the module list's resource scan makes short-lived ones.
//
// Identifiers: a type or a name is a tv::CResourceId, a number or a UTF-16 name. Every number is a
// real identifier, 0 included (modules have bitmap 0); "all" has operations of its own
// (CountOfAll, SizeOfAll, WriteAllOfType, ExportAllOfType, ExportAllStringTables).
//
// Which language version a lookup by (type, name) returns is CResourceDirectory's rule: neutral,
// then English (U.S.), then the first in directory order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/MappedFile.h"
#include "module/PeFile.h"
#include "module/ResourceDirectory.h"

namespace tv {

// One listed resource. typeId is -1 exactly when the type is named (typeName then holds the name
// in UTF-8), and likewise nameId and name.
struct CResourceEntry {
    int32_t typeId = 0;
    int32_t nameId = 0;
    std::string typeName;
    std::string name;
    // The identifiers as the directory holds them (names as UTF-16 units), for exact matching.
    tv::CResourceId type;
    tv::CResourceId id;

    // The identifier convention: the name string when there is one, else the number.
    [[nodiscard]] const tv::CResourceId& TypeId() const noexcept { return type; }
    [[nodiscard]] const tv::CResourceId& NameId() const noexcept { return id; }
};

class CResourceCatalog {
public:
    // Chunk size for raw writes.
    static constexpr uint32_t kWriteChunk = 16384;

    CResourceCatalog() = default;
    // Enumerate(path) when path is not empty.
    explicit CResourceCatalog(const std::string& path);
    virtual ~CResourceCatalog();
    CResourceCatalog(const CResourceCatalog&) = delete;
    CResourceCatalog& operator=(const CResourceCatalog&) = delete;

    // Releases the current module, then maps path read-only. On success stores the path; on
    // failure stores the error code (2, 3, 5, 193, ...) and keeps the earlier path.
    bool Load(const std::string& path);
    // The same over bytes the caller keeps alive (fuzzing, tests); displayPath is what GetPath
    // gives.
    bool LoadFromMemory(tv::CByteView bytes, const std::string& displayPath);
    // Releases the module; false with error 0 when none was loaded.
    bool Unload();
    // Loads path when it is not empty, then rebuilds the entry list: every (type, name) once, in
    // directory order. false with 1812 for a module without resources.
    bool Enumerate(const std::string& path = std::string());

    [[nodiscard]] std::string GetPath() const { return m_path; }
    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }
    [[nodiscard]] bool IsLoaded() const noexcept { return m_loaded; }
    // What the directory walk noticed (damaged entries, loops, the entry budget), and the
    // entries the list leaves out: a type or name numbered 0, which no lookup can ask for since 0
    // means "no identifier".
    [[nodiscard]] const std::vector<ModuleNote>& Diagnostics() const noexcept;

    [[nodiscard]] int GetEntryCount() const noexcept { return static_cast<int>(m_entries.size()); }
    // Entry i in enumeration order; an empty entry for an index outside the list.
    [[nodiscard]] CResourceEntry GetEntry(int i) const;
    [[nodiscard]] const std::vector<CResourceEntry>& Entries() const noexcept { return m_entries; }

    // Entries of type, and of all types.
    [[nodiscard]] int CountOfType(const tv::CResourceId& type) const;
    [[nodiscard]] int CountOfAll() const noexcept { return GetEntryCount(); }
    // Sum of the data sizes of the entries of type, and of all entries; 64-bit because a hostile
    // directory can declare more than 4 Gb in all.
    [[nodiscard]] uint64_t SizeOfType(const tv::CResourceId& type) const;
    [[nodiscard]] uint64_t SizeOfAll() const;
    // Number of distinct types among the entries.
    [[nodiscard]] int GetTypeCount() const;

    // The data size of the resource, 0 when it cannot be found. With a buffer, the first
    // min(size, capacity) bytes are copied into it; the result is still the full size.
    uint32_t ReadData(const tv::CResourceId& type, const tv::CResourceId& name, void* buffer,
                      uint32_t capacity) const;
    // The resource's bytes inside the mapped file, without a copy; nullopt when it cannot be
    // found or its data entry points outside the file.
    [[nodiscard]] std::optional<tv::CByteView> GetData(const tv::CResourceId& type,
                                                       const tv::CResourceId& name) const;

    // Decodes string-table block name (type 6) and appends its 16 strings (UTF-8, empty ones
    // included). false, appending nothing, when the block cannot be found or read.
    bool LoadStringBlock(const tv::CResourceId& name, std::vector<std::string>& strings) const;

    // Writes the raw bytes of one resource, or of every resource of type back to back, to a new
    // file at path. false on any failure; the reason is in GetFileErrorText().
    bool ExportRaw(const tv::CResourceId& type, const tv::CResourceId& name,
                   const std::string& path) const;
    bool ExportAllOfType(const tv::CResourceId& type, const std::string& path) const;
    bool WriteRaw(const tv::CResourceId& type, const tv::CResourceId& name,
                  std::ostream& out) const;
    bool WriteAllOfType(const tv::CResourceId& type, std::ostream& out) const;

    // Writes one string-table block, or every numbered block, as a resource script (script true)
    // or as plain text, with CR LF line ends and UTF-8 text.
    bool ExportStringTable(const tv::CResourceId& block, const std::string& path,
                           bool script) const;
    bool ExportAllStringTables(const std::string& path, bool script) const;
    bool WriteStringBlock(uint32_t block, const std::vector<std::string>& strings,
                          std::ostream& out, bool script) const;

    // The framework-style file-error text of the last failed export ("Der Zugriff auf ... wurde
    // verweigert."), empty when the last export did not fail on the file itself.
    [[nodiscard]] const std::string& GetFileErrorText() const noexcept { return m_fileError; }

    // The parsed module and directory, for readers that need more than the entry list.
    [[nodiscard]] const tv::CPeFile& GetPeFile() const noexcept { return m_pe; }
    [[nodiscard]] const tv::CResourceDirectory& GetDirectory() const noexcept {
        return m_directory;
    }

private:
    [[nodiscard]] uint64_t SizeOf(const tv::CResourceId* type) const;  // nullptr: all types
    bool Export(const std::string& path, const std::function<bool(std::ostream&)>& write) const;

    tv::CMappedFile m_file;
    tv::CByteView m_bytes;
    tv::CPeFile m_pe;
    tv::CResourceDirectory m_directory;
    bool m_loaded = false;
    std::string m_path;
    uint32_t m_error = 0;
    std::vector<CResourceEntry> m_entries;
    mutable std::string m_fileError;
    std::vector<ModuleNote> m_notes;
};

}  // namespace tv
