// The information rows of the resources window over modules made by the PE builder: the size
// texts, the module and type statistics, and the version texts with their translations.
#include "resources/InfoTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "module/VersionInfo.h"
#include "res/StringTable.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTree.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CResourceCatalog;
using tv::CVersionInfo;

namespace {

using tv::CInfoRows;
using tv::InfoRow;
using tv::SizeMark;
using tvtest::PeBuilder;
using tvtest::VersionInfoBuilder;

constexpr int kStat = tv::kInfoRowStatistics;
constexpr int kLang = tv::kInfoRowLanguage;
constexpr int kField = tv::kInfoRowVersion;

std::vector<uint8_t> Filled(size_t size, uint8_t value = 0x5A) {
    return std::vector<uint8_t>(size, value);
}

// A catalog over a builder module, enumerated. Not movable: the catalog's views point into the
// bytes.
struct Loaded {
    explicit Loaded(std::vector<uint8_t> image, const std::string& path = "C:/probe/sample.dll")
        : bytes(std::move(image)) {
        loaded = catalog.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), path) &&
                 catalog.Enumerate();
    }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;

    std::vector<uint8_t> bytes;
    CResourceCatalog catalog;
    bool loaded = false;
};

std::vector<std::string> Values(const CInfoRows& rows) {
    std::vector<std::string> values;
    for (const InfoRow& row : rows.Rows())
        values.push_back(row.value);
    return values;
}

// English (U.S., Unicode) first and German (Western European) second.
std::vector<uint8_t> BilingualVersion() {
    return VersionInfoBuilder()
        .FileVersion(1, 2, 3, 4)
        .ProductVersion(1, 2, 0, 0)
        .StringTable(0x0409, 1200)
        .Value("ProductName", "Probe")
        .Value("CompanyName", "Example Ltd.")
        .Value("LegalCopyright", "\xE2\x82\xAC 2024 Example")  // U+20AC stays a euro sign
        .StringTable(0x0407, 1252)
        .Value("ProductName", "Sonde")
        .Translation(0x0409, 1200)
        .Translation(0x0407, 1252)
        .Build();
}

