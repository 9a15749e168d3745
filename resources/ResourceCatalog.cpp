#include "resources/ResourceCatalog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <streambuf>
#include <utility>

#include "common/ErrorCodes.h"
#include "common/Exception.h"
#include "common/FileWriter.h"
#include "common/TextCodec.h"
#include "resources/ResourceTypes.h"
#include "resources/StringRows.h"

namespace tv {

namespace {

// A file written for an export, through a buffer and the program's file writer: an export that
// fails (a full disk, a resource that cannot be read) leaves the file that was there before.
// Errors are kept as CFileExceptions so the catalog can hand out the framework's text for them.
class CExportFile final : public std::streambuf {
public:
    CExportFile() { setp(m_buffer, m_buffer + sizeof m_buffer); }
    CExportFile(const CExportFile&) = delete;
    CExportFile& operator=(const CExportFile&) = delete;

    bool Open(const std::string& path) {
        m_path = path;
        m_writer = std::make_unique<tv::CFileWriter>(path);
        if (const uint32_t code = m_writer->Open()) return FailCode(code);
        return true;
    }

    // Writes what is buffered and puts the file in place; false when either fails. Without a
    // successful Close the target stays as it was.
    bool Close() {
        if (!m_writer || m_failed) return false;
        if (!Flush()) return false;
        if (const uint32_t code = m_writer->Commit()) return FailCode(code);
        return true;
    }

    [[nodiscard]] bool Failed() const noexcept { return m_failed; }
    // The framework's message for what went wrong, with the path inserted.
    [[nodiscard]] std::string ErrorText() const {
        std::string text;
        const tv::CFileException exception(tv::CFileException::OsErrorToCause(m_code), m_code,
                                           m_path);
        exception.GetErrorMessage(text);
        return text;
    }

protected:
    int_type overflow(int_type c) override {
        if (!Flush()) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }

    std::streamsize xsputn(const char* data, std::streamsize count) override {
        if (count < static_cast<std::streamsize>(sizeof m_buffer))
            return std::streambuf::xsputn(data, count);
        // Large pieces (raw resource data) go straight from the mapped module to the file.
        if (!Flush()) return 0;
        return WriteAll(data, static_cast<size_t>(count)) ? count : 0;
    }

    int sync() override { return Flush() ? 0 : -1; }

private:
    bool Flush() {
        const size_t pending = static_cast<size_t>(pptr() - pbase());
        setp(m_buffer, m_buffer + sizeof m_buffer);
        return pending == 0 || WriteAll(m_buffer, pending);
    }

    bool WriteAll(const char* data, size_t count) {
        if (m_failed || !m_writer) return false;
        if (const uint32_t code = m_writer->Write(data, count)) return FailCode(code);
        return true;
    }

    bool FailCode(uint32_t code) {
        if (!m_failed) m_code = code;
        m_failed = true;
        return false;
    }

