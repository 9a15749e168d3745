// The headers report: a loaded module as a tree of labelled lines, either as a summary with
// German labels or as a full dump with the PE/COFF field names. The report is written into an
// IReportSink, so the headers window, tarnview-cli and the tests all get the same lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "module/PeDirectories.h"
#include "module/PeFile.h"
#include "module/ReportTree.h"

namespace tv {

class CModuleImage;

enum class HeadersDisplay { Summary, Full };

// "IMAGE_FILE_MACHINE_..." for every machine value the PE/COFF format defines,
// "IMAGE_FILE_MACHINE_UNKNOWN" for any other.
[[nodiscard]] std::string_view MachineName(uint16_t machine) noexcept;
// "IMAGE_SUBSYSTEM_..." for every subsystem the format defines, "IMAGE_SUBSYSTEM_UNKNOWN" else.
[[nodiscard]] std::string_view SubsystemName(uint16_t subsystem) noexcept;
// One name per set bit of the file header's Characteristics, lowest bit first. Bit 0x0040 has
// no name and is never listed.
[[nodiscard]] std::vector<std::string_view> CharacteristicsFlagNames(uint16_t characteristics);

// The report's value forms.
[[nodiscard]] std::string HexText(uint32_t value);             // 0x0000abcd
[[nodiscard]] std::string DecHexText(uint32_t value);          // -1 [0xffffffff]
[[nodiscard]] std::string DecHexText64(uint64_t value);        // 5368709120 [0x0000000140000000]
[[nodiscard]] std::string PointerText(uintptr_t value);        // full width of an address
[[nodiscard]] std::string PointerDecHexText(uintptr_t value);  // signed decimal, full-width hex
[[nodiscard]] std::string SignatureText(uint32_t value);       // 0x00004550 [PE  ]
// The time stamp text; empty for 0x80000000 and above (negative as a 32-bit time).
[[nodiscard]] std::string StampText(uint32_t value);
[[nodiscard]] std::string TruthText(bool value);  // WAHR / FALSCH

// Bytes read from a module (names, forwarders, library names) as UTF-8 that is safe to show:
// kept as they are when they are valid UTF-8 (ASCII, or what newer tool chains write), read as
// Windows-1252 otherwise (the code page such names were written in on the systems the modules
// come from). Control characters become U+FFFD, so a name can never break a line of the report.
[[nodiscard]] std::string ModuleStringText(std::string_view bytes);

// An export line of the report, typed, for readers that want the facts rather than the text
// (tarnview-cli --json). Texts are the line's, made safe as it shows them.
struct ReportedExport {
    uint64_t ordinal = 0;  // Base plus the index, as the line counts it
    uint32_t address = 0;  // the function table's entry
    bool forwarded = false;
    std::string forwarder;           // the forwarder text, "?" when its address lies nowhere
    std::vector<std::string> names;  // in name-table order; "?" for a name that points nowhere
};

// An imported library line of the report, typed the same way.
struct ReportedImport {
    std::string name;        // as shown, "…" at the end when cut short
    std::string moduleName;  // the raw bytes to open it by; empty when cut short
    ImportDescriptor descriptor;
};

// Builds the report of one module image into a sink. The sections mirror the report's parts;
// each returns false when it finds nothing to show (nothing loaded, no NT headers, a directory
// that cannot be placed) and true otherwise.
//
// Wherever a group line cannot be added, the lines meant for it go to that group's parent.
// Lines that tell of damage ("Hinweis: ...") are value lines at the end of the group they are
// about; they appear where a table reaches past its section's data, where a name points
// nowhere, or where a list reaches the line limit.
class CHeadersReport {
public:
    // More lines than this in one list (exports or imported libraries) end the list with a note:
    // only a crafted file comes near it, and each line costs memory in the tree. The fuzz build
    // ends lists sooner: 8 KiB whose import descriptors share one name table already list
    // hundreds of thousands of lines, and reaching the limit takes the same paths.
    // The texts of one list are bounded too: a million entries of a crafted file can all point
    // at one name of 4 KiB, or a million names at one export, which the line count alone would
    // let grow to gigabytes.
#ifdef TARNVIEW_FUZZ_LIMITS
    static constexpr size_t kDefaultListLimit = 4096;
    static constexpr size_t kDefaultListTextLimit = size_t{64} << 10;
#else
    static constexpr size_t kDefaultListLimit = size_t{1} << 20;
    static constexpr size_t kDefaultListTextLimit = size_t{64} << 20;
#endif

    CHeadersReport(const CModuleImage& image, IReportSink& sink) noexcept
        : m_image(image), m_sink(sink) {}

