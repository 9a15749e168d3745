#include "support/PeBuilder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace tvtest {

namespace {

[[noreturn]] void Misuse(const std::string& what) {
    throw std::invalid_argument("PeBuilder: " + what);
}

uint32_t AlignUp32(uint64_t value, uint32_t alignment) {
    const uint64_t aligned = (value + alignment - 1) / alignment * alignment;
    if (aligned > UINT32_MAX) Misuse("image grows past 4 GiB");
    return static_cast<uint32_t>(aligned);
}

size_t AlignUpSize(size_t value, size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

uint32_t U32(size_t value) {
    if (value > UINT32_MAX) Misuse("value does not fit 32 bits");
    return static_cast<uint32_t>(value);
}

// Appends little-endian values; the blobs below are written front to back.
class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : m_out(out) {}
    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Bytes(std::span<const uint8_t> bytes) {
        m_out.insert(m_out.end(), bytes.begin(), bytes.end());
    }
    void StringZ(const std::string& s) {
        m_out.insert(m_out.end(), s.begin(), s.end());
        U8(0);
    }
    void Align(size_t alignment) { m_out.resize(AlignUpSize(m_out.size(), alignment), 0); }
    [[nodiscard]] size_t Size() const { return m_out.size(); }

private:
    std::vector<uint8_t>& m_out;
};

// Byte-wise comparison of names as unsigned bytes, the order a loader's binary search expects.
bool NameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

// ---- export data ------------------------------------------------------------------------------

struct ExportImage {
    std::vector<uint8_t> bytes;
    uint32_t addressTable = 0;
    uint32_t functionCount = 0;
    uint32_t nameTable = 0;
    uint32_t ordinalTable = 0;
    uint32_t nameCount = 0;
};

struct ExportInput {
    std::string dllName;
    uint32_t base = 1;
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t major = 0;
    uint16_t minor = 0;
    std::optional<uint32_t> functionCount;
    EntryOrder nameOrder = EntryOrder::Sorted;
    const std::vector<ExportEntry>* entries = nullptr;
};

ExportImage BuildExports(const ExportInput& in, uint32_t baseRva) {
    const auto& entries = *in.entries;
    uint32_t needed = 0;
    std::set<uint32_t> ordinals;
    for (const auto& e : entries) {
        if (e.ordinal < in.base) Misuse("export ordinal below the ordinal base");
        if (!ordinals.insert(e.ordinal).second) Misuse("export ordinal given twice");
        needed = std::max(needed, e.ordinal - in.base + 1);
    }
    const uint32_t functionCount = in.functionCount.value_or(needed);
    if (functionCount < needed) Misuse("export function count below the highest ordinal");

    // Name table order: indexes into entries of the named exports.
    std::vector<size_t> named;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name) named.push_back(i);
    }
    if (in.nameOrder == EntryOrder::Sorted) {
        std::stable_sort(named.begin(), named.end(), [&](size_t a, size_t b) {
            return NameLess(*entries[a].name, *entries[b].name);
        });
    }

    ExportImage img;
    img.functionCount = functionCount;
    img.nameCount = U32(named.size());
    img.addressTable = U32(pe::kExportDirectorySize);
    img.nameTable = img.addressTable + 4 * functionCount;
    img.ordinalTable = img.nameTable + 4 * img.nameCount;
    const uint32_t stringsStart = img.ordinalTable + 2 * img.nameCount;

    // Strings: the DLL name, the export names in table order, then the forwarders. All of them
    // lie inside the directory's range, which is what makes a forwarder a forwarder.
    std::vector<uint8_t> strings;
    Writer sw(strings);
    uint32_t dllNameRva = 0;
    if (!in.dllName.empty()) {
        dllNameRva = baseRva + stringsStart;
        sw.StringZ(in.dllName);
    }
    std::vector<uint32_t> nameRvas;
    for (size_t i : named) {
        nameRvas.push_back(baseRva + stringsStart + U32(sw.Size()));
        sw.StringZ(*entries[i].name);
    }
    std::vector<uint32_t> addresses(functionCount, 0);
    for (const auto& e : entries) {
        uint32_t address = e.rva;
        if (e.forwarder) {
            address = baseRva + stringsStart + U32(sw.Size());
            sw.StringZ(*e.forwarder);
        }
        addresses[e.ordinal - in.base] = address;
    }

    Writer w(img.bytes);
    w.U32(in.characteristics);
    w.U32(in.timeDateStamp);
    w.U16(in.major);
    w.U16(in.minor);
    w.U32(dllNameRva);
    w.U32(in.base);
    w.U32(functionCount);
    w.U32(img.nameCount);
    w.U32(baseRva + img.addressTable);
    w.U32(img.nameCount ? baseRva + img.nameTable : 0);
    w.U32(img.nameCount ? baseRva + img.ordinalTable : 0);
    for (uint32_t a : addresses)
        w.U32(a);
    for (uint32_t r : nameRvas)
        w.U32(r);
    for (size_t i : named)
        w.U16(static_cast<uint16_t>(entries[i].ordinal - in.base));
    w.Bytes(strings);
    w.Align(4);
    return img;
}

// ---- import data ------------------------------------------------------------------------------

struct ImportImage {
    std::vector<uint8_t> bytes;
    uint32_t descriptorsSize = 0;
    uint32_t addressTables = 0;
    uint32_t addressTablesSize = 0;
    struct Library {
        uint32_t descriptor = 0;
        std::optional<uint32_t> lookupTable;
        uint32_t addressTable = 0;
        uint32_t tableSize = 0;
        uint32_t name = 0;
        uint32_t nameSize = 0;
    };
    std::vector<Library> libraries;
};

