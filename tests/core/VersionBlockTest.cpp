// The VS_VERSIONINFO reader over blocks from the version builder: the platform's sub-block queries
// on the resource compiler's layout and on the odd layouts other writers produce.
#include "module/VersionBlock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

using tv::CVersionBlock;
using tv::CVersionResource;
using tvtest::ValueUnits;
using tvtest::VersionInfoBuilder;

tv::CByteView View(const std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size()}; }

// English (U.S.) and German tables, both translations listed; the base of every variant.
VersionInfoBuilder TwoTables() {
    VersionInfoBuilder b;
    b.FileVersion(1, 2, 3, 4)
        .ProductVersion(5, 6, 7, 8)
        .StringTable(0x0409, 1200)
        .Value("ProductName", "Sample")
        .Value("FileDescription", "Sample tool")
        .Value("CompanyName", "Example Ltd.")
        .StringTable(0x0407, 1252)
        .Value("ProductName", "Beispiel")
        .Value("FileDescription", "Beispielwerkzeug für €")
        .Value("CompanyName", "Beispiel GmbH")
        .Translation(0x0409, 1200)
        .Translation(0x0407, 1252);
    return b;
}

// What a reader makes of a resource, as one text to compare variants by.
std::string Summary(const CVersionResource& r) {
    std::string out;
    const auto fixed = r.FixedInfo();
    out += fixed ? std::to_string(fixed->dwFileVersionMS >> 16) + "." +
                       std::to_string(fixed->dwFileVersionMS & 0xFFFF) + "." +
                       std::to_string(fixed->dwFileVersionLS >> 16) + "." +
                       std::to_string(fixed->dwFileVersionLS & 0xFFFF)
                 : "no fixed info";
    const size_t count = r.TranslationCount().value_or(0);
    for (size_t i = 0; i < count; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, " %08x", *r.Translation(i));
        out += text;
    }
    for (const char* table : {"040904b0", "040704e4"}) {
        for (const char* name : {"ProductName", "FileDescription", "CompanyName"}) {
            const std::string path = std::string("\\StringFileInfo\\") + table + "\\" + name;
            out += " | " + r.QueryText(path).value_or("<missing>");
        }
    }
    return out;
}

const std::string kExpected =
    "1.2.3.4 04b00409 04e40407 | Sample | Sample tool | Example Ltd. | Beispiel | "
    "Beispielwerkzeug für € | Beispiel GmbH";

TEST(VersionBlock, AnswersThePlatformQueriesOnTheCompilersLayout) {
    const auto bytes = TwoTables().Build();
    const CVersionResource r(View(bytes));
    EXPECT_EQ(Summary(r), kExpected);

    const auto fixed = r.FixedInfo();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->dwSignature, tv::kFixedFileInfoSignature);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00050006u);
    EXPECT_EQ(fixed->dwFileOS, 0x40004u);

    // Keys compare without regard to ASCII case; empty path parts are skipped.
    EXPECT_EQ(r.QueryText("\\stringfileinfo\\040704E4\\PRODUCTNAME"), "Beispiel");
    EXPECT_EQ(r.QueryText("\\\\StringFileInfo\\\\040704e4\\ProductName\\"), "Beispiel");
    // Only whole keys match.
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040704e4\\Product"), std::nullopt);
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040704e4\\ProductNameX"), std::nullopt);
    // No fallback to another table.
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040904e4\\ProductName"), std::nullopt);

    const CVersionBlock root = r.Find("\\");
    ASSERT_TRUE(root.IsValid());
    EXPECT_EQ(root.Key(), "VS_VERSION_INFO");
    EXPECT_EQ(root.End(), bytes.size());
    EXPECT_EQ(root.BinaryValue().Size(), tv::kFixedFileInfoSize);
}

