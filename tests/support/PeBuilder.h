// Builds PE/COFF modules in memory, so parser tests describe their fixtures in a few lines of C++
// instead of committing binaries.
//
//     using tvtest::ImportFunction;
//     tvtest::PeLayout layout;
//     const auto bytes = tvtest::PeBuilder::Pe32()
//         .Dll()
//         .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
//         .ExportDllName("sample.dll")
//         .Export(1, "FirstExport", 0x1000)
//         .ExportForwarder(2, "Other", "NTDLL.RtlOther")
//         .AddImport("KERNEL32.dll", {"GetTickCount", ImportFunction::ByOrdinal(7)})
//         .AddResource(16, 1, 0x0407, versionBytes)
//         .Build(&layout);
//
// The image is laid out the way linkers do it: DOS header and stub, NT headers, section table,
// then the sections in the order they were added, followed by the sections the builder makes for
// the export, import and resource data. `PeLayout` tells where every structure ended up so a test
// can damage exactly the field it is about with Patch16/32/64.
//
// Misuse of the builder (an ordinal below the base, a section name longer than eight bytes, a
// resource given twice) throws std::invalid_argument: it is a fault in the test, not in the module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvtest {

// Values of the published PE/COFF format that fixtures need most often.
namespace pe {
inline constexpr uint16_t kMachineI386 = 0x014C;
inline constexpr uint16_t kMachineArm = 0x01C0;
inline constexpr uint16_t kMachineAmd64 = 0x8664;
inline constexpr uint16_t kMachineArm64 = 0xAA64;

inline constexpr uint16_t kFileRelocsStripped = 0x0001;
inline constexpr uint16_t kFileExecutableImage = 0x0002;
inline constexpr uint16_t kFileLargeAddressAware = 0x0020;
inline constexpr uint16_t kFile32BitMachine = 0x0100;
inline constexpr uint16_t kFileDll = 0x2000;

inline constexpr uint16_t kMagicPe32 = 0x010B;
inline constexpr uint16_t kMagicPe32Plus = 0x020B;

inline constexpr uint16_t kSubsystemNative = 1;
inline constexpr uint16_t kSubsystemWindowsGui = 2;
inline constexpr uint16_t kSubsystemWindowsCui = 3;

inline constexpr uint32_t kScnCode = 0x00000020;
inline constexpr uint32_t kScnInitializedData = 0x00000040;
inline constexpr uint32_t kScnUninitializedData = 0x00000080;
inline constexpr uint32_t kScnExecute = 0x20000000;
inline constexpr uint32_t kScnRead = 0x40000000;
inline constexpr uint32_t kScnWrite = 0x80000000;
inline constexpr uint32_t kTextSection = kScnCode | kScnExecute | kScnRead;
inline constexpr uint32_t kReadOnlyDataSection = kScnInitializedData | kScnRead;
inline constexpr uint32_t kDataSection = kScnInitializedData | kScnRead | kScnWrite;
inline constexpr uint32_t kBssSection = kScnUninitializedData | kScnRead | kScnWrite;

// Data directory indexes.
inline constexpr uint32_t kDirExport = 0;
inline constexpr uint32_t kDirImport = 1;
inline constexpr uint32_t kDirResource = 2;
inline constexpr uint32_t kDirException = 3;
inline constexpr uint32_t kDirSecurity = 4;
inline constexpr uint32_t kDirBaseReloc = 5;
inline constexpr uint32_t kDirDebug = 6;
inline constexpr uint32_t kDirTls = 9;
inline constexpr uint32_t kDirLoadConfig = 10;
inline constexpr uint32_t kDirBoundImport = 11;
inline constexpr uint32_t kDirIat = 12;
inline constexpr uint32_t kDirDelayImport = 13;
inline constexpr uint32_t kDirClr = 14;

// Structure sizes.
inline constexpr size_t kDosHeaderSize = 64;
inline constexpr size_t kFileHeaderSize = 20;
inline constexpr size_t kOptionalHeader32Size = 224;  // with 16 data directories
inline constexpr size_t kOptionalHeader64Size = 240;  // with 16 data directories
inline constexpr size_t kDataDirectorySize = 8;
inline constexpr size_t kSectionHeaderSize = 40;
inline constexpr size_t kExportDirectorySize = 40;
inline constexpr size_t kImportDescriptorSize = 20;
inline constexpr size_t kBoundImportDescriptorSize = 8;
inline constexpr size_t kResourceDirectorySize = 16;
inline constexpr size_t kResourceEntrySize = 8;
inline constexpr size_t kResourceDataEntrySize = 16;

// Field offsets inside the structures, for tests that damage one field.
inline constexpr size_t kDosLfanew = 0x3C;
inline constexpr size_t kFileMachine = 0;
inline constexpr size_t kFileNumberOfSections = 2;
inline constexpr size_t kFileTimeDateStamp = 4;
inline constexpr size_t kFileSizeOfOptionalHeader = 16;
inline constexpr size_t kFileCharacteristics = 18;
inline constexpr size_t kOptMagic = 0;
inline constexpr size_t kOptAddressOfEntryPoint = 16;
inline constexpr size_t kOptSectionAlignment = 32;
inline constexpr size_t kOptFileAlignment = 36;
inline constexpr size_t kOptSizeOfImage = 56;
inline constexpr size_t kOptSizeOfHeaders = 60;
inline constexpr size_t kOptSubsystem = 68;
inline constexpr size_t kOptDllCharacteristics = 70;
inline constexpr size_t kOpt32NumberOfRvaAndSizes = 92;
inline constexpr size_t kOpt64NumberOfRvaAndSizes = 108;
inline constexpr size_t kSecVirtualSize = 8;
inline constexpr size_t kSecVirtualAddress = 12;
inline constexpr size_t kSecSizeOfRawData = 16;
inline constexpr size_t kSecPointerToRawData = 20;
inline constexpr size_t kSecCharacteristics = 36;
inline constexpr size_t kExpName = 12;
inline constexpr size_t kExpBase = 16;
inline constexpr size_t kExpNumberOfFunctions = 20;
inline constexpr size_t kExpNumberOfNames = 24;
inline constexpr size_t kExpAddressOfFunctions = 28;
inline constexpr size_t kExpAddressOfNames = 32;
inline constexpr size_t kExpAddressOfNameOrdinals = 36;
inline constexpr size_t kImpOriginalFirstThunk = 0;
inline constexpr size_t kImpTimeDateStamp = 4;
inline constexpr size_t kImpForwarderChain = 8;
inline constexpr size_t kImpName = 12;
inline constexpr size_t kImpFirstThunk = 16;
inline constexpr size_t kResNumberOfNamedEntries = 12;
inline constexpr size_t kResNumberOfIdEntries = 14;

// High bits of a resource directory entry: the name is a string / the entry is a subdirectory.
inline constexpr uint32_t kResNameIsString = 0x80000000;
inline constexpr uint32_t kResIsDirectory = 0x80000000;
inline constexpr uint32_t kOrdinalFlag32 = 0x80000000;
inline constexpr uint64_t kOrdinalFlag64 = 0x8000000000000000;
}  // namespace pe

