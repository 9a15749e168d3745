// The headers of a PE/COFF file, read field by field through the bounded reader. Everything the
// headers report, the module image and the resource reader know about a file's layout comes from
// here, so the rules for damaged headers live in one place.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"
#include "module/ModuleNote.h"

namespace tv {

inline constexpr uint16_t kDosMagic = 0x5A4D;     // "MZ"
inline constexpr uint32_t kNtSignature = 0x4550;  // "PE\0\0"
inline constexpr uint16_t kMagicPe32 = 0x10B;
inline constexpr uint16_t kMagicPe32Plus = 0x20B;
inline constexpr uint16_t kMagicRom = 0x107;
inline constexpr size_t kDosHeaderSize = 64;
inline constexpr size_t kFileHeaderSize = 20;
inline constexpr size_t kSectionHeaderSize = 40;
inline constexpr size_t kDataDirectoryCount = 16;
inline constexpr size_t kExportDirectorySize = 40;
inline constexpr size_t kImportDescriptorSize = 20;

enum DataDirectoryIndex : size_t {
    kDirExport = 0,
    kDirImport = 1,
    kDirResource = 2,
    kDirBoundImport = 11,
};

struct DosHeader {
    uint16_t e_magic = 0, e_cblp = 0, e_cp = 0, e_crlc = 0, e_cparhdr = 0, e_minalloc = 0;
    uint16_t e_maxalloc = 0, e_ss = 0, e_sp = 0, e_csum = 0, e_ip = 0, e_cs = 0, e_lfarlc = 0;
    uint16_t e_ovno = 0;
    std::array<uint16_t, 4> e_res{};
    uint16_t e_oemid = 0, e_oeminfo = 0;
    std::array<uint16_t, 10> e_res2{};
    int32_t e_lfanew = 0;
};

struct FileHeader {
    uint16_t Machine = 0;
    uint16_t NumberOfSections = 0;
    uint32_t TimeDateStamp = 0;
    uint32_t PointerToSymbolTable = 0;
    uint32_t NumberOfSymbols = 0;
    uint16_t SizeOfOptionalHeader = 0;
    uint16_t Characteristics = 0;
};

struct DataDirectoryEntry {
    uint32_t VirtualAddress = 0;
    uint32_t Size = 0;
};

// Both optional-header layouts in one record; the 64-bit layout widens ImageBase and the four
// stack and heap sizes and has no BaseOfData.
struct OptionalHeader {
    uint16_t Magic = 0;
    uint8_t MajorLinkerVersion = 0, MinorLinkerVersion = 0;
    uint32_t SizeOfCode = 0, SizeOfInitializedData = 0, SizeOfUninitializedData = 0;
    uint32_t AddressOfEntryPoint = 0, BaseOfCode = 0, BaseOfData = 0;
    uint64_t ImageBase = 0;
    uint32_t SectionAlignment = 0, FileAlignment = 0;
    uint16_t MajorOperatingSystemVersion = 0, MinorOperatingSystemVersion = 0;
    uint16_t MajorImageVersion = 0, MinorImageVersion = 0;
    uint16_t MajorSubsystemVersion = 0, MinorSubsystemVersion = 0;
    uint32_t Win32VersionValue = 0, SizeOfImage = 0, SizeOfHeaders = 0, CheckSum = 0;
    uint16_t Subsystem = 0, DllCharacteristics = 0;
    uint64_t SizeOfStackReserve = 0, SizeOfStackCommit = 0;
    uint64_t SizeOfHeapReserve = 0, SizeOfHeapCommit = 0;
    uint32_t LoaderFlags = 0, NumberOfRvaAndSizes = 0;
    // Entries past NumberOfRvaAndSizes, or past the end of the file, stay zero.
    std::array<DataDirectoryEntry, kDataDirectoryCount> DataDirectory{};