// Descriptors, then the lookup tables, then all address tables in one run (as data directory 12
// describes them), then hint/name entries and library names.
ImportImage BuildImports(const std::vector<ImportLibrary>& libs, bool pe32Plus, uint32_t baseRva) {
    const uint32_t thunk = pe32Plus ? 8 : 4;
    ImportImage img;
    img.descriptorsSize = U32(pe::kImportDescriptorSize * (libs.size() + 1));
    uint32_t cursor = AlignUp32(img.descriptorsSize, 8);
    img.libraries.resize(libs.size());
    for (size_t i = 0; i < libs.size(); ++i) {
        img.libraries[i].tableSize = thunk * U32(libs[i].functions.size() + 1);
        img.libraries[i].descriptor = U32(pe::kImportDescriptorSize * i);
        if (libs[i].withLookupTable) {
            img.libraries[i].lookupTable = cursor;
            cursor += img.libraries[i].tableSize;
        }
    }
    img.addressTables = cursor;
    for (auto& lib : img.libraries) {
        lib.addressTable = cursor;
        cursor += lib.tableSize;
    }
    img.addressTablesSize = cursor - img.addressTables;

    // Hint/name entries start on an even address, as the format asks.
    std::vector<std::vector<uint64_t>> thunks(libs.size());
    for (size_t i = 0; i < libs.size(); ++i) {
        for (const auto& f : libs[i].functions) {
            if (f.ordinal) {
                thunks[i].push_back(pe32Plus ? (pe::kOrdinalFlag64 | *f.ordinal)
                                             : (pe::kOrdinalFlag32 | *f.ordinal));
            } else {
                thunks[i].push_back(baseRva + cursor);
                cursor += AlignUp32(2 + f.name.size() + 1, 2);
            }
        }
    }
    for (size_t i = 0; i < libs.size(); ++i) {
        img.libraries[i].name = cursor;
        img.libraries[i].nameSize = U32(libs[i].name.size() + 1);
        cursor += img.libraries[i].nameSize;
    }

    Writer w(img.bytes);
    for (size_t i = 0; i < libs.size(); ++i) {
        const auto& lib = libs[i];
        const auto& at = img.libraries[i];
        w.U32(at.lookupTable ? baseRva + *at.lookupTable : 0);
        w.U32(lib.timeDateStamp);
        w.U32(lib.forwarderChain);
        w.U32(lib.name.empty() ? 0 : baseRva + at.name);
        w.U32(baseRva + at.addressTable);
    }
    for (size_t k = 0; k < pe::kImportDescriptorSize; ++k)
        w.U8(0);
    w.Align(8);
    const auto writeTable = [&](const std::vector<uint64_t>& values) {
        for (uint64_t v : values)
            pe32Plus ? w.U64(v) : w.U32(static_cast<uint32_t>(v));
        pe32Plus ? w.U64(0) : w.U32(0);
    };
    for (size_t i = 0; i < libs.size(); ++i) {
        if (libs[i].withLookupTable) writeTable(thunks[i]);
    }
    for (size_t i = 0; i < libs.size(); ++i)
        writeTable(thunks[i]);
    for (const auto& lib : libs) {
        for (const auto& f : lib.functions) {
            if (f.ordinal) continue;
            w.U16(f.hint);
            w.StringZ(f.name);
            w.Align(2);
        }
    }
    for (const auto& lib : libs)
        w.StringZ(lib.name);
    w.Align(4);
    return img;
}

// ---- resource data ----------------------------------------------------------------------------

struct ResourceImage {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> tables;
    struct Leaf {
        size_t entry = 0;  // index into the builder's resources
        uint32_t dataEntry = 0;
        uint32_t data = 0;
    };
    std::vector<Leaf> leaves;
};

struct ResourceInput {
    const std::vector<ResourceEntry>* entries = nullptr;
    EntryOrder order = EntryOrder::Sorted;
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t major = 0;
    uint16_t minor = 0;
};

// Named entries first, ordered by their UTF-16 units; then numbered entries ascending.
bool ResIdLess(const ResId& a, const ResId& b) {
    if (a.IsName() != b.IsName()) return a.IsName();
    if (a.IsName()) return a.Name() < b.Name();
    return a.Id() < b.Id();
}

