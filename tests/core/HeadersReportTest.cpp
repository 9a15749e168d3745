// The headers report over builder fixtures: golden texts for both displays, the export and
// import rules that real modules stress (name order, forwarders, empty slots, descriptors without
// lookup tables), and damaged modules that must give a report rather than a crash.
#include "module/HeadersReport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "module/ModuleImage.h"
#include "support/PeBuilder.h"

using tv::CModuleImage;
using tv::LOADED_IMAGE;

namespace {

using tv::CReportTree;
using tv::HeadersDisplay;
using tvtest::EntryOrder;
using tvtest::ImportLibrary;
using tvtest::PeBuilder;
using tvtest::PeLayout;
namespace pe = tvtest::pe;

// Time stamps show local time: the goldens are written for UTC.
class ScopedUtc {
public:
    ScopedUtc() {
        if (const char* tz = std::getenv("TZ")) m_old = tz;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~ScopedUtc() {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

// A module loaded from bytes the fixture keeps.
struct Module {
    explicit Module(std::vector<uint8_t> b, std::string name = "test.dll") : bytes(std::move(b)) {
        loaded = image.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), name);
    }
    CReportTree Report(HeadersDisplay display) const {
        CReportTree tree;
        tv::FillHeadersReport(image, display, tree);
        return tree;
    }
    std::string Text(HeadersDisplay display) const { return Report(display).Render(); }
    // The lines of the group with this text, the group's own line at column 0.
    std::string Group(HeadersDisplay display, const std::string& text) const {
        const CReportTree tree = Report(display);
        const auto node = tree.Find(text);
        return node == tv::kNoReportNode ? "(no line \"" + text + "\")" : tree.Render(node);
    }
    std::vector<std::string> Children(HeadersDisplay display, const std::string& text) const {
        const CReportTree tree = Report(display);
        const auto node = tree.Find(text);
        if (node == tv::kNoReportNode) return {"(no line \"" + text + "\")"};
        return tree.ChildTexts(node);
    }

    std::vector<uint8_t> bytes;
    CModuleImage image;
    bool loaded = false;
};

// A DLL whose code comes first, so export addresses like 0x1000 lie in code, not in the export
// directory.
PeBuilder Pe32Dll() {
    return PeBuilder::Pe32().Dll().AddSection(".text", pe::kTextSection,
                                              std::vector<uint8_t>(0x40, 0xC3));
}

PeBuilder SampleDll() {
    return PeBuilder::Pe32()
        .Dll()
        .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x40, 0xC3))
        .ExportDllName("sample.dll")
        .Export(1, "FirstExport", 0x1000)
        .Export(2, "SecondExport", 0x1040)
        .AddImport("KERNEL32.dll", {"GetTickCount"})
        .AddImport("USER32.dll", {"MessageBoxA"});
}

void Replace(std::string& text, const std::string& token, const std::string& value) {
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at))
        text.replace(at, token.size(), value);
}

// ---- golden texts ------------------------------------------------------------------------------

TEST(HeadersReportTest, SummaryOfASmallDll) {
    tvtest::TempDir dir;
    const std::string path = dir.Write("sample.dll", SampleDll().Build()).string();
    CModuleImage image(path.c_str());
    ASSERT_TRUE(image.IsLoaded());
    CReportTree tree;
    ASSERT_TRUE(tv::FillHeadersReport(image, HeadersDisplay::Summary, tree));
    EXPECT_EQ(tree.Render(), path + R"(
  DOS Signatur: 0x5a4d [MZ]
  NT Signatur:0x00004550 [PE  ]
  Maschine:IMAGE_FILE_MACHINE_I386
  Subsystem:IMAGE_SUBSYSTEM_WINDOWS_GUI
  Charakteristik
    IMAGE_FILE_EXECUTABLE_IMAGE
    IMAGE_FILE_32BIT_MACHINE
    IMAGE_FILE_DLL
  Exportierte Funktionen
    0001 - [0x00001000] FirstExport
    0002 - [0x00001040] SecondExport
  Importierte Bibliotheken
    KERNEL32.dll
    USER32.dll
  Abschnitte
    .text: 64 Bytes im Speicher, 512 Bytes in der Datei
    .edata: 96 Bytes im Speicher, 512 Bytes in der Datei
    .idata: 152 Bytes im Speicher, 512 Bytes in der Datei
)");

    // Images and kinds: the root and the libraries are module lines that name their module.
    using tv::ReportLineKind;
    const auto root = tree.TopLevel().at(0);
    EXPECT_EQ(tree.At(root).image, tv::kImageGroup);
    EXPECT_EQ(tree.At(root).kind, ReportLineKind::kModule);
    EXPECT_EQ(tree.At(root).moduleName, path);
    const auto exports = tree.Find("Exportierte Funktionen");
    EXPECT_EQ(tree.At(exports).image, tv::kImageGroup);
    EXPECT_EQ(tree.At(exports).kind, ReportLineKind::kGroup);
    EXPECT_EQ(tree.At(exports).moduleName, "");
    const auto first = tree.At(exports).children.at(0);
    EXPECT_EQ(tree.At(first).image, tv::kImageValue);
    EXPECT_EQ(tree.At(first).kind, ReportLineKind::kValue);
    const auto user32 = tree.Find("USER32.dll");
    EXPECT_EQ(tree.At(user32).image, tv::kImageLibrary);
    EXPECT_EQ(tree.At(user32).kind, ReportLineKind::kModule);
    EXPECT_EQ(tree.At(user32).moduleName, "USER32.dll");

    // The full display's library groups are module lines too.
    CReportTree full;
    ASSERT_TRUE(tv::FillHeadersReport(image, HeadersDisplay::Full, full));
    const auto kernel32 = full.Find("KERNEL32.dll");
    ASSERT_NE(kernel32, tv::kNoReportNode);
    EXPECT_EQ(full.At(kernel32).image, tv::kImageGroup);
    EXPECT_EQ(full.At(kernel32).kind, ReportLineKind::kModule);
    EXPECT_EQ(full.At(kernel32).moduleName, "KERNEL32.dll");
}