TEST(VersionBlock, ReadsTheLayoutsOtherWritersProduce) {
    struct Variant {
        const char* what;
        std::function<void(VersionInfoBuilder&)> apply;
    };
    const Variant variants[] = {
        {"VarFileInfo before StringFileInfo", [](auto& b) { b.VarFileInfoFirst(); }},
        {"wValueLength in bytes", [](auto& b) { b.ValueLengthIn(ValueUnits::Bytes); }},
        {"wValueLength without terminator",
         [](auto& b) { b.ValueLengthIn(ValueUnits::CharactersWithoutTerminator); }},
        {"wType binary on text", [](auto& b) { b.TextTypeFlag(0); }},
        {"wType out of range on text", [](auto& b) { b.TextTypeFlag(7); }},
        {"no padding", [](auto& b) { b.NoPadding(); }},
        {"no padding, VarFileInfo first", [](auto& b) { b.NoPadding().VarFileInfoFirst(); }},
        {"no padding, lengths in bytes",
         [](auto& b) { b.NoPadding().ValueLengthIn(ValueUnits::Bytes); }},
        {"two bytes after each value", [](auto& b) { b.ExtraPadding(2); }},
        {"six bytes after each value", [](auto& b) { b.ExtraPadding(6); }},
        {"lengths rounded up to 4", [](auto& b) { b.PadEnds(); }},
        {"last value overruns its parents", [](auto& b) { b.ChildOverrunsParent(); }},
        {"overrun, VarFileInfo first",
         [](auto& b) { b.ChildOverrunsParent(200).VarFileInfoFirst(); }},
    };
    for (const Variant& v : variants) {
        VersionInfoBuilder b = TwoTables();
        v.apply(b);
        const auto bytes = b.Build();
        EXPECT_EQ(Summary(CVersionResource(View(bytes))), kExpected) << v.what;
    }
}

TEST(VersionBlock, OverrunningChildIsCutAtItsParentsEnd) {
    const auto bytes = TwoTables().ChildOverrunsParent(64).Build();
    const CVersionResource r(View(bytes));
    const CVersionBlock table = r.Find("\\StringFileInfo\\040704e4");
    const CVersionBlock last = r.Find("\\StringFileInfo\\040704e4\\CompanyName");
    ASSERT_TRUE(last.IsValid());
    EXPECT_TRUE(last.IsClipped());
    EXPECT_EQ(last.End(), table.End());
    EXPECT_FALSE(last.NextSibling().IsValid());
    // The claimed length would have swallowed VarFileInfo; the walk still finds it.
    EXPECT_EQ(r.TranslationCount(), 2u);
}

TEST(VersionBlock, LanguageNeutralTranslationWithoutPaddingIsNotTakenForPadding) {
    // The value starts with a zero word, exactly where padding would be.
    for (bool padded : {true, false}) {
        const auto bytes = VersionInfoBuilder()
                               .StringTable(0x0000, 1200)
                               .Value("ProductName", "Neutral")
                               .Translation(0x0000, 1200)
                               .NoPadding(!padded)
                               .Build();
        const CVersionResource r(View(bytes));
        EXPECT_EQ(r.TranslationCount(), 1u) << padded;
        EXPECT_EQ(r.Translation(0), 0x04B00000u) << padded;
        EXPECT_EQ(r.QueryText("\\StringFileInfo\\000004b0\\ProductName"), "Neutral") << padded;
    }
}

TEST(VersionBlock, MissingAndOddValues) {
    VersionInfoBuilder b;
    b.StringTable(0x0409, 1200)
        .MissingValue("Comments")
        .Value("Empty", "")
        .Value("Surrogate", std::u16string(u"A\xD800Z"))
        .Value("After", "still here")
        .Translation(0x0409, 1200);
    auto tree = b.Tree();
    // A Var whose translation list ends in half an entry: only whole entries count.
    tree.children.back().children.back().value.push_back(0x07);
    tree.children.back().children.back().valueLength = 5;
    const auto bytes = tree.Build();
    const CVersionResource r(View(bytes));
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040904b0\\Comments"), "");
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040904b0\\Empty"), "");
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040904b0\\Surrogate"), "A\xEF\xBF\xBDZ");
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040904b0\\After"), "still here");
    EXPECT_EQ(r.TranslationCount(), 1u);
    EXPECT_EQ(r.Translation(1), std::nullopt);
}

