#include "module/HeadersReport.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include "common/DateText.h"
#include "common/NumberText.h"
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
        AddSections(m_root, true);
        AddDelayImports(m_root);
        AddDebugDirectory(m_root);
        AddTls(m_root);
        AddLoadConfig(m_root);
        AddBaseRelocations(m_root);
        AddClrHeader(m_root);
        AddCertificates(m_root);
    } else {
        AddSummary(m_root);
        AddExports(m_root, false);
        AddImports(m_root, false);
        AddSections(m_root, false);
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
    size_t textBytes = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint32_t address = functions.U32(i * 4).value_or(0);
        while (cursor < names.size() && names[cursor].first < i)
            ++cursor;
        // An empty slot: the ordinal is not used.
        if (address == 0) continue;
        if (ListFull(lines, textBytes)) {
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
            if (textBytes + text.size() >= m_listTextLimit) {
                // The line says that it is cut; the list ends after it.
                text += separator;
                text += "\xE2\x80\xA6";
                break;
            }
            const uint32_t nameRva = nameTable.U32(uint64_t{names[cursor].second} * 4).value_or(0);
            line.names.push_back(StringAt(nameRva).value_or("?"));
            text += separator;
            text += line.names.back();
            separator = ", ";
        }
        textBytes += text.size();
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
    size_t textBytes = 0;
    // The list ends at the terminating descriptor, after n descriptors, or where the section's
    // data ends. A descriptor with OriginalFirstThunk 0 does not end it (see ImportDescriptor).
    for (size_t i = 0; i < n; ++i) {
        const auto d = table->At(i);
        if (!d) {
            Note(ModuleNote{NoteKind::kImportDirectoryCut, {}, i}, list);
            break;
        }
        if (d->IsTerminator()) break;
        if (ListFull(i, textBytes)) {
            Note(ModuleNote{NoteKind::kListCut, {}, i}, list);
            break;
        }
        const RvaString raw =
            d->Name != 0 ? RawStringAt(d->Name).value_or(RvaString{}) : RvaString{};
        const bool cut = raw.cut;
        std::string name = ModuleStringText(raw.bytes);
        if (cut) name += "\xE2\x80\xA6";
        textBytes += name.size();
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

// ---- the directories after the NT headers
// --------------------------------------------------------

namespace {

// Walks that no real module comes near; each stops with a note.
constexpr size_t kMaxDelayLibraries = 4096;
constexpr size_t kMaxDebugEntries = 256;
constexpr size_t kMaxTlsCallbacks = 1024;
constexpr size_t kMaxCertificates = 64;
constexpr size_t kMaxClrVersionLength = 255;

constexpr size_t kDirSecurity = 4;
constexpr size_t kDirBaseReloc = 5;
constexpr size_t kDirDebug = 6;
constexpr size_t kDirTls = 9;
constexpr size_t kDirLoadConfig = 10;
constexpr size_t kDirDelayImport = 13;
constexpr size_t kDirClr = 14;

constexpr size_t kDelayDescriptorSize = 32;
constexpr size_t kDebugEntrySize = 28;

std::string Hex64Text(uint64_t value) {
    return Format("0x%016llx", static_cast<unsigned long long>(value));
}

}  // namespace

ReportNode CHeadersReport::DirectoryGroup(std::string_view label, size_t index, ReportNode parent,
                                          DataDirectoryEntry& entry) {
    const DataDirectoryEntry* found = m_image.GetDataDirectory(index);
    entry = found ? *found : DataDirectoryEntry{};
    const ReportNode group = Group(label, parent);
    Value("VirtualAddress = " + HexText(entry.VirtualAddress), group);
    Value(Format("Size = %u bytes", entry.Size), group);
    return group;
}

std::optional<uint32_t> CHeadersReport::VaToRva(uint64_t va) const {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return std::nullopt;
    const uint64_t base = pe->Optional().ImageBase;
    if (va < base || va - base > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(va - base);
}

bool CHeadersReport::AddSections(ReportNode parent, bool detailed) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    const CByteView file = pe->View();
    const auto& sections = pe->Sections();
    const ReportNode group =
        Group(detailed ? "Abschnitte (IMAGE_SECTION_HEADER)" : "Abschnitte", parent);
    // The parsed table holds the headers the file has room for; the loader takes no more than
    // kMaxListedSections, and neither does this list.
    const size_t count = std::min(sections.size(), kMaxListedSections);
    for (size_t i = 0; i < count; ++i) {
        const SectionHeader& h = sections[i];
        const CByteView nameBytes =
            file.SubClamped(pe->SectionTableOffset() + i * kSectionHeaderSize, 8);
        std::string name = SectionNameText(nameBytes);
        if (name.empty()) name = Format("#%zu", i + 1);
        // GNU linkers keep the string table in images too; the long name is the one people know.
        const std::string longName = LongSectionNameText(
            file, nameBytes, pe->File().PointerToSymbolTable, pe->File().NumberOfSymbols);
        const std::string& shown = longName.empty() ? name : longName;
        if (!detailed) {
            Value(shown + ": " + CNumberText().FormatUnsigned(h.VirtualSize).GetText() +
                      " Bytes im Speicher, " +
                      CNumberText().FormatUnsigned(h.SizeOfRawData).GetText() +
                      " Bytes in der Datei",
                  group);
            continue;
        }
        const ReportNode section = Group(shown, group);
        Value("Name = " + name + (longName.empty() ? "" : " (" + longName + ")"), section);
        Value("VirtualAddress = " + HexText(h.VirtualAddress), section);
        Value(Format("VirtualSize = %u", h.VirtualSize), section);
        Value("PointerToRawData = " + HexText(h.PointerToRawData), section);
        Value(Format("SizeOfRawData = %u", h.SizeOfRawData), section);
        const std::string flags = "Characteristics = " + HexText(h.Characteristics);
        if (h.Characteristics != 0) {
            const ReportNode flagGroup = Group(flags, section);
            for (const auto& flag : SectionFlagNames(h.Characteristics))
                Value(flag, flagGroup);
        } else {
            Value(flags, section);
        }
        const CByteView raw = file.SubClamped(h.PointerToRawData, h.SizeOfRawData);
        Value("Entropie = " + CNumberText().FormatReal(ShannonEntropy(raw), 2).GetText() +
                  " Bit je Byte",
              section);
        if (raw.Size() < h.SizeOfRawData)
            Note(ModuleNote{NoteKind::kSectionDataCut, name, raw.Size(), h.SizeOfRawData}, section);
    }
    if (sections.size() > count)
        Note(ModuleNote{NoteKind::kSectionsOverLimit, {}, count, pe->File().NumberOfSections},
             group);
    return true;
}

bool CHeadersReport::AddDelayImports(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    DataDirectoryEntry entry;
    const ReportNode group =
        DirectoryGroup("Verzögert geladene Bibliotheken", kDirDelayImport, parent, entry);
    if (entry.VirtualAddress == 0) return true;
    const char* where = "ImgDelayDescr";
    const CByteView table = pe->RvaToTail(entry.VirtualAddress);
    if (table.Size() < kDelayDescriptorSize) {
        Note(ModuleNote{NoteKind::kDirectoryNotPlaced, where, entry.VirtualAddress, entry.Size},
             group);
        return false;
    }
    const bool wide = pe->Optional().Is64();
    const size_t thunkSize = wide ? 8 : 4;
    const uint64_t ordinalFlag = wide ? uint64_t{1} << 63 : uint64_t{1} << 31;
    size_t functionLines = 0;
    size_t functionText = 0;
    // The table ends with an all-zero descriptor; the directory's Size is often 0 or wrong in
    // old modules, so it does not bound the walk, the data and the limit do.
    for (size_t i = 0;; ++i) {
        const auto d = table.Sub(i * kDelayDescriptorSize, kDelayDescriptorSize);
        if (!d) {
            Note(ModuleNote{NoteKind::kDirectoryTableCut, where, i}, group);
            break;
        }
        uint32_t f[8];
        bool allZero = true;
        for (size_t k = 0; k < 8; ++k) {
            f[k] = d->U32(k * 4).value_or(0);
            allZero = allZero && f[k] == 0;
        }
        if (allZero || f[1] == 0) break;
        if (i == kMaxDelayLibraries) {
            Note(ModuleNote{NoteKind::kWalkLimit, where, i}, group);
            break;
        }
        // Attributes bit 0 clear: the old form, whose addresses are VAs.
        const bool rvaBased = (f[0] & 1) != 0;
        const auto toRva = [&](uint32_t value) -> std::optional<uint32_t> {
            if (rvaBased) return value;
            return VaToRva(value);
        };
        std::string name = "?";
        std::string moduleName;
        if (const auto nameRva = toRva(f[1])) {
            if (const auto raw = RawStringAt(*nameRva)) {
                name = ModuleStringText(raw->bytes);
                if (raw->cut)
                    name += "\xE2\x80\xA6";
                else
                    moduleName.assign(raw->bytes);
            }
        }
        ReportNode library = Add(name, kImageGroup, ReportLineKind::kModule, group, moduleName);
        if (library == kNoReportNode) library = group;
        Value("Attributes = " + HexText(f[0]) + (rvaBased ? " (RVA)" : " (VA)"), library);
        const char* labels[] = {"DllNameRVA",
                                "ModuleHandleRVA",
                                "ImportAddressTableRVA",
                                "ImportNameTableRVA",
                                "BoundImportAddressTableRVA",
                                "UnloadInformationTableRVA"};
        for (size_t k = 0; k < 6; ++k)
            Value(std::string(labels[k]) + " = " + HexText(f[k + 1]), library);
        Value("TimeDateStamp = " + DecHexText(f[7]), library);

        const ReportNode functions = Group("Functions", library);
        const auto intRva = toRva(f[4]);
        const CByteView names = intRva ? pe->RvaToTail(*intRva) : CByteView();
        if (names.Empty()) {
            Note(ModuleNote{NoteKind::kDirectoryNotPlaced, "ImportNameTableRVA", f[4]}, functions);
            continue;
        }
        for (size_t k = 0;; ++k) {
            const uint64_t thunk =
                wide ? names.U64(k * 8).value_or(0) : names.U32(k * 4).value_or(0);
            if (!names.Contains(k * thunkSize, thunkSize)) {
                Note(ModuleNote{NoteKind::kDirectoryTableCut, "ImportNameTableRVA", k}, functions);
                break;
            }
            if (thunk == 0) break;
            if (ListFull(functionLines, functionText)) {
                Note(ModuleNote{NoteKind::kListCut, {}, functionLines}, functions);
                return true;
            }
            ++functionLines;
            if (thunk & ordinalFlag) {
                Value(Format("Ordinal %u", static_cast<unsigned>(thunk & 0xFFFF)), functions);
                continue;
            }
            // IMAGE_IMPORT_BY_NAME: a hint, then the name.
            const auto byName =
                rvaBased ? std::optional<uint32_t>(static_cast<uint32_t>(thunk)) : VaToRva(thunk);
            const CByteView hint = byName ? pe->RvaToTail(*byName) : CByteView();
            if (hint.Size() < 2) {
                Value(
                    "? [" + (wide ? Hex64Text(thunk) : HexText(static_cast<uint32_t>(thunk))) + "]",
                    functions);
                continue;
            }
            std::string text = StringAt(*byName + 2).value_or("?");
            functionText += text.size();
            Value(text + Format(" (Hint = %u)", hint.U16(0).value_or(0)), functions);
        }
    }
    return true;
}

void CHeadersReport::AddCodeView(CByteView data, ReportNode parent) {
    const uint32_t signature = data.U32(0).value_or(0);
    if (signature == 0x53445352 && data.Size() >= 24) {  // "RSDS"
        Value("CvSignature = " + SignatureText(signature), parent);
        Value("Guid = " + GuidText(*data.Sub(4, 16)), parent);
        Value(Format("Age = %u", data.U32(20).value_or(0)), parent);
        const auto path = data.StringZ(24, kMaxRvaStringLength, true).value_or("");
        Value("PdbFileName = " + ModuleStringText(path), parent);
    } else if (signature == 0x3031424E && data.Size() >= 16) {  // "NB10"
        Value("CvSignature = " + SignatureText(signature), parent);
        Value("Signature = [" + HexText(data.U32(8).value_or(0)) + "] " +
                  StampText(data.U32(8).value_or(0)),
              parent);
        Value(Format("Age = %u", data.U32(12).value_or(0)), parent);
        const auto path = data.StringZ(16, kMaxRvaStringLength, true).value_or("");
        Value("PdbFileName = " + ModuleStringText(path), parent);
    } else {
        Value("CvSignature = " + SignatureText(signature), parent);
    }
}

bool CHeadersReport::AddDebugDirectory(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    DataDirectoryEntry entry;
    const ReportNode group = DirectoryGroup("Debug", kDirDebug, parent, entry);
    if (entry.VirtualAddress == 0) return true;
    const char* where = "IMAGE_DEBUG_DIRECTORY";
    const CByteView tail = pe->RvaToTail(entry.VirtualAddress);
    if (tail.Empty()) {
        Note(ModuleNote{NoteKind::kDirectoryNotPlaced, where, entry.VirtualAddress, entry.Size},
             group);
        return false;
    }
    const size_t declared = entry.Size / kDebugEntrySize;
    const size_t present = std::min(declared, tail.Size() / kDebugEntrySize);
    const size_t count = std::min(present, kMaxDebugEntries);
    const CByteView file = pe->View();
    for (size_t i = 0; i < count; ++i) {
        CByteReader r(tail, i * kDebugEntrySize);
        const uint32_t characteristics = r.U32(), stamp = r.U32();
        const uint16_t major = r.U16(), minor = r.U16();
        const uint32_t type = r.U32(), size = r.U32(), address = r.U32(), pointer = r.U32();
        const ReportNode item = Group(std::string(DebugTypeName(type)), group);
        Value("Characteristics = " + HexText(characteristics), item);
        Value("TimeDateStamp = [" + HexText(stamp) + "] " + StampText(stamp), item);
        Value(Format("MajorVersion = %u", major), item);
        Value(Format("MinorVersion = %u", minor), item);
        Value(Format("Type = %u (%s)", type, std::string(DebugTypeName(type)).c_str()), item);
        Value(Format("SizeOfData = %u", size), item);
        Value("AddressOfRawData = " + HexText(address), item);
        Value("PointerToRawData = " + HexText(pointer), item);
        if (type == 2 && size != 0) {
            const CByteView data = file.SubClamped(pointer, size);
            if (data.Size() < size)
                Note(ModuleNote{NoteKind::kStructureCut, "CodeView", data.Size(), size}, item);
            if (data.Size() >= 4) AddCodeView(data, item);
        }
    }
    if (present < declared) Note(ModuleNote{NoteKind::kDirectoryTableCut, where, present}, group);
    if (count < present) Note(ModuleNote{NoteKind::kWalkLimit, where, count}, group);
    return true;
}

bool CHeadersReport::AddTls(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    DataDirectoryEntry entry;
    const ReportNode group = DirectoryGroup("TLS", kDirTls, parent, entry);
    if (entry.VirtualAddress == 0) return true;
    const bool wide = pe->Optional().Is64();
    const char* where = wide ? "IMAGE_TLS_DIRECTORY64" : "IMAGE_TLS_DIRECTORY32";
    const size_t size = wide ? 40 : 24;
    const CByteView tail = pe->RvaToTail(entry.VirtualAddress);
    if (tail.Size() < size) {
        if (tail.Empty())
            Note(ModuleNote{NoteKind::kDirectoryNotPlaced, where, entry.VirtualAddress, entry.Size},
                 group);
        else
            Note(ModuleNote{NoteKind::kStructureCut, where, tail.Size(), size}, group);
        return false;
    }
    CByteReader r(tail);
    const auto address = [&] { return wide ? r.U64() : uint64_t{r.U32()}; };
    const uint64_t start = address(), end = address(), index = address(), callbacks = address();
    const uint32_t zeroFill = r.U32(), characteristics = r.U32();
    const auto addressText = [&](uint64_t v) {
        return wide ? Hex64Text(v) : HexText(static_cast<uint32_t>(v));
    };
    const ReportNode fields = Group(where, group);
    Value("StartAddressOfRawData = " + addressText(start), fields);
    Value("EndAddressOfRawData = " + addressText(end), fields);
    Value("AddressOfIndex = " + addressText(index), fields);
    Value("AddressOfCallBacks = " + addressText(callbacks), fields);
    Value(Format("SizeOfZeroFill = %u", zeroFill), fields);
    Value("Characteristics = " + HexText(characteristics), fields);
    if (callbacks == 0) return true;
    const ReportNode list = Group("Callbacks", group);
    // The array holds VAs and ends with a zero one.
    const auto arrayRva = VaToRva(callbacks);
    const CByteView array = arrayRva ? pe->RvaToTail(*arrayRva) : CByteView();
    const size_t step = wide ? 8 : 4;
    for (size_t k = 0;; ++k) {
        if (!array.Contains(k * step, step)) {
            Note(ModuleNote{NoteKind::kDirectoryTableCut, "AddressOfCallBacks", k}, list);
            break;
        }
        const uint64_t callback =
            wide ? array.U64(k * step).value_or(0) : array.U32(k * step).value_or(0);
        if (callback == 0) break;
        if (k == kMaxTlsCallbacks) {
            Note(ModuleNote{NoteKind::kWalkLimit, "AddressOfCallBacks", k}, list);
            break;
        }
        Value(addressText(callback), list);
    }
    return true;
}

bool CHeadersReport::AddLoadConfig(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    DataDirectoryEntry entry;
    const ReportNode group = DirectoryGroup("Lade-Konfiguration", kDirLoadConfig, parent, entry);
    if (entry.VirtualAddress == 0) return true;
    const bool wide = pe->Optional().Is64();
    const char* where = wide ? "IMAGE_LOAD_CONFIG_DIRECTORY64" : "IMAGE_LOAD_CONFIG_DIRECTORY32";
    const CByteView tail = pe->RvaToTail(entry.VirtualAddress);
    if (tail.Size() < 4) {
        Note(ModuleNote{NoteKind::kDirectoryNotPlaced, where, entry.VirtualAddress, entry.Size},
             group);
        return false;
    }
    // The structure's own Size tells which fields it has: each version of the format appends.
    const uint32_t declared = tail.U32(0).value_or(0);
    const CByteView s = tail.SubClamped(0, declared);
    const ReportNode fields = Group(where, group);
    Value(Format("Size = %u", declared), fields);
    struct Field {
        const char* name;
        uint32_t offset32;  // 0: not in the 32-bit layout
        uint32_t offset64;  // 0: not in the 64-bit layout
        bool pointer;       // pointer wide in the 64-bit layout
    };
    constexpr Field kFields[] = {
        {"SecurityCookie", 60, 88, true},        {"SEHandlerTable", 64, 0, true},
        {"SEHandlerCount", 68, 0, true},         {"GuardCFFunctionTable", 80, 128, true},
        {"GuardCFFunctionCount", 84, 136, true}, {"GuardFlags", 88, 144, false},
    };
    for (const Field& f : kFields) {
        const uint32_t offset = wide ? f.offset64 : f.offset32;
        if (offset == 0) continue;
        const size_t width = wide && f.pointer ? 8 : 4;
        if (!s.Contains(offset, width)) continue;
        if (width == 8) {
            const uint64_t v = s.U64(offset).value_or(0);
            Value(std::string(f.name) + " = " +
                      (std::string_view(f.name).ends_with("Count")
                           ? Format("%llu", static_cast<unsigned long long>(v))
                           : Hex64Text(v)),
                  fields);
        } else {
            const uint32_t v = s.U32(offset).value_or(0);
            Value(std::string(f.name) + " = " +
                      (std::string_view(f.name).ends_with("Count") ? Format("%u", v) : HexText(v)),
                  fields);
        }
    }
    if (s.Size() < declared)
        Note(ModuleNote{NoteKind::kStructureCut, where, s.Size(), declared}, group);
    return true;
}

bool CHeadersReport::AddBaseRelocations(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    DataDirectoryEntry entry;
    const ReportNode group = DirectoryGroup("Basis-Relokationen", kDirBaseReloc, parent, entry);
    if (entry.VirtualAddress == 0 || entry.Size == 0) return true;
    const char* where = "IMAGE_BASE_RELOCATION";
    const CByteView tail = pe->RvaToTail(entry.VirtualAddress);
    if (tail.Empty()) {
        Note(ModuleNote{NoteKind::kDirectoryNotPlaced, where, entry.VirtualAddress, entry.Size},
             group);
        return false;
    }
    const CByteView blocks = tail.SubClamped(0, entry.Size);
    std::array<uint64_t, 16> perType{};
    uint64_t blockCount = 0;
    uint64_t offset = 0;
    // Every block is at least its 8-byte header long, so the walk ends within Size / 8 steps.
    while (blocks.Contains(offset, 8)) {
        const uint32_t sizeOfBlock = blocks.U32(offset + 4).value_or(0);
        if (sizeOfBlock < 8) {
            Note(ModuleNote{NoteKind::kRelocationBlockBad, {}, offset, sizeOfBlock}, group);
            break;
        }
        const CByteView entries = blocks.SubClamped(offset + 8, sizeOfBlock - 8);
        for (uint64_t k = 0; k + 2 <= entries.Size(); k += 2)
            ++perType[entries.U16(k).value_or(0) >> 12];
        ++blockCount;
        if (entries.Size() < sizeOfBlock - 8) {
            Note(ModuleNote{NoteKind::kStructureCut, where, entries.Size() + 8, sizeOfBlock},
                 group);
            break;
        }
        offset += sizeOfBlock;
    }
    if (blocks.Size() < entry.Size)
        Note(ModuleNote{NoteKind::kStructureCut, "Basis-Relokationen", blocks.Size(), entry.Size},
             group);
    Value(Format("Blöcke = %llu", static_cast<unsigned long long>(blockCount)), group);
    for (uint32_t type = 0; type < perType.size(); ++type) {
        if (perType[type] == 0) continue;
        Value(Format("%s = %llu", std::string(RelocationTypeName(type)).c_str(),
                     static_cast<unsigned long long>(perType[type])),
              group);
    }
    return true;
}

bool CHeadersReport::AddClrHeader(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    DataDirectoryEntry entry;
    const ReportNode group = DirectoryGroup(".NET (CLR)", kDirClr, parent, entry);
    if (entry.VirtualAddress == 0) return true;
    const char* where = "IMAGE_COR20_HEADER";
    const CByteView tail = pe->RvaToTail(entry.VirtualAddress);
    if (tail.Size() < 24) {
        if (tail.Empty())
            Note(ModuleNote{NoteKind::kDirectoryNotPlaced, where, entry.VirtualAddress, entry.Size},
                 group);
        else
            Note(ModuleNote{NoteKind::kStructureCut, where, tail.Size(), 24}, group);
        return false;
    }
    CByteReader r(tail);
    const uint32_t cb = r.U32();
    const uint16_t major = r.U16(), minor = r.U16();
    const uint32_t metaRva = r.U32(), metaSize = r.U32(), flags = r.U32(), token = r.U32();
    const ReportNode fields = Group(where, group);
    Value(Format("cb = %u", cb), fields);
    Value(Format("RuntimeVersion = %u.%u", major, minor), fields);
    Value("MetaData.VirtualAddress = " + HexText(metaRva), fields);
    Value(Format("MetaData.Size = %u", metaSize), fields);
    const std::string flagText = "Flags = " + HexText(flags);
    if (flags != 0) {
        const ReportNode flagGroup = Group(flagText, fields);
        for (const auto name : ComImageFlagNames(flags))
            Value(name, flagGroup);
    } else {
        Value(flagText, fields);
    }
    Value("EntryPointToken = " + HexText(token), fields);
    // The metadata root: "BSJB", versions, a reserved word, then a counted version string.
    const CByteView root = pe->RvaToTail(metaRva);
    if (root.U32(0).value_or(0) != 0x424A5342) {
        Note(ModuleNote{NoteKind::kDirectoryNotPlaced, "Metadaten (BSJB)", metaRva, metaSize},
             group);
        return true;
    }
    const uint32_t length = root.U32(12).value_or(0);
    const CByteView version = root.SubClamped(16, std::min<uint64_t>(length, kMaxClrVersionLength));
    const auto text = version.StringZ(0, version.Size(), true).value_or("");
    Value("Metadaten-Version = " + ModuleStringText(text), group);
    return true;
}

void CHeadersReport::AddSignature(CByteView der, ReportNode parent) {
    if (m_pkcs7 == nullptr) {
        Value("Signatur nicht dekodiert", parent);
        return;
    }
    const Pkcs7Summary summary = m_pkcs7->Decode(der);
    if (!summary.decoded) {
        Value("Signatur nicht lesbar: " + ModuleStringText(summary.error), parent);
        return;
    }
    // What the signature claims, not whether it holds: nothing here is verified.
    for (const Pkcs7Signer& signer : summary.signers) {
        const ReportNode node = Group("Unterzeichner (nicht geprüft)", parent);
        Value("Antragsteller = " + ModuleStringText(signer.subject), node);
        Value("Aussteller = " + ModuleStringText(signer.issuer), node);
        Value("Hashalgorithmus = " + ModuleStringText(signer.digest), node);
    }
    if (summary.signers.empty()) Value("Keine Unterzeichner", parent);
}

bool CHeadersReport::AddCertificates(ReportNode parent) {
    const CPeFile* pe = m_image.GetNtHeaders();
    if (!pe) return false;
    DataDirectoryEntry entry;
    const ReportNode group = DirectoryGroup("Zertifikate", kDirSecurity, parent, entry);
    if (entry.VirtualAddress == 0 || entry.Size == 0) return true;
    // This directory's address is a file offset: the table is not mapped with the image.
    const CByteView file = pe->View();
    const uint64_t start = entry.VirtualAddress;
    const CByteView table = file.SubClamped(start, entry.Size);
    if (table.Empty()) {
        Note(ModuleNote{NoteKind::kDirectoryNotPlaced, "WIN_CERTIFICATE", start, entry.Size},
             group);
        return false;
    }
    if (table.Size() < entry.Size)
        Note(ModuleNote{NoteKind::kStructureCut, "Zertifikate", table.Size(), entry.Size}, group);
    uint64_t offset = 0;
    for (size_t i = 0; table.Contains(offset, 8); ++i) {
        if (i == kMaxCertificates) {
            Note(ModuleNote{NoteKind::kWalkLimit, "WIN_CERTIFICATE", i}, group);
            break;
        }
        const uint32_t length = table.U32(offset).value_or(0);
        const uint16_t revision = table.U16(offset + 4).value_or(0);
        const uint16_t type = table.U16(offset + 6).value_or(0);
        if (length < 8) {
            Note(ModuleNote{NoteKind::kCertificateLengthBad, {}, start + offset, length}, group);
            break;
        }
        const ReportNode item = Group("WIN_CERTIFICATE", group);
        Value(Format("dwLength = %u", length), item);
        const char* revisionName = revision == 0x0100   ? " (WIN_CERT_REVISION_1_0)"
                                   : revision == 0x0200 ? " (WIN_CERT_REVISION_2_0)"
                                                        : "";
        Value(Format("wRevision = 0x%04x%s", revision, revisionName), item);
        Value(Format("wCertificateType = 0x%04x (%s)", type,
                     std::string(CertificateTypeName(type)).c_str()),
              item);
        const CByteView body = table.SubClamped(offset + 8, length - 8);
        if (body.Size() < length - 8)
            Note(ModuleNote{NoteKind::kStructureCut, "WIN_CERTIFICATE", body.Size() + 8, length},
                 item);
        if (type == 2) AddSignature(body, item);
        // Entries start on 8-byte boundaries.
        const auto next = AlignUp(offset + length, 8);
        if (!next) break;
        offset = *next;
    }
    return true;
}

}  // namespace tv