// Directory tables breadth first (root, types, names), then the data entries, the name strings
// and the data, each datum aligned to 8.
ResourceImage BuildResources(const ResourceInput& in, uint32_t baseRva) {
    const auto& entries = *in.entries;
    struct NameNode {
        ResId id;
        std::vector<size_t> leaves;  // indexes into entries, one per language
    };
    struct TypeNode {
        ResId id;
        std::vector<NameNode> names;
    };
    std::vector<TypeNode> types;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        auto t = std::find_if(types.begin(), types.end(),
                              [&](const TypeNode& n) { return n.id == e.type; });
        if (t == types.end()) t = types.insert(types.end(), TypeNode{e.type, {}});
        auto n = std::find_if(t->names.begin(), t->names.end(),
                              [&](const NameNode& x) { return x.id == e.name; });
        if (n == t->names.end()) n = t->names.insert(t->names.end(), NameNode{e.name, {}});
        for (size_t other : n->leaves) {
            if (entries[other].language == e.language) Misuse("resource given twice");
        }
        n->leaves.push_back(i);
    }
    if (in.order == EntryOrder::Sorted) {
        const auto byId = [](const auto& a, const auto& b) { return ResIdLess(a.id, b.id); };
        std::stable_sort(types.begin(), types.end(), byId);
        for (auto& t : types) {
            std::stable_sort(t.names.begin(), t.names.end(), byId);
            for (auto& n : t.names) {
                std::stable_sort(n.leaves.begin(), n.leaves.end(), [&](size_t a, size_t b) {
                    return entries[a].language < entries[b].language;
                });
            }
        }
    }

    const auto tableSize = [](size_t count) {
        return U32(pe::kResourceDirectorySize + pe::kResourceEntrySize * count);
    };
    ResourceImage img;
    uint32_t cursor = 0;
    const uint32_t root = cursor;
    cursor += tableSize(types.size());
    std::vector<uint32_t> typeTables;
    for (const auto& t : types) {
        typeTables.push_back(cursor);
        cursor += tableSize(t.names.size());
    }
    std::vector<std::vector<uint32_t>> nameTables(types.size());
    for (size_t ti = 0; ti < types.size(); ++ti) {
        for (const auto& n : types[ti].names) {
            nameTables[ti].push_back(cursor);
            cursor += tableSize(n.leaves.size());
        }
    }
    img.tables.push_back(root);
    img.tables.insert(img.tables.end(), typeTables.begin(), typeTables.end());
    for (const auto& v : nameTables)
        img.tables.insert(img.tables.end(), v.begin(), v.end());

    for (const auto& t : types) {
        for (const auto& n : t.names) {
            for (size_t leaf : n.leaves) {
                img.leaves.push_back({leaf, cursor, 0});
                cursor += U32(pe::kResourceDataEntrySize);
            }
        }
    }
    // Each named entry gets its own length-prefixed string.
    std::vector<uint8_t> strings;
    Writer sw(strings);
    const uint32_t stringsStart = cursor;
    const auto nameField = [&](const ResId& id) -> uint32_t {
        if (!id.IsName()) return id.Id();
        const uint32_t at = stringsStart + U32(sw.Size());
        if (id.Name().size() > UINT16_MAX) Misuse("resource name too long");
        sw.U16(static_cast<uint16_t>(id.Name().size()));
        for (char16_t c : id.Name())
            sw.U16(static_cast<uint16_t>(c));
        return pe::kResNameIsString | at;
    };

    Writer w(img.bytes);
    const auto header = [&](size_t named, size_t numbered) {
        w.U32(in.characteristics);
        w.U32(in.timeDateStamp);
        w.U16(in.major);
        w.U16(in.minor);
        w.U16(static_cast<uint16_t>(named));
        w.U16(static_cast<uint16_t>(numbered));
    };
    const auto countNamed = [](const auto& nodes) {
        return static_cast<size_t>(
            std::count_if(nodes.begin(), nodes.end(), [](const auto& x) { return x.id.IsName(); }));
    };

    header(countNamed(types), types.size() - countNamed(types));
    for (size_t ti = 0; ti < types.size(); ++ti) {
        w.U32(nameField(types[ti].id));
        w.U32(pe::kResIsDirectory | typeTables[ti]);
    }
    for (size_t ti = 0; ti < types.size(); ++ti) {
        const auto& names = types[ti].names;
        header(countNamed(names), names.size() - countNamed(names));
        for (size_t ni = 0; ni < names.size(); ++ni) {
            w.U32(nameField(names[ni].id));
            w.U32(pe::kResIsDirectory | nameTables[ti][ni]);
        }
    }
    size_t leafIndex = 0;
    for (const auto& t : types) {
        for (const auto& n : t.names) {
            header(0, n.leaves.size());
            for (size_t leaf : n.leaves) {
                w.U32(entries[leaf].language);
                w.U32(img.leaves[leafIndex++].dataEntry);
            }
        }
    }
    // Data entries are written once the data's offsets are known.
    const size_t dataEntriesAt = w.Size();
    img.bytes.resize(dataEntriesAt + pe::kResourceDataEntrySize * img.leaves.size(), 0);
    w.Bytes(strings);
    for (auto& leaf : img.leaves) {
        w.Align(8);
        leaf.data = U32(w.Size());
        w.Bytes(entries[leaf.entry].data);
    }
    w.Align(8);
    for (size_t i = 0; i < img.leaves.size(); ++i) {
        const auto& leaf = img.leaves[i];
        const auto& e = entries[leaf.entry];
        std::vector<uint8_t> record;
        Writer rw(record);
        rw.U32(e.dataRva.value_or(baseRva + leaf.data));
        rw.U32(e.dataSize.value_or(U32(e.data.size())));
        rw.U32(e.codePage);
        rw.U32(0);
        std::copy(record.begin(), record.end(),
                  img.bytes.begin() + static_cast<std::ptrdiff_t>(leaf.dataEntry));
    }
    return img;
}

