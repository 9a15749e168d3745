#include "module/HeadersReport.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include "common/DateText.h"
#include "common/TextCodec.h"
#include "module/ModuleImage.h"
#include "res/StringTable.h"

namespace tv {

namespace {

std::string FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
    return out;
}

[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = FormatV(format, args);
    va_end(args);
    return out;
}

// A printf format taken from the string table (the summary's signature lines).
std::string FormatResource(uint32_t id, ...) {
    const std::string format(LoadString(id));
    va_list args;
    va_start(args, id);
    std::string out = FormatV(format.c_str(), args);
    va_end(args);
    return out;
}

std::string Text(uint32_t id) { return std::string(LoadString(id)); }

// A byte of a signature as "%c" shows it, made safe: the signatures of loadable modules are
// printable, but the bytes come from the file.
int SignatureChar(uint32_t byte) {
    if (byte == 0) return ' ';
    return byte >= 0x20 && byte < 0x7F ? static_cast<int>(byte) : '?';
}

struct NamedValue {
    uint16_t value;
    std::string_view name;
};

// Every machine type of the published PE/COFF format, and the ones Windows' own headers add.
constexpr NamedValue kMachines[] = {
    {0x014C, "IMAGE_FILE_MACHINE_I386"},        {0x0160, "IMAGE_FILE_MACHINE_R3000BE"},
    {0x0162, "IMAGE_FILE_MACHINE_R3000"},       {0x0166, "IMAGE_FILE_MACHINE_R4000"},
    {0x0168, "IMAGE_FILE_MACHINE_R10000"},      {0x0169, "IMAGE_FILE_MACHINE_WCEMIPSV2"},
    {0x0184, "IMAGE_FILE_MACHINE_ALPHA"},       {0x01A2, "IMAGE_FILE_MACHINE_SH3"},
    {0x01A3, "IMAGE_FILE_MACHINE_SH3DSP"},      {0x01A4, "IMAGE_FILE_MACHINE_SH3E"},
    {0x01A6, "IMAGE_FILE_MACHINE_SH4"},         {0x01A8, "IMAGE_FILE_MACHINE_SH5"},
    {0x01C0, "IMAGE_FILE_MACHINE_ARM"},         {0x01C2, "IMAGE_FILE_MACHINE_THUMB"},
    {0x01C4, "IMAGE_FILE_MACHINE_ARMNT"},       {0x01D3, "IMAGE_FILE_MACHINE_AM33"},
    {0x01F0, "IMAGE_FILE_MACHINE_POWERPC"},     {0x01F1, "IMAGE_FILE_MACHINE_POWERPCFP"},
    {0x0200, "IMAGE_FILE_MACHINE_IA64"},        {0x0266, "IMAGE_FILE_MACHINE_MIPS16"},
    {0x0284, "IMAGE_FILE_MACHINE_ALPHA64"},     {0x0366, "IMAGE_FILE_MACHINE_MIPSFPU"},
    {0x0466, "IMAGE_FILE_MACHINE_MIPSFPU16"},   {0x0520, "IMAGE_FILE_MACHINE_TRICORE"},
    {0x0CEF, "IMAGE_FILE_MACHINE_CEF"},         {0x0EBC, "IMAGE_FILE_MACHINE_EBC"},
    {0x3A64, "IMAGE_FILE_MACHINE_CHPE_X86"},    {0x5032, "IMAGE_FILE_MACHINE_RISCV32"},
    {0x5064, "IMAGE_FILE_MACHINE_RISCV64"},     {0x5128, "IMAGE_FILE_MACHINE_RISCV128"},
    {0x6232, "IMAGE_FILE_MACHINE_LOONGARCH32"}, {0x6264, "IMAGE_FILE_MACHINE_LOONGARCH64"},
    {0x8664, "IMAGE_FILE_MACHINE_AMD64"},       {0x9041, "IMAGE_FILE_MACHINE_M32R"},
    {0xA641, "IMAGE_FILE_MACHINE_ARM64EC"},     {0xA64E, "IMAGE_FILE_MACHINE_ARM64X"},
    {0xAA64, "IMAGE_FILE_MACHINE_ARM64"},       {0xC0EE, "IMAGE_FILE_MACHINE_CEE"},
};

constexpr NamedValue kSubsystems[] = {
    {1, "IMAGE_SUBSYSTEM_NATIVE"},
    {2, "IMAGE_SUBSYSTEM_WINDOWS_GUI"},
    {3, "IMAGE_SUBSYSTEM_WINDOWS_CUI"},
    {5, "IMAGE_SUBSYSTEM_OS2_CUI"},
    {7, "IMAGE_SUBSYSTEM_POSIX_CUI"},
    {8, "IMAGE_SUBSYSTEM_NATIVE_WINDOWS"},
    {9, "IMAGE_SUBSYSTEM_WINDOWS_CE_GUI"},
    {10, "IMAGE_SUBSYSTEM_EFI_APPLICATION"},
    {11, "IMAGE_SUBSYSTEM_EFI_BOOT_SERVICE_DRIVER"},
    {12, "IMAGE_SUBSYSTEM_EFI_RUNTIME_DRIVER"},
    {13, "IMAGE_SUBSYSTEM_EFI_ROM"},
    {14, "IMAGE_SUBSYSTEM_XBOX"},
    {16, "IMAGE_SUBSYSTEM_WINDOWS_BOOT_APPLICATION"},
    {17, "IMAGE_SUBSYSTEM_XBOX_CODE_CATALOG"},
};

// 0x0040 is reserved in the format and has no entry.
constexpr NamedValue kFileFlags[] = {
    {0x0001, "IMAGE_FILE_RELOCS_STRIPPED"},
    {0x0002, "IMAGE_FILE_EXECUTABLE_IMAGE"},
    {0x0004, "IMAGE_FILE_LINE_NUMS_STRIPPED"},
    {0x0008, "IMAGE_FILE_LOCAL_SYMS_STRIPPED"},
    {0x0010, "IMAGE_FILE_AGGRESIVE_WS_TRIM"},
    {0x0020, "IMAGE_FILE_LARGE_ADDRESS_AWARE"},
    {0x0080, "IMAGE_FILE_BYTES_REVERSED_LO"},
    {0x0100, "IMAGE_FILE_32BIT_MACHINE"},
    {0x0200, "IMAGE_FILE_DEBUG_STRIPPED"},
    {0x0400, "IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP"},
    {0x0800, "IMAGE_FILE_NET_RUN_FROM_SWAP"},
    {0x1000, "IMAGE_FILE_SYSTEM"},
    {0x2000, "IMAGE_FILE_DLL"},
    {0x4000, "IMAGE_FILE_UP_SYSTEM_ONLY"},
    {0x8000, "IMAGE_FILE_BYTES_REVERSED_HI"},
};

template <size_t N>
std::string_view Lookup(const NamedValue (&table)[N], uint16_t value,
                        std::string_view fallback) noexcept {
    for (const auto& entry : table) {
        if (entry.value == value) return entry.name;
    }
    return fallback;
}

// Replaces C0 and C1 control characters of valid UTF-8 with U+FFFD.
std::string WithoutControls(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b == 0x7F) {
            out += "\xEF\xBF\xBD";
        } else if (b == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string_view MachineName(uint16_t machine) noexcept {
    return Lookup(kMachines, machine, "IMAGE_FILE_MACHINE_UNKNOWN");
}

std::string_view SubsystemName(uint16_t subsystem) noexcept {
    return Lookup(kSubsystems, subsystem, "IMAGE_SUBSYSTEM_UNKNOWN");
}

std::vector<std::string_view> CharacteristicsFlagNames(uint16_t characteristics) {
    std::vector<std::string_view> names;
    for (const auto& flag : kFileFlags) {
        if (characteristics & flag.value) names.push_back(flag.name);
    }
    return names;
}

std::string HexText(uint32_t value) { return Format("0x%08x", value); }

std::string DecHexText(uint32_t value) {
    return Format("%d [0x%08x]", static_cast<int32_t>(value), value);
}

std::string DecHexText64(uint64_t value) {
    return Format("%lld [0x%016llx]", static_cast<long long>(value),
                  static_cast<unsigned long long>(value));
}

std::string PointerText(uintptr_t value) {
    return Format("0x%0*llx", static_cast<int>(2 * sizeof(uintptr_t)),
                  static_cast<unsigned long long>(value));
}

std::string PointerDecHexText(uintptr_t value) {
    if constexpr (sizeof(uintptr_t) > 4) return DecHexText64(value);
    return DecHexText(static_cast<uint32_t>(value));
}

std::string SignatureText(uint32_t value) {
    return Format("0x%08x [%c%c%c%c]", value, SignatureChar(value & 0xFF),
                  SignatureChar((value >> 8) & 0xFF), SignatureChar((value >> 16) & 0xFF),
                  SignatureChar(value >> 24));
}

std::string StampText(uint32_t value) {
    if (value >= 0x80000000u) return std::string();
    return TimeStampText(value);
}

std::string TruthText(bool value) { return Text(value ? 2017 : 2018); }

std::string ModuleStringText(std::string_view bytes) {
    return WithoutControls(IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes));
}

// ---- CHeadersReport -----------------------------------------------------------------------------

bool FillHeadersReport(const CModuleImage& image, HeadersDisplay display, IReportSink& sink) {
    return CHeadersReport(image, sink).Fill(display);
}

ReportNode CHeadersReport::Add(std::string_view text, int image, ReportLineKind kind,
                               ReportNode parent, std::string_view moduleName) {
    ReportLine line;
    line.text.assign(text);
    line.image = image;
    line.kind = kind;
    line.moduleName.assign(moduleName);
    return m_sink.AddLine(line, parent);
}

ReportNode CHeadersReport::Group(std::string_view text, ReportNode parent) {
    const ReportNode node = Add(text, kImageGroup, ReportLineKind::kGroup, parent);
    return node != kNoReportNode ? node : parent;
}

void CHeadersReport::Value(std::string_view text, ReportNode parent) {
    Add(text, kImageValue, ReportLineKind::kValue, parent);
}

void CHeadersReport::Note(const ModuleNote& note, ReportNode parent) {
    Add("Hinweis: " + NoteText(note), kImageValue, ReportLineKind::kNote, parent);
    m_notes.push_back(note);
}

std::optional<RvaString> CHeadersReport::RawStringAt(uint32_t rva) const {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (pe == nullptr) return std::nullopt;
    return pe->StringAtRva(rva);
}

std::optional<std::string> CHeadersReport::StringAt(uint32_t rva) const {
    const auto string = RawStringAt(rva);
    if (!string) return std::nullopt;
    // No terminator before the section data or the length limit ends: show what is there.
    std::string text = ModuleStringText(string->bytes);
    if (string->cut) text += "\xE2\x80\xA6";
    return text;
}

bool CHeadersReport::Fill(HeadersDisplay display) {
    m_root = kNoReportNode;
    m_notes.clear();
    m_exports.clear();
    m_imports.clear();
    const LOADED_IMAGE* li = m_image.GetLoadedImage();
    if (!li) return false;
    // The path is raw bytes of the file system: shown as UTF-8, with anything else replaced.
    m_root = Add(WithoutControls(SanitizeUtf8(li->ModuleName)), kImageGroup,
                 ReportLineKind::kModule, kNoReportNode, li->ModuleName);
    if (m_root == kNoReportNode) return false;
    if (display == HeadersDisplay::Full) {
        AddLoaderRecord(m_root);
        AddDosHeader(m_root);
        AddNtHeaders(m_root);
    } else {
        AddSummary(m_root);
        AddExports(m_root, false);
        AddImports(m_root, false);
        // The full display notes the headers' damage under IMAGE_NT_HEADERS; the summary has no
        // such group, so these notes appear in the list below only.
        if (const CPeFile* pe = m_image.GetNtHeaders())
            m_notes.insert(m_notes.end(), pe->Diagnostics().begin(), pe->Diagnostics().end());
    }
    // Every note once more in one place, so that damage anywhere in a long report is seen.
    if (!m_notes.empty()) {
        const ReportNode notes =
            Add("Hinweise", kImageGroup, ReportLineKind::kGroup, kNoReportNode);
        if (notes != kNoReportNode)
            for (const ModuleNote& note : m_notes)
                Add(NoteText(note), kImageValue, ReportLineKind::kNote, notes);
    }
    return true;
}

bool CHeadersReport::AddLoaderRecord(ReportNode parent) {
    const LOADED_IMAGE* li = m_image.GetLoadedImage();
    if (!li) return false;
    const ReportNode group = Group("LOADED_IMAGE", parent);
    Value("hFile = " + PointerText(li->hFile), group);
    Value("MappedAddress = " + PointerText(li->MappedAddress), group);
    Value("FileHeader = " + PointerText(li->FileHeader), group);
    Value("LastRvaSection = " + PointerText(li->LastRvaSection), group);
    Value("Sections = " + PointerText(li->Sections), group);
    Value(Format("NumberOfSections = %u", li->NumberOfSections), group);
    Value("Characteristics = " + HexText(li->Characteristics), group);
    Value("fSystemImage = " + TruthText(li->fSystemImage), group);
    Value("fDOSImage = " + TruthText(li->fDOSImage), group);
    Value(Format("SizeOfImage = %llu", static_cast<unsigned long long>(li->SizeOfImage)), group);
    const ReportNode links = Group("Links (LIST_ENTRY)", group);
    Value("Blink = " + PointerDecHexText(li->Links.Blink), links);
    Value("Flink = " + PointerDecHexText(li->Links.Flink), links);
    return true;
}

bool CHeadersReport::AddDosHeader(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    const DosHeader& d = pe->Dos();
    const ReportNode group = Group("IMAGE_DOS_HEADER", parent);
    Value(Format("e_magic (magic number) = 0x%02x [%c%c]", d.e_magic,
                 SignatureChar(d.e_magic & 0xFF), SignatureChar(d.e_magic >> 8)),
          group);
    if (d.e_magic != kDosMagic) return false;
    // e_cp before e_cblp and e_csum before e_ss: the report's order, not the structure's.
    const std::pair<const char*, uint16_t> words[] = {
        {"e_cp (pages in file)", d.e_cp},
        {"e_cblp (bytes on last page of file)", d.e_cblp},
        {"e_crlc (relocations)", d.e_crlc},
        {"e_cparhdr (size of header in paragraphs)", d.e_cparhdr},
        {"e_minalloc (minimum extra paragraphs needed)", d.e_minalloc},
        {"e_maxalloc (maximum extra paragraphs needed)", d.e_maxalloc},
        {"e_csum (checksum)", d.e_csum},
        {"e_ss (initial SS value)", d.e_ss},
        {"e_sp (initial SP value)", d.e_sp},
        {"e_ip (initial IP value)", d.e_ip},
        {"e_cs (initial CS value)", d.e_cs},
        {"e_lfarlc (file address of relocation table)", d.e_lfarlc},
    };
    for (const auto& [label, value] : words)
        Value(Format("%s = %hu", label, value), group);
    const ReportNode res = Group("e_res[4] (reserved words)", group);
    for (size_t i = 0; i < d.e_res.size(); ++i)
        Value(Format("e_res[%zu] = [0x%04x] %u", i, d.e_res[i], d.e_res[i]), res);
    Value(Format("e_ovno (overlay number) = %hu", d.e_ovno), group);
    Value(Format("e_oemid (OEM identifier for e_oeminfo)= %hu", d.e_oemid), group);
    Value(Format("e_oeminfo (OEM information; e_oemid specific) = %hu", d.e_oeminfo), group);
    const ReportNode res2 = Group("e_res2[10] (reserved words)", group);
    for (size_t i = 0; i < d.e_res2.size(); ++i)
        Value(Format("e_res2[%zu] = [0x%04x] %u", i, d.e_res2[i], d.e_res2[i]), res2);
    Value(Format("e_lfanew (file address of new exe header) = %d", d.e_lfanew), group);
    return true;
}

void CHeadersReport::AddFlags(uint16_t characteristics, ReportNode parent) {
    for (const auto name : CharacteristicsFlagNames(characteristics))
        Value(name, parent);
}

bool CHeadersReport::AddNtHeaders(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    const ReportNode group = Group("IMAGE_NT_HEADERS", parent);
    Value("Signature = " + SignatureText(pe->View().U32(pe->NtHeadersOffset()).value_or(0)), group);

    const FileHeader& f = pe->File();
    const ReportNode file = Group("FileHeader (IMAGE_FILE_HEADER)", group);
    Value(Format("Machine = 0x%04x (%s)", f.Machine, std::string(MachineName(f.Machine)).c_str()),
          file);
    Value(Format("NumberOfSections = %hu", f.NumberOfSections), file);
    Value("TimeDateStamp = [" + HexText(f.TimeDateStamp) + "] " + StampText(f.TimeDateStamp), file);
    Value(Format("NumberOfSymbols = %u", f.NumberOfSymbols), file);
    Value(Format("SizeOfOptionalHeader = %hu", f.SizeOfOptionalHeader), file);
    const std::string characteristics = Format("Characteristics = 0x%04x", f.Characteristics);
    if (f.Characteristics != 0)
        AddFlags(f.Characteristics, Group(characteristics, file));
    else
        Value(characteristics, file);

    const OptionalHeader& o = pe->Optional();
    const ReportNode optional = Group(o.Is64() ? "OptionalHeader (IMAGE_OPTIONAL_HEADER64)"
                                               : "OptionalHeader (IMAGE_OPTIONAL_HEADER32)",
                                      group);
    AddStandardFields(o, Group("Standard fields", optional));
    AddNtAdditionalFields(o, Group("NT additional fields", optional));
    const ReportNode directories = Group("DataDirectory[] (IMAGE_DATA_DIRECTORY)", optional);
    AddExports(directories, true);
    AddImports(directories, true);

    for (const auto& note : pe->Diagnostics())
        Note(note, group);
    return true;
}

void CHeadersReport::AddStandardFields(const OptionalHeader& o, ReportNode parent) {
    std::string magic = Format("Magic = 0x%04x", o.Magic);
    if (o.Magic == kMagicRom) magic += ": ROM image";
    if (o.Magic == kMagicPe32) magic += ": Normal executable file";
    Value(magic, parent);
    Value(Format("MajorLinkerVersion = 0x%02x", o.MajorLinkerVersion), parent);
    Value(Format("MinorLinkerVersion = 0x%02x", o.MinorLinkerVersion), parent);
    Value(Format("SizeOfCode = %u", o.SizeOfCode), parent);
    Value(Format("SizeOfInitializedData = %u", o.SizeOfInitializedData), parent);
    Value(Format("SizeOfUninitializedData = %u", o.SizeOfUninitializedData), parent);
    Value("AddressOfEntryPoint = " + HexText(o.AddressOfEntryPoint), parent);
    Value("BaseOfCode = " + HexText(o.BaseOfCode), parent);
    // The 64-bit layout has no BaseOfData: its ImageBase takes the place.
    if (!o.Is64()) Value("BaseOfData = " + HexText(o.BaseOfData), parent);
}

void CHeadersReport::AddNtAdditionalFields(const OptionalHeader& o, ReportNode parent) {
    const bool wide = o.Is64();
    const auto size = [&](const char* label, uint64_t value) {
        Value(Format("%s = %llu", label, static_cast<unsigned long long>(value)), parent);
    };
    Value("ImageBase = " +
              (wide ? DecHexText64(o.ImageBase) : DecHexText(static_cast<uint32_t>(o.ImageBase))),
          parent);
    Value("SectionAlignment = " + DecHexText(o.SectionAlignment), parent);
    Value("FileAlignment = " + DecHexText(o.FileAlignment), parent);
    Value(Format("MajorOperatingSystemVersion = 0x%04x", o.MajorOperatingSystemVersion), parent);
    Value(Format("MinorOperatingSystemVersion = 0x%04x", o.MinorOperatingSystemVersion), parent);
    Value(Format("MajorImageVersion = 0x%04x", o.MajorImageVersion), parent);
    Value(Format("MinorImageVersion = 0x%04x", o.MinorImageVersion), parent);
    Value(Format("MajorSubsystemVersion = 0x%04x", o.MajorSubsystemVersion), parent);
    Value(Format("MinorSubsystemVersion = 0x%04x", o.MinorSubsystemVersion), parent);
    Value(Format("Win32VersionValue = 0x%08x", o.Win32VersionValue), parent);
    Value(Format("SizeOfImage = %u", o.SizeOfImage), parent);
    Value(Format("SizeOfHeaders = %u", o.SizeOfHeaders), parent);
    Value("CheckSum = " + DecHexText(o.CheckSum), parent);
    Value(Format("Subsystem = 0x%02x: %s", o.Subsystem,
                 std::string(SubsystemName(o.Subsystem)).c_str()),
          parent);
    std::string dll = Format("DllCharacteristics = 0x%02x", o.DllCharacteristics);
    const uint16_t dc = o.DllCharacteristics;
    if (dc == 1 || dc == 2 || dc == 4 || dc == 8) dll += ": Reserved";
    if (dc == 0x2000) dll += ": Driver is a WDM Driver";
    Value(dll, parent);
    size("SizeOfStackReserve", o.SizeOfStackReserve);
    size("SizeOfStackCommit", o.SizeOfStackCommit);
    size("SizeOfHeapReserve", o.SizeOfHeapReserve);
    size("SizeOfHeapCommit", o.SizeOfHeapCommit);
    Value("LoaderFlags = " + DecHexText(o.LoaderFlags), parent);
    Value(Format("NumberOfRvaAndSizes = %u", o.NumberOfRvaAndSizes), parent);
}

bool CHeadersReport::AddSummary(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe || m_image.GetView().Empty()) return false;
    const uint16_t magic = pe->Dos().e_magic;
    Value(FormatResource(magic == kDosMagic ? 2034 : 2035, static_cast<unsigned>(magic),
                         SignatureChar(magic & 0xFF), SignatureChar(magic >> 8)),
          parent);
    Value(Text(2036) + SignatureText(pe->View().U32(pe->NtHeadersOffset()).value_or(0)), parent);
    Value(Text(2037) + std::string(MachineName(pe->File().Machine)), parent);
    Value(Text(2039) + std::string(SubsystemName(pe->Optional().Subsystem)), parent);
    if (pe->File().Characteristics != 0)
        AddFlags(pe->File().Characteristics, Group(Text(2038), parent));
    return true;
}