    // Adds the root (the module's name, image 1, a module line) and the sections of the display
    // under it, then, when anything was noted, a last top-level line "Hinweise" with one line per
    // note. false when nothing is loaded or the root cannot be added.
    bool Fill(HeadersDisplay display);
    [[nodiscard]] ReportNode Root() const noexcept { return m_root; }

    bool AddLoaderRecord(ReportNode parent);
    bool AddDosHeader(ReportNode parent);
    bool AddNtHeaders(ReportNode parent);
    bool AddSummary(ReportNode parent);
    bool AddExports(ReportNode parent, bool detailed);
    bool AddImports(ReportNode parent, bool detailed);
    // The full display's groups after the NT headers, one per structure; the summary shows the
    // sections only, by name and size.
    bool AddSections(ReportNode parent, bool detailed);
    bool AddDelayImports(ReportNode parent);
    bool AddDebugDirectory(ReportNode parent);
    bool AddTls(ReportNode parent);
    bool AddLoadConfig(ReportNode parent);
    bool AddBaseRelocations(ReportNode parent);
    bool AddClrHeader(ReportNode parent);
    bool AddCertificates(ReportNode parent);

    // Decodes the signatures of the certificate table; without one each signature is listed
    // with a line saying it was not decoded. The decoder must outlive Fill.
    void SetPkcs7Decoder(const IPkcs7Decoder* decoder) noexcept { m_pkcs7 = decoder; }

    void SetListLimit(size_t lines) noexcept { m_listLimit = lines; }
    // The bytes of text one list may hold before it ends with the same note.
    void SetListTextLimit(size_t bytes) noexcept { m_listTextLimit = bytes; }
    // The notes of the last Fill, each as the last top-level line "Hinweise" lists it.
    [[nodiscard]] const std::vector<ModuleNote>& Notes() const noexcept { return m_notes; }
    // The export and imported-library lines of the last Fill, in report order.
    [[nodiscard]] const std::vector<ReportedExport>& Exports() const noexcept { return m_exports; }
    [[nodiscard]] const std::vector<ReportedImport>& Imports() const noexcept { return m_imports; }

private:
    ReportNode Add(std::string_view text, int image, ReportLineKind kind, ReportNode parent,
                   std::string_view moduleName = {});
    ReportNode Group(std::string_view text, ReportNode parent);
    void Value(std::string_view text, ReportNode parent);
    void Note(const ModuleNote& note, ReportNode parent);
    void AddFlags(uint16_t characteristics, ReportNode parent);
    void AddStandardFields(const OptionalHeader& o, ReportNode parent);
    void AddNtAdditionalFields(const OptionalHeader& o, ReportNode parent);
    void AddExportFunctions(const ExportDirectory& directory, const DataDirectoryEntry& entry,
                            ReportNode parent);
    // True when a list that holds lines entries of textBytes bytes must end before the next one.
    [[nodiscard]] bool ListFull(size_t lines, size_t textBytes) const noexcept {
        return lines >= m_listLimit || textBytes >= m_listTextLimit;
    }
    // The string at rva as shown, or nullopt when no section holds rva.
    [[nodiscard]] std::optional<std::string> StringAt(uint32_t rva) const;
    // Its bytes up to the terminator or the length limit, kMaxRvaStringLength (a longer name is
    // cut and shown ending in "…").
    [[nodiscard]] std::optional<RvaString> RawStringAt(uint32_t rva) const;
    // The group of data directory index with its VirtualAddress and Size lines.
    ReportNode DirectoryGroup(std::string_view label, size_t index, ReportNode parent,
                              DataDirectoryEntry& entry);
    // An address the file stores as a VA, as an RVA; nullopt below ImageBase or 4 GiB past it.
    [[nodiscard]] std::optional<uint32_t> VaToRva(uint64_t va) const;
    void AddCodeView(CByteView data, ReportNode parent);
    void AddSignature(CByteView der, ReportNode parent);

    const CModuleImage& m_image;
    IReportSink& m_sink;
    ReportNode m_root = kNoReportNode;
    size_t m_listLimit = kDefaultListLimit;
    size_t m_listTextLimit = kDefaultListTextLimit;
    std::vector<ModuleNote> m_notes;
    std::vector<ReportedExport> m_exports;
    std::vector<ReportedImport> m_imports;
    const IPkcs7Decoder* m_pkcs7 = nullptr;
};

// Fills sink with the report of image: CHeadersReport(image, sink).Fill(display).
bool FillHeadersReport(const CModuleImage& image, HeadersDisplay display, IReportSink& sink);

}  // namespace tv
