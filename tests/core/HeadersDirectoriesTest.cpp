// The full headers report's groups after the NT headers, on modules built with every directory
// in one section, and on the same modules damaged where a walk could run away.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "module/HeadersReport.h"
#include "module/ModuleImage.h"
#include "module/PeDirectories.h"
#include "module/pkcs7/OpenSslPkcs7Decoder.h"
#include "support/DirectoryModules.h"
#include "support/PeBuilder.h"

using tv::CReportTree;
using tv::HeadersDisplay;
using tv::NoteKind;
using tvtest::AppendCertificate;
using tvtest::Blob;
using tvtest::kBase;
using tvtest::kRaw;
using tvtest::MakeSignedData;
using tvtest::Pe64Directories;
using tvtest::PeBuilder;
using tvtest::SignedModule;
using tvtest::WithDirectories;

namespace {

// Time stamps print in local time; the golden texts are written in UTC.
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

struct Report {
    std::vector<uint8_t> bytes;
    tv::CModuleImage image;
    CReportTree tree;
    std::vector<tv::ModuleNote> notes;

    // The group's lines as the report renders them, the group's own line first.
    [[nodiscard]] std::string Group(std::string_view label) const {
        const auto node = tree.Find(label);
        return node == tv::kNoReportNode ? std::string("(no group)") : tree.Render(node);
    }
    [[nodiscard]] bool Has(NoteKind kind) const { return tv::HasNote(notes, kind); }
};

std::unique_ptr<Report> MakeReport(std::vector<uint8_t> bytes,
                                   const tv::IPkcs7Decoder* decoder = nullptr,
                                   HeadersDisplay display = HeadersDisplay::Full) {
    auto r = std::make_unique<Report>();
    r->bytes = std::move(bytes);
    EXPECT_TRUE(r->image.LoadFromMemory(tv::CByteView(r->bytes.data(), r->bytes.size()), "t.dll"));
    tv::CHeadersReport report(r->image, r->tree);
    report.SetPkcs7Decoder(decoder);
    EXPECT_TRUE(report.Fill(display));
    r->notes = report.Notes();
    return r;
}

}  // namespace

