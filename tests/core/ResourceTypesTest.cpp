// The resource type table and the parsing of type and name arguments.
#include "resources/ResourceTypes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

using tv::CResourceId;
using tv::ResourcePageKind;

TEST(ResourceTypes, KnownTypesHaveTheirSymbolDisplayNameImageAndPage) {
    // One row per page kind, and the table's one entry above 23.
    struct Row {
        uint16_t type;
        const char* symbol;
        const char* display;
        int image;
        ResourcePageKind page;
    };
    const Row rows[] = {
        {1, "RT_CURSOR", "Zeiger", 7, ResourcePageKind::kImageCursor},
        {2, "RT_BITMAP", "Bitmap", 6, ResourcePageKind::kImageBitmap},
        {3, "RT_ICON", "Symbol", 9, ResourcePageKind::kImageIcon},
        {5, "RT_DIALOG", "Dialoge", 8, ResourcePageKind::kImageDialog},
        {6, "RT_STRING", "Stringtabellen", 11, ResourcePageKind::kStringTable},
        {14, "RT_GROUP_ICON", "Gruppensymbole", 9, ResourcePageKind::kRawData},
        {16, "RT_VERSION", "Version", 12, ResourcePageKind::kVersionInfo},
        {23, "RT_HTML", "HTML Dokument", 14, ResourcePageKind::kRawData},
        {241, "RT_TOOLBAR", "Werkzeugleiste", 13, ResourcePageKind::kRawData},
    };
    for (const Row& row : rows) {
        const auto& info = tv::LookupResourceType(row.type);
        EXPECT_EQ(info.image, row.image) << row.symbol;
        EXPECT_EQ(info.page, row.page) << row.symbol;
        EXPECT_EQ(tv::ResourceTypeSymbol(row.type), row.symbol);
        EXPECT_EQ(tv::ResourceTypeDisplayName(row.type), row.display);
    }
}

TEST(ResourceTypes, OtherNumbersAndNamedTypesFallToTheRawDataRow) {
    for (const uint16_t type :
         std::initializer_list<uint16_t>{0, 13, 15, 17, 18, 19, 20, 24, 25, 240, 242, 0xFFFF}) {
        const auto& info = tv::LookupResourceType(type);
        EXPECT_EQ(info.displayStringId, 2072u) << type;
        EXPECT_EQ(info.image, 14) << type;
        EXPECT_EQ(info.page, ResourcePageKind::kRawData) << type;
        EXPECT_EQ(tv::ResourceTypeSymbol(type), "<Unbekannt>") << type;
        EXPECT_EQ(tv::ResourceTypeDisplayName(type), "<Unbekannt> (" + std::to_string(type) + ")")
            << type;
    }
    // A named type is shown by its name, even one that spells a table entry or a number.
    for (const char* name : {"FOO", "RT_STRING", "6", "Grüße"}) {
        const CResourceId type = CResourceId::FromUtf8(name);
        EXPECT_EQ(tv::ResourceTypeSymbol(type), name);
        EXPECT_EQ(tv::ResourceTypeDisplayName(type), name);
        EXPECT_EQ(tv::LookupResourceType(type).image, 14);
        EXPECT_EQ(tv::LookupResourceType(type).page, ResourcePageKind::kRawData);
    }
}

TEST(ResourceTypes, ParsesNumbersSymbolsAndNames) {
    using tv::ParseResourceIdText;
    EXPECT_EQ(ParseResourceIdText("6", true), CResourceId(6));
    EXPECT_EQ(ParseResourceIdText("0x10", true), CResourceId(16));
    EXPECT_EQ(ParseResourceIdText("0XfFfF", false), CResourceId(0xFFFF));
    EXPECT_EQ(ParseResourceIdText("#12", false), CResourceId(12));
    EXPECT_EQ(ParseResourceIdText("007", false), CResourceId(7));
    EXPECT_EQ(ParseResourceIdText("RT_STRING", true), CResourceId(6));
    EXPECT_EQ(ParseResourceIdText("RT_TOOLBAR", true), CResourceId(241));
    // Symbols are types only, and exact; everything else that is not a number is a name.
    EXPECT_EQ(ParseResourceIdText("RT_STRING", false), CResourceId(u"RT_STRING"));
    EXPECT_EQ(ParseResourceIdText("rt_string", true), CResourceId(u"rt_string"));
    EXPECT_EQ(ParseResourceIdText("PNG", true), CResourceId(u"PNG"));
    EXPECT_EQ(ParseResourceIdText("12abc", false), CResourceId(u"12abc"));
    EXPECT_EQ(ParseResourceIdText("0x", false), CResourceId(u"0x"));
    EXPECT_EQ(ParseResourceIdText("#", false), CResourceId(u"#"));
    EXPECT_EQ(ParseResourceIdText("-1", false), CResourceId(u"-1"));
    EXPECT_EQ(ParseResourceIdText("Grüße", false), CResourceId(u"Grüße"));
    // Numbers outside 1..65535 are errors, not names.
    for (const char* bad : {"", "0", "0x0", "#0", "65536", "0x10000", "99999999999999999999"})
        EXPECT_FALSE(ParseResourceIdText(bad, true)) << bad;
}

}  // namespace