// A resource type or name: a number, or a UTF-16 name string. Converts implicitly from both, so
// AddResource(16, 1, ...) and AddResource(u"PNG", u"LOGO", ...) read naturally.
class ResId {
public:
    ResId() = default;
    ResId(uint16_t id) : m_id(id) {}  // NOLINT: implicit on purpose
    ResId(std::u16string name) : m_name(std::move(name)), m_isName(true) {}  // NOLINT
    ResId(const char16_t* name) : ResId(std::u16string(name)) {}             // NOLINT

    [[nodiscard]] bool IsName() const { return m_isName; }
    [[nodiscard]] uint16_t Id() const { return m_id; }
    [[nodiscard]] const std::u16string& Name() const { return m_name; }

    friend bool operator==(const ResId&, const ResId&) = default;

private:
    uint16_t m_id = 0;
    std::u16string m_name;
    bool m_isName = false;
};

// Order of the export name table and of the entries of each resource directory.
enum class EntryOrder {
    Sorted,   // as the format requires: names ascending; resources named first, then by number
    AsAdded,  // exactly in the order the entries were added, for readers that must not rely on it
};

struct ExportEntry {
    uint32_t ordinal = 0;             // the exported ordinal, base + index into the address table
    std::optional<std::string> name;  // none: exported by ordinal only
    uint32_t rva = 0;                 // ignored for forwarders
    std::optional<std::string> forwarder;  // "OTHER.Func", stored inside the export directory
};

