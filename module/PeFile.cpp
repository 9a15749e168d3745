#include "module/PeFile.h"

#include <algorithm>
#include <string>

#include "common/ErrorCodes.h"

namespace tv {

namespace {

DosHeader ReadDos(CByteView view) {
    CByteReader r(view);
    DosHeader d;
    d.e_magic = r.U16();
    d.e_cblp = r.U16();
    d.e_cp = r.U16();
    d.e_crlc = r.U16();
    d.e_cparhdr = r.U16();
    d.e_minalloc = r.U16();
    d.e_maxalloc = r.U16();
    d.e_ss = r.U16();
    d.e_sp = r.U16();
    d.e_csum = r.U16();
    d.e_ip = r.U16();
    d.e_cs = r.U16();
    d.e_lfarlc = r.U16();
    d.e_ovno = r.U16();
    for (auto& w : d.e_res)
        w = r.U16();
    d.e_oemid = r.U16();
    d.e_oeminfo = r.U16();
    for (auto& w : d.e_res2)
        w = r.U16();
    d.e_lfanew = static_cast<int32_t>(r.U32());
    return d;
}

}  // namespace

bool LooksLikePe(CByteView view) noexcept {
    if (view.U16(0) != kDosMagic) return false;
    const auto lfanew = view.U32(0x3C);
    return lfanew && view.U32(*lfanew) == kNtSignature;
}

bool CPeFile::Parse(CByteView view) {
    *this = CPeFile();
    m_view = view;
    m_error = kErrorBadExeFormat;
    if (view.Size() < kDosHeaderSize || view.U16(0) != kDosMagic) return false;
    m_dos = ReadDos(view);
    // e_lfanew is signed in the format; a negative value can never point into the file.
    if (m_dos.e_lfanew < 0) return false;
    m_ntOffset = static_cast<uint32_t>(m_dos.e_lfanew);
    if (view.U32(m_ntOffset) != kNtSignature) return false;

    CByteReader r(view, m_ntOffset + 4);
    m_file.Machine = r.U16();
    m_file.NumberOfSections = r.U16();
    m_file.TimeDateStamp = r.U32();
    m_file.PointerToSymbolTable = r.U32();
    m_file.NumberOfSymbols = r.U32();
    m_file.SizeOfOptionalHeader = r.U16();
    m_file.Characteristics = r.U16();
    if (!r.Ok()) return false;

    // The optional header is read at its fixed place whatever SizeOfOptionalHeader says (see the
    // header); only the magic must be in the file to know the layout.
    const uint64_t optOffset = OptionalHeaderOffset();
    const CByteView opt = view.Tail(optOffset);
    const auto magic = opt.U16(0);
    if (!magic) return false;
    auto& o = m_optional;
    o.Magic = *magic;
    const bool is64 = o.Magic == kMagicPe32Plus;
    CByteReader f(opt, 2);
    o.MajorLinkerVersion = f.U8();
    o.MinorLinkerVersion = f.U8();
    o.SizeOfCode = f.U32();
    o.SizeOfInitializedData = f.U32();
    o.SizeOfUninitializedData = f.U32();
    o.AddressOfEntryPoint = f.U32();
    o.BaseOfCode = f.U32();
    if (is64) {
        o.ImageBase = f.U64();
    } else {
        o.BaseOfData = f.U32();
        o.ImageBase = f.U32();
    }
    o.SectionAlignment = f.U32();
    o.FileAlignment = f.U32();
    o.MajorOperatingSystemVersion = f.U16();
    o.MinorOperatingSystemVersion = f.U16();
    o.MajorImageVersion = f.U16();
    o.MinorImageVersion = f.U16();
    o.MajorSubsystemVersion = f.U16();
    o.MinorSubsystemVersion = f.U16();
    o.Win32VersionValue = f.U32();
    o.SizeOfImage = f.U32();
    o.SizeOfHeaders = f.U32();
    o.CheckSum = f.U32();
    o.Subsystem = f.U16();
    o.DllCharacteristics = f.U16();
    if (is64) {
        o.SizeOfStackReserve = f.U64();
        o.SizeOfStackCommit = f.U64();
        o.SizeOfHeapReserve = f.U64();
        o.SizeOfHeapCommit = f.U64();
    } else {
        o.SizeOfStackReserve = f.U32();
        o.SizeOfStackCommit = f.U32();
        o.SizeOfHeapReserve = f.U32();
        o.SizeOfHeapCommit = f.U32();
    }
    o.LoaderFlags = f.U32();
    o.NumberOfRvaAndSizes = f.U32();
    const uint64_t fixedSize = is64 ? 112 : 96;
    // More than sixteen entries are never looked at by the loader; a huge count must not make
    // anybody read further.
    const uint64_t declared = std::min<uint64_t>(o.NumberOfRvaAndSizes, kDataDirectoryCount);
    m_directoryOffset = optOffset + fixedSize;
    for (size_t i = 0; i < declared; ++i) {
        auto& d = o.DataDirectory[i];
        d.VirtualAddress = f.U32();
        d.Size = f.U32();
        if (!f.Ok()) {
            d = DataDirectoryEntry{};
            break;
        }
        m_directoriesPresent = static_cast<uint32_t>(i + 1);
    }
    if (!f.Ok()) m_notes.push_back(ModuleNote(NoteKind::kOptionalHeaderCut));
    const uint64_t layoutSize = fixedSize + 8 * declared;
    if (m_file.SizeOfOptionalHeader < layoutSize) {
        m_notes.push_back(ModuleNote{
            NoteKind::kOptionalHeaderTooSmall, {}, m_file.SizeOfOptionalHeader, layoutSize});
    }

    m_sectionOffset = optOffset + m_file.SizeOfOptionalHeader;
    const uint64_t fits =
        m_sectionOffset <= view.Size() ? (view.Size() - m_sectionOffset) / kSectionHeaderSize : 0;
    const uint64_t sections = std::min<uint64_t>(m_file.NumberOfSections, fits);
    if (sections < m_file.NumberOfSections) {
        m_notes.push_back(
            ModuleNote{NoteKind::kSectionTableCut, {}, sections, m_file.NumberOfSections});
    }
    m_sections.reserve(static_cast<size_t>(sections));
    CByteReader s(view, m_sectionOffset);
    for (uint64_t i = 0; i < sections; ++i) {
        SectionHeader h;
        const CByteView name = s.Bytes(8);
        size_t length = 0;
        while (length < 8 && name.Data()[length] != 0)
            ++length;
        h.Name.assign(reinterpret_cast<const char*>(name.Data()), length);
        h.VirtualSize = s.U32();
        h.VirtualAddress = s.U32();
        h.SizeOfRawData = s.U32();
        h.PointerToRawData = s.U32();
        h.PointerToRelocations = s.U32();
        h.PointerToLinenumbers = s.U32();
        h.NumberOfRelocations = s.U16();
        h.NumberOfLinenumbers = s.U16();
        h.Characteristics = s.U32();
        if (!s.Ok()) break;
        m_sections.push_back(std::move(h));
    }
    m_valid = true;
    m_error = 0;
    return true;
}

std::optional<uint64_t> CPeFile::DataDirectoryOffset(size_t index) const noexcept {
    if (!m_valid || index >= m_directoriesPresent) return std::nullopt;
    return m_directoryOffset + 8 * index;
}

const SectionHeader* CPeFile::SectionOfRva(uint32_t rva) const noexcept {
    for (const auto& s : m_sections) {
        if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData) return &s;
    }
    return nullptr;
}