TEST(VersionBlock, FixedInfoNeedsItsSignatureAndAllItsBytes) {
    const auto good = TwoTables().Build();
    EXPECT_TRUE(CVersionResource(View(good)).FixedInfo());

    EXPECT_FALSE(CVersionResource(View(TwoTables().NoFixedInfo().Build())).FixedInfo());

    tvtest::FixedFileInfo info;
    info.signature = 0xFEEF04BC;
    EXPECT_FALSE(CVersionResource(View(TwoTables().Fixed(info).Build())).FixedInfo());

    // wValueLength short of the structure: not read from the bytes that follow.
    auto tree = TwoTables().Tree();
    tree.valueLength = 48;
    EXPECT_FALSE(CVersionResource(View(tree.Build())).FixedInfo());

    // The strings are still there without fixed information.
    EXPECT_EQ(CVersionResource(View(TwoTables().NoFixedInfo().Build()))
                  .QueryText("\\StringFileInfo\\040704e4\\ProductName"),
              "Beispiel");
}

TEST(VersionBlock, DamagedLengthsEndTheWalkInsteadOfLooping) {
    auto bytes = TwoTables().Build();
    // A root wLength below the header size: no tree at all.
    auto tiny = bytes;
    tvtest::Patch16(tiny, 0, 4);
    EXPECT_FALSE(CVersionResource(View(tiny)).Root().IsValid());
    EXPECT_EQ(Summary(CVersionResource(View(tiny))),
              "no fixed info | <missing> | <missing> | <missing> | <missing> | <missing> | "
              "<missing>");

    // A root that claims more than the resource holds is cut at the resource's end.
    auto longer = bytes;
    tvtest::Patch16(longer, 0, 0xFFFF);
    const CVersionResource r(View(longer));
    EXPECT_TRUE(r.Root().IsClipped());
    EXPECT_EQ(r.Root().End(), longer.size());
    EXPECT_EQ(Summary(r), kExpected);

    // A child whose wLength is zero ends its parent's children.
    const CVersionBlock stringInfo = CVersionResource(View(bytes)).Find("\\StringFileInfo");
    tvtest::Patch16(bytes, static_cast<size_t>(stringInfo.FirstChild().Offset()), 0);
    const CVersionResource zero(View(bytes));
    EXPECT_EQ(zero.QueryText("\\StringFileInfo\\040904b0\\ProductName"), std::nullopt);
    EXPECT_EQ(zero.TranslationCount(), 2u);
}

TEST(VersionBlock, KeyRunningToTheBlockEndLeavesNoValue) {
    VersionInfoBuilder b;
    b.StringTable(0x0409, 1200).Value("A", "first").Value("B", "second").Translation(0x0409, 1200);
    auto tree = b.Tree();
    // The first value's wLength ends right after the key's one character, before its terminator.
    tree.children.front().children.front().children.front().lengthField = 8;
    const auto bytes = tree.Build();
    const CVersionResource r(View(bytes));
    const CVersionBlock a = r.Find("\\StringFileInfo\\040904b0\\A");
    ASSERT_TRUE(a.IsValid());
    EXPECT_EQ(a.End(), a.Offset() + 8);
    EXPECT_EQ(a.TextValue(), "");
    EXPECT_TRUE(a.BinaryValue().Empty());
    // Its sibling would start at the key's terminator, a zero wLength: the table ends there.
    EXPECT_EQ(r.QueryText("\\StringFileInfo\\040904b0\\B"), std::nullopt);
    EXPECT_EQ(r.TranslationCount(), 1u);
}

TEST(VersionBlock, TruncatedResourceIsNeverReadPastItsEnd) {
    const auto bytes = TwoTables().ChildOverrunsParent().Build();
    tvtest::ForEachTruncation(bytes, [](const std::vector<uint8_t>& prefix) {
        const CVersionResource r(View(prefix));
        const std::string summary = Summary(r);
        // Every text that survives is a prefix-free, whole value: never garbage from past the end.
        EXPECT_EQ(summary.find("\xEF\xBF\xBD"), std::string::npos) << prefix.size();
        const auto walk = [](const auto& self, const CVersionBlock& block, int depth) -> void {
            if (depth > 8) return;
            for (CVersionBlock c = block.FirstChild(); c.IsValid(); c = c.NextSibling()) {
                EXPECT_LE(c.End(), block.End());
                (void)c.Key();
                (void)c.TextValue();
                (void)c.BinaryValue();
                self(self, c, depth + 1);
            }
        };
        walk(walk, r.Root(), 0);
    });
}

}  // namespace