struct ImportFunction {
    ImportFunction() = default;
    ImportFunction(const char* functionName) : name(functionName) {}  // NOLINT: implicit
    ImportFunction(std::string functionName, uint16_t hintValue = 0)  // NOLINT: implicit
        : name(std::move(functionName)), hint(hintValue) {}
    static ImportFunction ByOrdinal(uint16_t value) {
        ImportFunction f;
        f.ordinal = value;
        return f;
    }

    std::string name;  // imported by name (hint/name entry) unless ordinal is set
    uint16_t hint = 0;
    std::optional<uint16_t> ordinal;
};

struct ImportLibrary {
    std::string name;  // empty: the descriptor's Name is 0
    std::vector<ImportFunction> functions;
    uint32_t timeDateStamp = 0;   // 0 not bound, 0xFFFFFFFF bound (new style), else the stamp
    uint32_t forwarderChain = 0;  // 0xFFFFFFFF in a bound module without forwarders
    bool withLookupTable = true;  // false: OriginalFirstThunk is 0, only the address table exists
};

struct BoundImport {
    std::string name;
    uint32_t timeDateStamp = 0;
};

struct ResourceEntry {
    ResId type;
    ResId name;
    uint16_t language = 0;
    std::vector<uint8_t> data;
    uint32_t codePage = 0;
    std::optional<uint32_t> dataRva;   // data entry's OffsetToData instead of the data's real RVA
    std::optional<uint32_t> dataSize;  // data entry's Size instead of data.size()
};

struct SectionDesc {
    std::string name;  // at most eight bytes
    uint32_t characteristics = 0;
    std::vector<uint8_t> data;
    std::optional<uint32_t> virtualSize;       // default: the data's size
    std::optional<uint32_t> virtualAddress;    // default: after the previous section
    std::optional<uint32_t> pointerToRawData;  // default: after the previous section's raw data
    std::optional<uint32_t> sizeOfRawData;     // header value only; default: data size aligned
};

// Where a structure ended up; offset is a file offset. present is false when it was not built.
struct Placement {
    bool present = false;
    uint32_t rva = 0;
    size_t offset = 0;
    uint32_t size = 0;
};

struct SectionPlacement {
    std::string name;
    size_t header = 0;  // file offset of the section header
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t pointerToRawData = 0;
    uint32_t sizeOfRawData = 0;
};

struct ImportPlacement {
    std::string name;
    size_t descriptor = 0;   // file offset of the IMAGE_IMPORT_DESCRIPTOR
    Placement lookupTable;   // OriginalFirstThunk's table (absent without one)
    Placement addressTable;  // FirstThunk's table
    Placement libraryName;
};

struct ResourcePlacement {
    ResId type;
    ResId name;
    uint16_t language = 0;
    size_t dataEntry = 0;  // file offset of the IMAGE_RESOURCE_DATA_ENTRY
    Placement data;        // where the bytes really are (the entry may claim otherwise)
};

struct PeLayout {
    size_t ntHeaders = 0;  // the "PE\0\0" signature, = e_lfanew
    size_t fileHeader = 0;
    size_t optionalHeader = 0;
    size_t dataDirectories = 0;  // first IMAGE_DATA_DIRECTORY
    size_t sectionTable = 0;
    uint16_t sizeOfOptionalHeader = 0;
    uint32_t numberOfRvaAndSizes = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t sizeOfImage = 0;
    size_t fileSize = 0;
    std::vector<SectionPlacement> sections;

