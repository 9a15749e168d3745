// CVersionInfo over modules made by the PE builder: the field texts, translation selection, the
// ways a file can lack a version resource, and the program's own embedded version.
#include "module/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/BuildInfo.h"
#include "common/DateText.h"
#include "common/ErrorCodes.h"
#include "module/LanguageNames.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CVersionInfo;

namespace {

using tvtest::FixedFileInfo;
using tvtest::PeBuilder;
using tvtest::VersionInfoBuilder;

tv::CByteView View(const std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size()}; }

std::vector<uint8_t> ModuleWith(const std::vector<uint8_t>& version, uint16_t language = 0x0409) {
    return PeBuilder::Pe32().Dll().AddResource(16, 1, language, version, 1252).Build();
}

CVersionInfo Loaded(const std::vector<uint8_t>& version) {
    const auto module = ModuleWith(version);
    CVersionInfo info;
    info.LoadModule(View(module), "sample.dll");
    return info;
}

// English (U.S.) first, German second, as many resources compiled in the U.S. carry them.
VersionInfoBuilder Bilingual() {
    VersionInfoBuilder b;
    b.FileVersion(1, 2, 3, 4)
        .ProductVersion(10, 0, 19041, 1)
        .StringTable(0x0409, 1200)
        .Value("ProductName", "Sample")
        .Value("FileDescription", "Sample library")
        .Value("CompanyName", "Example Ltd.")
        .Value("LegalCopyright", "(c) Example")
        .StringTable(0x0407, 1252)
        .Value("ProductName", "Beispiel")
        .Value("FileDescription", "Beispielbibliothek")
        .MissingValue("CompanyName")
        .Translation(0x0409, 1200)
        .Translation(0x0407, 1252);
    return b;
}

std::vector<std::string> AllFields(const CVersionInfo& info) {
    std::vector<std::string> out;
    for (const auto& label : tv::VersionLabels())
        out.push_back(info.GetField(label.field));
    return out;
}

// Date texts show local time: pin the zone for a test and restore it after.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had) m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard() {
        if (m_had)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

TEST(VersionInfo, FirstTranslationIsTheDefaultAndSelectingAnotherSwitchesOnlyTheStrings) {
    CVersionInfo info = Loaded(Bilingual().Build());
    ASSERT_TRUE(info.HasData());
    EXPECT_EQ(info.GetErrorCode(), 0u);
    EXPECT_EQ(info.GetFileName(), "sample.dll");
    EXPECT_EQ(info.GetTranslationCount(), 2);
    EXPECT_EQ(info.GetTranslation(), 0x04B00409u);
    EXPECT_EQ(info.GetLanguageName(), "Englisch (USA)");
    EXPECT_EQ(info.GetField(tv::kFieldProductName), "Sample");
    EXPECT_EQ(info.GetField(tv::kFieldCompanyName), "Example Ltd.");
    EXPECT_EQ(info.QueryString("LegalCopyright"), "(c) Example");
    const std::string fileVersion = info.GetField(tv::kFieldFixedFileVersion);

    ASSERT_TRUE(info.SelectTranslation(1));
    EXPECT_EQ(info.GetTranslation(), 0x04E40407u);
    EXPECT_EQ(info.GetLanguageName(), "Deutsch (Deutschland)");
    EXPECT_EQ(info.GetField(tv::kFieldProductName), "Beispiel");
    EXPECT_EQ(info.GetField(tv::kFieldFileDescription), "Beispielbibliothek");
    // Missing in this table: empty, with no fallback to the English one.
    EXPECT_EQ(info.GetField(tv::kFieldCompanyName), "");
    EXPECT_EQ(info.GetField(tv::kFieldLegalCopyright), "");
    EXPECT_EQ(info.GetField(tv::kFieldFixedFileVersion), fileVersion);
    EXPECT_EQ(fileVersion, "v1.2.3.4");
    EXPECT_EQ(info.GetField(tv::kFieldFixedProductVersion), "v10.0.19041.1");

    // Out of range both ways: refused, and the selection stays.
    EXPECT_FALSE(info.SelectTranslation(-1));
    EXPECT_FALSE(info.SelectTranslation(2));
    EXPECT_EQ(info.GetTranslation(), 0x04E40407u);
    EXPECT_EQ(info.GetField(tv::kFieldProductName), "Beispiel");
}