TEST(InfoTexts, SizeTextsCountBytesAndOneKilobyteMoreThanTheQuotient) {
    struct Case {
        uint64_t bytes;
        SizeMark mark;
        const char* text;
    };
    const Case cases[] = {
        {12345, SizeMark::kBelow, "12.345 bytes (<13 Kb)"},
        {2048, SizeMark::kAbout, "2.048 bytes (~3 Kb)"},  // exact multiples still add one
        {0, SizeMark::kAbout, "0 bytes (~1 Kb)"},
        {1023, SizeMark::kAbout, "1.023 bytes (~1 Kb)"},
        {1024, SizeMark::kBelow, "1.024 bytes (<2 Kb)"},
        // A hostile directory can claim more than 4 Gb in all; nothing wraps.
        {5000000000, SizeMark::kAbout, "5.000.000.000 bytes (~4.882.813 Kb)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tv::ResourceSizeText(c.bytes, c.mark), c.text) << c.bytes;
}

TEST(InfoTexts, ModuleRowsCountEveryResourceOnceAndEveryDistinctType) {
    // 40 resources in 7 types, two of them named types that differ only in letter case, and
    // some resources in a second language, which neither adds a resource nor its bytes.
    PeBuilder builder = PeBuilder::Pe32().Dll();
    const std::vector<tvtest::ResId> types = {2, 3, 10, 24, 241, u"FOO", u"foo"};
    size_t total = 0;
    for (uint16_t i = 0; i < 40; ++i) {
        // The last one makes the sum 12,345 bytes.
        const size_t size = i < 39 ? 100u + i * 10u : 12345u - total;
        builder.AddResource(types[i % types.size()], static_cast<uint16_t>(i + 1), 0x0409,
                            Filled(size));
        if (i % 5 == 0)
            builder.AddResource(types[i % types.size()], static_cast<uint16_t>(i + 1), 0x0407,
                                Filled(size + 7));
        total += size;
    }
    const Loaded m(builder.Build());
    ASSERT_TRUE(m.loaded);

    CInfoRows rows;
    tv::ShowModuleInfo(m.catalog, rows);
    const std::vector<InfoRow> expected = {
        {"Modulstatistik", "C:/probe/sample.dll", kStat},
        {"Größe auf Datenträger", "12.345 bytes (<13 Kb)", kStat},
        {"Anzahl Ressourcen", "40", kStat},
        {"Ressourcetypen", "7", kStat},
    };
    EXPECT_EQ(rows.Rows(), expected);
}

TEST(InfoTexts, TypeRowsNameTheTypeAndSumItsResources) {
    const Loaded m(PeBuilder::Pe32()
                       .Dll()
                       .AddResource(u"FOO", 1, 0x0409, Filled(10))
                       .AddResource(2, 1, 0x0409, Filled(1000))
                       .AddResource(2, 2, 0x0409, Filled(1048))
                       .AddResource(24, 1, 0x0409, Filled(300))
                       .AddResource(24, 2, 0x0409, Filled(0))
                       .Build());
    ASSERT_TRUE(m.loaded);

    CInfoRows rows;
    tv::ShowTypeInfo(m.catalog, 2, rows);
    const std::vector<InfoRow> bitmap = {
        {"Modulstatistik", "C:/probe/sample.dll", kStat},
        {"Ressourcetyp", "RT_BITMAP", kStat},
        {"Größe auf Datenträger", "2.048 bytes (~3 Kb)", kStat},
        {"Anzahl Ressourcen", "2", kStat},
    };
    EXPECT_EQ(rows.Rows(), bitmap);

    tv::ShowTypeInfo(m.catalog, 24, rows);
    EXPECT_EQ(Values(rows), (std::vector<std::string>{"C:/probe/sample.dll", "<Unbekannt>",
                                                      "300 bytes (~1 Kb)", "2"}));

    tv::ShowTypeInfo(m.catalog, tv::CResourceId(u"FOO"), rows);
    EXPECT_EQ(Values(rows),
              (std::vector<std::string>{"C:/probe/sample.dll", "FOO", "10 bytes (~1 Kb)", "1"}));

    // A type the module lacks still gets its four rows.
    tv::ShowTypeInfo(m.catalog, 6, rows);
    EXPECT_EQ(Values(rows), (std::vector<std::string>{"C:/probe/sample.dll", "RT_STRING",
                                                      "0 bytes (~1 Kb)", "0"}));
}

TEST(InfoTexts, VersionRowsListFixedInformationThenEachTranslation) {
    const auto version = BilingualVersion();
    const Loaded m(PeBuilder::Pe32()
                       .Dll()
                       .AddResource(16, 1, 0x0409, version)
                       .AddResource(2, 1, 0x0409, Filled(64))
                       .Build());
    ASSERT_TRUE(m.loaded);

    CInfoRows rows;
    tv::ShowVersionInfo(m.catalog, 1, rows);
    const auto& r = rows.Rows();
    ASSERT_EQ(r.size(), 3u + 8u + 13u + 13u);

    const std::string size = tv::ResourceSizeText(version.size(), SizeMark::kAbout);
    EXPECT_EQ(r[0], (InfoRow{"Modulstatistik", "C:/probe/sample.dll", kStat}));
    EXPECT_EQ(r[1], (InfoRow{"Ressourcetyp", "RT_VERSION", kStat}));
    EXPECT_EQ(r[2], (InfoRow{"Größe auf Datenträger", size, kStat}));

    // The version label table gives labels and order; the reader gives the values.
    CVersionInfo reference;
    reference.LoadResource(tv::CByteView(version.data(), version.size()));
    const auto labels = tv::VersionLabels();
    for (size_t i = 0; i < tv::kFixedVersionLabelCount; ++i) {
        EXPECT_EQ(r[3 + i].label, tv::LoadString(labels[i].stringId));
        EXPECT_EQ(r[3 + i].value, reference.GetField(labels[i].field));
        EXPECT_EQ(r[3 + i].kind, kField);
    }

    EXPECT_EQ(r[11], (InfoRow{"Sprache", "Englisch (USA) [0x0409 4b0]", kLang}));
    EXPECT_EQ(r[24], (InfoRow{"Sprache", "Deutsch (Deutschland) [0x0407 4e4]", kLang}));
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(r[12 + i].label, tv::LoadString(labels[8 + i].stringId));
        EXPECT_EQ(r[12 + i].kind, kField);
        EXPECT_EQ(r[25 + i].label, r[12 + i].label);
        EXPECT_EQ(r[25 + i].kind, kField);
    }
    // Each translation shows its own strings; one missing in a translation is an empty value.
    EXPECT_EQ(r[12], (InfoRow{"Produktname", "Probe", kField}));
    EXPECT_EQ(r[25], (InfoRow{"Produktname", "Sonde", kField}));
    EXPECT_EQ(r[12 + tv::kFieldCompanyName].value, "Example Ltd.");
    EXPECT_EQ(r[25 + tv::kFieldCompanyName].value, "");
    EXPECT_EQ(r[12 + tv::kFieldLegalCopyright].value, "\xE2\x82\xAC 2024 Example");
}

TEST(InfoTexts, EveryVersionResourceShowsTheModulesVersionTexts) {
    // Two version resources: the texts are those of the module's version resource whichever
    // is selected; the size row sums both.
    const auto first = BilingualVersion();
    const auto second = VersionInfoBuilder()
                            .FileVersion(9, 9, 9, 9)
                            .StringTable(0x0409, 1200)
                            .Value("ProductName", "Other")
                            .Translation(0x0409, 1200)
                            .Build();
    const Loaded m(PeBuilder::Pe32()
                       .Dll()
                       .AddResource(16, 1, 0x0409, first)
                       .AddResource(16, 2, 0x0409, second)
                       .Build());
    ASSERT_TRUE(m.loaded);

    CInfoRows one;
    CInfoRows two;
    tv::ShowVersionInfo(m.catalog, 1, one);
    tv::ShowVersionInfo(m.catalog, 2, two);
    EXPECT_EQ(one.Rows(), two.Rows());
    EXPECT_EQ(one.Rows().at(2).value,
              tv::ResourceSizeText(first.size() + second.size(), SizeMark::kAbout));
    EXPECT_EQ(one.Rows().at(12).value, "Probe");
}

TEST(InfoTexts, WithoutReadableVersionTextsTheFixedRowsStayEmpty) {
    const std::vector<uint8_t> noTranslation =
        VersionInfoBuilder().FileVersion(1, 0, 0, 0).StringTable(0x0409, 1200).Build();
    std::vector<uint8_t> damaged = BilingualVersion();
    damaged.resize(6);  // the root block's header, cut before its key

    struct Case {
        const char* what;
        std::vector<uint8_t> module;
    };
    const Case cases[] = {
        {"no version resource",
         PeBuilder::Pe32().Dll().AddResource(2, 1, 0x0409, Filled(10)).Build()},
        {"no translation table",
         PeBuilder::Pe32().Dll().AddResource(16, 1, 0x0409, noTranslation).Build()},
        {"cut version resource",
         PeBuilder::Pe32().Dll().AddResource(16, 1, 0x0409, damaged).Build()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Loaded m(c.module);
        ASSERT_TRUE(m.loaded);
        CInfoRows rows;
        tv::ShowVersionInfo(m.catalog, 1, rows);
        ASSERT_EQ(rows.Rows().size(), 3u + 8u);
        EXPECT_EQ(rows.Rows()[1].value, "RT_VERSION");
        for (size_t i = 3; i < rows.Rows().size(); ++i) {
            EXPECT_EQ(rows.Rows()[i].value, "") << rows.Rows()[i].label;
            EXPECT_EQ(rows.Rows()[i].kind, kField);
        }
    }
}

// What the window's list sees: each fill empties it first and ends with one Finish, where the
// page fits its columns.
class CountingSink : public tv::CInfoRows {
public:
    void Finish() override { ++finished; }
    int finished = 0;
};

TEST(InfoTexts, EachFillReplacesTheRowsAndFinishesOnce) {
    const Loaded m(PeBuilder::Pe32().Dll().AddResource(16, 1, 0x0409, BilingualVersion()).Build());
    ASSERT_TRUE(m.loaded);
    CountingSink sink;
    tv::ShowVersionInfo(m.catalog, 1, sink);
    EXPECT_EQ(sink.Rows().size(), 37u);
    tv::ShowTypeInfo(m.catalog, 16, sink);
    tv::ShowModuleInfo(m.catalog, sink);
    EXPECT_EQ(sink.Rows().size(), 4u);
    EXPECT_EQ(sink.finished, 3);
    EXPECT_EQ(sink.Render().substr(0, 35), "Modulstatistik\tC:/probe/sample.dll\n");
}

// The tree and every fill over damaged resource sections: nothing reads outside the module (the
// ASan run of this test proves it), and the tree always holds one leaf per listed resource.
TEST(InfoTexts, DamagedResourceSectionsStillGiveRowsAndATree) {
    tvtest::PeLayout layout;
    const auto good = PeBuilder::Pe32()
                          .Dll()
                          .AddResource(u"FOO", u"BAR", 0x0409, Filled(5))
                          .AddResource(2, 1, 0x0409, Filled(9))
                          .AddResource(6, 1, 0x0407, Filled(4))
                          .AddResource(6, 1, 0x0409, Filled(4))
                          .AddResource(16, 1, 0x0409, BilingualVersion())
                          .Build(&layout);
    ASSERT_TRUE(layout.resourceDirectory.present);

    const auto check = [](const std::vector<uint8_t>& bytes) {
        const Loaded m(bytes);
        if (!m.loaded) return;
        tv::CResourceTree tree;
        tv::FillResourceTree(m.catalog, tree);
        const tv::ReportNode root = tree.Lines().TopLevel().at(0);
        size_t leaves = 0;
        CInfoRows rows;
        for (tv::ReportNode typeNode : tree.Lines().At(root).children) {
            leaves += tree.Lines().At(typeNode).children.size();
            tv::ShowTypeInfo(m.catalog, tree.Item(typeNode).type, rows);
            ASSERT_EQ(rows.Rows().size(), 4u);
        }
        EXPECT_EQ(leaves, static_cast<size_t>(m.catalog.CountOfAll()));
        tv::ShowModuleInfo(m.catalog, rows);
        // The four statistics, then one row per note of the damage.
        ASSERT_EQ(rows.Rows().size(), 4u + m.catalog.Diagnostics().size());
        for (size_t i = 4; i < rows.Rows().size(); ++i)
            ASSERT_EQ(rows.Rows()[i].label, "Hinweis");
        tv::ShowVersionInfo(m.catalog, 1, rows);
        ASSERT_GE(rows.Rows().size(), 11u);
    };

    const size_t begin = layout.resourceDirectory.offset;
    const size_t end = std::min(good.size(), begin + layout.resourceDirectory.size);
    // Bits are flipped in the directory tables, names and data entries (the payloads after them
    // are the version reader's own concern). Every third bit: as 3 and 8 share no factor, each
    // bit position of a field is still hit somewhere, and the ASan run stays short.
    size_t firstData = end;
    for (const auto& placed : layout.resources)
        firstData = std::min(firstData, placed.data.offset);
    std::vector<uint8_t> bytes = good;
    for (size_t bit = begin * 8; bit < firstData * 8; bit += 3) {
        tvtest::FlipBit(bytes, bit);
        check(bytes);
        tvtest::FlipBit(bytes, bit);
    }
    // Cuts across the tables, the entries and the payloads; a stride keeps the ASan run short.
    for (size_t size = begin; size < end; size += 5)
        check(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(size)));
}

}  // namespace