TEST(HeadersReportTest, FullDisplayOfAPe32Module) {
    const ScopedUtc utc;
    const Module m(SampleDll().Build(), "C:\\Tools\\sample.dll");
    ASSERT_TRUE(m.loaded);
    const LOADED_IMAGE* li = m.image.GetLoadedImage();
    std::string expected = R"(C:\Tools\sample.dll
  LOADED_IMAGE
    hFile = {HANDLE}
    MappedAddress = {BASE}
    FileHeader = {NT}
    LastRvaSection = {SECTIONS}
    Sections = {SECTIONS}
    NumberOfSections = 3
    Characteristics = 0x00002102
    fSystemImage = FALSCH
    fDOSImage = FALSCH
    SizeOfImage = 2048
    Links (LIST_ENTRY)
      Blink = {ZERO}
      Flink = {ZERO}
  IMAGE_DOS_HEADER
    e_magic (magic number) = 0x5a4d [MZ]
    e_cp (pages in file) = 3
    e_cblp (bytes on last page of file) = 144
    e_crlc (relocations) = 0
    e_cparhdr (size of header in paragraphs) = 4
    e_minalloc (minimum extra paragraphs needed) = 0
    e_maxalloc (maximum extra paragraphs needed) = 65535
    e_csum (checksum) = 0
    e_ss (initial SS value) = 0
    e_sp (initial SP value) = 184
    e_ip (initial IP value) = 0
    e_cs (initial CS value) = 0
    e_lfarlc (file address of relocation table) = 64
    e_res[4] (reserved words)
      e_res[0] = [0x0000] 0
      e_res[1] = [0x0000] 0
      e_res[2] = [0x0000] 0
      e_res[3] = [0x0000] 0
    e_ovno (overlay number) = 0
    e_oemid (OEM identifier for e_oeminfo)= 0
    e_oeminfo (OEM information; e_oemid specific) = 0
    e_res2[10] (reserved words)
      e_res2[0] = [0x0000] 0
      e_res2[1] = [0x0000] 0
      e_res2[2] = [0x0000] 0
      e_res2[3] = [0x0000] 0
      e_res2[4] = [0x0000] 0
      e_res2[5] = [0x0000] 0
      e_res2[6] = [0x0000] 0
      e_res2[7] = [0x0000] 0
      e_res2[8] = [0x0000] 0
      e_res2[9] = [0x0000] 0
    e_lfanew (file address of new exe header) = 120
  IMAGE_NT_HEADERS
    Signature = 0x00004550 [PE  ]
    FileHeader (IMAGE_FILE_HEADER)
      Machine = 0x014c (IMAGE_FILE_MACHINE_I386)
      NumberOfSections = 3
      TimeDateStamp = [0x5f5e1000] 13.09.2020 12:26:40
      NumberOfSymbols = 0
      SizeOfOptionalHeader = 224
      Characteristics = 0x2102
        IMAGE_FILE_EXECUTABLE_IMAGE
        IMAGE_FILE_32BIT_MACHINE
        IMAGE_FILE_DLL
    OptionalHeader (IMAGE_OPTIONAL_HEADER32)
      Standard fields
        Magic = 0x010b: Normal executable file
        MajorLinkerVersion = 0x0e
        MinorLinkerVersion = 0x00
        SizeOfCode = 512
        SizeOfInitializedData = 1024
        SizeOfUninitializedData = 0
        AddressOfEntryPoint = 0x00000000
        BaseOfCode = 0x00001000
        BaseOfData = 0x00002000
      NT additional fields
        ImageBase = 4194304 [0x00400000]
        SectionAlignment = 4096 [0x00001000]
        FileAlignment = 512 [0x00000200]
        MajorOperatingSystemVersion = 0x0006
        MinorOperatingSystemVersion = 0x0000
        MajorImageVersion = 0x0000
        MinorImageVersion = 0x0000
        MajorSubsystemVersion = 0x0006
        MinorSubsystemVersion = 0x0000
        Win32VersionValue = 0x00000000
        SizeOfImage = 16384
        SizeOfHeaders = 512
        CheckSum = 0 [0x00000000]
        Subsystem = 0x02: IMAGE_SUBSYSTEM_WINDOWS_GUI
        DllCharacteristics = 0x00
        SizeOfStackReserve = 1048576
        SizeOfStackCommit = 4096
        SizeOfHeapReserve = 1048576
        SizeOfHeapCommit = 4096
        LoaderFlags = 0 [0x00000000]
        NumberOfRvaAndSizes = 16
      DataDirectory[] (IMAGE_DATA_DIRECTORY)
        Export directory
          VirtualAddress = 0x00002000
          Size = 96 bytes
          IMAGE_EXPORT_DIRECTORY
            Characteristics = 0x00000000
            TimeDateStamp = [0x00000000] 01.01.1970 00:00:00
            MajorVersion = 0x00
            MinorVersion = 0x00
            Name = sample.dll
            Base = 0x00000001
            NumberOfFunctions = 2
            NumberOfNames = 2
            Functions
              0001 - [0x00001000] FirstExport
              0002 - [0x00001040] SecondExport
        Import directory
          VirtualAddress = 0x00003000
          Size = 60 bytes
          IMAGE_IMPORT_DIRECTORY
            KERNEL32.dll
              OriginalFirstThunk = 12352 [0x00003040]
              FirstThunk = 12368 [0x00003050]
              ForwarderChain = 0 [0x00000000]
              TimeDateStamp = 0 [0x00000000]
            USER32.dll
              OriginalFirstThunk = 12360 [0x00003048]
              FirstThunk = 12376 [0x00003058]
              ForwarderChain = 0 [0x00000000]
              TimeDateStamp = 0 [0x00000000]
  Abschnitte (IMAGE_SECTION_HEADER)
    .text
      Name = .text
      VirtualAddress = 0x00001000
      VirtualSize = 64
      PointerToRawData = 0x00000200
      SizeOfRawData = 512
      Characteristics = 0x60000020
        IMAGE_SCN_CNT_CODE
        IMAGE_SCN_MEM_EXECUTE
        IMAGE_SCN_MEM_READ
      Entropie = 0,54 Bit je Byte
    .edata
      Name = .edata
      VirtualAddress = 0x00002000
      VirtualSize = 96
      PointerToRawData = 0x00000400
      SizeOfRawData = 512
      Characteristics = 0x40000040
        IMAGE_SCN_CNT_INITIALIZED_DATA
        IMAGE_SCN_MEM_READ
      Entropie = 0,94 Bit je Byte
    .idata
      Name = .idata
      VirtualAddress = 0x00003000
      VirtualSize = 152
      PointerToRawData = 0x00000600
      SizeOfRawData = 512
      Characteristics = 0xc0000040
        IMAGE_SCN_CNT_INITIALIZED_DATA
        IMAGE_SCN_MEM_READ
        IMAGE_SCN_MEM_WRITE
      Entropie = 1,18 Bit je Byte
  Verzögert geladene Bibliotheken
    VirtualAddress = 0x00000000
    Size = 0 bytes
  Debug
    VirtualAddress = 0x00000000
    Size = 0 bytes
  TLS
    VirtualAddress = 0x00000000
    Size = 0 bytes
  Lade-Konfiguration
    VirtualAddress = 0x00000000
    Size = 0 bytes
  Basis-Relokationen
    VirtualAddress = 0x00000000
    Size = 0 bytes
  .NET (CLR)
    VirtualAddress = 0x00000000
    Size = 0 bytes
  Zertifikate
    VirtualAddress = 0x00000000
    Size = 0 bytes
)";
    // Addresses of the mapping change from run to run; they are printed at full pointer width.
    const int width = static_cast<int>(2 * sizeof(uintptr_t));
    const auto hex = [&](uintptr_t v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "0x%0*llx", width, static_cast<unsigned long long>(v));
        return std::string(buffer);
    };
    Replace(expected, "{HANDLE}", std::string("0x") + std::string(static_cast<size_t>(width), 'f'));
    Replace(expected, "{BASE}", hex(li->MappedAddress));
    Replace(expected, "{NT}", hex(li->MappedAddress + 120));
    Replace(expected, "{SECTIONS}", hex(li->MappedAddress + 120 + 4 + 20 + 224));
    Replace(expected, "{ZERO}", "0 [" + hex(0) + "]");
    EXPECT_EQ(m.Text(HeadersDisplay::Full), expected);
}