TEST(VersionInfo, FixedInformationTexts) {
    struct Case {
        const char* what;
        FixedFileInfo fixed;
        int field;
        const char* text;
    };
    FixedFileInfo base;
    base.fileFlagsMask = 0x3F;
    base.fileFlags = 0x0A;
    auto with = [&](auto change) {
        FixedFileInfo f = base;
        change(f);
        return f;
    };
    const Case cases[] = {
        {"flags mask", base, tv::kFieldFileFlagsMask, "0x3f"},
        {"flags", base, tv::kFieldFileFlags, "0xa"},
        {"no flags", with([](auto& f) { f.fileFlags = 0; }), tv::kFieldFileFlags, "0x0"},
        {"NT", with([](auto& f) { f.fileOS = 0x40004; }), tv::kFieldFileOs, "VOS_NT_WINDOWS32"},
        {"NT only", with([](auto& f) { f.fileOS = 0x40000; }), tv::kFieldFileOs, "VOS_NT"},
        {"a combination not in the table", with([](auto& f) { f.fileOS = 0x40001; }),
         tv::kFieldFileOs, "VOS_UNKNOWN [0x00040001]"},
        {"no OS", with([](auto& f) { f.fileOS = 0; }), tv::kFieldFileOs,
         "VOS_UNKNOWN [0x00000000]"},
        {"static library", with([](auto& f) { f.fileType = 7; }), tv::kFieldFileType,
         "VFT_STATIC_LIB"},
        {"type 6", with([](auto& f) { f.fileType = 6; }), tv::kFieldFileType,
         "VFT_UNKNOWN [0x00000006]"},
        {"driver subtype 9", with([](auto& f) { f.fileType = 3, f.fileSubtype = 9; }),
         tv::kFieldFileSubtype, "VFT2_DRV_SOUND"},
        {"driver subtype 11", with([](auto& f) { f.fileType = 3, f.fileSubtype = 11; }),
         tv::kFieldFileSubtype, "VFT2_UNKNOWN [0x0000000b]"},
        {"font subtype 3", with([](auto& f) { f.fileType = 4, f.fileSubtype = 3; }),
         tv::kFieldFileSubtype, "VFT2_FONT_TRUETYPE"},
        {"font with a driver's subtype", with([](auto& f) { f.fileType = 4, f.fileSubtype = 7; }),
         tv::kFieldFileSubtype, "VFT2_UNKNOWN [0x00000007]"},
        {"subtype of an application", with([](auto& f) { f.fileType = 1, f.fileSubtype = 1; }),
         tv::kFieldFileSubtype, "VFT2_UNKNOWN [0x00000001]"},
        {"date 0", base, tv::kFieldFileDate, "null"},
        // 2005-03-07 14:05:09 UTC as a file time.
        {"date", with([](auto& f) { f.fileDateMS = 0x01C5231E, f.fileDateLS = 0xABE79880; }),
         tv::kFieldFileDate, "07.03.2005 14:05:09"},
        {"version words", with([](auto& f) { f.fileVersionMS = 0xFFFF0000, f.fileVersionLS = 1; }),
         tv::kFieldFixedFileVersion, "v65535.0.0.1"},
    };
    ZoneGuard zone("UTC");
    ASSERT_EQ(tv::UnixToFileTime(1110204309), 0x01C5231EABE79880ull);
    for (const Case& c : cases) {
        const CVersionInfo info =
            Loaded(VersionInfoBuilder().Fixed(c.fixed).Translation(0x0409, 1200).Build());
        EXPECT_EQ(info.GetField(c.field), c.text) << c.what;
    }

    // Numbers outside the table of fields give nothing, whatever the resource holds.
    const CVersionInfo info = Loaded(Bilingual().Build());
    for (int field : {-1, 12, 19, 28, 1000})
        EXPECT_EQ(info.GetField(field), "") << field;
}

TEST(VersionInfo, WithoutATranslationTableEveryTextIsEmpty) {
    CVersionInfo info = Loaded(VersionInfoBuilder()
                                   .FileVersion(1, 2, 3, 4)
                                   .StringTable(0x0409, 1200)
                                   .Value("ProductName", "Orphan")
                                   .Build());
    EXPECT_TRUE(info.HasData());
    EXPECT_EQ(info.GetTranslation(), 0u);
    EXPECT_EQ(info.GetTranslationCount(), 0);
    EXPECT_FALSE(info.SelectTranslation(0));
    EXPECT_EQ(info.GetLanguageName(), "");
    EXPECT_EQ(info.QueryString("ProductName"), "");
    for (const std::string& text : AllFields(info))
        EXPECT_EQ(text, "");
}