std::optional<uint64_t> CPeFile::RvaToOffset(uint32_t rva) const noexcept {
    const SectionHeader* s = SectionOfRva(rva);
    if (!s) return std::nullopt;
    const uint64_t offset = static_cast<uint64_t>(s->PointerToRawData) + (rva - s->VirtualAddress);
    if (offset >= m_view.Size()) return std::nullopt;
    return offset;
}

std::optional<uint64_t> CPeFile::SectionDataOffset(uint32_t rva, uint64_t length) const noexcept {
    const SectionHeader* s = SectionOfRva(rva);
    if (!s) return std::nullopt;
    const uint64_t inSection = rva - s->VirtualAddress;
    if (!InRange(inSection, length, s->SizeOfRawData)) return std::nullopt;
    return uint64_t{s->PointerToRawData} + inSection;
}

std::optional<CByteView> CPeFile::RvaToView(uint32_t rva, uint64_t length) const noexcept {
    const SectionHeader* s = SectionOfRva(rva);
    if (!s) return std::nullopt;
    const uint64_t inSection = rva - s->VirtualAddress;
    // The bytes must lie inside the section's file data, not only inside the file: a directory
    // that runs past its section's raw data would read a neighbour's bytes.
    if (!InRange(inSection, length, s->SizeOfRawData)) return std::nullopt;
    return m_view.Sub(static_cast<uint64_t>(s->PointerToRawData) + inSection, length);
}