TEST(HeadersReportTest, FullDisplayOfAPe32PlusModule) {
    const ScopedUtc utc;
    ImportLibrary bound;
    bound.name = "KERNEL32.dll";
    bound.functions = {"GetTickCount"};
    bound.timeDateStamp = 0xFFFFFFFF;
    bound.forwarderChain = 0xFFFFFFFF;
    ImportLibrary noLookup;
    noLookup.name = "msvcrt.dll";
    noLookup.functions = {"malloc"};
    noLookup.withLookupTable = false;
    // Names added out of order and left so in the table; ordinal 4 is an empty slot, 5 has no
    // name; the export directory's stamp lies past 2038 (negative as a 32-bit time).
    const Module m(PeBuilder::Pe32Plus()
                       .Dll()
                       .ImageBase(0x180000000)
                       .StackSizes(0x123456789A, 0x2000)
                       .DllCharacteristics(0x8160)
                       .Subsystem(pe::kSubsystemWindowsCui)
                       .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x40, 0xC3))
                       .ExportDllName("wide.dll")
                       .ExportDirectoryFields(0, 0xB1CC909D, 1, 2)
                       .ExportNameOrder(EntryOrder::AsAdded)
                       .Export(3, "Zeta", 0x1010)
                       .Export(1, "Alpha", 0x1000)
                       .ExportForwarder(2, "Forwarded", "NTDLL.RtlOther")
                       .Export(5, "", 0x1030)
                       .AddImport(bound)
                       .AddImport(noLookup)
                       .AddImport("USER32.dll", {"MessageBoxW"})
                       .Build());
    ASSERT_TRUE(m.loaded);
    EXPECT_EQ(m.Group(HeadersDisplay::Full, "IMAGE_NT_HEADERS"), R"(IMAGE_NT_HEADERS
  Signature = 0x00004550 [PE  ]
  FileHeader (IMAGE_FILE_HEADER)
    Machine = 0x8664 (IMAGE_FILE_MACHINE_AMD64)
    NumberOfSections = 3
    TimeDateStamp = [0x5f5e1000] 13.09.2020 12:26:40
    NumberOfSymbols = 0
    SizeOfOptionalHeader = 240
    Characteristics = 0x2022
      IMAGE_FILE_EXECUTABLE_IMAGE
      IMAGE_FILE_LARGE_ADDRESS_AWARE
      IMAGE_FILE_DLL
  OptionalHeader (IMAGE_OPTIONAL_HEADER64)
    Standard fields
      Magic = 0x020b
      MajorLinkerVersion = 0x0e
      MinorLinkerVersion = 0x00
      SizeOfCode = 512
      SizeOfInitializedData = 1024
      SizeOfUninitializedData = 0
      AddressOfEntryPoint = 0x00000000
      BaseOfCode = 0x00001000
    NT additional fields
      ImageBase = 6442450944 [0x0000000180000000]
      SectionAlignment = 4096 [0x00001000]
      FileAlignment = 512 [0x00000200]
      MajorOperatingSystemVersion = 0x0006
      MinorOperatingSystemVersion = 0x0000
      MajorImageVersion = 0x0000
      MinorImageVersion = 0x0000
      MajorSubsystemVersion = 0x0006
      MinorSubsystemVersion = 0x0000
      Win32VersionValue = 0x00000000
      SizeOfImage = 16384
      SizeOfHeaders = 512
      CheckSum = 0 [0x00000000]
      Subsystem = 0x03: IMAGE_SUBSYSTEM_WINDOWS_CUI
      DllCharacteristics = 0x8160
      SizeOfStackReserve = 78187493530
      SizeOfStackCommit = 8192
      SizeOfHeapReserve = 1048576
      SizeOfHeapCommit = 4096
      LoaderFlags = 0 [0x00000000]
      NumberOfRvaAndSizes = 16
    DataDirectory[] (IMAGE_DATA_DIRECTORY)
      Export directory
        VirtualAddress = 0x00002000
        Size = 124 bytes
        IMAGE_EXPORT_DIRECTORY
          Characteristics = 0x00000000
          TimeDateStamp = [0xb1cc909d] 
          MajorVersion = 0x01
          MinorVersion = 0x02
          Name = wide.dll
          Base = 0x00000001
          NumberOfFunctions = 5
          NumberOfNames = 3
          Functions
            0001 - [0x00001000] Alpha
            0002 - [0x0000206c:NTDLL.RtlOther] Forwarded
            0003 - [0x00001010] Zeta
            0005 - [0x00001030]
      Import directory
        VirtualAddress = 0x00003000
        Size = 80 bytes
        IMAGE_IMPORT_DIRECTORY
          KERNEL32.dll
            OriginalFirstThunk = 12368 [0x00003050]
            FirstThunk = 12400 [0x00003070]
            ForwarderChain = -1 [0xffffffff]
            TimeDateStamp = -1 [0xffffffff]
          msvcrt.dll
            OriginalFirstThunk = 0 [0x00000000]
            FirstThunk = 12416 [0x00003080]
            ForwarderChain = 0 [0x00000000]
            TimeDateStamp = 0 [0x00000000]
          USER32.dll
            OriginalFirstThunk = 12384 [0x00003060]
            FirstThunk = 12432 [0x00003090]
            ForwarderChain = 0 [0x00000000]
            TimeDateStamp = 0 [0x00000000]
)");
}