void PutLE(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, size_t width) {
    if (offset > bytes.size() || width > bytes.size() - offset)
        throw std::out_of_range("patch outside the file");
    for (size_t i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A small DOS program that prints a line and ends, so the stub is what a linker would put there.
std::vector<uint8_t> DefaultDosStub() {
    std::vector<uint8_t> stub = {
        0x0E,              // push cs
        0x1F,              // pop ds
        0xBA, 0x0E, 0x00,  // mov dx, message
        0xB4, 0x09,        // mov ah, 9 (print string)
        0xCD, 0x21,        // int 21h
        0xB8, 0x01, 0x4C,  // mov ax, 4C01h (exit with 1)
        0xCD, 0x21,        // int 21h
    };
    const std::string message = "Tarnview test module: needs Windows.\r\n$";
    stub.insert(stub.end(), message.begin(), message.end());
    return stub;
}

void WriteDosHeader(std::vector<uint8_t>& out, uint32_t lfanew) {
    PutLE(out, 0x00, 0x5A4D, 2);  // "MZ"
    PutLE(out, 0x02, 0x90, 2);    // bytes on the last page
    PutLE(out, 0x04, 3, 2);       // pages
    PutLE(out, 0x08, 4, 2);       // header paragraphs
    PutLE(out, 0x0C, 0xFFFF, 2);  // maximum extra paragraphs
    PutLE(out, 0x10, 0xB8, 2);    // SP
    PutLE(out, 0x18, 0x40, 2);    // relocation table
    PutLE(out, pe::kDosLfanew, lfanew, 4);
}

}  // namespace

// ---- PeLayout ---------------------------------------------------------------------------------

std::optional<size_t> PeLayout::RvaToOffset(uint32_t rva) const {
    for (const auto& s : sections) {
        if (rva >= s.virtualAddress && rva - s.virtualAddress < s.sizeOfRawData)
            return static_cast<size_t>(s.pointerToRawData) + (rva - s.virtualAddress);
    }
    if (rva < sizeOfHeaders) return rva;
    return std::nullopt;
}

const SectionPlacement* PeLayout::FindSection(std::string_view name) const {
    for (const auto& s : sections) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

// ---- PeBuilder setters ------------------------------------------------------------------------

PeBuilder::PeBuilder(bool pe32Plus) : m_pe32Plus(pe32Plus) {
    m_machine = pe32Plus ? pe::kMachineAmd64 : pe::kMachineI386;
    m_fileCharacteristics = pe32Plus ? (pe::kFileExecutableImage | pe::kFileLargeAddressAware)
                                     : (pe::kFileExecutableImage | pe::kFile32BitMachine);
    m_magic = pe32Plus ? pe::kMagicPe32Plus : pe::kMagicPe32;
    m_imageBase = pe32Plus ? 0x140000000ULL : 0x400000ULL;
    m_timeDateStamp = 0x5F5E1000;  // 2020-09-13, fixed so that reports are reproducible
    m_dosStub = DefaultDosStub();
}

PeBuilder PeBuilder::Pe32() { return PeBuilder(false); }
PeBuilder PeBuilder::Pe32Plus() { return PeBuilder(true); }

// clang-format off
PeBuilder& PeBuilder::Machine(uint16_t value) { m_machine = value; return *this; }
PeBuilder& PeBuilder::FileCharacteristics(uint16_t value) { m_fileCharacteristics = value; return *this; }
PeBuilder& PeBuilder::Dll() { m_fileCharacteristics |= pe::kFileDll; return *this; }
PeBuilder& PeBuilder::TimeDateStamp(uint32_t value) { m_timeDateStamp = value; return *this; }
PeBuilder& PeBuilder::Magic(uint16_t value) { m_magic = value; return *this; }
PeBuilder& PeBuilder::Win32VersionValue(uint32_t value) { m_win32VersionValue = value; return *this; }
PeBuilder& PeBuilder::Subsystem(uint16_t value) { m_subsystem = value; return *this; }
PeBuilder& PeBuilder::DllCharacteristics(uint16_t value) { m_dllCharacteristics = value; return *this; }
PeBuilder& PeBuilder::ImageBase(uint64_t value) { m_imageBase = value; return *this; }
PeBuilder& PeBuilder::EntryPoint(uint32_t rva) { m_entryPoint = rva; return *this; }
PeBuilder& PeBuilder::CheckSum(uint32_t value) { m_checkSum = value; return *this; }
PeBuilder& PeBuilder::LoaderFlags(uint32_t value) { m_loaderFlags = value; return *this; }
PeBuilder& PeBuilder::OptionalHeaderPadding(uint32_t bytes) { m_optionalHeaderPadding = bytes; return *this; }
PeBuilder& PeBuilder::DosStub(std::vector<uint8_t> bytes) { m_dosStub = std::move(bytes); return *this; }
PeBuilder& PeBuilder::Overlay(std::vector<uint8_t> bytes) { m_overlay = std::move(bytes); return *this; }
PeBuilder& PeBuilder::ExportSection(std::string name) { m_exportSection = std::move(name); return *this; }
PeBuilder& PeBuilder::ImportSection(std::string name) { m_importSection = std::move(name); return *this; }
PeBuilder& PeBuilder::ResourceSection(std::string name) { m_resourceSection = std::move(name); return *this; }
PeBuilder& PeBuilder::ExportBase(uint32_t base) { m_hasExports = true; m_exportBase = base; return *this; }
PeBuilder& PeBuilder::ExportNameOrder(EntryOrder order) { m_exportNameOrder = order; return *this; }
PeBuilder& PeBuilder::ResourceOrder(EntryOrder order) { m_resourceOrder = order; return *this; }
PeBuilder& PeBuilder::EmptyResourceDirectory() { m_hasResources = true; return *this; }
// clang-format on

PeBuilder& PeBuilder::PointerToSymbolTable(uint32_t pointer, uint32_t numberOfSymbols) {
    m_pointerToSymbolTable = pointer;
    m_numberOfSymbols = numberOfSymbols;
    return *this;
}

PeBuilder& PeBuilder::LinkerVersion(uint8_t major, uint8_t minor) {
    m_linkerMajor = major;
    m_linkerMinor = minor;
    return *this;
}

PeBuilder& PeBuilder::OperatingSystemVersion(uint16_t major, uint16_t minor) {
    m_osMajor = major;
    m_osMinor = minor;
    return *this;
}

PeBuilder& PeBuilder::ImageVersion(uint16_t major, uint16_t minor) {
    m_imageMajor = major;
    m_imageMinor = minor;
    return *this;
}

PeBuilder& PeBuilder::SubsystemVersion(uint16_t major, uint16_t minor) {
    m_subsystemMajor = major;
    m_subsystemMinor = minor;
    return *this;
}

PeBuilder& PeBuilder::SectionAlignment(uint32_t value) {
    if (value == 0) Misuse("section alignment 0");
    m_sectionAlignment = value;
    return *this;
}

PeBuilder& PeBuilder::FileAlignment(uint32_t value) {
    if (value == 0) Misuse("file alignment 0");
    m_fileAlignment = value;
    return *this;
}

PeBuilder& PeBuilder::StackSizes(uint64_t reserve, uint64_t commit) {
    m_stackReserve = reserve;
    m_stackCommit = commit;
    return *this;
}

PeBuilder& PeBuilder::HeapSizes(uint64_t reserve, uint64_t commit) {
    m_heapReserve = reserve;
    m_heapCommit = commit;
    return *this;
}

PeBuilder& PeBuilder::DataDirectoryCount(uint32_t count) {
    // Far more than the format defines, but enough for tests of odd counts.
    if (count > 0x1000) Misuse("data directory count above 4096: patch the field instead");
    m_numberOfRvaAndSizes = count;
    return *this;
}

PeBuilder& PeBuilder::DataDirectory(uint32_t index, uint32_t rva, uint32_t size) {
    m_directoryOverrides[index] = {rva, size};
    return *this;
}

PeBuilder& PeBuilder::Lfanew(uint32_t value) {
    if (value < pe::kDosHeaderSize) Misuse("e_lfanew inside the DOS header");
    m_lfanew = value;
    return *this;
}

PeBuilder& PeBuilder::AddSection(std::string name, uint32_t characteristics,
                                 std::vector<uint8_t> data, std::optional<uint32_t> virtualSize) {
    SectionDesc desc;
    desc.name = std::move(name);
    desc.characteristics = characteristics;
    desc.data = std::move(data);
    desc.virtualSize = virtualSize;
    return AddSection(std::move(desc));
}

PeBuilder& PeBuilder::AddSection(SectionDesc desc) {
    if (desc.name.size() > 8) Misuse("section name longer than eight bytes: " + desc.name);
    m_sections.push_back(std::move(desc));
    return *this;
}

PeBuilder& PeBuilder::SharedDataSection(std::string name) {
    m_exportSection = name;
    m_importSection = name;
    m_resourceSection = std::move(name);
    return *this;
}

PeBuilder& PeBuilder::ExportDllName(std::string name) {
    m_hasExports = true;
    m_exportDllName = std::move(name);
    return *this;
}

PeBuilder& PeBuilder::ExportDirectoryFields(uint32_t characteristics, uint32_t timeDateStamp,
                                            uint16_t majorVersion, uint16_t minorVersion) {
    m_hasExports = true;
    m_exportCharacteristics = characteristics;
    m_exportTimeDateStamp = timeDateStamp;
    m_exportMajor = majorVersion;
    m_exportMinor = minorVersion;
    return *this;
}

PeBuilder& PeBuilder::Export(uint32_t ordinal, std::string name, uint32_t rva) {
    ExportEntry e;
    e.ordinal = ordinal;
    if (!name.empty()) e.name = std::move(name);
    e.rva = rva;
    return AddExport(std::move(e));
}

PeBuilder& PeBuilder::ExportForwarder(uint32_t ordinal, std::string name, std::string target) {
    ExportEntry e;
    e.ordinal = ordinal;
    if (!name.empty()) e.name = std::move(name);
    e.forwarder = std::move(target);
    return AddExport(std::move(e));
}

PeBuilder& PeBuilder::AddExport(ExportEntry entry) {
    m_hasExports = true;
    m_exports.push_back(std::move(entry));
    return *this;
}

PeBuilder& PeBuilder::ExportFunctionCount(uint32_t count) {
    m_hasExports = true;
    m_exportFunctionCount = count;
    return *this;
}

PeBuilder& PeBuilder::AddImport(std::string library, std::vector<ImportFunction> functions) {
    ImportLibrary lib;
    lib.name = std::move(library);
    lib.functions = std::move(functions);
    return AddImport(std::move(lib));
}

PeBuilder& PeBuilder::AddImport(ImportLibrary library) {
    m_imports.push_back(std::move(library));
    return *this;
}

PeBuilder& PeBuilder::AddBoundImport(std::string library, uint32_t timeDateStamp) {
    m_boundImports.push_back({std::move(library), timeDateStamp});
    return *this;
}

PeBuilder& PeBuilder::AddResource(ResId type, ResId name, uint16_t language,
                                  std::vector<uint8_t> data, uint32_t codePage) {
    ResourceEntry e;
    e.type = std::move(type);
    e.name = std::move(name);
    e.language = language;
    e.data = std::move(data);
    e.codePage = codePage;
    return AddResource(std::move(e));
}

PeBuilder& PeBuilder::AddResource(ResourceEntry entry) {
    m_hasResources = true;
    m_resources.push_back(std::move(entry));
    return *this;
}

PeBuilder& PeBuilder::ResourceDirectoryFields(uint32_t characteristics, uint32_t timeDateStamp,
                                              uint16_t majorVersion, uint16_t minorVersion) {
    m_hasResources = true;
    m_resourceCharacteristics = characteristics;
    m_resourceTimeDateStamp = timeDateStamp;
    m_resourceMajor = majorVersion;
    m_resourceMinor = minorVersion;
    return *this;
}

// ---- PeBuilder::Build -------------------------------------------------------------------------

PeLayout PeBuilder::Layout() const {
    PeLayout layout;
    (void)Build(&layout);
    return layout;
}

std::vector<uint8_t> PeBuilder::Build(PeLayout* layoutOut) const {
    PeLayout layout;

    // Inputs of the generated data; their sizes do not depend on where they are placed, so they
    // are built once at RVA 0 to learn the sizes and again at their real RVAs.
    ExportInput exportInput;
    exportInput.dllName = m_exportDllName;
    exportInput.base = m_exportBase;
    exportInput.characteristics = m_exportCharacteristics;
    exportInput.timeDateStamp = m_exportTimeDateStamp;
    exportInput.major = m_exportMajor;
    exportInput.minor = m_exportMinor;
    exportInput.functionCount = m_exportFunctionCount;
    exportInput.nameOrder = m_exportNameOrder;
    exportInput.entries = &m_exports;
    ResourceInput resourceInput;
    resourceInput.entries = &m_resources;
    resourceInput.order = m_resourceOrder;
    resourceInput.characteristics = m_resourceCharacteristics;
    resourceInput.timeDateStamp = m_resourceTimeDateStamp;
    resourceInput.major = m_resourceMajor;
    resourceInput.minor = m_resourceMinor;

    enum Kind { kExport, kImport, kResource, kKinds };
    const bool wanted[kKinds] = {m_hasExports, !m_imports.empty(), m_hasResources};
    const std::string* sectionOf[kKinds] = {&m_exportSection, &m_importSection, &m_resourceSection};
    const uint32_t defaultCharacteristics[kKinds] = {pe::kReadOnlyDataSection, pe::kDataSection,
                                                     pe::kReadOnlyDataSection};
    size_t blobSize[kKinds] = {0, 0, 0};
    if (wanted[kExport]) blobSize[kExport] = BuildExports(exportInput, 0).bytes.size();
    if (wanted[kImport]) blobSize[kImport] = BuildImports(m_imports, m_pe32Plus, 0).bytes.size();
    if (wanted[kResource]) blobSize[kResource] = BuildResources(resourceInput, 0).bytes.size();

    // Sections: the added ones, then new ones for generated data; generated data whose section
    // already exists is appended to it.
    std::vector<SectionDesc> sections = m_sections;
    std::vector<bool> created(sections.size(), false);  // made here for generated data
    std::vector<bool> grown(sections.size(), false);    // received generated data
    size_t sectionIndex[kKinds] = {0, 0, 0};
    size_t offsetInSection[kKinds] = {0, 0, 0};
    for (int k = 0; k < kKinds; ++k) {
        if (!wanted[k]) continue;
        if (sectionOf[k]->size() > 8) Misuse("section name longer than eight bytes");
        auto it = std::find_if(sections.begin(), sections.end(),
                               [&](const SectionDesc& s) { return s.name == *sectionOf[k]; });
        if (it == sections.end()) {
            SectionDesc desc;
            desc.name = *sectionOf[k];
            desc.characteristics = defaultCharacteristics[k];
            sections.push_back(std::move(desc));
            created.push_back(true);
            grown.push_back(false);
            it = sections.end() - 1;
        }
        const auto index = static_cast<size_t>(it - sections.begin());
        if (created[index]) it->characteristics |= defaultCharacteristics[k];
        grown[index] = true;
        offsetInSection[k] = AlignUpSize(it->data.size(), 8);
        it->data.resize(offsetInSection[k] + blobSize[k], 0);
        sectionIndex[k] = index;
    }

    // Headers.
    const uint32_t lfanew = m_lfanew.value_or(AlignUp32(pe::kDosHeaderSize + m_dosStub.size(), 8));
    layout.ntHeaders = lfanew;
    layout.fileHeader = layout.ntHeaders + 4;
    layout.optionalHeader = layout.fileHeader + pe::kFileHeaderSize;
    const size_t standardSize = m_pe32Plus ? 112 : 96;
    layout.dataDirectories = layout.optionalHeader + standardSize;
    layout.numberOfRvaAndSizes = m_numberOfRvaAndSizes;
    const size_t optionalSize =
        standardSize + pe::kDataDirectorySize * m_numberOfRvaAndSizes + m_optionalHeaderPadding;
    if (optionalSize > UINT16_MAX) Misuse("optional header larger than 64 KiB");
    layout.sizeOfOptionalHeader = static_cast<uint16_t>(optionalSize);
    layout.sectionTable = layout.optionalHeader + optionalSize;
    if (sections.size() > UINT16_MAX) Misuse("too many sections");
    size_t headersEnd = layout.sectionTable + pe::kSectionHeaderSize * sections.size();

    // Bound imports live in the headers, after the section table, where linkers put them.
    std::vector<uint8_t> bound;
    if (!m_boundImports.empty()) {
        Writer bw(bound);
        const size_t namesAt = pe::kBoundImportDescriptorSize * (m_boundImports.size() + 1);
        size_t nameCursor = namesAt;
        for (const auto& b : m_boundImports) {
            bw.U32(b.timeDateStamp);
            if (nameCursor > UINT16_MAX) Misuse("bound import names too long");
            bw.U16(static_cast<uint16_t>(nameCursor));
            bw.U16(0);  // no forwarder references
            nameCursor += b.name.size() + 1;
        }
        bw.U32(0);
        bw.U32(0);
        for (const auto& b : m_boundImports)
            bw.StringZ(b.name);
        bw.Align(4);
        headersEnd = AlignUpSize(headersEnd, 4);
        layout.boundImportDirectory = {true, U32(headersEnd), headersEnd, U32(bound.size())};
        headersEnd += bound.size();
    }
    layout.sizeOfHeaders = AlignUp32(headersEnd, m_fileAlignment);

    // Section placement.
    uint32_t rvaCursor = AlignUp32(layout.sizeOfHeaders, m_sectionAlignment);
    size_t rawCursor = layout.sizeOfHeaders;
    uint64_t imageEnd = rvaCursor;
    for (size_t i = 0; i < sections.size(); ++i) {
        const auto& s = sections[i];
        SectionPlacement p;
        p.name = s.name;
        p.header = layout.sectionTable + pe::kSectionHeaderSize * i;
        p.virtualAddress = s.virtualAddress.value_or(rvaCursor);
        p.virtualSize = s.virtualSize.value_or(U32(s.data.size()));
        if (grown[i]) p.virtualSize = std::max(p.virtualSize, U32(s.data.size()));
        const uint32_t rawWritten = AlignUp32(s.data.size(), m_fileAlignment);
        p.sizeOfRawData = s.sizeOfRawData.value_or(rawWritten);
        p.pointerToRawData =
            s.data.empty() && !s.pointerToRawData ? 0 : s.pointerToRawData.value_or(U32(rawCursor));
        if (p.pointerToRawData != 0)
            rawCursor = std::max<size_t>(rawCursor, p.pointerToRawData + size_t{rawWritten});
        const uint64_t end = uint64_t{p.virtualAddress} + std::max<uint32_t>(p.virtualSize, 1);
        rvaCursor = std::max(rvaCursor, AlignUp32(end, m_sectionAlignment));
        imageEnd = std::max(imageEnd, end);
        layout.sections.push_back(p);
    }
    layout.sizeOfImage = AlignUp32(imageEnd, m_sectionAlignment);

    // Generated data at their final RVAs.
    const auto placeAt = [&](Kind k) {
        const auto& sp = layout.sections[sectionIndex[k]];
        return std::pair<uint32_t, size_t>{sp.virtualAddress + U32(offsetInSection[k]),
                                           size_t{sp.pointerToRawData} + offsetInSection[k]};
    };
    const auto place = [](uint32_t rva, size_t offset, uint32_t relative, uint32_t size) {
        return Placement{true, rva + relative, offset + relative, size};
    };
    if (wanted[kExport]) {
        const auto [rva, offset] = placeAt(kExport);
        const ExportImage img = BuildExports(exportInput, rva);
        std::copy(img.bytes.begin(), img.bytes.end(),
                  sections[sectionIndex[kExport]].data.begin() +
                      static_cast<std::ptrdiff_t>(offsetInSection[kExport]));
        layout.exportDirectory = place(rva, offset, 0, U32(img.bytes.size()));
        layout.exportAddressTable = place(rva, offset, img.addressTable, 4 * img.functionCount);
        layout.exportNameTable = place(rva, offset, img.nameTable, 4 * img.nameCount);
        layout.exportOrdinalTable = place(rva, offset, img.ordinalTable, 2 * img.nameCount);
    }
    if (wanted[kImport]) {
        const auto [rva, offset] = placeAt(kImport);
        const ImportImage img = BuildImports(m_imports, m_pe32Plus, rva);
        std::copy(img.bytes.begin(), img.bytes.end(),
                  sections[sectionIndex[kImport]].data.begin() +
                      static_cast<std::ptrdiff_t>(offsetInSection[kImport]));
        layout.importDirectory = place(rva, offset, 0, img.descriptorsSize);
        layout.importAddressTables = place(rva, offset, img.addressTables, img.addressTablesSize);
        for (size_t i = 0; i < m_imports.size(); ++i) {
            const auto& lib = img.libraries[i];
            ImportPlacement ip;
            ip.name = m_imports[i].name;
            ip.descriptor = offset + lib.descriptor;
            if (lib.lookupTable)
                ip.lookupTable = place(rva, offset, *lib.lookupTable, lib.tableSize);
            ip.addressTable = place(rva, offset, lib.addressTable, lib.tableSize);
            ip.libraryName = place(rva, offset, lib.name, lib.nameSize);
            layout.imports.push_back(ip);
        }
    }
    if (wanted[kResource]) {
        const auto [rva, offset] = placeAt(kResource);
        const ResourceImage img = BuildResources(resourceInput, rva);
        std::copy(img.bytes.begin(), img.bytes.end(),
                  sections[sectionIndex[kResource]].data.begin() +
                      static_cast<std::ptrdiff_t>(offsetInSection[kResource]));
        layout.resourceDirectory = place(rva, offset, 0, U32(img.bytes.size()));
        for (uint32_t t : img.tables)
            layout.resourceTables.push_back(offset + t);
        for (const auto& leaf : img.leaves) {
            const auto& e = m_resources[leaf.entry];
            ResourcePlacement rp;
            rp.type = e.type;
            rp.name = e.name;
            rp.language = e.language;
            rp.dataEntry = offset + leaf.dataEntry;
            rp.data = place(rva, offset, leaf.data, U32(e.data.size()));
            layout.resources.push_back(rp);
        }
    }

    // Data directories: what the builder made, then the caller's overrides.
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> directories;
    if (layout.exportDirectory.present)
        directories[pe::kDirExport] = {layout.exportDirectory.rva, layout.exportDirectory.size};
    if (layout.importDirectory.present) {
        directories[pe::kDirImport] = {layout.importDirectory.rva, layout.importDirectory.size};
        directories[pe::kDirIat] = {layout.importAddressTables.rva,
                                    layout.importAddressTables.size};
    }
    if (layout.resourceDirectory.present)
        directories[pe::kDirResource] = {layout.resourceDirectory.rva,
                                         layout.resourceDirectory.size};
    if (layout.boundImportDirectory.present)
        directories[pe::kDirBoundImport] = {layout.boundImportDirectory.rva,
                                            layout.boundImportDirectory.size};
    for (const auto& [index, value] : m_directoryOverrides)
        directories[index] = value;

    // Sizes and bases the optional header reports.
    uint32_t sizeOfCode = 0, sizeOfInitializedData = 0, sizeOfUninitializedData = 0;
    uint32_t baseOfCode = 0, baseOfData = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
        const auto& p = layout.sections[i];
        const uint32_t c = sections[i].characteristics;
        if (c & pe::kScnCode) {
            sizeOfCode += p.sizeOfRawData;
            if (!baseOfCode) baseOfCode = p.virtualAddress;
        } else if ((c & (pe::kScnInitializedData | pe::kScnUninitializedData)) && !baseOfData) {
            baseOfData = p.virtualAddress;
        }
        if (c & pe::kScnInitializedData) sizeOfInitializedData += p.sizeOfRawData;
        if (c & pe::kScnUninitializedData) sizeOfUninitializedData += p.virtualSize;
    }

    // The file.
    size_t fileSize = std::max<size_t>(layout.sizeOfHeaders, rawCursor);
    for (size_t i = 0; i < sections.size(); ++i) {
        if (layout.sections[i].pointerToRawData == 0) continue;
        fileSize = std::max(fileSize, size_t{layout.sections[i].pointerToRawData} +
                                          AlignUpSize(sections[i].data.size(), m_fileAlignment));
    }
    std::vector<uint8_t> out(fileSize, 0);

    WriteDosHeader(out, lfanew);
    const size_t stubRoom = lfanew - pe::kDosHeaderSize;
    std::copy_n(m_dosStub.begin(), std::min(stubRoom, m_dosStub.size()),
                out.begin() + pe::kDosHeaderSize);

    PutLE(out, layout.ntHeaders, 0x00004550, 4);  // "PE\0\0"
    const size_t fh = layout.fileHeader;
    PutLE(out, fh + pe::kFileMachine, m_machine, 2);
    PutLE(out, fh + pe::kFileNumberOfSections, sections.size(), 2);
    PutLE(out, fh + pe::kFileTimeDateStamp, m_timeDateStamp, 4);
    PutLE(out, fh + 8, m_pointerToSymbolTable, 4);
    PutLE(out, fh + 12, m_numberOfSymbols, 4);
    PutLE(out, fh + pe::kFileSizeOfOptionalHeader, layout.sizeOfOptionalHeader, 2);
    PutLE(out, fh + pe::kFileCharacteristics, m_fileCharacteristics, 2);

    const size_t oh = layout.optionalHeader;
    PutLE(out, oh + pe::kOptMagic, m_magic, 2);
    PutLE(out, oh + 2, m_linkerMajor, 1);
    PutLE(out, oh + 3, m_linkerMinor, 1);
    PutLE(out, oh + 4, sizeOfCode, 4);
    PutLE(out, oh + 8, sizeOfInitializedData, 4);
    PutLE(out, oh + 12, sizeOfUninitializedData, 4);
    PutLE(out, oh + pe::kOptAddressOfEntryPoint, m_entryPoint, 4);
    PutLE(out, oh + 20, baseOfCode, 4);
    if (m_pe32Plus) {
        PutLE(out, oh + 24, m_imageBase, 8);
    } else {
        PutLE(out, oh + 24, baseOfData, 4);
        PutLE(out, oh + 28, m_imageBase, 4);
    }
    PutLE(out, oh + pe::kOptSectionAlignment, m_sectionAlignment, 4);
    PutLE(out, oh + pe::kOptFileAlignment, m_fileAlignment, 4);
    PutLE(out, oh + 40, m_osMajor, 2);
    PutLE(out, oh + 42, m_osMinor, 2);
    PutLE(out, oh + 44, m_imageMajor, 2);
    PutLE(out, oh + 46, m_imageMinor, 2);
    PutLE(out, oh + 48, m_subsystemMajor, 2);
    PutLE(out, oh + 50, m_subsystemMinor, 2);
    PutLE(out, oh + 52, m_win32VersionValue, 4);
    PutLE(out, oh + pe::kOptSizeOfImage, layout.sizeOfImage, 4);
    PutLE(out, oh + pe::kOptSizeOfHeaders, layout.sizeOfHeaders, 4);
    PutLE(out, oh + 64, m_checkSum, 4);
    PutLE(out, oh + pe::kOptSubsystem, m_subsystem, 2);
    PutLE(out, oh + pe::kOptDllCharacteristics, m_dllCharacteristics, 2);
    const size_t sizeWidth = m_pe32Plus ? 8 : 4;
    size_t field = oh + 72;
    for (uint64_t v : {m_stackReserve, m_stackCommit, m_heapReserve, m_heapCommit}) {
        PutLE(out, field, v, sizeWidth);
        field += sizeWidth;
    }
    PutLE(out, field, m_loaderFlags, 4);
    PutLE(out, field + 4, m_numberOfRvaAndSizes, 4);
    for (const auto& [index, value] : directories) {
        if (index >= m_numberOfRvaAndSizes) continue;
        PutLE(out, layout.DataDirectoryEntry(index), value.first, 4);
        PutLE(out, layout.DataDirectoryEntry(index) + 4, value.second, 4);
    }

    for (size_t i = 0; i < sections.size(); ++i) {
        const auto& p = layout.sections[i];
        for (size_t c = 0; c < sections[i].name.size(); ++c)
            out[p.header + c] = static_cast<uint8_t>(sections[i].name[c]);
        PutLE(out, p.header + pe::kSecVirtualSize, p.virtualSize, 4);
        PutLE(out, p.header + pe::kSecVirtualAddress, p.virtualAddress, 4);
        PutLE(out, p.header + pe::kSecSizeOfRawData, p.sizeOfRawData, 4);
        PutLE(out, p.header + pe::kSecPointerToRawData, p.pointerToRawData, 4);
        PutLE(out, p.header + pe::kSecCharacteristics, sections[i].characteristics, 4);
        if (p.pointerToRawData != 0) {
            std::copy(sections[i].data.begin(), sections[i].data.end(),
                      out.begin() + static_cast<std::ptrdiff_t>(p.pointerToRawData));
        }
    }
    std::copy(bound.begin(), bound.end(),
              out.begin() + static_cast<std::ptrdiff_t>(layout.boundImportDirectory.offset));
    out.insert(out.end(), m_overlay.begin(), m_overlay.end());

    layout.fileSize = out.size();
    if (layoutOut) *layoutOut = std::move(layout);
    return out;
}

// ---- files that are not PE modules ------------------------------------------------------------

std::vector<uint8_t> JustMz() { return {'M', 'Z'}; }

std::vector<uint8_t> MzWithoutPe() {
    std::vector<uint8_t> out(pe::kDosHeaderSize, 0);
    WriteDosHeader(out, pe::kDosHeaderSize);
    const auto stub = DefaultDosStub();
    out.insert(out.end(), stub.begin(), stub.end());
    return out;
}

std::vector<uint8_t> MzWithLfanew(int32_t lfanew, size_t fileSize) {
    std::vector<uint8_t> out(std::max(fileSize, pe::kDosHeaderSize), 0);
    WriteDosHeader(out, static_cast<uint32_t>(lfanew));
    return out;
}

std::vector<uint8_t> PeSignaturePastEnd() { return MzWithLfanew(0x1000, 128); }

// ---- damage -----------------------------------------------------------------------------------

void Patch8(std::vector<uint8_t>& bytes, size_t offset, uint8_t value) {
    PutLE(bytes, offset, value, 1);
}
void Patch16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    PutLE(bytes, offset, value, 2);
}
void Patch32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    PutLE(bytes, offset, value, 4);
}
void Patch64(std::vector<uint8_t>& bytes, size_t offset, uint64_t value) {
    PutLE(bytes, offset, value, 8);
}

