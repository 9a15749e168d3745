// The texts the details scan writes per row, and the quick resource reader behind the version and
// resource columns, which must agree with the full readers on every module, damaged ones included.
#include "browser/ScanTexts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "browser/ModuleRows.h"
#include "common/DateText.h"
#include "module/VersionInfo.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceProbe.h"
#include "shell/ShellNamespace.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CResourceCatalog;
using tv::CShellNamespace;
using tv::CVersionInfo;

namespace {

using tv::ScanCells;
using namespace tvtest;

std::vector<uint8_t> VersionBlock() {
    return VersionInfoBuilder()
        .FileVersion(1, 2, 3, 4)
        .StringTable(0x0407, 1200)
        .Value("ProductVersion", "7.1")
        .Value("FileDescription", "Beispiel")
        .Value("LegalCopyright", "© Niemand")
        .Translation(0x0407, 1200)
        .Build();
}

// 3 bitmaps, 2 icons, 1 icon group and 1 version resource, plus a string block in two languages.
std::vector<uint8_t> CountedModule() {
    auto builder = PeBuilder::Pe32();
    const auto icon = IconImage(16, 16, 4).Build();
    for (uint16_t id = 1; id <= 3; ++id)
        builder.AddResource(2, id, 0, Dib(2, 2, 1).Build());
    builder.AddResource(3, 1, 0, icon).AddResource(3, 2, 0, icon);
    builder.AddResource(14, 1, 0, GroupIcon({IconEntryFor(icon, 1), IconEntryFor(icon, 2)}));
    builder.AddResource(16, 1, 0x0407, VersionBlock());
    return builder.Build();
}

std::string CellText(const ScanCells& cells, int column) {
    for (const auto& cell : cells)
        if (cell.column == column) return cell.text;
    return "<none>";
}

// What the resource window's catalog counts, in the scan's columns.
std::optional<tv::ResourceCounts> CatalogCounts(const std::string& path) {
    CResourceCatalog catalog;
    if (!catalog.Enumerate(path)) return std::nullopt;
    tv::ResourceCounts counts;
    counts.bitmaps = catalog.CountOfType(2);
    counts.dialogs = catalog.CountOfType(5);
    counts.cursors = catalog.CountOfType(1);
    counts.icons = catalog.CountOfType(3);
    counts.menus = catalog.CountOfType(4);
    counts.strings = catalog.CountOfType(6);
    counts.versions = catalog.CountOfType(16);
    counts.total = catalog.CountOfAll();
    return counts;
}

void ExpectSameCounts(const std::string& path, const std::string& what) {
    tv::ResourceCounts quick;
    const bool counted = tv::CountResources(path, quick);
    const auto full = CatalogCounts(path);
    ASSERT_EQ(counted, full.has_value()) << what;
    if (!counted) return;
    EXPECT_EQ(tv::ResourceTexts(quick), tv::ResourceTexts(*full)) << what;
    EXPECT_EQ(quick.total, full->total) << what;
}

TEST(ScanTextsTest, ResourceCountsFillTheirColumnsAndTheRestGoesToOther) {
    TempDir dir;
    const auto path = dir.Write("counted.dll", CountedModule()).string();
    const ScanCells cells = tv::ResourceTexts(path);
    EXPECT_EQ(cells, (ScanCells{{1, "3"}, {4, "2"}, {7, "1"}, {8, "1"}}));
    ExpectSameCounts(path, "counted");

    // Not a module, no resources, no file: nothing is written.
    EXPECT_TRUE(
        tv::ResourceTexts(dir.Write("text.dll", std::vector<uint8_t>(100, 'x')).string()).empty());
    EXPECT_TRUE(
        tv::ResourceTexts(dir.Write("bare.dll", PeBuilder::Pe32().Build()).string()).empty());
    EXPECT_TRUE(tv::ResourceTexts((dir.Path() / "missing.dll").string()).empty());
}

TEST(ScanTextsTest, QuickReaderAgreesWithTheCatalogOnLargeAndDamagedDirectories) {
    TempDir dir;
    // Far more directory than the first read takes: the reader must go on to the whole section.
    auto big = PeBuilder::Pe32Plus();
    for (uint16_t id = 1; id <= 6000; ++id)
        big.AddResource(6, id, 0, {0, 0});
    big.AddResource(u"NAMED", u"ENTRY", 0, {1});
    const auto bigPath = dir.Write("big.dll", big.Build()).string();
    tv::CResourceProbe probe;
    ASSERT_TRUE(probe.Open(bigPath));
    EXPECT_TRUE(probe.Mapped());
    ExpectSameCounts(bigPath, "big");
    EXPECT_EQ(tv::ResourceTexts(bigPath), (ScanCells{{6, "6000"}, {8, "1"}}));

    const auto module = CountedModule();
    ForEachTruncation(module, [&](const std::vector<uint8_t>& bytes) {
        const auto path = dir.Write("cut.dll", bytes).string();
        ExpectSameCounts(path, "cut at " + std::to_string(bytes.size()));
    });
    for (size_t bit = 0; bit < module.size() * 8; bit += 7) {
        auto bytes = module;
        FlipBit(bytes, bit);
        const auto path = dir.Write("flipped.dll", bytes).string();
        ExpectSameCounts(path, "bit " + std::to_string(bit));
    }
}

TEST(ScanTextsTest, VersionColumnsComeFromTheVersionResourceOnly) {
    TempDir dir;
    const auto path = dir.Write("v.dll", CountedModule()).string();
    EXPECT_EQ(tv::VersionTexts(path), (ScanCells{{1, "7.1"}, {2, "Beispiel"}, {3, "© Niemand"}}));

    // Without a version resource the three cells are written empty, never another module's
    // texts (nor the program's own).
    const ScanCells empty{{1, ""}, {2, ""}, {3, ""}};
    EXPECT_EQ(tv::VersionTexts(dir.Write("none.dll", PeBuilder::Pe32().Build()).string()), empty);
    EXPECT_EQ(tv::VersionTexts((dir.Path() / "missing.dll").string()), empty);

    // Whatever the damage, the quick reader shows what the version reader shows.
    const auto module = CountedModule();
    ForEachTruncation(module, [&](const std::vector<uint8_t>& bytes) {
        const auto cut = dir.Write("cut.dll", bytes).string();
        const CVersionInfo full(cut);
        EXPECT_EQ(tv::VersionTexts(cut), (ScanCells{{1, full.GetField(tv::kFieldProductVersion)},
                                                    {2, full.GetField(tv::kFieldFileDescription)},
                                                    {3, full.GetField(tv::kFieldLegalCopyright)}}))
            << "cut at " << bytes.size();
    });
}

TEST(ScanTextsTest, DetailsTextsOfFilesAndFolders) {
    EXPECT_EQ(tv::AttributeLetters(0444, ".versteckt.dll"), "RH");
    EXPECT_EQ(tv::AttributeLetters(0644, "normal.dll"), "");
    EXPECT_EQ(tv::AttributeLetters(0200, ".x"), "H");

    // A folder gets its type and nothing else.
    EXPECT_EQ(tv::DetailsTexts("Ordner", true, "sub", nullptr), (ScanCells{{2, "Ordner"}}));

    tv::FileFacts facts;
    facts.size = 5ull * 1024 * 1024 * 1024;  // beyond 32 bits
    facts.mode = 0444;
    facts.created = 0;
    facts.modified = 86400;
    facts.accessed = 2 * 86400;
    const ScanCells cells = tv::DetailsTexts("Programmbibliothek", false, "a.dll", &facts);
    EXPECT_EQ(CellText(cells, 1), "5,00 Gb");
    EXPECT_EQ(CellText(cells, 2), "Programmbibliothek");
    EXPECT_EQ(CellText(cells, 3), "R");
    EXPECT_EQ(CellText(cells, 4), tv::FileTimeTextFromUnix(0));
    EXPECT_EQ(CellText(cells, 5), tv::FileTimeTextFromUnix(86400));
    EXPECT_EQ(CellText(cells, 6), tv::FileTimeTextFromUnix(2 * 86400));
}

TEST(ScanTextsTest, ScanRowsOfARealFolder) {
    TempDir dir;
    const auto modulePath = dir.Write("m.dll", CountedModule());
    ::chmod(modulePath.c_str(), 0444);
    std::filesystem::create_directory(dir.Path() / "sub");
    CShellNamespace shell;
    const tv::ScanRow file{modulePath.string(), shell.PathToIdList(modulePath.string()), false};
    const tv::ScanRow folder{(dir.Path() / "sub").string(),
                             shell.PathToIdList((dir.Path() / "sub").string()), true};

    const ScanCells details = tv::ScanRowTexts(tv::kModeDetails, file, shell);
    EXPECT_EQ(CellText(details, 2), "Programmbibliothek");
    EXPECT_EQ(CellText(details, 3), "R");
    EXPECT_NE(CellText(details, 1), "<none>");
    EXPECT_EQ(tv::ScanRowTexts(tv::kModeDetails, folder, shell), (ScanCells{{2, "Ordner"}}));
    EXPECT_EQ(CellText(tv::ScanRowTexts(tv::kModeResourceDetails, file, shell), 1), "3");
    EXPECT_EQ(CellText(tv::ScanRowTexts(tv::kModeVersionDetails, file, shell), 2), "Beispiel");
    EXPECT_TRUE(tv::ScanRowTexts(tv::kModeList, file, shell).empty());

    // A file that went away gets an empty type and nothing else.
    std::filesystem::remove(modulePath);
    EXPECT_EQ(tv::ScanRowTexts(tv::kModeDetails, file, shell), (ScanCells{{2, ""}}));
}

}  // namespace