TEST(VersionInfo, TranslationWhoseValueIsZeroStillGivesTexts) {
    // Language neutral with code page 0: the entry's value is 0, which must not read as "none".
    const CVersionInfo info = Loaded(VersionInfoBuilder()
                                         .FileVersion(2, 0, 0, 0)
                                         .StringTable("00000000")
                                         .Value("ProductName", "Neutral")
                                         .Translation(0, 0)
                                         .Build());
    EXPECT_EQ(info.GetTranslation(), 0u);
    EXPECT_EQ(info.GetLanguageName(), "Sprachneutral");
    EXPECT_EQ(info.GetField(tv::kFieldProductName), "Neutral");
    EXPECT_EQ(info.GetField(tv::kFieldFixedFileVersion), "v2.0.0.0");
}

TEST(VersionInfo, TakesTheVersionResourceByNameAndLanguageRule) {
    const auto version = [](const char* product) {
        return VersionInfoBuilder()
            .StringTable(0x0409, 1200)
            .Value("ProductName", product)
            .Translation(0x0409, 1200)
            .Build();
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> module;
        const char* product;
    };
    const Case cases[] = {
        {"name 1 before others",
         PeBuilder::Pe32()
             .AddResource(16, 1, 0x0409, version("one"))
             .AddResource(16, u"VERSION", 0x0409, version("named"))
             .AddResource(16, 2, 0x0409, version("two"))
             .Build(),
         "one"},
        {"neutral language before English and German",
         PeBuilder::Pe32()
             .AddResource(16, 1, 0x0407, version("german"))
             .AddResource(16, 1, 0x0000, version("neutral"))
             .AddResource(16, 1, 0x0409, version("english"))
             .Build(),
         "neutral"},
        {"English before German",
         PeBuilder::Pe32()
             .AddResource(16, 1, 0x0407, version("german"))
             .AddResource(16, 1, 0x0409, version("english"))
             .Build(),
         "english"},
        {"a version resource that is not named 1",
         PeBuilder::Pe32().AddResource(16, 7, 0x0407, version("seven")).Build(), "seven"},
    };
    for (const Case& c : cases) {
        CVersionInfo info;
        info.LoadModule(View(c.module));
        EXPECT_EQ(info.GetField(tv::kFieldProductName), c.product) << c.what;
    }
}

TEST(VersionInfo, FilesWithoutAReadableVersionResource) {
    tvtest::TempDir dir;
    const auto good = dir.Write("good.dll", ModuleWith(Bilingual().Build()));
    tvtest::ResourceEntry outside;
    outside.type = 16;
    outside.name = 1;
    outside.data = Bilingual().Build();
    outside.dataRva = 0x00F00000;
    struct Case {
        const char* what;
        std::string path;
        uint32_t error;
    };
    const Case cases[] = {
        {"missing file", (dir.Path() / "missing.dll").string(), tv::kErrorFileNotFound},
        {"missing folder", (dir.Path() / "nowhere" / "x.dll").string(), tv::kErrorPathNotFound},
        {"folder", dir.Path().string(), tv::kErrorAccessDenied},
        {"not a module", dir.Write("text.dll", std::vector<uint8_t>{'M', 'Z', 'x'}).string(),
         tv::kErrorBadExeFormat},
        {"no resources",
         dir.Write("plain.dll",
                   PeBuilder::Pe32().AddSection(".text", tvtest::pe::kTextSection, {0xC3}).Build())
             .string(),
         tv::kErrorResourceDataNotFound},
        {"resources, none of them a version",
         dir.Write("icons.dll", PeBuilder::Pe32().AddResource(3, 1, 0, {1, 2, 3}).Build()).string(),
         tv::kErrorResourceTypeNotFound},
        {"empty version resource",
         dir.Write("empty.dll", PeBuilder::Pe32().AddResource(16, 1, 0, {}).Build()).string(),
         tv::kErrorResourceTypeNotFound},
        {"version data outside the file",
         dir.Write("outside.dll", PeBuilder::Pe32().AddResource(outside).Build()).string(),
         tv::kErrorInvalidData},
    };
    for (const Case& c : cases) {
        // Loaded over a good file first: nothing of it may survive the failed load.
        CVersionInfo info(good.string());
        ASSERT_TRUE(info.HasData());
        info.Load(c.path);
        EXPECT_EQ(info.GetErrorCode(), c.error) << c.what;
        EXPECT_FALSE(info.HasData()) << c.what;
        EXPECT_EQ(info.GetTranslation(), 0u) << c.what;
        EXPECT_FALSE(info.SelectTranslation(0)) << c.what;
        EXPECT_EQ(info.GetFileName(), c.path) << c.what;
        for (const std::string& text : AllFields(info))
            EXPECT_EQ(text, "") << c.what;
    }

    const CVersionInfo fromFile(good.string());
    EXPECT_EQ(fromFile.GetField(tv::kFieldProductName), "Sample");
}