// ---- exports ------------------------------------------------------------------------------------

TEST(HeadersReportTest, ModuleWithoutExports) {
    const Module m(PeBuilder::Pe32().AddImport("KERNEL32.dll", {"ExitProcess"}).Build());
    ASSERT_TRUE(m.loaded);
    EXPECT_TRUE(m.Children(HeadersDisplay::Summary, "Exportierte Funktionen").empty());
    EXPECT_EQ(m.Children(HeadersDisplay::Full, "Export directory"),
              (std::vector<std::string>{"VirtualAddress = 0x00000000", "Size = 0 bytes"}));
}

TEST(HeadersReportTest, EveryNamedExportShowsItsNamesWhateverTheTableOrder) {
    // Table order Zulu, Alpha, Mike, Other (ordinals 9, 2, 5, 3): a forward walk in step with
    // the ordinals would miss most of them. Ordinal 7 has no name.
    PeLayout layout;
    auto bytes = Pe32Dll()
                     .ExportBase(2)
                     .ExportNameOrder(EntryOrder::AsAdded)
                     .Export(9, "Zulu", 0x1090)
                     .Export(2, "Alpha", 0x1020)
                     .Export(5, "Mike", 0x1050)
                     .Export(3, "Other", 0x1030)
                     .Export(7, "", 0x1070)
                     .Build(&layout);
    EXPECT_EQ(Module(bytes).Children(HeadersDisplay::Summary, "Exportierte Funktionen"),
              (std::vector<std::string>{"0002 - [0x00001020] Alpha", "0003 - [0x00001030] Other",
                                        "0005 - [0x00001050] Mike", "0007 - [0x00001070]",
                                        "0009 - [0x00001090] Zulu"}));

    // Two names for one function (the fourth name now names Alpha's slot), and a slot whose
    // only name went elsewhere.
    tvtest::Patch16(bytes, layout.exportOrdinalTable.offset + 6, 0);
    EXPECT_EQ(Module(bytes).Children(HeadersDisplay::Summary, "Exportierte Funktionen"),
              (std::vector<std::string>{"0002 - [0x00001020] Alpha, Other", "0003 - [0x00001030]",
                                        "0005 - [0x00001050] Mike", "0007 - [0x00001070]",
                                        "0009 - [0x00001090] Zulu"}));

    // A name whose ordinal index lies past NumberOfFunctions names nothing; that is said.
    tvtest::Patch16(bytes, layout.exportOrdinalTable.offset + 6, 0x4000);
    EXPECT_EQ(Module(bytes).Children(HeadersDisplay::Summary, "Exportierte Funktionen").back(),
              "Hinweis: 1 Namen verweisen auf keine Funktion.");
}

TEST(HeadersReportTest, ForwarderRangeExcludesItsUpperEnd) {
    PeLayout layout;
    auto bytes = Pe32Dll()
                     .Export(1, "Local", 0x1000)
                     .ExportForwarder(2, "Other", "NTDLL.RtlOther")
                     .Build(&layout);
    const Module probe(bytes);
    const auto lines = probe.Children(HeadersDisplay::Summary, "Exportierte Funktionen");
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_NE(lines[1].find(":NTDLL.RtlOther] Other"), std::string::npos) << lines[1];
    const auto forwarder = static_cast<uint32_t>(std::stoul(lines[1].substr(10, 8), nullptr, 16));
    const uint32_t begin = layout.exportDirectory.rva;

    // Size ending exactly at the forwarder string: the address is the first byte outside.
    tvtest::Patch32(bytes, layout.DataDirectoryEntry(pe::kDirExport) + 4, forwarder - begin);
    EXPECT_EQ(Module(bytes).Children(HeadersDisplay::Summary, "Exportierte Funktionen").at(1),
              "0002 - [" + tv::HexText(forwarder) + "] Other");
    // One byte more and it is the last byte inside.
    tvtest::Patch32(bytes, layout.DataDirectoryEntry(pe::kDirExport) + 4, forwarder - begin + 1);
    EXPECT_EQ(Module(bytes).Children(HeadersDisplay::Summary, "Exportierte Funktionen").at(1),
              "0002 - [" + tv::HexText(forwarder) + ":NTDLL.RtlOther] Other");
}