CByteView CPeFile::RvaToTail(uint32_t rva) const noexcept {
    const SectionHeader* s = SectionOfRva(rva);
    if (!s) return {};
    const uint64_t inSection = rva - s->VirtualAddress;
    return m_view.SubClamped(static_cast<uint64_t>(s->PointerToRawData) + inSection,
                             s->SizeOfRawData - inSection);
}

std::optional<RvaString> CPeFile::StringAtRva(uint32_t rva, size_t maxLength) const noexcept {
    const CByteView tail = RvaToTail(rva);
    if (tail.Empty()) return std::nullopt;
    const size_t room = std::min(tail.Size(), maxLength);
    const std::string_view bytes(reinterpret_cast<const char*>(tail.Data()), room);
    const size_t end = bytes.find('\0');
    if (end != std::string_view::npos) return RvaString{bytes.substr(0, end), false};
    return RvaString{bytes, true};
}

std::optional<ExportDirectory> CPeFile::ExportDirectoryAt(uint32_t rva) const noexcept {
    const auto bytes = RvaToView(rva, kExportDirectorySize);
    const auto offset = RvaToOffset(rva);
    if (!bytes || !offset) return std::nullopt;
    CByteReader r(*bytes);
    ExportDirectory d;
    d.Characteristics = r.U32();
    d.TimeDateStamp = r.U32();
    d.MajorVersion = r.U16();
    d.MinorVersion = r.U16();
    d.Name = r.U32();
    d.Base = r.U32();
    d.NumberOfFunctions = r.U32();
    d.NumberOfNames = r.U32();
    d.AddressOfFunctions = r.U32();
    d.AddressOfNames = r.U32();
    d.AddressOfNameOrdinals = r.U32();
    d.rva = rva;
    d.fileOffset = *offset;
    return d;
}

std::optional<CImportDescriptorTable> CPeFile::ImportDescriptorsAt(uint32_t rva) const noexcept {
    const CByteView tail = RvaToTail(rva);
    const auto offset = RvaToOffset(rva);
    if (tail.Size() < kImportDescriptorSize || !offset) return std::nullopt;
    return CImportDescriptorTable(tail, rva, *offset);
}

std::optional<ImportDescriptor> CImportDescriptorTable::At(size_t index) const noexcept {
    if (index >= Count()) return std::nullopt;
    CByteReader r(m_bytes, uint64_t{index} * kImportDescriptorSize);
    ImportDescriptor d;
    d.OriginalFirstThunk = r.U32();
    d.TimeDateStamp = r.U32();
    d.ForwarderChain = r.U32();
    d.Name = r.U32();
    d.FirstThunk = r.U32();
    d.fileOffset = m_fileOffset + uint64_t{index} * kImportDescriptorSize;
    return d;
}

}  // namespace tv