    std::unique_ptr<tv::CFileWriter> m_writer;
    std::string m_path;
    bool m_failed = false;
    uint32_t m_code = 0;
    char m_buffer[CResourceCatalog::kWriteChunk];
};

// The entry for a (type, name) pair of the directory: numbers as they are, names in UTF-8 for
// display and as their UTF-16 units for exact matching.
CResourceEntry MakeEntry(const tv::CResourceDirectory& directory, const tv::ResourceTypeNode& type,
                         const tv::ResourceNameNode& name) {
    CResourceEntry entry;
    entry.type = directory.ToId(type.id);
    entry.id = directory.ToId(name.id);
    if (entry.type.IsName()) {
        entry.typeId = -1;
        entry.typeName = entry.type.ToText();
    } else {
        entry.typeId = entry.type.GetNumber();
    }
    if (entry.id.IsName()) {
        entry.nameId = -1;
        entry.name = entry.id.ToText();
    } else {
        entry.nameId = entry.id.GetNumber();
    }
    return entry;
}

// A type or name numbered 0 only occurs in damaged directories. The catalog's interface uses 0
// for "no identifier" (all types, every resource of a type), so such a node cannot be asked for
// on its own; it is left out of the list and of every count, size and write.

}  // namespace

CResourceCatalog::CResourceCatalog(const std::string& path) {
    if (!path.empty()) Enumerate(path);
}

CResourceCatalog::~CResourceCatalog() { Unload(); }

bool CResourceCatalog::Load(const std::string& path) {
    Unload();
    if (!m_file.Open(path)) {
        m_error = m_file.GetErrorCode();
        return false;
    }
    if (!LoadFromMemory(m_file.View(), path)) {
        m_file.Close();
        return false;
    }
    return true;
}

bool CResourceCatalog::LoadFromMemory(tv::CByteView bytes, const std::string& displayPath) {
    // Load comes here with the mapping already in place; keep it.
    if (m_loaded) Unload();
    if (!m_pe.Parse(bytes)) {
        m_error = m_pe.GetErrorCode() != 0 ? m_pe.GetErrorCode() : tv::kErrorBadExeFormat;
        m_pe = tv::CPeFile();
        return false;
    }
    m_bytes = bytes;
    m_loaded = true;
    m_path = displayPath;
    m_error = 0;
    // A module without a resource section still loads, as a data file would; Enumerate reports
    // the missing section.
    (void)m_directory.Read(m_pe);
    m_notes = m_directory.Diagnostics();
    return true;
}

bool CResourceCatalog::Unload() {
    if (!m_loaded) {
        m_error = 0;
        return false;
    }
    // The directory's views point into the mapping; they go first.
    m_directory = tv::CResourceDirectory();
    m_notes.clear();
    m_pe = tv::CPeFile();
    m_bytes = tv::CByteView();
    m_file.Close();
    m_loaded = false;
    return true;
}

bool CResourceCatalog::Enumerate(const std::string& path) {
    m_error = 0;
    if (!path.empty()) Load(path);
    // A failed enumeration leaves no list behind: entries of an earlier module would describe a
    // module that is no longer loaded.
    m_entries.clear();
    if (!m_loaded) return false;
    if (m_directory.Types().empty() && m_directory.GetErrorCode() != 0) {
        m_error = m_directory.GetErrorCode();
        return false;
    }
    m_entries.reserve(std::max<size_t>(1024, m_directory.NameCount()));
    m_notes = m_directory.Diagnostics();
    // Every identifier is listed, 0 included: Wine's cards.dll has a bitmap 0.
    for (const tv::ResourceTypeNode& type : m_directory.Types()) {
        for (const tv::ResourceNameNode& name : m_directory.Names(type))
            m_entries.push_back(MakeEntry(m_directory, type, name));
    }
    return true;
}

const std::vector<ModuleNote>& CResourceCatalog::Diagnostics() const noexcept { return m_notes; }

CResourceEntry CResourceCatalog::GetEntry(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= m_entries.size()) return CResourceEntry();
    return m_entries[static_cast<size_t>(i)];
}

int CResourceCatalog::CountOfType(const tv::CResourceId& type) const {
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                          [&](const CResourceEntry& e) { return e.type == type; }));
}

uint64_t CResourceCatalog::SizeOfType(const tv::CResourceId& type) const { return SizeOf(&type); }

uint64_t CResourceCatalog::SizeOfAll() const { return SizeOf(nullptr); }

uint64_t CResourceCatalog::SizeOf(const tv::CResourceId* type) const {
    // Walks the directory's own nodes instead of looking each entry up by its identifiers: the
    // lookups are linear, which a hostile directory with a quarter of a million names would
    // turn into hours. Walking also sizes every node by its own data where a damaged directory
    // repeats a type or name that a lookup would always resolve to the first of them.
    uint64_t sum = 0;
    for (const tv::ResourceTypeNode& node : m_directory.Types()) {
        if (type != nullptr && !m_directory.Matches(node.id, *type)) continue;
        for (const tv::ResourceNameNode& name : m_directory.Names(node)) {
            const tv::ResourceLeaf* leaf = m_directory.ChooseLanguage(name);
            // Data that does not lie in the file cannot be read, so it has no size on disk.
            if (leaf && leaf->hasData) sum += leaf->dataSize;
        }
    }
    return sum;
}

int CResourceCatalog::GetTypeCount() const {
    std::set<std::pair<uint32_t, std::u16string>> seen;
    for (const CResourceEntry& entry : m_entries) {
        const uint32_t key = entry.type.IsName() ? 0x10000u : entry.type.GetNumber();
        seen.emplace(key, entry.type.GetName());
    }
    return static_cast<int>(seen.size());
}

std::optional<tv::CByteView> CResourceCatalog::GetData(const tv::CResourceId& type,
                                                       const tv::CResourceId& name) const {
    const tv::ResourceLeaf* leaf = m_directory.Find(type, name);
    if (!leaf || !leaf->hasData) return std::nullopt;
    return leaf->data;
}