bool CHeadersReport::AddExports(ReportNode parent, bool detailed) {
    const DataDirectoryEntry* entry = m_image.GetDataDirectory(kDirExport);
    if (!entry) return false;
    const ReportNode group = Group(detailed ? "Export directory" : Text(2032), parent);
    if (detailed) {
        Value("VirtualAddress = " + HexText(entry->VirtualAddress), group);
        Value(Format("Size = %u bytes", entry->Size), group);
    }
    if (entry->VirtualAddress == 0) return true;
    const auto directory = m_image.GetExportDirectory();
    if (!directory) return false;
    ReportNode list = group;
    if (detailed) {
        const ExportDirectory& d = *directory;
        const ReportNode fields = Group("IMAGE_EXPORT_DIRECTORY", group);
        Value("Characteristics = " + HexText(d.Characteristics), fields);
        Value("TimeDateStamp = [" + HexText(d.TimeDateStamp) + "] " + StampText(d.TimeDateStamp),
              fields);
        Value(Format("MajorVersion = 0x%02x", d.MajorVersion), fields);
        Value(Format("MinorVersion = 0x%02x", d.MinorVersion), fields);
        std::string name = "?";
        if (d.Name != 0) {
            // A name no section holds shows the address that could not be followed.
            const auto text = StringAt(d.Name);
            name = text ? *text : "? [" + HexText(d.Name) + "]";
        }
        Value("Name = " + name, fields);
        Value("Base = " + HexText(d.Base), fields);
        Value(Format("NumberOfFunctions = %u", d.NumberOfFunctions), fields);
        Value(Format("NumberOfNames = %u", d.NumberOfNames), fields);
        list = Group("Functions", fields);
    }
    if (directory->NumberOfFunctions == 0) return true;
    AddExportFunctions(*directory, *entry, list);
    return true;
}

