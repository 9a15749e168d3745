// Icon and cursor groups: parsing both directory layouts, and the .ico / .cur files built from a
// group and its images, checked against the file builders and for the damage a group can carry.
#include "resources/IconGroup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "resources/ResourceCatalog.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CResourceCatalog;

namespace {

using tv::CByteView;
using tv::CIconGroup;

CByteView View(const std::vector<uint8_t>& bytes) { return CByteView(bytes.data(), bytes.size()); }

CIconGroup Parse(const std::vector<uint8_t>& bytes, bool cursor) {
    CIconGroup group;
    std::string error;
    EXPECT_TRUE(tv::ParseIconGroup(View(bytes), cursor, group, error)) << error;
    return group;
}

// Image resources by id, as the catalog would hand them out.
tv::IconImageSource Images(const std::map<uint16_t, std::vector<uint8_t>>& images) {
    return [&images](uint16_t id) -> std::optional<CByteView> {
        const auto it = images.find(id);
        if (it == images.end()) return std::nullopt;
        return View(it->second);
    };
}

std::vector<uint8_t> Icon16() {
    return tvtest::IconImage(16, 16, 4).AndMask(std::vector<uint8_t>(256, 0)).Build();
}
std::vector<uint8_t> Icon32() { return tvtest::IconImage(32, 32, 32).Build(); }
std::vector<uint8_t> Png256() {
    return tvtest::PngImage(256, 256, std::vector<uint32_t>(256 * 256, 0xFF00FF00));
}

TEST(IconGroupParse, BothLayoutsAndTheirPixelSizes) {
    const auto icon = Parse(
        tvtest::GroupIcon({tvtest::IconEntryFor(Icon16(), 3), tvtest::IconEntryFor(Png256(), 9)}),
        false);
    EXPECT_FALSE(icon.isCursor);
    EXPECT_EQ(icon.declaredCount, 2u);
    ASSERT_EQ(icon.entries.size(), 2u);
    EXPECT_TRUE(icon.notes.empty());
    EXPECT_EQ(icon.entries[0].id, 3u);
    EXPECT_EQ(icon.entries[0].colorCount, 16u);
    EXPECT_EQ(icon.entries[0].bitCount, 4u);
    EXPECT_EQ(icon.entries[0].bytesInRes, Icon16().size());
    EXPECT_EQ(icon.entries[0].width, 16u);
    // 256 is stored as 0 in the byte fields.
    EXPECT_EQ(icon.entries[1].width, 0u);
    EXPECT_EQ(icon.entries[1].height, 0u);

    const auto payload = tvtest::CursorImage(4, 5, tvtest::IconImage(32, 32, 1));
    const auto cursor = Parse(tvtest::GroupCursor({tvtest::CursorEntryFor(payload, 7)}), true);
    ASSERT_EQ(cursor.entries.size(), 1u);
    EXPECT_EQ(cursor.entries[0].height, 64u);  // colour image and mask
    EXPECT_EQ(cursor.entries[0].id, 7u);
    EXPECT_EQ(cursor.entries[0].bytesInRes, payload.size());
}

TEST(IconGroupParse, DamagedDirectories) {
    CIconGroup group;
    std::string error;
    EXPECT_FALSE(tv::ParseIconGroup(View({0, 0, 1, 0, 1}), false, group, error));
    EXPECT_FALSE(error.empty());

    // A count beyond the bytes keeps the whole entries and says so; a wrong type and a set
    // reserved word are noted, not fatal.
    std::vector<uint8_t> bytes =
        tvtest::GroupIcon({tvtest::IconEntryFor(Icon16(), 1), tvtest::IconEntryFor(Icon32(), 2)},
                          {.reserved = 5, .type = 2, .count = 0xFFFF});
    bytes.resize(bytes.size() - 3);
    group = Parse(bytes, false);
    EXPECT_EQ(group.declaredCount, 0xFFFFu);
    ASSERT_EQ(group.entries.size(), 1u);
    EXPECT_EQ(group.entries[0].id, 1u);
    EXPECT_EQ(group.notes.size(), 3u);

    group = Parse(tvtest::GroupIcon({}), false);
    EXPECT_TRUE(group.entries.empty());
}

TEST(IconGroupFile, IcoFileMatchesTheFileLayout) {
    const std::map<uint16_t, std::vector<uint8_t>> images = {{3, Icon16()}, {9, Png256()}};
    auto entry3 = tvtest::IconEntryFor(images.at(3), 3);
    entry3.bytesInRes = 12;  // a group that understates the size: the image decides
    const CIconGroup group =
        Parse(tvtest::GroupIcon({entry3, tvtest::IconEntryFor(images.at(9), 9)}), false);

    std::vector<uint8_t> out;
    tv::IconFileResult result;
    std::string error;
    ASSERT_TRUE(tv::WriteIconFile(group, Images(images), out, result, error)) << error;
    EXPECT_EQ(result.written, 2u);
    EXPECT_TRUE(result.missing.empty());
    EXPECT_EQ(out, tvtest::IcoFile(
                       {tvtest::IcoEntryFor(images.at(3)), tvtest::IcoEntryFor(images.at(9))}));
}

TEST(IconGroupFile, CurFileMovesTheHotspotIntoTheEntry) {
    const std::map<uint16_t, std::vector<uint8_t>> images = {
        {1, tvtest::CursorImage(3, 30, tvtest::IconImage(32, 32, 1))},
        {2, tvtest::CursorImage(0xFFFF, 1, tvtest::IconImage(48, 48, 32))},
    };
    const CIconGroup group = Parse(tvtest::GroupCursor({tvtest::CursorEntryFor(images.at(1), 1),
                                                        tvtest::CursorEntryFor(images.at(2), 2)}),
                                   true);
    std::vector<uint8_t> out;
    tv::IconFileResult result;
    std::string error;
    ASSERT_TRUE(tv::WriteIconFile(group, Images(images), out, result, error)) << error;
    EXPECT_EQ(out, tvtest::CurFile(
                       {tvtest::CurEntryFor(images.at(1)), tvtest::CurEntryFor(images.at(2))}));
    // Wine's resource compiler stores the plain height, and a damaged group may claim anything:
    // the entries follow the images either way.
    auto plain = tvtest::CursorEntryFor(images.at(1), 1);
    plain.height = 32;
    auto wrong = tvtest::CursorEntryFor(images.at(2), 2);
    wrong.width = 7;
    wrong.bitCount = 4;
    const CIconGroup odd = Parse(tvtest::GroupCursor({plain, wrong}), true);
    std::vector<uint8_t> same;
    ASSERT_TRUE(tv::WriteIconFile(odd, Images(images), same, result, error)) << error;
    EXPECT_EQ(same, out);

    // Spelled out for the first entry: type 2, 32 x 32 (not 64), two colours, hotspot (3, 30),
    // the image without its four hotspot bytes.
    EXPECT_EQ(View(out).U16(2), 2u);
    EXPECT_EQ(out[6], 32u);
    EXPECT_EQ(out[7], 32u);
    EXPECT_EQ(out[8], 2u);
    EXPECT_EQ(View(out).U16(10), 3u);
    EXPECT_EQ(View(out).U16(12), 30u);
    EXPECT_EQ(View(out).U32(14), images.at(1).size() - 4);
    EXPECT_EQ(View(out).U32(18), 6u + 2 * 16);
    EXPECT_EQ(View(out).U32(34), 6u + 2 * 16 + images.at(1).size() - 4);
}

TEST(IconGroupFile, MissingImagesAreLeftOutAndHugeFilesRefused) {
    const std::map<uint16_t, std::vector<uint8_t>> images = {{2, Icon32()}};
    const CIconGroup group = Parse(
        tvtest::GroupIcon({tvtest::IconEntryFor(Icon16(), 1), tvtest::IconEntryFor(Icon32(), 2),
                           tvtest::IconEntryFor(Icon16(), 77)}),
        false);
    std::vector<uint8_t> out;
    tv::IconFileResult result;
    std::string error;
    ASSERT_TRUE(tv::WriteIconFile(group, Images(images), out, result, error));
    EXPECT_EQ(result.written, 1u);
    EXPECT_EQ(result.missing, (std::vector<uint16_t>{1, 77}));
    EXPECT_EQ(out, tvtest::IcoFile({tvtest::IcoEntryFor(Icon32())}));

    EXPECT_FALSE(tv::WriteIconFile(group, Images({}), out, result, error));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(tv::WriteIconFile(group, nullptr, out, result, error));

    // A cursor image too short for its hotspot counts as missing.
    const std::map<uint16_t, std::vector<uint8_t>> shortCursor = {{1, {1, 2, 3}}};
    const CIconGroup cursors =
        Parse(tvtest::GroupCursor({tvtest::GroupCursorEntry{.id = 1}}), true);
    EXPECT_FALSE(tv::WriteIconFile(cursors, Images(shortCursor), out, result, error));
    EXPECT_EQ(result.missing, (std::vector<uint16_t>{1}));

    // Sixty entries naming one 5 Mb image would make a 300 Mb file.
    const std::map<uint16_t, std::vector<uint8_t>> big = {
        {1, std::vector<uint8_t>(5 * 1024 * 1024, 0)}};
    const CIconGroup repeated = Parse(
        tvtest::GroupIcon(std::vector<tvtest::GroupIconEntry>(60, tvtest::GroupIconEntry{.id = 1})),
        false);
    EXPECT_FALSE(tv::WriteIconFile(repeated, Images(big), out, result, error));
    EXPECT_NE(error.find("Mb"), std::string::npos);
    EXPECT_TRUE(out.empty());
}

// ---- through the catalog
// -------------------------------------------------------------------------

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(IconGroupCatalog, SavesGroupsAsIcoAndCurFiles) {
    const auto cursor = tvtest::CursorImage(9, 8, tvtest::IconImage(32, 32, 1));
    const std::vector<uint8_t> module =
        tvtest::PeBuilder::Pe32()
            .AddResource(3, 1, 0, Icon16())
            .AddResource(3, 2, 0, Icon32())
            .AddResource(14, u"APP", 0,
                         tvtest::GroupIcon({tvtest::IconEntryFor(Icon16(), 1),
                                            tvtest::IconEntryFor(Icon32(), 2),
                                            tvtest::IconEntryFor(Icon32(), 40)}))
            .AddResource(1, 1, 0, cursor)
            .AddResource(12, 100, 0, tvtest::GroupCursor({tvtest::CursorEntryFor(cursor, 1)}))
            .Build();
    CResourceCatalog catalog;
    ASSERT_TRUE(catalog.LoadFromMemory(View(module), "gruppen.dll"));

    char pattern[] = "/tmp/tv-ico-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    tv::IconFileResult result;
    std::string error;
    ASSERT_TRUE(tv::SaveIconGroupFile(catalog, false, tv::CResourceId::FromUtf8("APP"),
                                      dir + "/app.ico", result, error))
        << error;
    EXPECT_EQ(result.missing, (std::vector<uint16_t>{40}));
    EXPECT_EQ(ReadFile(dir + "/app.ico"),
              tvtest::IcoFile({tvtest::IcoEntryFor(Icon16()), tvtest::IcoEntryFor(Icon32())}));

    // The cursor group's images are cursors: RT_ICON 1 is not taken for RT_CURSOR 1.
    ASSERT_TRUE(tv::SaveIconGroupFile(catalog, true, 100, dir + "/zeiger.cur", result, error))
        << error;
    EXPECT_EQ(ReadFile(dir + "/zeiger.cur"), tvtest::CurFile({tvtest::CurEntryFor(cursor)}));

    // A group that is not there, or not of the asked kind, writes no file.
    EXPECT_FALSE(tv::SaveIconGroupFile(catalog, true, tv::CResourceId::FromUtf8("APP"),
                                       dir + "/keine.cur", result, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir + "/keine.cur"));
    EXPECT_FALSE(tv::SaveIconGroupFile(catalog, false, 100, dir + "/x/y.ico", result, error));
    EXPECT_FALSE(tv::SaveIconGroupFile(catalog, false, tv::CResourceId::FromUtf8("APP"),
                                       dir + "/x/y.ico", result, error));
    EXPECT_NE(error.find(dir + "/x/y.ico"), std::string::npos) << error;
    std::filesystem::remove_all(dir);
}

}  // namespace