TEST(HeadersReportTest, HugeCountsStopWhereTheTablesSectionEnds) {
    PeLayout layout;
    auto bytes = Pe32Dll().Export(1, "A", 0x1000).Export(2, "B", 0x1010).Build(&layout);
    const size_t dir = layout.exportDirectory.offset;
    tvtest::Patch32(bytes, dir + pe::kExpNumberOfFunctions, 0xFFFFFFFF);
    tvtest::Patch32(bytes, dir + pe::kExpNumberOfNames, 0xFFFFFFFF);
    const Module huge(bytes);
    const auto lines = huge.Children(HeadersDisplay::Full, "Functions");
    // The address table runs on into the names, strings and padding of the section: whatever
    // is not zero there is a line, and no more slots are read than the section holds.
    const auto* section = layout.FindSection(".edata");
    ASSERT_NE(section, nullptr);
    const uint64_t slots =
        (section->virtualAddress + section->sizeOfRawData - layout.exportAddressTable.rva) / 4;
    ASSERT_GE(lines.size(), 4u);
    EXPECT_LE(lines.size(), slots + 2);
    EXPECT_EQ(lines[0].substr(0, 20), "0001 - [0x00001000] ");
    EXPECT_EQ(lines[lines.size() - 2],
              "Hinweis: Nur " + std::to_string(slots) +
                  " von 4294967295 Funktionseinträgen liegen in der Datei.");
    EXPECT_EQ(lines.back().substr(0, 13), "Hinweis: Nur ");
    EXPECT_NE(lines.back().find(" von 4294967295 Namen liegen in der Datei."), std::string::npos);

    // A table no section holds.
    tvtest::Patch32(bytes, dir + pe::kExpAddressOfFunctions, 0x00F00000);
    EXPECT_EQ(Module(bytes).Children(HeadersDisplay::Summary, "Exportierte Funktionen"),
              (std::vector<std::string>{
                  "Hinweis: Die Funktionstabelle (0x00f00000) liegt in keinem Abschnitt."}));
}

TEST(HeadersReportTest, NamesThatCannotBeReadOrShownSafely) {
    PeLayout layout;
    auto bytes = Pe32Dll()
                     .ExportDllName("x.dll")
                     .Export(1, "Gr\xFC\xDF", 0x1000)  // Windows-1252
                     .Export(2,
                             "Stra\xC3\x9F"
                             "e",
                             0x1010)  // UTF-8
                     .Export(3, "two\nlines", 0x1020)
                     .Build(&layout);
    const Module m(bytes);
    EXPECT_EQ(m.Children(HeadersDisplay::Summary, "Exportierte Funktionen"),
              (std::vector<std::string>{"0001 - [0x00001000] Grüß", "0002 - [0x00001010] Straße",
                                        "0003 - [0x00001020] two\uFFFDlines"}));

    const size_t name = layout.exportDirectory.offset + pe::kExpName;
    tvtest::Patch32(bytes, name, 0);
    EXPECT_NE(Module(bytes).Group(HeadersDisplay::Full, "Name = ?"), "(no line \"Name = ?\")");
    tvtest::Patch32(bytes, name, 0x00F00000);
    EXPECT_NE(Module(bytes).Group(HeadersDisplay::Full, "Name = ? [0x00f00000]"),
              "(no line \"Name = ? [0x00f00000]\")");
    // A name without a terminator before its section's data ends shows what is there.
    const auto* section = layout.FindSection(".edata");
    ASSERT_NE(section, nullptr);
    const uint32_t last = section->virtualAddress + section->sizeOfRawData - 1;
    tvtest::Patch32(bytes, name, last);
    tvtest::Patch8(bytes, section->pointerToRawData + section->sizeOfRawData - 1, 'Q');
    EXPECT_NE(Module(bytes).Group(HeadersDisplay::Full, "Name = Q…"), "(no line \"Name = Q…\")");
    // A function name that points nowhere.
    tvtest::Patch32(bytes, layout.exportNameTable.offset, 0x00F00000);
    EXPECT_EQ(Module(bytes).Children(HeadersDisplay::Summary, "Exportierte Funktionen").at(0),
              "0001 - [0x00001000] ?");
}

TEST(HeadersReportTest, ManyExportsInReverseNameOrder) {
    // 20,000 names listed from Z to A in the table: every one must find its ordinal (the time it
    // takes is bench_headers' business).
    PeBuilder builder = Pe32Dll().ExportNameOrder(EntryOrder::AsAdded);
    constexpr uint32_t kCount = 20000;
    for (uint32_t i = kCount; i >= 1; --i)
        builder.Export(i, "F" + std::to_string(i), 0x00F00000 + i);
    const Module m(builder.Build());
    const auto lines = m.Children(HeadersDisplay::Summary, "Exportierte Funktionen");
    ASSERT_EQ(lines.size(), kCount);
    EXPECT_EQ(lines[0], "0001 - [0x00f00001] F1");
    EXPECT_EQ(lines[kCount - 1], "20000 - [0x00f04e20] F20000");
}

TEST(HeadersReportTest, ListLimitEndsALongListWithANote) {
    const Module m(SampleDll().Export(3, "Third", 0x1080).Build());
    CReportTree tree;
    tv::CHeadersReport report(m.image, tree);
    report.SetListLimit(2);
    ASSERT_TRUE(report.Fill(HeadersDisplay::Summary));
    EXPECT_EQ(tree.ChildTexts(tree.Find("Exportierte Funktionen")),
              (std::vector<std::string>{"0001 - [0x00001000] FirstExport",
                                        "0002 - [0x00001040] SecondExport",
                                        "Hinweis: Die Liste wurde nach 2 Einträgen abgebrochen."}));
}