void PatchBytes(std::vector<uint8_t>& bytes, size_t offset, std::span<const uint8_t> value) {
    if (offset > bytes.size() || value.size() > bytes.size() - offset)
        throw std::out_of_range("patch outside the file");
    std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

void Truncate(std::vector<uint8_t>& bytes, size_t size) {
    if (size < bytes.size()) bytes.resize(size);
}

void FlipBit(std::vector<uint8_t>& bytes, size_t bitIndex) {
    if (bitIndex / 8 >= bytes.size()) throw std::out_of_range("bit outside the file");
    bytes[bitIndex / 8] = static_cast<uint8_t>(bytes[bitIndex / 8] ^ (1u << (bitIndex % 8)));
}

void ForEachTruncation(const std::vector<uint8_t>& bytes,
                       const std::function<void(const std::vector<uint8_t>& prefix)>& check) {
    for (size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<uint8_t> prefix(bytes.begin(),
                                          bytes.begin() + static_cast<std::ptrdiff_t>(size));
        check(prefix);
    }
}

// ---- temporary files --------------------------------------------------------------------------

namespace {
// The newest registered TempDir of this thread; each one links to the one before it. A plain
// pointer, so nothing needs destroying when the thread ends.
thread_local TempDir* t_newestTempDir = nullptr;

std::filesystem::path MakeUniqueFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarnview-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    return pattern;
}
}  // namespace

