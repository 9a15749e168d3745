// The string list's rows and count texts, and the string-table export as script and plain text.
#include "resources/StringRows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/ResourceCatalog.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CResourceCatalog;

namespace {

using tv::CResourceId;
using tvtest::PeBuilder;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Loaded {
    explicit Loaded(std::vector<uint8_t> image) : bytes(std::move(image)) {
        (void)catalog.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "strings.dll");
        enumerated = catalog.Enumerate();
    }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;

    std::vector<uint8_t> bytes;
    CResourceCatalog catalog;
    bool enumerated = false;
};

// "id=text" per row, joined by "|".
std::string Rows(const tv::StringRowList& list) {
    std::string out;
    for (const tv::StringRow& row : list.rows) {
        if (!out.empty()) out += '|';
        out += row.idText + '=' + row.text;
        EXPECT_EQ(row.image, 11);
    }
    return out;
}

TEST(StringRows, IdsFollowTheBlockNumberInDecimalOrHex) {
    std::vector<tv::StringRow> rows;
    std::vector<std::string> strings(16);
    strings[0] = "first";
    tv::AppendStringRows(1, strings, false, rows);
    tv::AppendStringRows(1, strings, true, rows);
    strings[0].clear();
    strings[15] = "last";
    tv::AppendStringRows(4096, strings, false, rows);
    tv::AppendStringRows(4096, strings, true, rows);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].idText, "0");
    EXPECT_EQ(rows[1].idText, "0x0000");
    EXPECT_EQ(rows[2].idText, "65535");
    EXPECT_EQ(rows[3].idText, "0xffff");
    EXPECT_EQ(rows[3].id, 65535u);
    EXPECT_EQ(tv::StringIdText(0xa1, true), "0x00a1");
    // A block number 0 only a damaged directory has: the ids wrap in 32 bits.
    EXPECT_EQ(tv::StringIdOf(0, 3), 0xFFFFFFF3u);
}

TEST(StringRows, ListEscapesControlsOnlyAndExportAlsoDoublesQuotes) {
    const std::string text = "a\tb \"q\" c:\\path\r\nend";
    EXPECT_EQ(tv::StringDisplayText(text), "a\\tb \"q\" c:\\path\\r\\nend");
    EXPECT_EQ(tv::StringExportText(text), "a\\tb \"\"q\"\" c:\\path\\r\\nend");
    EXPECT_EQ(tv::StringCountText(1234), "1234 String(s)");
}

TEST(StringRows, OneBlockAndAllTablesInCatalogOrder) {
    const auto blocks = tvtest::StringTableBlocks(
        {{0, "null"}, {17, "siebzehn\tTab"}, {98, "acht\"und\"neunzig"}, {99, ""}});
    PeBuilder builder = PeBuilder::Pe32();
    for (const auto& [block, bytes] : blocks)
        builder.AddResource(6, static_cast<uint16_t>(block), 0x0407, bytes);
    builder.AddResource(6, u"NAMED", 0, tvtest::StringBlock({"benannt"}));
    Loaded m(builder.Build());
    ASSERT_TRUE(m.enumerated);

    const auto all = tv::StringRowsOfAllTables(m.catalog, false);
    EXPECT_EQ(Rows(all), "0=null|17=siebzehn\\tTab|98=acht\"und\"neunzig");
    EXPECT_EQ(all.rows[2].id, 98u);
    const uint64_t size = m.catalog.SizeOfType(6);
    EXPECT_EQ(all.countText, "3 String(s) - " + std::to_string(size) + " bytes (~1 Kb)");

    const auto one = tv::StringRowsOfBlock(m.catalog, 2, true);
    EXPECT_EQ(Rows(one), "0x0011=siebzehn\\tTab");
    EXPECT_EQ(one.countText, "1 String(s)");
    EXPECT_TRUE(tv::StringRowsOfBlock(m.catalog, 3, false).rows.empty());
    // The named block is no part of all tables; on its own its strings count from 0.
    EXPECT_EQ(Rows(tv::StringRowsOfBlock(m.catalog, CResourceId(u"NAMED"), false)), "0=benannt");
}