TEST(VersionInfo, ProgramsOwnVersionIsEmbedded) {
    const CVersionInfo info("");
    ASSERT_TRUE(info.HasData());
    EXPECT_FALSE(info.GetFileName().empty());
    EXPECT_EQ(info.GetTranslationCount(), 1);
    EXPECT_EQ(info.GetTranslation() & 0xFFFF, 0x0407u);
    EXPECT_EQ(info.GetLanguageName(), "Deutsch (Deutschland)");
    EXPECT_EQ(info.GetField(tv::kFieldInternalName), "Tarnview");
    EXPECT_EQ(info.GetField(tv::kFieldProductName), "Tarnview");
    EXPECT_EQ(info.GetField(tv::kFieldFileVersion), tv::BuildVersionText());
    EXPECT_EQ(info.GetField(tv::kFieldProductVersion), tv::BuildVersionText());
    EXPECT_EQ(info.GetField(tv::kFieldFixedFileVersion),
              "v" + std::to_string(tv::BuildVersionMajor()) + "." +
                  std::to_string(tv::BuildVersionMinor()) + "." +
                  std::to_string(tv::BuildVersionPatch()) + ".0");
    EXPECT_EQ(info.GetField(tv::kFieldFileType), "VFT_APP");
    EXPECT_EQ(info.GetField(tv::kFieldFileDate), "null");
    // The About box opens the comment as a link only when it starts with "http://".
    EXPECT_EQ(info.GetField(tv::kFieldComments).rfind("http://", 0), 0u);
    for (int field : {tv::kFieldFileDescription, tv::kFieldCompanyName, tv::kFieldLegalCopyright})
        EXPECT_FALSE(info.GetField(field).empty()) << field;
    // No special build: the About box shows "Release" in its place.
    EXPECT_EQ(info.GetField(tv::kFieldSpecialBuild), "");
}

TEST(VersionInfo, LanguageNamesAndTheLanguageLine) {
    EXPECT_EQ(tv::LanguageName(0x0000), "Sprachneutral");
    EXPECT_EQ(tv::LanguageName(0x0809), "Englisch (Großbritannien)");
    EXPECT_EQ(tv::LanguageName(0x0C0A), "Spanisch (Spanien, internationale Sortierung)");
    EXPECT_EQ(tv::LanguageName(0x0804), "Chinesisch (Volksrepublik China)");
    EXPECT_EQ(tv::LanguageName(0x0C07), "Deutsch (Österreich)");
    EXPECT_EQ(tv::LanguageName(0x1234), "Sprache 0x1234");
    EXPECT_EQ(tv::LanguageName(0xFFFF), "Sprache 0xffff");
    for (uint16_t id : {0x0807, 0x0413, 0x0415, 0x0405, 0x0406, 0x040B, 0x041D, 0x0414, 0x0416,
                        0x0816, 0x040E, 0x041F, 0x0408, 0x040D, 0x0401, 0x041E, 0x0422})
        EXPECT_FALSE(tv::FindLanguageName(id).empty()) << std::hex << id;

    // The code page is blank-padded, not zero-padded.
    EXPECT_EQ(tv::LanguageLineText("Englisch (USA)", 0x04B00409), "Englisch (USA) [0x0409 4b0]");
    EXPECT_EQ(tv::LanguageLineText("Deutsch (Deutschland)", 0x04E40407),
              "Deutsch (Deutschland) [0x0407 4e4]");
    EXPECT_EQ(tv::LanguageLineText("x", 0x00000409), "x [0x0409   0]");
    EXPECT_EQ(tv::LanguageLineText("x", 0xFDE90409), "x [0x0409fde9]");
}