void CHeadersReport::AddExportFunctions(const ExportDirectory& d, const DataDirectoryEntry& entry,
                                        ReportNode parent) {
    // Every count below is bounded by the bytes the tables' sections hold in the file, so a
    // NumberOfFunctions of 0xFFFFFFFF costs no more than the file is long.
    const CByteView functions = m_image.RvaToPointer(d.AddressOfFunctions);
    const uint64_t count = std::min<uint64_t>(d.NumberOfFunctions, functions.Size() / 4);
    if (count == 0) {
        Note(ModuleNote{NoteKind::kFunctionTableOutside, {}, d.AddressOfFunctions}, parent);
        return;
    }

    // Names belong to functions through the name-ordinal table, in whatever order it lists
    // them: (function index, name index) pairs sorted once, then walked beside the functions.
    std::vector<std::pair<uint32_t, uint32_t>> names;
    size_t orphans = 0;
    bool namesMissing = false;
    uint64_t namesRead = 0;
    const CByteView nameTable = m_image.RvaToPointer(d.AddressOfNames);
    if (d.NumberOfNames != 0) {
        const CByteView ordinalTable = m_image.RvaToPointer(d.AddressOfNameOrdinals);
        const uint64_t nameCount =
            std::min<uint64_t>({d.NumberOfNames, nameTable.Size() / 4, ordinalTable.Size() / 2});
        names.reserve(static_cast<size_t>(nameCount));
        for (uint32_t k = 0; k < nameCount; ++k) {
            const uint16_t index = ordinalTable.U16(uint64_t{k} * 2).value_or(0);
            if (index < d.NumberOfFunctions)
                names.emplace_back(index, k);
            else
                ++orphans;
        }
        std::sort(names.begin(), names.end());
        namesMissing = nameCount < d.NumberOfNames;
        namesRead = nameCount;
    }

    // Forwarders point into the export directory itself: [VirtualAddress, VirtualAddress +
    // Size), the upper end excluded, computed wide so that it cannot wrap.
    const uint64_t forwardBegin = entry.VirtualAddress;
    const uint64_t forwardEnd = forwardBegin + entry.Size;
    size_t cursor = 0;
    size_t lines = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint32_t address = functions.U32(i * 4).value_or(0);
        while (cursor < names.size() && names[cursor].first < i)
            ++cursor;
        // An empty slot: the ordinal is not used.
        if (address == 0) continue;
        if (lines == m_listLimit) {
            Note(ModuleNote{NoteKind::kListCut, {}, lines}, parent);
            break;
        }
        ReportedExport line;
        line.ordinal = d.Base + i;
        line.address = address;
        std::string text = Format("%04llu - [%s", static_cast<unsigned long long>(line.ordinal),
                                  HexText(address).c_str());
        if (address >= forwardBegin && address < forwardEnd) {
            line.forwarded = true;
            line.forwarder = StringAt(address).value_or("?");
            text += ":" + line.forwarder;
        }
        text += ']';
        const char* separator = " ";
        for (; cursor < names.size() && names[cursor].first == i; ++cursor) {
            const uint32_t nameRva = nameTable.U32(uint64_t{names[cursor].second} * 4).value_or(0);
            line.names.push_back(StringAt(nameRva).value_or("?"));
            text += separator;
            text += line.names.back();
            separator = ", ";
        }
        Value(text, parent);
        m_exports.push_back(std::move(line));
        ++lines;
    }
    if (count < d.NumberOfFunctions) {
        Note(ModuleNote{NoteKind::kFunctionsCut, {}, count, d.NumberOfFunctions}, parent);
    }
    if (namesMissing) {
        Note(ModuleNote{NoteKind::kNamesCut, {}, namesRead, d.NumberOfNames}, parent);
    }
    if (orphans != 0) Note(ModuleNote{NoteKind::kNamesWithoutFunction, {}, orphans}, parent);
}