TempDir::TempDir() : m_path(MakeUniqueFolder()), m_previous(t_newestTempDir), m_registered(true) {
    t_newestTempDir = this;
}

TempDir::TempDir(Unregistered) : m_path(MakeUniqueFolder()) {}

TempDir::~TempDir() {
    if (m_registered) {
        // Usually the newest one goes first; unlink from the middle when not.
        TempDir** link = &t_newestTempDir;
        while (*link && *link != this)
            link = &(*link)->m_previous;
        if (*link) *link = m_previous;
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path TempDir::Write(std::string_view name, std::span<const uint8_t> bytes) const {
    const std::filesystem::path relative(name);
    if (relative.empty() || relative.is_absolute() ||
        std::any_of(relative.begin(), relative.end(),
                    [](const auto& part) { return part == ".."; }))
        throw std::invalid_argument("TempDir: not a plain relative name: " + std::string(name));
    const std::filesystem::path full = m_path / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream file(full, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("TempDir: cannot write " + full.string());
    return full;
}

std::filesystem::path WriteTempFile(std::span<const uint8_t> bytes, std::string_view name) {
    if (t_newestTempDir) return t_newestTempDir->Write(name, bytes);
    // Function-local static: made on first use, removed with its files when the process ends.
    static TempDir processWide{TempDir::Unregistered{}};
    return processWide.Write(name, bytes);
}

}  // namespace tvtest