TEST(VersionInfo, LoadFromTheResourceBytesThemselves) {
    const auto bytes = Bilingual().Build();
    CVersionInfo info;
    info.LoadResource(View(bytes), "raw");
    EXPECT_EQ(info.GetField(tv::kFieldProductName), "Sample");
    info.LoadResource(tv::CByteView(), "nothing");
    EXPECT_FALSE(info.HasData());
    EXPECT_EQ(info.GetField(tv::kFieldFixedFileVersion), "");
}

// Every field of every translation, as the information page and the fuzz target ask for them.
void ReadEverything(const CVersionInfo& source) {
    CVersionInfo info = source;
    (void)AllFields(info);
    for (int i = 0; info.SelectTranslation(i); ++i) {
        (void)info.GetLanguageName();
        (void)AllFields(info);
    }
}

TEST(VersionInfo, DamagedModulesNeverCrashTheReader) {
    ZoneGuard zone("UTC");
    const auto module = ModuleWith(Bilingual().ChildOverrunsParent().Build());
    tvtest::ForEachTruncation(module, [](const std::vector<uint8_t>& prefix) {
        CVersionInfo info;
        info.LoadModule(View(prefix));
        ReadEverything(info);
    });
    // Every bit of the version resource's bytes flipped in turn.
    tvtest::PeLayout layout;
    const auto laidOut = PeBuilder::Pe32()
                             .Dll()
                             .AddResource(16, 1, 0x0409, Bilingual().Build(), 1252)
                             .Build(&layout);
    const auto& data = layout.resources.at(0).data;
    for (size_t bit = data.offset * 8; bit < (data.offset + data.size) * 8; ++bit) {
        auto bytes = laidOut;
        tvtest::FlipBit(bytes, bit);
        CVersionInfo info;
        info.LoadModule(View(bytes));
        ReadEverything(info);
    }
}

// Writes the seed corpora of fuzz/fuzz_version.cpp and fuzz/fuzz_resource_directory.cpp from
// builder fixtures; run it again when the fixtures should change:
//   tarnview_core_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteFuzzSeeds'
TEST(VersionInfo, DISABLED_WriteFuzzSeeds) {
    const std::filesystem::path folder =
        std::filesystem::path(__FILE__).parent_path() / "../../fuzz/corpus";
    const auto write = [&](const char* target, const char* name,
                           const std::vector<uint8_t>& bytes) {
        const std::filesystem::path path = folder / target / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good()) << path;
    };
    write("fuzz_version", "bilingual", ModuleWith(Bilingual().Build()));
    write("fuzz_version", "no_padding",
          ModuleWith(Bilingual().NoPadding().VarFileInfoFirst().Build()));
    write("fuzz_version", "overrun", ModuleWith(Bilingual().ChildOverrunsParent().Build()));
    write("fuzz_version", "lengths_in_bytes",
          ModuleWith(Bilingual().ValueLengthIn(tvtest::ValueUnits::Bytes).PadEnds().Build()));
    // The bytes of a version resource alone, for the target's second reading.
    write("fuzz_version", "resource_only", Bilingual().Build());
    write("fuzz_version", "resource_neutral",
          VersionInfoBuilder()
              .StringTable(0x0000, 1200)
              .Value("ProductName", "Neutral")
              .Translation(0x0000, 1200)
              .NoPadding()
              .Build());
    write("fuzz_resource_directory", "mixed",
          PeBuilder::Pe32()
              .AddResource(u"PNG", u"LOGO", 0x0407, {1, 2, 3})
              .AddResource(3, u"ICON", 0, {4})
              .AddResource(3, 1, 0, {5})
              .AddResource(16, 1, 0x0409, Bilingual().Build())
              .AddResource(16, 1, 0x0407, {6})
              .Build());
    write("fuzz_resource_directory", "pe32plus",
          PeBuilder::Pe32Plus().AddResource(6, 1, 0, {0, 0}).AddResource(24, 1, 0, {7}).Build());
}

}  // namespace