TEST(HeadersReportTest, ListTextLimitEndsAListOfLongNames) {
    // A crafted file can point a million names at one export, or a million libraries at one
    // name: the bytes of a list's texts end it as its line count does.
    PeLayout layout;
    auto bytes = SampleDll().ExportNameOrder(EntryOrder::AsAdded).Build(&layout);
    tvtest::Patch16(bytes, layout.exportOrdinalTable.offset + 2, 0);  // both names on ordinal 1
    const Module m(bytes);
    CReportTree tree;
    tv::CHeadersReport report(m.image, tree);
    report.SetListTextLimit(22);
    ASSERT_TRUE(report.Fill(HeadersDisplay::Summary));
    EXPECT_EQ(tree.ChildTexts(tree.Find("Exportierte Funktionen")),
              (std::vector<std::string>{"0001 - [0x00001000] FirstExport, \u2026",
                                        "Hinweis: Die Liste wurde nach 1 Einträgen abgebrochen."}));
    ASSERT_EQ(report.Exports().size(), 1u);
    EXPECT_EQ(report.Exports()[0].names, std::vector<std::string>{"FirstExport"});

    CReportTree libraries;
    tv::CHeadersReport cut(m.image, libraries);
    cut.SetListTextLimit(10);
    ASSERT_TRUE(cut.Fill(HeadersDisplay::Summary));
    EXPECT_EQ(libraries.ChildTexts(libraries.Find("Importierte Bibliotheken")),
              (std::vector<std::string>{"KERNEL32.dll",
                                        "Hinweis: Die Liste wurde nach 1 Einträgen abgebrochen."}));
}

// ---- imports ------------------------------------------------------------------------------------

TEST(HeadersReportTest, ImportListEndsAtTheTerminatorOrTheDirectorySize) {
    ImportLibrary noLookup;
    noLookup.name = "NOLOOKUP.dll";
    noLookup.functions = {"f"};
    noLookup.withLookupTable = false;
    PeLayout layout;
    auto bytes = PeBuilder::Pe32()
                     .AddImport("ONE.dll", {"a"})
                     .AddImport(noLookup)
                     .AddImport("THREE.dll", {"c"})
                     .AddImport("FOUR.dll", {"d"})
                     .Build(&layout);
    // OriginalFirstThunk 0 does not end the list.
    const Module all(bytes);
    EXPECT_EQ(all.Children(HeadersDisplay::Summary, "Importierte Bibliotheken"),
              (std::vector<std::string>{"ONE.dll", "NOLOOKUP.dll", "THREE.dll", "FOUR.dll"}));
    EXPECT_EQ(all.Children(HeadersDisplay::Full, "NOLOOKUP.dll").at(0),
              "OriginalFirstThunk = 0 [0x00000000]");

    // A Size for three descriptors lists three, though more follow.
    auto three = bytes;
    tvtest::Patch32(three, layout.DataDirectoryEntry(pe::kDirImport) + 4, 3 * 20 + 19);
    EXPECT_EQ(Module(three).Children(HeadersDisplay::Summary, "Importierte Bibliotheken"),
              (std::vector<std::string>{"ONE.dll", "NOLOOKUP.dll", "THREE.dll"}));

    // A descriptor without name and address table ends the list, whatever else it holds.
    auto ended = bytes;
    tvtest::Patch32(ended, layout.imports[2].descriptor + pe::kImpName, 0);
    tvtest::Patch32(ended, layout.imports[2].descriptor + pe::kImpFirstThunk, 0);
    EXPECT_EQ(Module(ended).Children(HeadersDisplay::Summary, "Importierte Bibliotheken"),
              (std::vector<std::string>{"ONE.dll", "NOLOOKUP.dll"}));

    // Without a name but with an address table it is listed, with an empty text.
    auto unnamed = bytes;
    tvtest::Patch32(unnamed, layout.imports[0].descriptor + pe::kImpName, 0);
    EXPECT_EQ(Module(unnamed).Children(HeadersDisplay::Summary, "Importierte Bibliotheken").at(0),
              "");
}

TEST(HeadersReportTest, ImportStampsAndDescriptorsRunningOutOfTheirSection) {
    const ScopedUtc utc;
    ImportLibrary stamped;
    stamped.name = "OLD.dll";
    stamped.functions = {"f"};
    stamped.timeDateStamp = 0x2A425E19;
    const Module m(PeBuilder::Pe32().AddImport(stamped).Build());
    EXPECT_EQ(m.Children(HeadersDisplay::Full, "OLD.dll").at(3),
              "TimeDateStamp = [0x2a425e19] 19.06.1992 22:22:17");

    // A directory placed at the last 40 bytes of a section full of non-zero bytes, with a Size
    // that claims many more descriptors.
    const PeLayout layout =
        PeBuilder::Pe32()
            .AddSection(".junk", pe::kDataSection, std::vector<uint8_t>(0x200, 0x11))
            .Layout();
    const uint32_t at = layout.sections[0].virtualAddress + 0x200 - 40;
    const Module junk(PeBuilder::Pe32()
                          .AddSection(".junk", pe::kDataSection, std::vector<uint8_t>(0x200, 0x11))
                          .DataDirectory(pe::kDirImport, at, 0x1000)
                          .Build());
    EXPECT_EQ(junk.Children(HeadersDisplay::Summary, "Importierte Bibliotheken"),
              (std::vector<std::string>{
                  "", "",
                  "Hinweis: Das Importverzeichnis endet nach 2 Einträgen mit den Daten seines "
                  "Abschnitts."}));
}

// ---- headers ------------------------------------------------------------------------------------