TEST(HeadersDirectoriesTest, NamesEntropyAndGuidForms) {
    EXPECT_EQ(tv::SectionFlagNames(0x60500020),
              (std::vector<std::string>{"IMAGE_SCN_CNT_CODE", "IMAGE_SCN_ALIGN_16BYTES",
                                        "IMAGE_SCN_MEM_EXECUTE", "IMAGE_SCN_MEM_READ"}));
    EXPECT_EQ(tv::SectionFlagNames(0x00E00000).back(), "IMAGE_SCN_ALIGN_8192BYTES");
    EXPECT_TRUE(tv::SectionFlagNames(0x00F00000).empty());  // 15 is no alignment

    const uint8_t name[8] = {'.', 't', 'x', 0x01, '\\', 0xE4, 0, 'z'};
    EXPECT_EQ(tv::SectionNameText({name, 8}), ".tx\\x01\\x5c\\xe4");
    const uint8_t full[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    EXPECT_EQ(tv::SectionNameText({full, 8}), "abcdefgh");

    // A string table after two symbols at offset 4: its size, then ".debug_info" at offset 4
    // and a name running to the end of the file at offset 16.
    std::vector<uint8_t> file(4 + 2 * 18);
    const std::string strings = ".debug_info";
    const uint32_t tableSize = 4 + 12 + 8;
    for (int i = 0; i < 4; ++i)
        file.push_back(static_cast<uint8_t>(tableSize >> (8 * i)));
    file.insert(file.end(), strings.begin(), strings.end());
    file.push_back(0);
    file.insert(file.end(), {'.', 'c', 'u', 't'});
    const tv::CByteView view(file.data(), file.size());
    const auto longName = [&](const char* text, uint32_t symbols = 2, uint32_t at = 4) {
        uint8_t bytes[8] = {};
        std::memcpy(bytes, text, std::min<size_t>(std::strlen(text), 8));
        return tv::LongSectionNameText(view, {bytes, 8}, at, symbols);
    };
    EXPECT_EQ(longName("/4"), ".debug_info");
    EXPECT_EQ(longName("/0000004"), ".debug_info");
    EXPECT_EQ(longName("/16"), ".cut");  // ends with the file, inside the table's size
    EXPECT_EQ(longName("/24"), "");      // the table's size ends before
    EXPECT_EQ(longName("/2"), "");       // inside the size field
    EXPECT_EQ(longName("/4x"), "");
    EXPECT_EQ(longName("/"), "");
    EXPECT_EQ(longName(".text"), "");
    EXPECT_EQ(longName("/4", 2, 0), "");        // no symbol table
    EXPECT_EQ(longName("/4", 0xFFFFFFFF), "");  // table far past the end
    EXPECT_EQ(longName("/9999999", 2, 0xFFFFFFFF), "");

    std::vector<uint8_t> all(256);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<uint8_t>(i);
    EXPECT_DOUBLE_EQ(tv::ShannonEntropy({all.data(), all.size()}), 8.0);
    const std::vector<uint8_t> two = {0, 1, 0, 1};
    EXPECT_DOUBLE_EQ(tv::ShannonEntropy({two.data(), two.size()}), 1.0);
    const std::vector<uint8_t> same(100, 7);
    EXPECT_EQ(tv::ShannonEntropy({same.data(), same.size()}), 0.0);
    EXPECT_EQ(tv::ShannonEntropy({}), 0.0);

    const uint8_t guid[16] = {0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56,
                              0x9A, 0xBC, 0xDE, 0xF0, 0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(tv::GuidText({guid, 16}), "{12345678-1234-5678-9ABC-DEF011223344}");
    EXPECT_EQ(tv::GuidText({guid, 15}), "");
    EXPECT_EQ(tv::DebugTypeName(16), "IMAGE_DEBUG_TYPE_REPRO");
    EXPECT_EQ(tv::DebugTypeName(99), "IMAGE_DEBUG_TYPE_UNKNOWN");
    EXPECT_EQ(tv::RelocationTypeName(10), "IMAGE_REL_BASED_DIR64");
    EXPECT_EQ(tv::CertificateTypeName(2), "WIN_CERT_TYPE_PKCS_SIGNED_DATA");
}

TEST(HeadersDirectoriesTest, EveryDirectoryOfA64BitModule) {
    const ScopedUtc utc;
    const auto r =
        MakeReport(WithDirectories(PeBuilder::Pe32Plus().Dll(), Pe64Directories()).Build());
    EXPECT_TRUE(r->notes.empty()) << r->tree.Render();
    EXPECT_EQ(r->Group("Verzögert geladene Bibliotheken"), R"(Verzögert geladene Bibliotheken
  VirtualAddress = 0x00002000
  Size = 64 bytes
  USER32.dll
    Attributes = 0x00000001 (RVA)
    DllNameRVA = 0x00002100
    ModuleHandleRVA = 0x00002180
    ImportAddressTableRVA = 0x00002190
    ImportNameTableRVA = 0x000021b0
    BoundImportAddressTableRVA = 0x00000000
    UnloadInformationTableRVA = 0x00000000
    TimeDateStamp = 0 [0x00000000]
    Functions
      MessageBoxW (Hint = 66)
      Ordinal 7
)");
    EXPECT_EQ(r->Group("Debug"), R"(Debug
  VirtualAddress = 0x00002200
  Size = 56 bytes
  IMAGE_DEBUG_TYPE_CODEVIEW
    Characteristics = 0x00000000
    TimeDateStamp = [0x5f5e1000] 13.09.2020 12:26:40
    MajorVersion = 0
    MinorVersion = 0
    Type = 2 (IMAGE_DEBUG_TYPE_CODEVIEW)
    SizeOfData = 35
    AddressOfRawData = 0x00002240
    PointerToRawData = 0x00000640
    CvSignature = 0x53445352 [RSDS]
    Guid = {03020100-0504-0706-0809-0A0B0C0D0E0F}
    Age = 3
    PdbFileName = C:\b\x.pdb
  IMAGE_DEBUG_TYPE_POGO
    Characteristics = 0x00000000
    TimeDateStamp = [0x00000000] 01.01.1970 00:00:00
    MajorVersion = 0
    MinorVersion = 0
    Type = 13 (IMAGE_DEBUG_TYPE_POGO)
    SizeOfData = 0
    AddressOfRawData = 0x00000000
    PointerToRawData = 0x00000000
)");
    EXPECT_EQ(r->Group("TLS"), R"(TLS
  VirtualAddress = 0x00002300
  Size = 40 bytes
  IMAGE_TLS_DIRECTORY64
    StartAddressOfRawData = 0x0000000140002400
    EndAddressOfRawData = 0x0000000140002410
    AddressOfIndex = 0x0000000140002420
    AddressOfCallBacks = 0x0000000140002340
    SizeOfZeroFill = 0
    Characteristics = 0x00300000
  Callbacks
    0x0000000140001000
    0x0000000140001010
)");
    EXPECT_EQ(r->Group("Lade-Konfiguration"), R"(Lade-Konfiguration
  VirtualAddress = 0x00002380
  Size = 148 bytes
  IMAGE_LOAD_CONFIG_DIRECTORY64
    Size = 148
    SecurityCookie = 0x0000000140003000
    GuardCFFunctionTable = 0x0000000140002500
    GuardCFFunctionCount = 5
    GuardFlags = 0x00010500
)");
    EXPECT_EQ(r->Group("Basis-Relokationen"), R"(Basis-Relokationen
  VirtualAddress = 0x00002420
  Size = 28 bytes
  Blöcke = 2
  IMAGE_REL_BASED_ABSOLUTE = 1
  IMAGE_REL_BASED_HIGHLOW = 1
  IMAGE_REL_BASED_DIR64 = 4
)");
    EXPECT_EQ(r->Group(".NET (CLR)"), R"(.NET (CLR)
  VirtualAddress = 0x00002460
  Size = 72 bytes
  IMAGE_COR20_HEADER
    cb = 72
    RuntimeVersion = 2.5
    MetaData.VirtualAddress = 0x000024a0
    MetaData.Size = 64
    Flags = 0x00000009
      COMIMAGE_FLAGS_ILONLY
      COMIMAGE_FLAGS_STRONGNAMESIGNED
    EntryPointToken = 0x06000001
  Metadaten-Version = v4.0.30319
)");
}

TEST(HeadersDirectoriesTest, OldVaFormsAnd32BitLayouts) {
    // PE32, ImageBase 0x400000: the delay descriptor without Attributes bit 0 holds VAs.
    Blob s;
    const uint32_t va = 0x400000 + kBase;
    s.U32(0x04, va + 0x100);
    s.U32(0x10, va + 0x1B0);
    s.Str(0x100, "OLD.dll");
    s.U32(0x1B0, va + 0x120);
    s.U32(0x1B4, 0x80000003);
    s.Str(0x122, "Func");
    // A 32-bit load configuration whose Size ends inside SEHandlerCount: the count is left out.
    s.U32(0x380, 70);
    s.U32(0x380 + 60, 0x403000);
    s.U32(0x380 + 64, 0x402000);
    s.U32(0x380 + 68, 4);
    auto builder = WithDirectories(PeBuilder::Pe32(), s);
    builder.DataDirectory(6, 0, 0).DataDirectory(9, 0, 0).DataDirectory(5, 0, 0);
    builder.DataDirectory(14, 0, 0).DataDirectory(10, kBase + 0x380, 64);
    const auto r = MakeReport(builder.Build());
    const std::string delay = r->Group("Verzögert geladene Bibliotheken");
    EXPECT_NE(delay.find("  OLD.dll\n    Attributes = 0x00000000 (VA)\n"), std::string::npos)
        << delay;
    EXPECT_NE(delay.find("      Func (Hint = 0)\n      Ordinal 3\n"), std::string::npos) << delay;
    EXPECT_EQ(r->Group("IMAGE_LOAD_CONFIG_DIRECTORY32"), R"(IMAGE_LOAD_CONFIG_DIRECTORY32
  Size = 70
  SecurityCookie = 0x00403000
  SEHandlerTable = 0x00402000
)");
    EXPECT_TRUE(r->notes.empty()) << r->tree.Render();
}

TEST(HeadersDirectoriesTest, DamagedDirectoriesStopWithANote) {
    Blob s = Pe64Directories();
    // Relocation block of size 0: a walk that trusts it never moves.
    s.U32(0x434, 0);
    // TLS callbacks and delay descriptors that run to the section's end without a terminator.
    for (size_t o = 0x500; o < 0x800; o += 8)
        s.U64(o, 0x140001000);
    s.U64(0x318, 0x140002500);
    auto builder = WithDirectories(PeBuilder::Pe32Plus(), s);
    builder.DataDirectory(13, kBase + 0x500, 64)
        .DataDirectory(6, kBase + 0x200, 0xFFFFFFF0)
        .DataDirectory(10, kBase + 0x380, 148);
    std::vector<uint8_t> bytes = builder.Build();
    tvtest::Patch32(bytes, kRaw + 0x380, 0xFFFF);  // load configuration claims 64 KiB
    const auto r = MakeReport(bytes);
    EXPECT_TRUE(r->Has(NoteKind::kRelocationBlockBad));
    EXPECT_NE(r->Group("Basis-Relokationen").find("Blöcke = 1\n"), std::string::npos);
    EXPECT_TRUE(r->Has(NoteKind::kDirectoryTableCut));  // TLS callbacks, delay descriptors, debug
    EXPECT_NE(r->Group("Callbacks").find("AddressOfCallBacks: die Tabelle endet nach 96"),
              std::string::npos)
        << r->Group("Callbacks");
    EXPECT_TRUE(r->Has(NoteKind::kStructureCut));
    EXPECT_NE(r->Group("Lade-Konfiguration").find("GuardFlags = 0x00010500"), std::string::npos);

    // A section whose raw data runs past the end of the file, and more sections than the loader
    // takes.
    auto many = PeBuilder::Pe32();
    for (int i = 0; i < 100; ++i)
        many.AddSection("s" + std::to_string(i), 0x40000040, {1, 2, 3});
    std::vector<uint8_t> big = many.Build();
    const auto layout = many.Layout();
    tvtest::Patch32(big, layout.sections[0].header + 16, 0x10000000);  // SizeOfRawData
    const auto m = MakeReport(big);
    EXPECT_TRUE(m->Has(NoteKind::kSectionDataCut));
    EXPECT_TRUE(m->Has(NoteKind::kSectionsOverLimit));
    EXPECT_EQ(m->tree.ChildTexts(m->tree.Find("Abschnitte (IMAGE_SECTION_HEADER)")).size(), 97u);
    const auto summary = MakeReport(big, nullptr, HeadersDisplay::Summary);
    EXPECT_EQ(summary->tree.ChildTexts(summary->tree.Find("Abschnitte")).size(), 97u);
    EXPECT_TRUE(summary->Has(NoteKind::kSectionsOverLimit));
}

// ---- certificates -------------------------------------------------------------------------------

TEST(HeadersDirectoriesTest, CertificatesWithAndWithoutADecoder) {
    const std::vector<uint8_t> der = MakeSignedData();
    ASSERT_FALSE(der.empty());
    std::vector<uint8_t> table;
    AppendCertificate(table, 2, der);
    AppendCertificate(table, 1, {1, 2, 3});
    AppendCertificate(table, 2, {0x30, 0x03, 0x02, 0x01});  // not PKCS#7
    const auto bytes = SignedModule(table, static_cast<uint32_t>(table.size()));

    const auto decoded = MakeReport(bytes, &tv::DefaultPkcs7Decoder());
    const std::string text = decoded->Group("Zertifikate");
    EXPECT_NE(text.find("  WIN_CERTIFICATE\n    dwLength = " + std::to_string(8 + der.size()) +
                        "\n    wRevision = 0x0200 (WIN_CERT_REVISION_2_0)\n"
                        "    wCertificateType = 0x0002 (WIN_CERT_TYPE_PKCS_SIGNED_DATA)\n"
                        "    Unterzeichner (nicht geprüft)\n"
                        "      Antragsteller = CN=Prüfer,O=Tarnview Test\n"
                        "      Aussteller = CN=Prüfer,O=Tarnview Test\n"
                        "      Hashalgorithmus = SHA256\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("wCertificateType = 0x0001 (WIN_CERT_TYPE_X509)\n  WIN_CERTIFICATE"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Signatur nicht lesbar: kein PKCS#7"), std::string::npos) << text;
    EXPECT_TRUE(decoded->notes.empty());

    const auto plain = MakeReport(bytes);
    EXPECT_NE(plain->Group("Zertifikate").find("Signatur nicht dekodiert"), std::string::npos);

    // Damage: a zero dwLength ends the walk; a table past the file's end is not there at all.
    std::vector<uint8_t> zero = table;
    tvtest::Patch32(zero, 0, 0);
    EXPECT_TRUE(MakeReport(SignedModule(zero, static_cast<uint32_t>(zero.size())))
                    ->Has(NoteKind::kCertificateLengthBad));
    const auto past = MakeReport(SignedModule(table, 0x7FFFFFFF));
    EXPECT_TRUE(past->Has(NoteKind::kStructureCut));
    auto outside = bytes;
    tvtest::Patch32(outside, PeBuilder::Pe32().Layout().DataDirectoryEntry(4), 0x7FFFFFF0);
    EXPECT_TRUE(MakeReport(outside)->Has(NoteKind::kDirectoryNotPlaced));
}

// Writes the modules above as seeds of fuzz_module, whose full display reaches every group.
TEST(HeadersDirectoriesTest, DISABLED_WriteFuzzModuleSeeds) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(__FILE__).parent_path() / "../../fuzz/corpus/fuzz_module";
    const auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    write("directories_pe32plus.dll",
          WithDirectories(PeBuilder::Pe32Plus().Dll(), Pe64Directories()).Build());
    std::vector<uint8_t> table;
    AppendCertificate(table, 2, MakeSignedData());
    write("signed_pe32.dll", SignedModule(table, static_cast<uint32_t>(table.size())));
}