uint32_t CResourceCatalog::ReadData(const tv::CResourceId& type, const tv::CResourceId& name,
                                    void* buffer, uint32_t capacity) const {
    const auto data = GetData(type, name);
    if (!data) return 0;
    if (buffer && capacity > 0 && !data->Empty())
        std::memcpy(buffer, data->Data(), std::min<size_t>(capacity, data->Size()));
    return static_cast<uint32_t>(data->Size());
}

bool CResourceCatalog::LoadStringBlock(const tv::CResourceId& name,
                                       std::vector<std::string>& strings) const {
    const auto data = GetData(tv::kRtString, name);
    if (!data) return false;
    // A block cut short still gives its 16 strings: the whole ones, then empty ones.
    (void)tv::DecodeStringBlock(*data, strings);
    return true;
}

namespace {

bool WriteView(std::ostream& out, tv::CByteView data) {
    for (size_t done = 0; done < data.Size();) {
        const size_t piece = std::min<size_t>(CResourceCatalog::kWriteChunk, data.Size() - done);
        out.write(reinterpret_cast<const char*>(data.Data() + done),
                  static_cast<std::streamsize>(piece));
        if (!out) return false;
        done += piece;
    }
    return true;
}

}  // namespace

bool CResourceCatalog::WriteRaw(const tv::CResourceId& type, const tv::CResourceId& name,
                                std::ostream& out) const {
    const auto data = GetData(type, name);
    return data && WriteView(out, *data);
}

bool CResourceCatalog::WriteAllOfType(const tv::CResourceId& type, std::ostream& out) const {
    // Every resource of the type in catalog order, each node with its own data (see SizeOf for
    // why the nodes are walked rather than looked up).
    for (const tv::ResourceTypeNode& node : m_directory.Types()) {
        if (!m_directory.Matches(node.id, type)) continue;
        for (const tv::ResourceNameNode& resource : m_directory.Names(node)) {
            const tv::ResourceLeaf* leaf = m_directory.ChooseLanguage(resource);
            if (!leaf || !leaf->hasData || !WriteView(out, leaf->data)) return false;
        }
    }
    return true;
}

bool CResourceCatalog::ExportRaw(const tv::CResourceId& type, const tv::CResourceId& name,
                                 const std::string& path) const {
    return Export(path, [&](std::ostream& out) { return WriteRaw(type, name, out); });
}

bool CResourceCatalog::ExportAllOfType(const tv::CResourceId& type, const std::string& path) const {
    return Export(path, [&](std::ostream& out) { return WriteAllOfType(type, out); });
}

bool CResourceCatalog::Export(const std::string& path,
                              const std::function<bool(std::ostream&)>& write) const {
    m_fileError.clear();
    CExportFile file;
    if (!file.Open(path)) {
        m_fileError = file.ErrorText();
        return false;
    }
    std::ostream out(&file);
    const bool written = write(out);
    const bool closed = file.Close();
    if (file.Failed()) m_fileError = file.ErrorText();
    return written && closed;
}

bool CResourceCatalog::ExportStringTable(const tv::CResourceId& block, const std::string& path,
                                         bool script) const {
    return Export(path, [&](std::ostream& out) {
        std::vector<std::string> strings;
        return LoadStringBlock(block, strings) &&
               WriteStringBlock(tv::StringBlockNumber(block), strings, out, script);
    });
}

bool CResourceCatalog::ExportAllStringTables(const std::string& path, bool script) const {
    // Every numbered block in catalog order; the first that cannot be read ends the export, and
    // what was written stays in the file.
    return Export(path, [&](std::ostream& out) {
        bool ok = true;
        std::vector<std::string> strings;
        tv::ForEachNumberedStringBlock(m_directory,
                                       [&](uint16_t number, const tv::ResourceLeaf* leaf) {
                                           if (!ok) return;
                                           strings.clear();
                                           ok = leaf && leaf->hasData;
                                           if (ok) {
                                               (void)tv::DecodeStringBlock(leaf->data, strings);
                                               ok = WriteStringBlock(number, strings, out, script);
                                           }
                                       });
        return ok;
    });
}

bool CResourceCatalog::WriteStringBlock(uint32_t block, const std::vector<std::string>& strings,
                                        std::ostream& out, bool script) const {
    out << tv::StringBlockText(block, strings, script);
    return static_cast<bool>(out);
}

}  // namespace tv