    [[nodiscard]] bool Is64() const noexcept { return Magic == kMagicPe32Plus; }
};

struct SectionHeader {
    std::string Name;  // up to 8 bytes, without padding zeros
    uint32_t VirtualSize = 0, VirtualAddress = 0, SizeOfRawData = 0, PointerToRawData = 0;
    uint32_t PointerToRelocations = 0, PointerToLinenumbers = 0;
    uint16_t NumberOfRelocations = 0, NumberOfLinenumbers = 0;
    uint32_t Characteristics = 0;
};

// IMAGE_EXPORT_DIRECTORY as the file holds it, and where it was found.
struct ExportDirectory {
    uint32_t Characteristics = 0, TimeDateStamp = 0;
    uint16_t MajorVersion = 0, MinorVersion = 0;
    uint32_t Name = 0, Base = 0, NumberOfFunctions = 0, NumberOfNames = 0;
    uint32_t AddressOfFunctions = 0, AddressOfNames = 0, AddressOfNameOrdinals = 0;
    uint32_t rva = 0;
    uint64_t fileOffset = 0;
};

// One IMAGE_IMPORT_DESCRIPTOR and where it was found.
struct ImportDescriptor {
    uint32_t OriginalFirstThunk = 0, TimeDateStamp = 0, ForwarderChain = 0, Name = 0;
    uint32_t FirstThunk = 0;
    uint64_t fileOffset = 0;

    // The descriptor that ends the table: all zero, or without a name and an address table.
    // OriginalFirstThunk 0 alone does not end it: some linkers write 0 there for libraries that
    // only have an address table.
    [[nodiscard]] bool IsTerminator() const noexcept { return Name == 0 && FirstThunk == 0; }
};

// The import descriptors from the first one to the end of its section's file data. The data
// directory's Size does not bound this; callers decide how many of the descriptors they read.
// Names in the export and import tables are read up to this many bytes.
inline constexpr size_t kMaxRvaStringLength = 4096;

// An 8-bit string as a module stores it, viewed in place.
struct RvaString {
    std::string_view bytes;
    bool cut = false;  // no terminator within the limit or before the section's data ends
};

class CImportDescriptorTable {
public:
    CImportDescriptorTable() = default;
    CImportDescriptorTable(CByteView bytes, uint32_t rva, uint64_t fileOffset) noexcept
        : m_bytes(bytes), m_rva(rva), m_fileOffset(fileOffset) {}

    // Whole descriptors that the section's file data holds.
    [[nodiscard]] size_t Count() const noexcept { return m_bytes.Size() / kImportDescriptorSize; }
    // Descriptor index, or nullopt past Count().
    [[nodiscard]] std::optional<ImportDescriptor> At(size_t index) const noexcept;
    [[nodiscard]] uint32_t Rva() const noexcept { return m_rva; }
    [[nodiscard]] uint64_t FileOffset() const noexcept { return m_fileOffset; }

private:
    CByteView m_bytes;
    uint32_t m_rva = 0;
    uint64_t m_fileOffset = 0;
};

// A parsed PE file over a view that the caller keeps alive.
class CPeFile {
public:
    // Reads the headers of view. false with GetErrorCode() 193 (bad executable format) when the
    // bytes are not a PE module: no "MZ", e_lfanew outside the file, no "PE\0\0", a file header
    // or optional-header magic that cannot be read.
    //
    // The optional header is read at its fixed place in the layout its magic selects, as the
    // loader reads it: SizeOfOptionalHeader only tells where the section table starts, so a
    // value smaller than the layout lets the two overlap and a larger one leaves a gap. Fields
    // the file ends before read as zero. Data directories past NumberOfRvaAndSizes (or past the
    // sixteen the layout has) read as absent, because the loader ignores them. A section table
    // cut short by the end of the file keeps the sections that are whole. Both are noted in
    // Diagnostics().
    [[nodiscard]] bool Parse(CByteView view);

    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }
    [[nodiscard]] bool IsValid() const noexcept { return m_valid; }
    [[nodiscard]] CByteView View() const noexcept { return m_view; }