TEST(StringRows, TablesOfEmptyStringsGiveNoRows) {
    Loaded m(PeBuilder::Pe32()
                 .AddResource(6, 1, 0, tvtest::StringBlock({"", "", ""}))
                 .AddResource(6, 2, 0, tvtest::StringBlock({}))
                 .Build());
    const auto all = tv::StringRowsOfAllTables(m.catalog, false);
    EXPECT_TRUE(all.rows.empty());
    EXPECT_EQ(all.countText.rfind("0 String(s) - ", 0), 0u);
}

TEST(StringRows, ScriptExportMatchesTheResourceCompilerLayoutByteForByte) {
    std::vector<std::optional<tvtest::Text16>> strings(16);
    strings[2] = tvtest::Text16("Zeile 1\nZeile \"2\"");
    Loaded m(PeBuilder::Pe32().AddResource(6, 7, 0, tvtest::StringBlock(strings)).Build());
    tvtest::TempDir dir;
    const auto path = dir.Path() / "strings.rc";
    ASSERT_TRUE(m.catalog.ExportStringTable(7, path.string(), true));
    EXPECT_EQ(ReadFile(path),
              "STRINGTABLE DISCARDABLE\r\n"
              "BEGIN\r\n"
              "\t98\t\"Zeile 1\\nZeile \"\"2\"\"\"\r\n"
              "END\r\n"
              "\r\n");
    ASSERT_TRUE(m.catalog.ExportStringTable(7, path.string(), false));
    EXPECT_EQ(ReadFile(path), "Zeile 1\\nZeile \"\"2\"\"\r\n");
}

TEST(StringRows, ExportOfAllTablesWritesASectionPerNumberedBlock) {
    Loaded m(PeBuilder::Pe32()
                 .AddResource(6, 7, 0, tvtest::StringBlock({"sieben"}))
                 .AddResource(6, 1, 0, tvtest::StringBlock({std::nullopt, "eins"}))
                 .AddResource(6, 2, 0, tvtest::StringBlock({}))
                 .AddResource(6, u"NAMED", 0, tvtest::StringBlock({"benannt"}))
                 .Build());
    tvtest::TempDir dir;
    const auto path = dir.Path() / "all.rc";
    ASSERT_TRUE(m.catalog.ExportAllStringTables(path.string(), true));
    // Blocks 1, 2 and 7 in that order; block 2 has no strings and still gets its section.
    EXPECT_EQ(ReadFile(path),
              "STRINGTABLE DISCARDABLE\r\nBEGIN\r\n\t1\t\"eins\"\r\nEND\r\n\r\n"
              "STRINGTABLE DISCARDABLE\r\nBEGIN\r\nEND\r\n\r\n"
              "STRINGTABLE DISCARDABLE\r\nBEGIN\r\n\t96\t\"sieben\"\r\nEND\r\n\r\n");
    ASSERT_TRUE(m.catalog.ExportAllStringTables(path.string(), false));
    EXPECT_EQ(ReadFile(path), "eins\r\nsieben\r\n");
    // A block that is not there: false, and no file error to report.
    EXPECT_FALSE(m.catalog.ExportStringTable(3, path.string(), true));
    EXPECT_TRUE(m.catalog.GetFileErrorText().empty());
    const auto denied = (dir.Path() / "none" / "x.rc").string();
    EXPECT_FALSE(m.catalog.ExportAllStringTables(denied, true));
    EXPECT_NE(m.catalog.GetFileErrorText().find(denied), std::string::npos);
}

TEST(StringRows, ExportStopsAtABlockThatCannotBeReadAndKeepsWhatWasWritten) {
    tvtest::ResourceEntry outside;
    outside.type = 6;
    outside.name = 2;
    outside.data = tvtest::StringBlock({"lost"});
    outside.dataRva = 0x00F00000;
    Loaded m(PeBuilder::Pe32()
                 .AddResource(6, 1, 0, tvtest::StringBlock({"kept"}))
                 .AddResource(outside)
                 .AddResource(6, 3, 0, tvtest::StringBlock({"never"}))
                 .Build());
    tvtest::TempDir dir;
    const auto path = dir.Path() / "part.txt";
    EXPECT_FALSE(m.catalog.ExportAllStringTables(path.string(), false));
    EXPECT_EQ(ReadFile(path), "kept\r\n");
    // The list skips the block instead.
    EXPECT_EQ(Rows(tv::StringRowsOfAllTables(m.catalog, false)), "0=kept|32=never");
}

}  // namespace