    Placement exportDirectory;  // the whole export data, as data directory 0 states it
    Placement exportAddressTable;
    Placement exportNameTable;
    Placement exportOrdinalTable;

    Placement importDirectory;      // the descriptors, terminator included (data directory 1)
    Placement importAddressTables;  // all address tables (data directory 12)
    std::vector<ImportPlacement> imports;
    Placement boundImportDirectory;  // in the headers, after the section table

    Placement resourceDirectory;  // the whole resource data (data directory 2)
    std::vector<size_t>
        resourceTables;  // file offsets of every IMAGE_RESOURCE_DIRECTORY, root first
    std::vector<ResourcePlacement> resources;  // one per leaf, in leaf order

    // File offset of data directory entry index (whether or not NumberOfRvaAndSizes covers it).
    [[nodiscard]] size_t DataDirectoryEntry(uint32_t index) const {
        return dataDirectories + pe::kDataDirectorySize * index;
    }
    // File offset of an RVA that lies in the headers or in a section's raw data.
    [[nodiscard]] std::optional<size_t> RvaToOffset(uint32_t rva) const;
    [[nodiscard]] const SectionPlacement* FindSection(std::string_view name) const;
};

class PeBuilder {
public:
    // A 32-bit i386 executable (optional header magic 0x10B, image base 0x400000).
    static PeBuilder Pe32();
    // A 64-bit AMD64 executable (magic 0x20B, image base 0x140000000).
    static PeBuilder Pe32Plus();

    // ---- headers ----
    PeBuilder& Machine(uint16_t value);
    PeBuilder& FileCharacteristics(uint16_t value);  // replaces the flags
    PeBuilder& Dll();                                // adds IMAGE_FILE_DLL
    PeBuilder& TimeDateStamp(uint32_t value);
    PeBuilder& PointerToSymbolTable(uint32_t pointer, uint32_t numberOfSymbols);
    PeBuilder& Magic(uint16_t value);  // only the field; the layout stays the builder's own
    PeBuilder& LinkerVersion(uint8_t major, uint8_t minor);
    PeBuilder& OperatingSystemVersion(uint16_t major, uint16_t minor);
    PeBuilder& ImageVersion(uint16_t major, uint16_t minor);
    PeBuilder& SubsystemVersion(uint16_t major, uint16_t minor);
    PeBuilder& Win32VersionValue(uint32_t value);
    PeBuilder& Subsystem(uint16_t value);
    PeBuilder& DllCharacteristics(uint16_t value);
    PeBuilder& ImageBase(uint64_t value);  // PE32 keeps the low 32 bits
    PeBuilder& SectionAlignment(uint32_t value);
    PeBuilder& FileAlignment(uint32_t value);
    PeBuilder& EntryPoint(uint32_t rva);
    PeBuilder& CheckSum(uint32_t value);
    PeBuilder& LoaderFlags(uint32_t value);
    PeBuilder& StackSizes(uint64_t reserve, uint64_t commit);  // PE32 keeps the low 32 bits
    PeBuilder& HeapSizes(uint64_t reserve, uint64_t commit);
    // NumberOfRvaAndSizes; the optional header shrinks or grows with it. Directories the builder
    // makes whose index is not covered keep their data in the image but get no entry.
    PeBuilder& DataDirectoryCount(uint32_t count);
    // Zero bytes after the data directories, counted in SizeOfOptionalHeader.
    PeBuilder& OptionalHeaderPadding(uint32_t bytes);
    // Writes this entry instead of what the builder would (also for directories it does not make).
    PeBuilder& DataDirectory(uint32_t index, uint32_t rva, uint32_t size);
    // e_lfanew (at least 64); the default follows the stub, aligned to 8.
    PeBuilder& Lfanew(uint32_t value);
    // Bytes between the DOS header and the NT headers (cut off if e_lfanew leaves less room).
    PeBuilder& DosStub(std::vector<uint8_t> bytes);