TEST(HeadersReportTest, CharacteristicsAndDllCharacteristics) {
    const Module none(PeBuilder::Pe32().FileCharacteristics(0).DllCharacteristics(0x2000).Build());
    const CReportTree full = none.Report(HeadersDisplay::Full);
    const auto line = full.Find("Characteristics = 0x0000");
    ASSERT_NE(line, tv::kNoReportNode);
    EXPECT_EQ(full.At(line).image, tv::kImageValue);
    EXPECT_TRUE(full.At(line).children.empty());
    EXPECT_NE(full.Find("DllCharacteristics = 0x2000: Driver is a WDM Driver"), tv::kNoReportNode);
    EXPECT_EQ(none.Report(HeadersDisplay::Summary).Find("Charakteristik"), tv::kNoReportNode);

    const Module combined(PeBuilder::Pe32().DllCharacteristics(0x0003).Build());
    EXPECT_NE(combined.Report(HeadersDisplay::Full).Find("DllCharacteristics = 0x03"),
              tv::kNoReportNode);
    const Module reserved(PeBuilder::Pe32().DllCharacteristics(0x0004).Build());
    EXPECT_NE(reserved.Report(HeadersDisplay::Full).Find("DllCharacteristics = 0x04: Reserved"),
              tv::kNoReportNode);
    // Bit 0x0040 has no name and is never listed.
    EXPECT_EQ(tv::CharacteristicsFlagNames(0x0041),
              (std::vector<std::string_view>{"IMAGE_FILE_RELOCS_STRIPPED"}));
}

TEST(HeadersReportTest, MachineAndSubsystemNamesCoverTheFormat) {
    EXPECT_EQ(tv::MachineName(0x014C), "IMAGE_FILE_MACHINE_I386");
    EXPECT_EQ(tv::MachineName(0xAA64), "IMAGE_FILE_MACHINE_ARM64");
    EXPECT_EQ(tv::MachineName(0xA641), "IMAGE_FILE_MACHINE_ARM64EC");
    EXPECT_EQ(tv::MachineName(0x01C4), "IMAGE_FILE_MACHINE_ARMNT");
    EXPECT_EQ(tv::MachineName(0x5064), "IMAGE_FILE_MACHINE_RISCV64");
    EXPECT_EQ(tv::MachineName(0x6264), "IMAGE_FILE_MACHINE_LOONGARCH64");
    EXPECT_EQ(tv::MachineName(0x0EBC), "IMAGE_FILE_MACHINE_EBC");
    EXPECT_EQ(tv::MachineName(0), "IMAGE_FILE_MACHINE_UNKNOWN");
    EXPECT_EQ(tv::MachineName(0x1234), "IMAGE_FILE_MACHINE_UNKNOWN");
    EXPECT_EQ(tv::SubsystemName(10), "IMAGE_SUBSYSTEM_EFI_APPLICATION");
    EXPECT_EQ(tv::SubsystemName(16), "IMAGE_SUBSYSTEM_WINDOWS_BOOT_APPLICATION");
    EXPECT_EQ(tv::SubsystemName(4), "IMAGE_SUBSYSTEM_UNKNOWN");
    EXPECT_EQ(tv::SubsystemName(15), "IMAGE_SUBSYSTEM_UNKNOWN");

    const Module arm(PeBuilder::Pe32Plus().Machine(0xAA64).Subsystem(17).Build());
    const auto summary = arm.Children(HeadersDisplay::Summary, arm.image.GetPath());
    EXPECT_EQ(summary.at(2), "Maschine:IMAGE_FILE_MACHINE_ARM64");
    EXPECT_EQ(summary.at(3), "Subsystem:IMAGE_SUBSYSTEM_XBOX_CODE_CATALOG");
}

// ---- the sink -----------------------------------------------------------------------------------

// Refuses lines with one text, as a tree control may refuse an insertion.
class RefusingSink : public tv::IReportSink {
public:
    explicit RefusingSink(std::string refused) : m_refused(std::move(refused)) {}
    tv::ReportNode AddLine(const tv::ReportLine& line, tv::ReportNode parent) override {
        if (line.text == m_refused) return tv::kNoReportNode;
        return tree.AddLine(line, parent);
    }
    CReportTree tree;

private:
    std::string m_refused;
};

TEST(HeadersReportTest, LinesOfAGroupThatCannotBeAddedGoToItsParent) {
    const Module m(SampleDll().Build());
    RefusingSink sink("IMAGE_EXPORT_DIRECTORY");
    ASSERT_TRUE(tv::FillHeadersReport(m.image, HeadersDisplay::Full, sink));
    const auto lines = sink.tree.ChildTexts(sink.tree.Find("Export directory"));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2], "Characteristics = 0x00000000");
    EXPECT_EQ(lines.back(), "Functions");

    RefusingSink noRoot("test.dll");
    EXPECT_FALSE(tv::FillHeadersReport(m.image, HeadersDisplay::Summary, noRoot));
    EXPECT_TRUE(noRoot.tree.Empty());
}

TEST(HeadersReportTest, NothingLoadedGivesNoLines) {
    CModuleImage empty;
    CReportTree tree;
    EXPECT_FALSE(tv::FillHeadersReport(empty, HeadersDisplay::Summary, tree));
    EXPECT_FALSE(tv::FillHeadersReport(empty, HeadersDisplay::Full, tree));
    EXPECT_TRUE(tree.Empty());
}

// ---- damaged modules ----------------------------------------------------------------------------

// Both displays of whatever loads; the sanitizer build turns any stray read into a failure.
size_t ReportBoth(const std::vector<uint8_t>& bytes) {
    CModuleImage image;
    if (!image.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "damaged.dll")) return 0;
    CReportTree summary, full;
    EXPECT_TRUE(tv::FillHeadersReport(image, HeadersDisplay::Summary, summary));
    EXPECT_TRUE(tv::FillHeadersReport(image, HeadersDisplay::Full, full));
    return summary.Size() + full.Size();
}