TEST(ScanTextsTest, DamageTheFirstReadHoldsDoesNotMapTheWholeFile) {
    // A small directory before much data, one language entry numbered above 65535. The note says
    // so from the first bytes already: reading the whole file would show nothing more.
    auto builder = PeBuilder::Pe32();
    builder.AddResource(10, 1, 0, std::vector<uint8_t>(200 * 1024, 0x55));
    builder.AddResource(10, 2, 0, {1, 2, 3, 4});
    PeLayout layout;
    auto bytes = builder.Build(&layout);
    ASSERT_FALSE(layout.resourceTables.empty());
    Patch32(bytes, layout.resourceTables.back() + 16, 0x00012345);
    TempDir dir;
    const auto path = dir.Write("damaged.dll", bytes).string();
    tv::CResourceProbe probe;
    ASSERT_TRUE(probe.Open(path));
    EXPECT_FALSE(probe.Directory().Diagnostics().empty());
    EXPECT_FALSE(probe.Mapped());
    ExpectSameCounts(path, "damaged");
}

TEST(ScanTexts, ProgressUsesGermanSeparatorsWhateverTheLocale) {
    EXPECT_EQ(tv::ScanProgressText(1234, 18005), "Details: 1.234 von 18.005");
    EXPECT_EQ(tv::ScanProgressText(0, 7), "Details: 0 von 7");
}