    // ---- sections ----
    PeBuilder& AddSection(std::string name, uint32_t characteristics, std::vector<uint8_t> data,
                          std::optional<uint32_t> virtualSize = std::nullopt);
    PeBuilder& AddSection(SectionDesc desc);
    // Bytes after the last section (an overlay, as installers and signed files have).
    PeBuilder& Overlay(std::vector<uint8_t> bytes);
    // Sections that receive the generated data. A name that matches an added section appends the
    // data to it; several kinds naming the same new section share it.
    PeBuilder& ExportSection(std::string name);
    PeBuilder& ImportSection(std::string name);
    PeBuilder& ResourceSection(std::string name);
    PeBuilder& SharedDataSection(std::string name);  // all three into one section

    // ---- exports ----
    // The export directory is built when a DLL name is set or an export is added.
    PeBuilder& ExportDllName(std::string name);  // empty: Name is 0
    PeBuilder& ExportBase(uint32_t base);
    PeBuilder& ExportDirectoryFields(uint32_t characteristics, uint32_t timeDateStamp,
                                     uint16_t majorVersion, uint16_t minorVersion);
    // name empty: exported by ordinal only. Ordinals between the added ones become empty slots
    // (address 0).
    PeBuilder& Export(uint32_t ordinal, std::string name, uint32_t rva);
    PeBuilder& ExportForwarder(uint32_t ordinal, std::string name, std::string target);
    PeBuilder& AddExport(ExportEntry entry);
    PeBuilder& ExportNameOrder(EntryOrder order);
    // NumberOfFunctions larger than the highest ordinal needs (trailing empty slots).
    PeBuilder& ExportFunctionCount(uint32_t count);

    // ---- imports ----
    PeBuilder& AddImport(std::string library, std::vector<ImportFunction> functions);
    PeBuilder& AddImport(ImportLibrary library);
    PeBuilder& AddBoundImport(std::string library, uint32_t timeDateStamp);

    // ---- resources ----
    PeBuilder& AddResource(ResId type, ResId name, uint16_t language, std::vector<uint8_t> data,
                           uint32_t codePage = 0);
    PeBuilder& AddResource(ResourceEntry entry);
    PeBuilder& ResourceOrder(EntryOrder order);
    // Written into every IMAGE_RESOURCE_DIRECTORY of the tree.
    PeBuilder& ResourceDirectoryFields(uint32_t characteristics, uint32_t timeDateStamp,
                                       uint16_t majorVersion, uint16_t minorVersion);
    // A resource directory with no entries at all (otherwise it needs a resource).
    PeBuilder& EmptyResourceDirectory();

    // ---- output ----
    [[nodiscard]] std::vector<uint8_t> Build(PeLayout* layout = nullptr) const;
    [[nodiscard]] PeLayout Layout() const;
    [[nodiscard]] bool IsPe32Plus() const { return m_pe32Plus; }

private:
    explicit PeBuilder(bool pe32Plus);

    bool m_pe32Plus = false;
    uint16_t m_machine = 0;
    uint16_t m_fileCharacteristics = 0;
    uint32_t m_timeDateStamp = 0;
    uint32_t m_pointerToSymbolTable = 0;
    uint32_t m_numberOfSymbols = 0;
    uint16_t m_magic = 0;
    uint8_t m_linkerMajor = 14;
    uint8_t m_linkerMinor = 0;
    uint16_t m_osMajor = 6;
    uint16_t m_osMinor = 0;
    uint16_t m_imageMajor = 0;
    uint16_t m_imageMinor = 0;
    uint16_t m_subsystemMajor = 6;
    uint16_t m_subsystemMinor = 0;
    uint32_t m_win32VersionValue = 0;
    uint16_t m_subsystem = pe::kSubsystemWindowsGui;
    uint16_t m_dllCharacteristics = 0;
    uint64_t m_imageBase = 0;
    uint32_t m_sectionAlignment = 0x1000;
    uint32_t m_fileAlignment = 0x200;
    uint32_t m_entryPoint = 0;
    uint32_t m_checkSum = 0;
    uint32_t m_loaderFlags = 0;
    uint64_t m_stackReserve = 0x100000;
    uint64_t m_stackCommit = 0x1000;
    uint64_t m_heapReserve = 0x100000;
    uint64_t m_heapCommit = 0x1000;
    uint32_t m_numberOfRvaAndSizes = 16;
    uint32_t m_optionalHeaderPadding = 0;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> m_directoryOverrides;
    std::optional<uint32_t> m_lfanew;
    std::vector<uint8_t> m_dosStub;