    [[nodiscard]] const DosHeader& Dos() const noexcept { return m_dos; }
    [[nodiscard]] const FileHeader& File() const noexcept { return m_file; }
    [[nodiscard]] const OptionalHeader& Optional() const noexcept { return m_optional; }
    [[nodiscard]] const std::vector<SectionHeader>& Sections() const noexcept { return m_sections; }
    [[nodiscard]] const std::vector<ModuleNote>& Diagnostics() const noexcept { return m_notes; }

    // File offsets of the NT headers ("PE\0\0"), the optional header and the section table.
    [[nodiscard]] uint64_t NtHeadersOffset() const noexcept { return m_ntOffset; }
    [[nodiscard]] uint64_t OptionalHeaderOffset() const noexcept {
        return m_ntOffset + 4 + kFileHeaderSize;
    }
    [[nodiscard]] uint64_t SectionTableOffset() const noexcept { return m_sectionOffset; }
    // File offset of data-directory entry index inside the optional header, if it is there.
    [[nodiscard]] std::optional<uint64_t> DataDirectoryOffset(size_t index) const noexcept;

    [[nodiscard]] DataDirectoryEntry GetDataDirectory(size_t index) const noexcept {
        return index < kDataDirectoryCount ? m_optional.DataDirectory[index] : DataDirectoryEntry{};
    }

    // The section whose file data holds rva (VirtualAddress <= rva < VirtualAddress +
    // SizeOfRawData), or nullptr.
    [[nodiscard]] const SectionHeader* SectionOfRva(uint32_t rva) const noexcept;
    // File offset of rva, found through the section that holds it; nullopt when none does or the
    // offset lies outside the file.
    [[nodiscard]] std::optional<uint64_t> RvaToOffset(uint32_t rva) const noexcept;
    // File offset of length bytes at rva that lie inside one section's file data, whether or not
    // the parsed bytes reach that far: a reader that parsed the headers alone places data with it
    // and reads the file there itself.
    [[nodiscard]] std::optional<uint64_t> SectionDataOffset(uint32_t rva,
                                                            uint64_t length) const noexcept;
    // length bytes at rva, inside the section's file data and inside the file.
    [[nodiscard]] std::optional<CByteView> RvaToView(uint32_t rva, uint64_t length) const noexcept;
    // All file bytes from rva to the end of its section's data (and of the file).
    [[nodiscard]] CByteView RvaToTail(uint32_t rva) const noexcept;
    // The zero-terminated 8-bit string at rva, inside the section's file data: the bytes before
    // the terminator, or, when none comes within maxLength bytes or before the data ends, the
    // bytes up to there with cut set. nullopt when rva cannot be placed.
    [[nodiscard]] std::optional<RvaString> StringAtRva(
        uint32_t rva, size_t maxLength = kMaxRvaStringLength) const noexcept;

    // The export directory at rva (40 bytes inside one section's file data), or nullopt.
    [[nodiscard]] std::optional<ExportDirectory> ExportDirectoryAt(uint32_t rva) const noexcept;
    // The import descriptors starting at rva; nullopt when not even one whole descriptor lies
    // in the section's file data there.
    [[nodiscard]] std::optional<CImportDescriptorTable> ImportDescriptorsAt(
        uint32_t rva) const noexcept;

private:
    CByteView m_view;
    bool m_valid = false;
    uint32_t m_error = 0;
    DosHeader m_dos;
    FileHeader m_file;
    OptionalHeader m_optional;
    std::vector<SectionHeader> m_sections;
    std::vector<ModuleNote> m_notes;
    uint64_t m_ntOffset = 0;
    uint64_t m_sectionOffset = 0;
    uint32_t m_directoriesPresent = 0;
    uint64_t m_directoryOffset = 0;
};

// True when the first bytes look like a PE module (used by quick scans that do not need the
// whole parse).
[[nodiscard]] bool LooksLikePe(CByteView view) noexcept;

}  // namespace tv