std::vector<uint8_t> RichModule() {
    return PeBuilder::Pe32()
        .Dll()
        .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x40, 0xC3))
        .ExportDllName("rich.dll")
        .Export(1, "One", 0x1000)
        .Export(3, "", 0x1010)
        .ExportForwarder(4, "Fwd", "OTHER.Fn")
        .AddImport("KERNEL32.dll", {"GetTickCount", tvtest::ImportFunction::ByOrdinal(7)})
        .AddImport("USER32.dll", {"MessageBoxA"})
        .Build();
}

TEST(HeadersReportTest, TruncatedAtEveryOffset) {
    const auto bytes = RichModule();
    size_t loaded = 0;
    tvtest::ForEachTruncation(bytes, [&](const std::vector<uint8_t>& prefix) {
        if (ReportBoth(prefix) != 0) ++loaded;
    });
    // Everything from the optional header's magic on loads.
    EXPECT_GT(loaded, bytes.size() / 2);
}

TEST(HeadersReportTest, FlippedBitsInTheHeadersAndAcrossTheFile) {
    for (auto bytes : {RichModule(), PeBuilder::Pe32Plus()
                                         .Export(1, "A", 0x1000)
                                         .ExportForwarder(2, "B", "X.Y")
                                         .AddImport("K.dll", {"f"})
                                         .Build()}) {
        const size_t headerBits = 8 * 0x200;
        for (size_t bit = 0; bit < headerBits; ++bit) {
            tvtest::FlipBit(bytes, bit);
            ReportBoth(bytes);
            tvtest::FlipBit(bytes, bit);
        }
        // Beyond the headers: every 7th bit, so each byte sees different bit positions.
        for (size_t bit = headerBits; bit < 8 * bytes.size(); bit += 7) {
            tvtest::FlipBit(bytes, bit);
            ReportBoth(bytes);
            tvtest::FlipBit(bytes, bit);
        }
    }
}

// ---- fuzz seeds ---------------------------------------------------------------------------------

// Writes the seed corpus of fuzz/fuzz_module.cpp from builder fixtures; run it again when the
// fixtures should change:
//   tarnview_core_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteFuzzModuleSeeds'
TEST(HeadersReportTest, DISABLED_WriteFuzzModuleSeeds) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(__FILE__).parent_path() / "../../fuzz/corpus/fuzz_module";
    fs::create_directories(dir);
    const auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    write("sample_pe32.dll", SampleDll().Build());
    write("rich_pe32.dll", RichModule());

    ImportLibrary noLookup;
    noLookup.name = "msvcrt.dll";
    noLookup.functions = {"malloc"};
    noLookup.withLookupTable = false;
    noLookup.timeDateStamp = 0xFFFFFFFF;
    write("unsorted_pe32plus.dll", PeBuilder::Pe32Plus()
                                       .Dll()
                                       .ExportNameOrder(EntryOrder::AsAdded)
                                       .Export(3, "Zeta", 0x1010)
                                       .Export(1, "Alpha", 0x1000)
                                       .ExportForwarder(2, "Fwd", "NTDLL.RtlOther")
                                       .AddImport(noLookup)
                                       .AddImport("USER32.dll", {"MessageBoxW"})
                                       .Build());

    PeLayout layout;
    auto huge = Pe32Dll().Export(1, "A", 0x1000).Export(2, "B", 0x1010).Build(&layout);
    tvtest::Patch32(huge, layout.exportDirectory.offset + pe::kExpNumberOfFunctions, 0xFFFFFFFF);
    tvtest::Patch32(huge, layout.exportDirectory.offset + pe::kExpNumberOfNames, 0xFFFFFFFF);
    write("huge_counts.dll", huge);

    auto overlap = SampleDll().Build(&layout);
    tvtest::Patch16(overlap, layout.fileHeader + pe::kFileSizeOfOptionalHeader, 96);
    write("small_optional_header.dll", overlap);
}

}  // namespace

namespace {

TEST(HeadersReportTest, NotesAreGatheredInALastTopLevelLine) {
    // A clean module has no such line.
    const CReportTree clean = Module(SampleDll().Build()).Report(HeadersDisplay::Summary);
    ASSERT_EQ(clean.TopLevel().size(), 1u);

    // An export table cut short by its section: the note stays in its group and is listed again
    // at the end, in both displays, as note lines.
    PeLayout layout;
    auto bytes = Pe32Dll().Export(1, "A", 0x1000).Export(2, "B", 0x1010).Build(&layout);
    tvtest::Patch32(bytes, layout.exportDirectory.offset + pe::kExpNumberOfFunctions, 0xFFFFFFFF);
    const Module cut(bytes);
    for (const HeadersDisplay display : {HeadersDisplay::Summary, HeadersDisplay::Full}) {
        const CReportTree tree = cut.Report(display);
        ASSERT_EQ(tree.TopLevel().size(), 2u);
        const auto notes = tree.TopLevel()[1];
        EXPECT_EQ(tree.At(notes).text, "Hinweise");
        const auto texts = tree.ChildTexts(notes);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].substr(0, 4), "Nur ");
        EXPECT_NE(texts[0].find(" von 4294967295 Funktionseinträgen liegen in der Datei."),
                  std::string::npos);
        EXPECT_EQ(tree.At(tree.At(notes).children[0]).kind, tv::ReportLineKind::kNote);
        EXPECT_NE(tree.Find("Hinweis: " + texts[0], tree.TopLevel()[0]), tv::kNoReportNode);
    }

    // Damage of the headers themselves reaches the summary through the list too.
    auto shortTable = SampleDll().Build(&layout);
    tvtest::Patch16(shortTable, layout.fileHeader + 2, 200);  // NumberOfSections
    const CReportTree summary = Module(shortTable).Report(HeadersDisplay::Summary);
    ASSERT_EQ(summary.TopLevel().size(), 2u);
    const auto texts = summary.ChildTexts(summary.TopLevel()[1]);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().substr(0, 43), "Die Abschnittstabelle wird vom Dateiende ab");
}

}  // namespace