    std::vector<SectionDesc> m_sections;
    std::vector<uint8_t> m_overlay;
    std::string m_exportSection = ".edata";
    std::string m_importSection = ".idata";
    std::string m_resourceSection = ".rsrc";

    bool m_hasExports = false;
    std::string m_exportDllName;
    uint32_t m_exportBase = 1;
    uint32_t m_exportCharacteristics = 0;
    uint32_t m_exportTimeDateStamp = 0;
    uint16_t m_exportMajor = 0;
    uint16_t m_exportMinor = 0;
    std::optional<uint32_t> m_exportFunctionCount;
    EntryOrder m_exportNameOrder = EntryOrder::Sorted;
    std::vector<ExportEntry> m_exports;

    std::vector<ImportLibrary> m_imports;
    std::vector<BoundImport> m_boundImports;

    bool m_hasResources = false;
    std::vector<ResourceEntry> m_resources;
    EntryOrder m_resourceOrder = EntryOrder::Sorted;
    uint32_t m_resourceCharacteristics = 0;
    uint32_t m_resourceTimeDateStamp = 0;
    uint16_t m_resourceMajor = 0;
    uint16_t m_resourceMinor = 0;
};

// ---- files that are not PE modules ----
// The two bytes "MZ" and nothing else.
[[nodiscard]] std::vector<uint8_t> JustMz();
// A DOS header whose e_lfanew points at bytes that are not "PE\0\0".
[[nodiscard]] std::vector<uint8_t> MzWithoutPe();
// A DOS header (file of fileSize bytes, at least 64) with any e_lfanew: negative, huge, odd.
[[nodiscard]] std::vector<uint8_t> MzWithLfanew(int32_t lfanew, size_t fileSize = 128);
// A DOS header whose e_lfanew points past the end of the file.
[[nodiscard]] std::vector<uint8_t> PeSignaturePastEnd();

// ---- damage ----
// Little-endian writes at a file offset; throw std::out_of_range when the field does not fit.
void Patch8(std::vector<uint8_t>& bytes, size_t offset, uint8_t value);
void Patch16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void Patch32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
void Patch64(std::vector<uint8_t>& bytes, size_t offset, uint64_t value);
void PatchBytes(std::vector<uint8_t>& bytes, size_t offset, std::span<const uint8_t> value);
// Shortens the file to size bytes (nothing happens when it is already that short).
void Truncate(std::vector<uint8_t>& bytes, size_t size);
// Inverts bit bitIndex % 8 of byte bitIndex / 8.
void FlipBit(std::vector<uint8_t>& bytes, size_t bitIndex);
// Calls check with every proper prefix of bytes (sizes 0 to size - 1), each in its own exactly
// sized buffer so that a sanitizer sees any read past its end.
void ForEachTruncation(const std::vector<uint8_t>& bytes,
                       const std::function<void(const std::vector<uint8_t>& prefix)>& check);

// ---- files on disk, for code that takes a path ----
// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. The newest live TempDir of a thread is where WriteTempFile writes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    // Writes bytes to name (a relative path without ".."; folders are created) and returns the
    // full path. Throws std::runtime_error when the file cannot be written.
    std::filesystem::path Write(std::string_view name, std::span<const uint8_t> bytes) const;

private:
    struct Unregistered {};
    explicit TempDir(Unregistered);
    friend std::filesystem::path WriteTempFile(std::span<const uint8_t>, std::string_view);

    std::filesystem::path m_path;
    TempDir* m_previous = nullptr;
    bool m_registered = false;
};

// Writes into the thread's newest live TempDir (a test fixture usually holds one), or, when there
// is none, into a folder of the whole test run that is removed when the process ends.
std::filesystem::path WriteTempFile(std::span<const uint8_t> bytes, std::string_view name);

}  // namespace tvtest
