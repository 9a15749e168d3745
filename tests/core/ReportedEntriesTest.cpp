// The typed export and library entries the headers report keeps beside its lines, and the
// version reader's fixed numbers: readers of the facts (tarnview-cli --json) must get exactly
// what the lines show, once per Fill, in both displays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/HeadersReport.h"
#include "module/ModuleImage.h"
#include "module/VersionInfo.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

using tv::HeadersDisplay;
using tvtest::EntryOrder;
using tvtest::ImportFunction;
using tvtest::ImportLibrary;
using tvtest::PeBuilder;
using tvtest::PeLayout;

struct Report {
    tv::CReportTree tree;
    std::vector<tv::ReportedExport> exports;
    std::vector<tv::ReportedImport> imports;
};

Report Fill(const std::vector<uint8_t>& bytes, HeadersDisplay display) {
    tv::CModuleImage image;
    EXPECT_TRUE(image.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "t.dll"));
    Report r;
    tv::CHeadersReport report(image, r.tree);
    // A second fill must start the lists afresh, as it starts the notes.
    report.Fill(display);
    report.Fill(display);
    r.exports = report.Exports();
    r.imports = report.Imports();
    return r;
}

TEST(ReportedEntriesTest, ExportsMatchTheirLinesInBothDisplays) {
    PeLayout layout;
    auto bytes =
        PeBuilder::Pe32()
            .Dll()
            .AddSection(".text", tvtest::pe::kTextSection, std::vector<uint8_t>(0x60, 0xC3))
            .ExportNameOrder(EntryOrder::AsAdded)
            .Export(3, "Zeta", 0x1010)
            .Export(1, "Alpha", 0x1000)
            .ExportForwarder(2, "Fwd", "NTDLL.RtlOther")
            .Export(5, "", 0x1030)
            .Export(6, "Lost", 0x1040)
            .Build(&layout);
    // The last name (Lost's, added last) points where no section is.
    tvtest::Patch32(bytes, layout.exportNameTable.offset + 3 * 4, 0x7FFF0000);

    for (const HeadersDisplay display : {HeadersDisplay::Summary, HeadersDisplay::Full}) {
        const Report r = Fill(bytes, display);
        ASSERT_EQ(r.exports.size(), 5u);
        EXPECT_EQ(r.exports[0].ordinal, 1u);
        EXPECT_EQ(r.exports[0].address, 0x1000u);
        EXPECT_EQ(r.exports[0].names, std::vector<std::string>{"Alpha"});
        EXPECT_FALSE(r.exports[0].forwarded);
        EXPECT_TRUE(r.exports[1].forwarded);
        EXPECT_EQ(r.exports[1].forwarder, "NTDLL.RtlOther");
        EXPECT_EQ(r.exports[1].names, std::vector<std::string>{"Fwd"});
        EXPECT_EQ(r.exports[2].names, std::vector<std::string>{"Zeta"});
        EXPECT_EQ(r.exports[3].ordinal, 5u);  // ordinal 4 is an empty slot: no line, no entry
        EXPECT_TRUE(r.exports[3].names.empty());
        EXPECT_EQ(r.exports[4].names, std::vector<std::string>{"?"});
        // Each entry is its line: the forwarder's and the names' texts as shown.
        EXPECT_NE(
            r.tree.Find("0002 - [" + tv::HexText(r.exports[1].address) + ":NTDLL.RtlOther] Fwd"),
            tv::kNoReportNode);
        EXPECT_NE(r.tree.Find("0006 - [0x00001040] ?"), tv::kNoReportNode);
    }
}

TEST(ReportedEntriesTest, LibrariesCarryTheirDescriptorsAndRawNames) {
    ImportLibrary noLookup{"GDI32.dll", {"TextOutW"}};
    noLookup.withLookupTable = false;
    noLookup.timeDateStamp = 0xFFFFFFFF;
    const auto bytes =
        PeBuilder::Pe32Plus()
            .AddImport("KERNEL32.dll", {"GetTickCount", ImportFunction::ByOrdinal(7)})
            .AddImport(noLookup)
            .AddImport("na\xEFve.dll", {"F"})
            .Build();
    for (const HeadersDisplay display : {HeadersDisplay::Summary, HeadersDisplay::Full}) {
        const Report r = Fill(bytes, display);
        ASSERT_EQ(r.imports.size(), 3u);
        EXPECT_EQ(r.imports[0].name, "KERNEL32.dll");
        EXPECT_EQ(r.imports[0].moduleName, "KERNEL32.dll");
        EXPECT_NE(r.imports[0].descriptor.OriginalFirstThunk, 0u);
        EXPECT_EQ(r.imports[1].descriptor.OriginalFirstThunk, 0u);
        EXPECT_EQ(r.imports[1].descriptor.TimeDateStamp, 0xFFFFFFFFu);
        EXPECT_NE(r.imports[1].descriptor.FirstThunk, 0u);
        // Shown as Windows-1252, kept as the bytes the file holds to open it by.
        EXPECT_EQ(r.imports[2].name, "na\xC3\xAFve.dll");
        EXPECT_EQ(r.imports[2].moduleName, "na\xEFve.dll");
    }
}

TEST(ReportedEntriesTest, FixedNumbersDoNotWaitForATranslation) {
    const auto withFixed = tvtest::VersionInfoBuilder().FileVersion(1, 2, 3, 4).Build();
    const auto info =
        tv::CVersionInfo::FromResource(tv::CByteView(withFixed.data(), withFixed.size()));
    // No translation table: the texts stay empty, the numbers are there.
    EXPECT_EQ(info.GetField(tv::kFieldFixedFileVersion), "");
    const auto fixed = info.GetFixedInfo();
    ASSERT_TRUE(fixed.has_value());
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030004u);

    const auto without = tvtest::VersionInfoBuilder().NoFixedInfo().Build();
    EXPECT_FALSE(tv::CVersionInfo::FromResource(tv::CByteView(without.data(), without.size()))
                     .GetFixedInfo()
                     .has_value());
    EXPECT_FALSE(tv::CVersionInfo::FromResource(tv::CByteView()).GetFixedInfo().has_value());
}

}  // namespace