bool CHeadersReport::AddImports(ReportNode parent, bool detailed) {
    const DataDirectoryEntry* entry = m_image.GetDataDirectory(kDirImport);
    if (!entry) return false;
    const ReportNode group = Group(detailed ? "Import directory" : Text(2033), parent);
    if (detailed) {
        Value("VirtualAddress = " + HexText(entry->VirtualAddress), group);
        Value(Format("Size = %u bytes", entry->Size), group);
    }
    if (entry->VirtualAddress == 0) return true;
    const auto table = m_image.GetImportDescriptors();
    if (!table) return false;
    const size_t n = entry->Size / kImportDescriptorSize;
    const ReportNode list = detailed ? Group("IMAGE_IMPORT_DIRECTORY", group) : group;
    if (n == 0) return true;
    // The list ends at the terminating descriptor, after n descriptors, or where the section's
    // data ends. A descriptor with OriginalFirstThunk 0 does not end it (see ImportDescriptor).
    for (size_t i = 0; i < n; ++i) {
        const auto d = table->At(i);
        if (!d) {
            Note(ModuleNote{NoteKind::kImportDirectoryCut, {}, i}, list);
            break;
        }
        if (d->IsTerminator()) break;
        if (i == m_listLimit) {
            Note(ModuleNote{NoteKind::kListCut, {}, i}, list);
            break;
        }
        const RvaString raw =
            d->Name != 0 ? RawStringAt(d->Name).value_or(RvaString{}) : RvaString{};
        const bool cut = raw.cut;
        std::string name = ModuleStringText(raw.bytes);
        if (cut) name += "\xE2\x80\xA6";
        // A name cut short names no file that could be opened.
        const std::string_view moduleName = cut ? std::string_view() : raw.bytes;
        m_imports.push_back(ReportedImport{name, std::string(moduleName), *d});
        if (!detailed) {
            Add(name, kImageLibrary, ReportLineKind::kModule, list, moduleName);
            continue;
        }
        ReportNode library = Add(name, kImageGroup, ReportLineKind::kModule, list, moduleName);
        if (library == kNoReportNode) library = list;
        Value("OriginalFirstThunk = " + DecHexText(d->OriginalFirstThunk), library);
        Value("FirstThunk = " + DecHexText(d->FirstThunk), library);
        Value("ForwarderChain = " + DecHexText(d->ForwarderChain), library);
        if (static_cast<int32_t>(d->TimeDateStamp) >= 1) {
            Value("TimeDateStamp = [" + HexText(d->TimeDateStamp) + "] " +
                      StampText(d->TimeDateStamp),
                  library);
        } else {
            Value("TimeDateStamp = " + DecHexText(d->TimeDateStamp), library);
        }
    }
    return true;
}

}  // namespace tv
