// The resource payload builders are the ground truth of every later parser test, so their output
// is read back here with the bounded reader alone, against the published layouts.
#include "support/ResourceBuilders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/TextCodec.h"

namespace {

using tv::CByteReader;
using tv::CByteView;

CByteView View(const std::vector<uint8_t>& bytes) { return CByteView(bytes.data(), bytes.size()); }

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    const CByteView part = View(bytes).Sub(from, count).value_or(CByteView());
    return std::vector<uint8_t>(part.Data(), part.Data() + part.Size());
}

// ---- text helpers ------------------------------------------------------------------------------

TEST(ResourceBuilderText, Utf16AndNameOrIdEncodings) {
    EXPECT_EQ(tvtest::Utf16Bytes("A€"), (std::vector<uint8_t>{'A', 0, 0xAC, 0x20}));
    EXPECT_EQ(tvtest::Utf16Bytes("", true), (std::vector<uint8_t>{0, 0}));
    // Raw units survive as they are, a lone high surrogate included.
    EXPECT_EQ(tvtest::Utf16Bytes(std::u16string{u'x', char16_t(0xD800)}),
              (std::vector<uint8_t>{'x', 0, 0x00, 0xD8}));

    tvtest::ResourceWriter w;
    tvtest::NameOrId::None().WriteTo(w);
    tvtest::NameOrId::Ordinal(0x80).WriteTo(w);
    tvtest::NameOrId("Ab").WriteTo(w);
    EXPECT_EQ(w.Data(), (std::vector<uint8_t>{0, 0, 0xFF, 0xFF, 0x80, 0, 'A', 0, 'b', 0, 0, 0}));
}

// ---- version resource --------------------------------------------------------------------------

// A version block as an independent walker sees it: the value follows the key at the next
// multiple of 4 (counted from the resource start), children follow the value the same way and
// end where wLength says.
struct Block {
    uint64_t offset = 0;
    uint16_t length = 0;
    uint16_t valueLength = 0;
    uint16_t type = 0;
    std::string key;
    uint64_t valueOffset = 0;
    std::vector<Block> children;
};

// Returns nullopt when a block does not fit in its parent; that is the fault damage tests want.
// String values (depth 3) and Vars are leaves whatever their wType says, so a wrong text flag or
// padding after a value is not taken for children.
std::optional<Block> ReadBlock(CByteView view, uint64_t offset, uint64_t limit, int depth,
                               bool parentIsVarFileInfo) {
    CByteReader r(view, offset);
    Block b;
    b.offset = offset;
    b.length = r.U16();
    b.valueLength = r.U16();
    b.type = r.U16();
    b.key = r.Utf16Z(256);
    if (!r.Ok() || b.length < 6 || !tv::InRange(offset, b.length, limit)) return std::nullopt;
    r.Align(4);
    b.valueOffset = r.Position();
    const uint64_t end = offset + b.length;
    const uint64_t valueBytes = b.type == 1 ? 2ull * b.valueLength : b.valueLength;
    if (depth >= 3 || parentIsVarFileInfo) return b;
    uint64_t pos = *tv::AlignUp(b.valueOffset + valueBytes, 4);
    while (pos < end) {
        auto child = ReadBlock(view, pos, end, depth + 1, b.key == "VarFileInfo");
        if (!child) return std::nullopt;
        pos = *tv::AlignUp(pos + child->length, 4);
        b.children.push_back(std::move(*child));
    }
    return b;
}

std::optional<Block> ReadVersion(const std::vector<uint8_t>& bytes) {
    return ReadBlock(View(bytes), 0, bytes.size(), 0, false);
}

std::string TextValue(const std::vector<uint8_t>& bytes, const Block& b) {
    return View(bytes).Utf16Z(b.valueOffset, 1024).value_or("<unreadable>");
}

tvtest::VersionInfoBuilder TwoLanguages() {
    tvtest::VersionInfoBuilder v;
    v.FileVersion(1, 2, 3, 4)
        .ProductVersion(5, 6, 7, 8)
        .StringTable(0x0409, 1200)
        .Value("CompanyName", "Tarn")
        .Value("FileVersion", "1.2.3.4")
        .StringTable(0x0407, 1200)
        .Value("CompanyName", "Tarn GmbH")
        .Translation(0x0409, 1200)
        .Translation(0x0407, 1200);
    return v;
}

TEST(ResourceBuilderVersion, BlocksNestAndValuesSitOnFourByteBoundaries) {
    const auto bytes = TwoLanguages().Build();
    const auto root = ReadVersion(bytes);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->length, bytes.size());
    EXPECT_EQ(root->key, "VS_VERSION_INFO");
    EXPECT_EQ(root->type, 0);
    EXPECT_EQ(root->valueLength, tvtest::kFixedFileInfoSize);
    EXPECT_EQ(root->valueOffset, 40u);  // 6 + 32 bytes of key, padded

    const CByteView view = View(bytes);
    EXPECT_EQ(view.U32(40), tvtest::kFixedFileInfoSignature);
    EXPECT_EQ(view.U32(44), 0x00010000u);
    EXPECT_EQ(view.U32(48), 0x00010002u);  // file version MS
    EXPECT_EQ(view.U32(52), 0x00030004u);
    EXPECT_EQ(view.U32(56), 0x00050006u);  // product version MS
    EXPECT_EQ(view.U32(60), 0x00070008u);

    ASSERT_EQ(root->children.size(), 2u);
    const Block& sfi = root->children[0];
    const Block& vfi = root->children[1];
    EXPECT_EQ(sfi.key, "StringFileInfo");
    EXPECT_EQ(vfi.key, "VarFileInfo");
    ASSERT_EQ(sfi.children.size(), 2u);
    EXPECT_EQ(sfi.children[0].key, "040904b0");
    EXPECT_EQ(sfi.children[1].key, "040704b0");

    const Block& company = sfi.children[0].children.at(0);
    EXPECT_EQ(company.key, "CompanyName");
    EXPECT_EQ(company.type, 1);
    EXPECT_EQ(company.valueLength, 5);  // characters with the terminator
    EXPECT_EQ(company.valueOffset % 4, 0u);
    EXPECT_EQ(TextValue(bytes, company), "Tarn");
    EXPECT_EQ(TextValue(bytes, sfi.children[0].children.at(1)), "1.2.3.4");
    EXPECT_EQ(TextValue(bytes, sfi.children[1].children.at(0)), "Tarn GmbH");

    ASSERT_EQ(vfi.children.size(), 1u);
    const Block& translation = vfi.children[0];
    EXPECT_EQ(translation.key, "Translation");
    EXPECT_EQ(translation.type, 0);
    EXPECT_EQ(translation.valueLength, 8);
    EXPECT_EQ(view.U32(translation.valueOffset), 0x04B00409u);
    EXPECT_EQ(view.U32(translation.valueOffset + 4), 0x04B00407u);

    // Every block starts on 4 and ends inside its parent.
    auto check = [&](auto& self, const Block& parent) -> void {
        for (const Block& child : parent.children) {
            EXPECT_EQ(child.offset % 4, 0u) << child.key;
            EXPECT_LE(child.offset + child.length, parent.offset + parent.length) << child.key;
            self(self, child);
        }
    };
    check(check, *root);
}

TEST(ResourceBuilderVersion, MessyLayoutsOfRealFiles) {
    {
        const auto bytes = TwoLanguages().VarFileInfoFirst().Build();
        const auto root = ReadVersion(bytes);
        ASSERT_TRUE(root);
        ASSERT_EQ(root->children.size(), 2u);
        EXPECT_EQ(root->children[0].key, "VarFileInfo");
        EXPECT_EQ(root->children[1].key, "StringFileInfo");
    }
    {
        const auto bytes = TwoLanguages().ValueLengthIn(tvtest::ValueUnits::Bytes).Build();
        const auto root = ReadVersion(bytes);
        ASSERT_TRUE(root);
        const Block& company = root->children[0].children[0].children[0];
        EXPECT_EQ(company.valueLength, 10);
        EXPECT_EQ(TextValue(bytes, company), "Tarn");
    }
    {
        tvtest::VersionInfoBuilder v;
        v.ValueLengthIn(tvtest::ValueUnits::CharactersWithoutTerminator)
            .StringTable(0x0407, 1252)
            .Value("Comments", "abc");
        const auto root = ReadVersion(v.Build());
        ASSERT_TRUE(root);
        EXPECT_EQ(root->children[0].children[0].key, "040704e4");
        EXPECT_EQ(root->children[0].children[0].children[0].valueLength, 3);
    }
    {
        // A missing value between two present ones; the walk still reaches the third.
        tvtest::VersionInfoBuilder v;
        v.StringTable(0x0407, 1200)
            .Value("CompanyName", "A")
            .MissingValue("Comments")
            .Value("ProductName", "B")
            .Translation(0x0407, 1200);
        const auto bytes = v.Build();
        const auto root = ReadVersion(bytes);
        ASSERT_TRUE(root);
        const auto& values = root->children[0].children[0].children;
        ASSERT_EQ(values.size(), 3u);
        EXPECT_EQ(values[1].key, "Comments");
        EXPECT_EQ(values[1].valueLength, 0);
        EXPECT_EQ(TextValue(bytes, values[2]), "B");
    }
    {
        const auto bytes = TwoLanguages().NoFixedInfo().Build();
        const auto root = ReadVersion(bytes);
        ASSERT_TRUE(root);
        EXPECT_EQ(root->valueLength, 0);
        EXPECT_EQ(root->children.at(0).offset, 40u);  // right after the padded key
    }
    {
        const auto root = ReadVersion(TwoLanguages().TextTypeFlag(0).Build());
        ASSERT_TRUE(root);
        EXPECT_EQ(root->children[0].children[0].children[0].type, 0);
    }
    {
        tvtest::VersionInfoBuilder v;
        v.Translation(0x0409, 1252).Translation(0x0407, 1252).Translation(0x040C, 1200);
        const auto bytes = v.Build();
        const auto root = ReadVersion(bytes);
        ASSERT_TRUE(root);
        const Block& translation = root->children.at(0).children.at(0);
        EXPECT_EQ(translation.valueLength, 12);
        EXPECT_EQ(View(bytes).U16(translation.valueOffset + 8), 0x040C);
        EXPECT_EQ(View(bytes).U16(translation.valueOffset + 10), 1200);
    }
}

TEST(ResourceBuilderVersion, PaddingVariantsChangeOnlyWhatTheyClaim) {
    const auto plain = TwoLanguages().Build();
    const auto plainRoot = ReadVersion(plain);
    ASSERT_TRUE(plainRoot);
    const Block& plainCompany = plainRoot->children[0].children[0].children[0];

    // Without padding a value follows its key directly: "CompanyName" and its terminator end at
    // 6 + 24 = 30, which the aligned layout rounds up to 32.
    auto company = tvtest::VersionBlock::Text("CompanyName", "Tarn");
    EXPECT_EQ(View(company.Build()).Utf16Z(32, 8), "Tarn");
    company.alignValue = false;
    EXPECT_EQ(View(company.Build()).Utf16Z(30, 8), "Tarn");
    const auto packed = TwoLanguages().NoPadding().Build();
    EXPECT_EQ(View(packed).U32(38), tvtest::kFixedFileInfoSignature);
    EXPECT_LT(packed.size(), plain.size());

    const auto padded = TwoLanguages().ExtraPadding(4).Build();
    const auto paddedRoot = ReadVersion(padded);
    ASSERT_TRUE(paddedRoot);
    EXPECT_EQ(paddedRoot->children[0].children[0].children[0].length, plainCompany.length + 4);

    const auto rounded = TwoLanguages().PadEnds().Build();
    const auto roundedRoot = ReadVersion(rounded);
    ASSERT_TRUE(roundedRoot);
    auto check = [](auto& self, const Block& b) -> void {
        EXPECT_EQ(b.length % 4, 0u) << b.key;
        for (const Block& child : b.children)
            self(self, child);
    };
    check(check, *roundedRoot);
    EXPECT_EQ(roundedRoot->length, rounded.size());
}

TEST(ResourceBuilderVersion, DamagedLengthsReachPastTheParent) {
    const auto bytes = TwoLanguages().ChildOverrunsParent(64).Build();
    EXPECT_FALSE(ReadVersion(bytes));

    // Any block's length can be forced through the tree: here StringFileInfo claims far more than
    // the root holds.
    auto tree = TwoLanguages().Tree();
    tree.children.at(0).lengthField = 0xFFF0;
    const auto longChild = tree.Build();
    EXPECT_EQ(View(longChild).U16(92), 0xFFF0);
    EXPECT_FALSE(ReadVersion(longChild));
}

// ---- string tables -----------------------------------------------------------------------------

TEST(ResourceBuilderStrings, BlockGivesBackItsSixteenStrings) {
    std::vector<std::optional<tvtest::Text16>> slots(16);
    slots[0] = "Null";
    slots[2] = "Zeile 1\nZeile \"2\"";
    slots[5] = "";  // empty and missing look the same
    slots[15] = std::u16string{u'a', char16_t(0xDC00), u'b'};
    const auto bytes = tvtest::StringBlock(slots);

    CByteReader r(View(bytes));
    std::vector<std::u16string> back;
    for (int i = 0; i < 16; ++i) {
        const uint16_t count = r.U16();
        back.push_back(r.View().Utf16Units(r.Position(), count).value_or(u"?"));
        r.Skip(2ull * count);
    }
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
    EXPECT_EQ(tv::Utf16ToUtf8(back[0]), "Null");
    EXPECT_EQ(tv::Utf16ToUtf8(back[2]), "Zeile 1\nZeile \"2\"");
    EXPECT_TRUE(back[1].empty());
    EXPECT_TRUE(back[5].empty());
    EXPECT_EQ(back[15], (std::u16string{u'a', char16_t(0xDC00), u'b'}));

    // A short list is filled up with missing strings: 16 zero counts.
    EXPECT_EQ(tvtest::StringBlock({}), std::vector<uint8_t>(32, 0));
}

TEST(ResourceBuilderStrings, BlockIdMathAndWholeTables) {
    static_assert(tvtest::StringBlockId(0) == 1 && tvtest::StringBlockIndex(0) == 0);
    static_assert(tvtest::StringBlockId(15) == 1 && tvtest::StringBlockId(16) == 2);
    static_assert(tvtest::StringBlockId(98) == 7 && tvtest::StringBlockIndex(98) == 2);
    static_assert(tvtest::StringBlockId(65535) == 4096 && tvtest::StringBlockIndex(65535) == 15);
    static_assert(tvtest::StringIdOf(4096, 15) == 65535 && tvtest::StringIdOf(1, 0) == 0);

    const auto blocks = tvtest::StringTableBlocks({{0, "a"}, {98, "b"}, {99, "c"}, {65535, "z"}});
    ASSERT_EQ(blocks.size(), 3u);
    ASSERT_TRUE(blocks.count(7));
    const CByteView block7 = View(blocks.at(7));
    EXPECT_EQ(block7.U16(0), 0);
    EXPECT_EQ(block7.U16(4), 1);  // index 2
    EXPECT_EQ(block7.Utf16Counted(6, 1), "b");
    EXPECT_EQ(block7.U16(8), 1);  // index 3 follows directly
    EXPECT_EQ(blocks.at(4096).size(), 15 * 2 + 2 + 2u);
}

// ---- bitmaps -----------------------------------------------------------------------------------

struct InfoHeader {
    uint32_t size, compression, sizeImage, clrUsed, clrImportant;
    int32_t width, height;
    uint16_t planes, bitCount;
};

InfoHeader ReadInfoHeader(CByteView view) {
    CByteReader r(view);
    InfoHeader h{};
    h.size = r.U32();
    h.width = static_cast<int32_t>(r.U32());
    h.height = static_cast<int32_t>(r.U32());
    h.planes = r.U16();
    h.bitCount = r.U16();
    h.compression = r.U32();
    h.sizeImage = r.U32();
    r.Skip(8);
    h.clrUsed = r.U32();
    h.clrImportant = r.U32();
    EXPECT_TRUE(r.Ok());
    return h;
}

TEST(ResourceBuilderDib, HeaderPaletteAndBottomUpRows) {
    tvtest::Dib dib(5, 2, 8);
    dib.Palette({0xFF0000, 0x00FF00, 0x0000FF, 0x123456}).Indices({0, 1, 2, 3, 0, 3, 3, 3, 3, 1});
    const auto bytes = dib.Build();
    const InfoHeader h = ReadInfoHeader(View(bytes));
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 5);
    EXPECT_EQ(h.height, 2);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 8);
    EXPECT_EQ(h.compression, tvtest::kBiRgb);
    EXPECT_EQ(h.sizeImage, 16u);  // 2 rows of 8 bytes
    EXPECT_EQ(h.clrUsed, 4u);     // a short table is counted
    EXPECT_EQ(dib.BitsOffset(), 40 + 16u);
    ASSERT_EQ(bytes.size(), 56 + 16u);
    // RGBQUAD: blue, green, red, 0.
    EXPECT_EQ(View(bytes).U32(40), 0x00FF0000u);
    EXPECT_EQ(View(bytes).U32(52), 0x00123456u);
    // The bottom raster row comes first.
    EXPECT_EQ(Slice(bytes, 56, 5), (std::vector<uint8_t>{3, 3, 3, 3, 1}));
    EXPECT_EQ(Slice(bytes, 64, 5), (std::vector<uint8_t>{0, 1, 2, 3, 0}));

    tvtest::Dib topDown(5, 2, 8);
    topDown.Indices({0, 1, 2, 3, 0, 3, 3, 3, 3, 1}).TopDown();
    const auto td = topDown.Build();
    EXPECT_EQ(ReadInfoHeader(View(td)).height, -2);
    EXPECT_EQ(ReadInfoHeader(View(td)).clrUsed, 0u);  // full grey ramp of 256
    EXPECT_EQ(td.at(topDown.BitsOffset() + 1), 1);    // first raster row first
}

TEST(ResourceBuilderDib, RowStridesAndPackingPerDepth) {
    EXPECT_EQ(tvtest::Dib::Stride(33, 1), 8u);
    EXPECT_EQ(tvtest::Dib::Stride(32, 1), 4u);
    EXPECT_EQ(tvtest::Dib::Stride(9, 4), 8u);
    EXPECT_EQ(tvtest::Dib::Stride(10, 24), 32u);
    EXPECT_EQ(tvtest::Dib::Stride(3, 16), 8u);
    EXPECT_EQ(tvtest::Dib::Stride(0, 32), 0u);

    // 1 bit, 33 wide: 2 palette entries, rows of 8 bytes, most significant bit first.
    std::vector<uint8_t> raster(33, 0);
    raster[0] = raster[7] = raster[32] = 1;
    tvtest::Dib mono(33, 1, 1);
    mono.Indices(raster);
    const auto m = mono.Build();
    EXPECT_EQ(mono.BitsOffset(), 48u);
    ASSERT_EQ(m.size(), 48 + 8u);
    EXPECT_EQ(m[48], 0x81);
    EXPECT_EQ(m[52], 0x80);
    EXPECT_EQ(ReadInfoHeader(View(m)).clrUsed, 0u);
    EXPECT_EQ(View(m).U32(40), 0u);  // default table: black, white
    EXPECT_EQ(View(m).U32(44), 0x00FFFFFFu);

    tvtest::Dib four(3, 1, 4);
    four.Indices({1, 2, 15});
    const auto f = four.Build();
    EXPECT_EQ(four.BitsOffset(), 40 + 64u);
    EXPECT_EQ(f[104], 0x12);
    EXPECT_EQ(f[105], 0xF0);

    tvtest::Dib rgb(2, 1, 24);
    rgb.Colors({0x112233, 0xFFA0B0C0});
    const auto c = rgb.Build();
    EXPECT_EQ(rgb.BitsOffset(), 40u);
    EXPECT_EQ(Slice(c, 40, 8), (std::vector<uint8_t>{0x33, 0x22, 0x11, 0xC0, 0xB0, 0xA0, 0, 0}));

    tvtest::Dib argb(1, 1, 32);
    argb.Colors({0x80112233});
    EXPECT_EQ(View(argb.Build()).U32(40), 0x80112233u);

    // 16 bits without masks are 5-5-5; with BI_BITFIELDS the masks follow the header.
    tvtest::Dib x555(2, 1, 16);
    x555.Colors({0xFF0000, 0x0000FF});
    EXPECT_EQ(View(x555.Build()).U16(40), 0x7C00);
    EXPECT_EQ(View(x555.Build()).U16(42), 0x001F);
    tvtest::Dib x565(1, 1, 16);
    x565.Bitfields(0xF800, 0x07E0, 0x001F).Colors({0x00FF00});
    const auto b = x565.Build();
    EXPECT_EQ(ReadInfoHeader(View(b)).compression, tvtest::kBiBitfields);
    EXPECT_EQ(View(b).U32(40), 0xF800u);
    EXPECT_EQ(View(b).U32(48), 0x001Fu);
    EXPECT_EQ(x565.BitsOffset(), 52u);
    EXPECT_EQ(View(b).U16(52), 0x07E0);
}

TEST(ResourceBuilderDib, CoreHeaderUsesTriples) {
    tvtest::Dib core(3, 2, 4);
    core.CoreHeader().Palette(std::vector<uint32_t>(16, 0x010203)).Indices({1, 2, 3, 4, 5, 6});
    const auto bytes = core.Build();
    const CByteView v = View(bytes);
    EXPECT_EQ(v.U32(0), 12u);
    EXPECT_EQ(v.U16(4), 3);
    EXPECT_EQ(v.U16(6), 2);
    EXPECT_EQ(v.U16(8), 1);
    EXPECT_EQ(v.U16(10), 4);
    EXPECT_EQ(v.U8(12), 0x03);  // blue first, no reserved byte
    EXPECT_EQ(v.U8(15), 0x03);
    EXPECT_EQ(core.BitsOffset(), 12 + 48u);
    EXPECT_EQ(bytes.size(), 60 + 2 * 4u);
    EXPECT_EQ(bytes[60], 0x45);  // bottom row 4, 5, 6
}

// A decoder written from the format description, independent of the encoder.
std::optional<std::vector<uint8_t>> DecodeRle(const std::vector<uint8_t>& s, int width, int height,
                                              bool fourBit) {
    std::vector<uint8_t> out(static_cast<size_t>(width * height), 0xEE);
    int x = 0;
    int y = height - 1;
    auto put = [&](uint8_t v) {
        if (x < width && y >= 0) out[static_cast<size_t>(y * width + x)] = v;
        ++x;
    };
    size_t i = 0;
    while (i + 1 < s.size()) {
        const uint8_t count = s[i];
        const uint8_t value = s[i + 1];
        i += 2;
        if (count != 0) {
            for (int k = 0; k < count; ++k) {
                put(static_cast<uint8_t>(fourBit ? (k % 2 == 0 ? value >> 4 : value & 0x0F)
                                                 : value));
            }
        } else if (value == 0) {
            x = 0;
            --y;
        } else if (value == 1) {
            return i == s.size() ? std::optional(out) : std::nullopt;
        } else if (value == 2) {
            if (i + 2 > s.size()) return std::nullopt;
            x += s[i];
            y -= s[i + 1];
            i += 2;
        } else {
            const size_t bytes = fourBit ? (value + 1u) / 2 : value;
            if (i + bytes > s.size()) return std::nullopt;
            for (int k = 0; k < value; ++k) {
                const uint8_t b = s[i + static_cast<size_t>(fourBit ? k / 2 : k)];
                put(static_cast<uint8_t>(fourBit ? (k % 2 == 0 ? b >> 4 : b & 0x0F) : b));
            }
            i += bytes + bytes % 2;
        }
    }
    return std::nullopt;  // no end-of-bitmap
}

TEST(ResourceBuilderDib, RleStreamsDecodeAndEndWithEndOfBitmap) {
    const std::vector<uint8_t> raster = {
        1, 1, 1, 1, 2, 3, 4, 5, 5, 9,  //
        7, 6, 5, 4, 3, 2, 1, 0, 0, 0,  //
        8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
    };
    for (bool fourBit : {false, true}) {
        SCOPED_TRACE(fourBit ? "RLE4" : "RLE8");
        std::vector<uint8_t> input = raster;
        if (fourBit) {
            for (auto& v : input)
                v &= 0x0F;
        }
        const auto stream =
            fourBit ? tvtest::EncodeRle4(input, 10, 3) : tvtest::EncodeRle8(input, 10, 3);
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(stream[stream.size() - 2], 0);
        EXPECT_EQ(stream.back(), 1);
        EXPECT_EQ(DecodeRle(stream, 10, 3, fourBit), input);

        tvtest::Dib dib(10, 3, fourBit ? 4 : 8);
        dib.Indices(input).Rle();
        const auto bytes = dib.Build();
        const InfoHeader h = ReadInfoHeader(View(bytes));
        EXPECT_EQ(h.compression, fourBit ? tvtest::kBiRle4 : tvtest::kBiRle8);
        EXPECT_EQ(h.sizeImage, stream.size());
        EXPECT_EQ(Slice(bytes, dib.BitsOffset(), stream.size()), stream);
    }

    // Hand-made streams: absolute runs are padded to 16 bits, delta moves right and up.
    const auto rle8 =
        tvtest::RleStream().Literal({1, 2, 3}).Delta(2, 1).Run(2, 7).EndOfBitmap().Bytes();
    EXPECT_EQ(rle8, (std::vector<uint8_t>{0, 3, 1, 2, 3, 0, 0, 2, 2, 1, 2, 7, 0, 1}));
    const auto rle4 = tvtest::RleStream(true).Literal({1, 2, 3, 4, 5}).EndOfLine().Bytes();
    EXPECT_EQ(rle4, (std::vector<uint8_t>{0, 5, 0x12, 0x34, 0x50, 0, 0, 0}));
    const auto decoded = DecodeRle(rle8, 8, 2, false);
    ASSERT_TRUE(decoded);
    EXPECT_EQ((*decoded)[8], 1);  // bottom row, x 0
    EXPECT_EQ((*decoded)[5], 7);  // delta to (5, top row)
    EXPECT_EQ((*decoded)[6], 7);
    EXPECT_THROW(tvtest::RleStream().Literal({1, 2}), std::invalid_argument);
}

TEST(ResourceBuilderDib, ForcedFieldsLeaveTheLayoutAlone) {
    tvtest::Dib plain(8, 8, 8);
    tvtest::Dib damaged(8, 8, 8);
    damaged.Force({.bitCount = 7, .sizeImage = 5, .clrUsed = 0xFFFFFFFF});
    const auto a = plain.Build();
    const auto b = damaged.Build();
    ASSERT_EQ(a.size(), b.size());
    const InfoHeader h = ReadInfoHeader(View(b));
    EXPECT_EQ(h.bitCount, 7);
    EXPECT_EQ(h.sizeImage, 5u);
    EXPECT_EQ(h.clrUsed, 0xFFFFFFFFu);
    EXPECT_EQ(Slice(a, 40, a.size() - 40), Slice(b, 40, b.size() - 40));

    tvtest::Dib raw(2, 2, 8);
    raw.Bits({1, 2, 3});
    EXPECT_EQ(raw.Build().size(), 40 + 1024 + 3u);
}

TEST(ResourceBuilderDib, BmpFileHeaderPointsAtThePixels) {
    // The bitmap file writer's example: 1 bit and 33 pixels wide gives 8-byte rows, 2 colours.
    tvtest::Dib mono(33, 3, 1);
    const auto file = tvtest::BmpFile(mono);
    const CByteView v = View(file);
    EXPECT_EQ(v.U8(0), 'B');
    EXPECT_EQ(v.U8(1), 'M');
    EXPECT_EQ(v.U32(2), file.size());
    EXPECT_EQ(v.U32(6), 0u);
    EXPECT_EQ(v.U32(10), 14 + 40 + 8u);
    EXPECT_EQ(file.size(), 62 + 3 * 8u);
    EXPECT_EQ(v.U32(14), 40u);
}

// ---- icons and cursors -------------------------------------------------------------------------

TEST(ResourceBuilderIcon, DibIconsCarryXorAndAndMask) {
    std::vector<uint8_t> mask(16 * 16, 0);
    mask[0] = 1;  // top-left transparent
    auto icon = tvtest::IconImage(16, 16, 4);
    icon.AndMask(mask);
    const auto bytes = icon.Build();
    const InfoHeader h = ReadInfoHeader(View(bytes));
    EXPECT_EQ(h.width, 16);
    EXPECT_EQ(h.height, 32);
    EXPECT_EQ(h.bitCount, 4);
    EXPECT_EQ(h.sizeImage, 16 * 8 + 16 * 4u);
    ASSERT_EQ(bytes.size(), 40 + 64 + 128 + 64u);
    // The mask is stored bottom-up like the colours: the top row is its last row.
    const size_t maskStart = 40 + 64 + 128;
    EXPECT_EQ(bytes[maskStart + 15 * 4], 0x80);
    EXPECT_EQ(bytes[maskStart], 0x00);

    auto alpha = tvtest::IconImage(33, 1, 32);
    alpha.Colors(std::vector<uint32_t>(33, 0x7F00FF00));
    const auto a = alpha.Build();
    EXPECT_EQ(View(a).U32(40), 0x7F00FF00u);
    EXPECT_EQ(a.size(), 40 + 33 * 4 + 8u);  // the 1-bit mask rows are padded to 4 bytes
}

TEST(ResourceBuilderIcon, CursorsPutTheHotspotFirst) {
    const auto cursor = tvtest::CursorImage(5, 7, tvtest::IconImage(32, 32, 1));
    const CByteView v = View(cursor);
    EXPECT_EQ(v.U16(0), 5);
    EXPECT_EQ(v.U16(2), 7);
    const InfoHeader h = ReadInfoHeader(v.Tail(4));
    EXPECT_EQ(h.height, 64);  // monochrome: XOR and AND mask
    EXPECT_EQ(cursor.size(), 4 + 40 + 8 + 2 * 32 * 4u);
}

TEST(ResourceBuilderIcon, GroupEntriesMatchTheirImages) {
    const auto small = tvtest::IconImage(16, 16, 4).Build();
    const auto big = tvtest::PngImage(256, 256, std::vector<uint32_t>(256 * 256, 0xFF000000));
    const auto dir =
        tvtest::GroupIcon({tvtest::IconEntryFor(small, 1), tvtest::IconEntryFor(big, 2)});
    CByteReader r(View(dir));
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.U16(), 1);
    ASSERT_EQ(r.U16(), 2);
    EXPECT_EQ(r.U8(), 16);  // width
    EXPECT_EQ(r.U8(), 16);  // height, not doubled
    EXPECT_EQ(r.U8(), 16);  // colours
    EXPECT_EQ(r.U8(), 0);
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U16(), 4);
    EXPECT_EQ(r.U32(), small.size());
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U8(), 0);  // 256 is written as 0
    EXPECT_EQ(r.U8(), 0);
    EXPECT_EQ(r.U8(), 0);
    r.Skip(3);
    EXPECT_EQ(r.U16(), 32);
    EXPECT_EQ(r.U32(), big.size());
    EXPECT_EQ(r.U16(), 2);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);

    // Damage: a byte count that lies and a count larger than the entries present.
    auto lying = tvtest::IconEntryFor(small, 1);
    lying.bytesInRes = 0x10000000;
    const auto bad = tvtest::GroupIcon({lying}, {.count = 9});
    EXPECT_EQ(View(bad).U16(4), 9);
    EXPECT_EQ(View(bad).U32(14), 0x10000000u);
    EXPECT_EQ(bad.size(), 6 + 14u);

    const auto cursor = tvtest::CursorImage(1, 2, tvtest::IconImage(32, 32, 1));
    const auto cdir = tvtest::GroupCursor({tvtest::CursorEntryFor(cursor, 7)});
    CByteReader c(View(cdir));
    EXPECT_EQ(c.U16(), 0);
    EXPECT_EQ(c.U16(), 2);
    EXPECT_EQ(c.U16(), 1);
    EXPECT_EQ(c.U16(), 32);
    EXPECT_EQ(c.U16(), 64);  // doubled, as in the DIB header
    EXPECT_EQ(c.U16(), 1);
    EXPECT_EQ(c.U16(), 1);
    EXPECT_EQ(c.U32(), cursor.size());  // hotspot included
    EXPECT_EQ(c.U16(), 7);
    EXPECT_EQ(c.Remaining(), 0u);
}

TEST(ResourceBuilderIcon, IcoAndCurFilesPointAtTheirImages) {
    auto colour = tvtest::IconImage(16, 16, 8);
    const auto a = colour.Build();
    const auto b = tvtest::IconImage(32, 32, 1).Build();
    const auto ico = tvtest::IcoFile({tvtest::IcoEntryFor(a), tvtest::IcoEntryFor(b)});
    const CByteView v = View(ico);
    EXPECT_EQ(v.U16(2), 1);
    EXPECT_EQ(v.U16(4), 2);
    EXPECT_EQ(v.U8(6), 16);
    EXPECT_EQ(v.U8(7), 16);
    EXPECT_EQ(v.U16(10), 1);
    EXPECT_EQ(v.U16(12), 8);
    EXPECT_EQ(v.U32(14), a.size());
    EXPECT_EQ(v.U32(18), 6 + 32u);
    EXPECT_EQ(v.U32(34), 6 + 32 + a.size());
    EXPECT_EQ(Slice(ico, 38, 40), Slice(a, 0, 40));
    EXPECT_EQ(ico.size(), 38 + a.size() + b.size());

    const auto cur = tvtest::CurFile({tvtest::CurEntryFor(tvtest::CursorImage(3, 4, b))});
    const CByteView c = View(cur);
    EXPECT_EQ(c.U16(2), 2);
    EXPECT_EQ(c.U8(7), 32);  // the picture's height in the file's directory
    EXPECT_EQ(c.U16(10), 3);
    EXPECT_EQ(c.U16(12), 4);
    EXPECT_EQ(c.U32(14), b.size());  // the hotspot moved into the entry
    EXPECT_EQ(c.U32(18), 22u);
}

// icoutils reads these formats independently of anything here.
std::optional<std::string> IcotoolList(const std::vector<uint8_t>& file, const char* name) {
    if (access("/usr/bin/icotool", X_OK) != 0) return std::nullopt;
    const auto dir =
        std::filesystem::temp_directory_path() / ("tarnview-res-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / name;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
    }
    std::string text;
    if (FILE* pipe = popen(("/usr/bin/icotool -l '" + path.string() + "' 2>&1").c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    std::filesystem::remove_all(dir);
    return text;
}

TEST(ResourceBuilderIcon, IcotoolListsBuiltFiles) {
    auto a = tvtest::IconImage(16, 16, 4).Build();
    auto b = tvtest::IconImage(48, 48, 32).Build();
    auto c = tvtest::PngImage(64, 64, std::vector<uint32_t>(64 * 64, 0x80FF0000));
    const auto ico =
        tvtest::IcoFile({tvtest::IcoEntryFor(a), tvtest::IcoEntryFor(b), tvtest::IcoEntryFor(c)});
    const auto listed = IcotoolList(ico, "built.ico");
    if (!listed) GTEST_SKIP() << "icotool (icoutils) is not installed";
    EXPECT_NE(listed->find("--icon --index=1 --width=16 --height=16 --bit-depth=4 "
                           "--palette-size=16"),
              std::string::npos)
        << *listed;
    EXPECT_NE(listed->find("--index=2 --width=48 --height=48 --bit-depth=32"), std::string::npos)
        << *listed;
    EXPECT_NE(listed->find("--index=3 --width=64 --height=64 --bit-depth=32"), std::string::npos)
        << *listed;

    const auto cur = tvtest::CurFile(
        {tvtest::CurEntryFor(tvtest::CursorImage(9, 11, tvtest::IconImage(32, 32, 1)))});
    const auto curListed = IcotoolList(cur, "built.cur");
    ASSERT_TRUE(curListed);
    EXPECT_NE(curListed->find("--cursor --index=1 --width=32 --height=32 --bit-depth=1"),
              std::string::npos)
        << *curListed;
    EXPECT_NE(curListed->find("--hotspot-x=9 --hotspot-y=11"), std::string::npos) << *curListed;
}

// ---- PNG ---------------------------------------------------------------------------------------

// Bit by bit, not the builder's table.
uint32_t SlowCrc32(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b.at(at)} << 24 | uint32_t{b.at(at + 1)} << 16 | uint32_t{b.at(at + 2)} << 8 |
           b.at(at + 3);
}

TEST(ResourceBuilderPng, ChunksCarryValidCrcsAndStoredDeflateData) {
    EXPECT_EQ(SlowCrc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(tvtest::Crc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(tvtest::Adler32(reinterpret_cast<const uint8_t*>("Wikipedia"), 9), 0x11E60398u);

    // 200 x 90 RGBA rows are 72,090 bytes: more than one stored block.
    const uint32_t w = 200;
    const uint32_t h = 90;
    std::vector<uint32_t> pixels(w * h);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint32_t>(0x01000000u * (i % 256) + i);
    const auto png = tvtest::PngImage(w, h, pixels);

    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(Slice(png, 0, 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
    std::vector<std::string> types;
    std::vector<uint8_t> idat;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = Be32(png, at);
        ASSERT_LE(at + 12 + length, png.size());
        const auto typeBytes = Slice(png, at + 4, 4);
        const std::string type(typeBytes.begin(), typeBytes.end());
        EXPECT_EQ(Be32(png, at + 8 + length), SlowCrc32(png.data() + at + 4, 4 + length)) << type;
        if (type == "IHDR") {
            EXPECT_EQ(length, 13u);
            EXPECT_EQ(Be32(png, at + 8), w);
            EXPECT_EQ(Be32(png, at + 12), h);
            EXPECT_EQ(png[at + 16], 8);  // bit depth
            EXPECT_EQ(png[at + 17], 6);  // RGBA
        }
        if (type == "IDAT")
            for (uint8_t byte : Slice(png, at + 8, length))
                idat.push_back(byte);
        types.push_back(type);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

    // zlib: header check, stored blocks with LEN/NLEN, Adler-32 of the raw data.
    ASSERT_GE(idat.size(), 6u);
    EXPECT_EQ((idat[0] * 256 + idat[1]) % 31, 0);
    EXPECT_EQ(idat[0] & 0x0F, 8);
    std::vector<uint8_t> raw;
    size_t p = 2;
    int blocks = 0;
    bool final = false;
    while (!final && p + 5 <= idat.size()) {
        final = idat[p] & 1;
        EXPECT_EQ(idat[p] & 6, 0);  // stored
        const uint32_t len = *View(idat).U16(p + 1);
        const uint32_t nlen = *View(idat).U16(p + 3);
        EXPECT_EQ(len ^ 0xFFFF, nlen);
        for (uint8_t byte : Slice(idat, p + 5, len))
            raw.push_back(byte);
        p += 5 + len;
        ++blocks;
    }
    EXPECT_TRUE(final);
    EXPECT_EQ(blocks, 2);
    ASSERT_EQ(p + 4, idat.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Be32(idat, p), b << 16 | a);

    // Each row: filter 0, then R, G, B, A.
    ASSERT_EQ(raw.size(), h * (1 + 4 * w));
    const size_t row = 1 + 4 * w;
    const uint32_t pixel = pixels[w + 3];  // row 1, x 3
    EXPECT_EQ(raw[row], 0);
    EXPECT_EQ(raw[row + 1 + 12], (pixel >> 16) & 0xFF);
    EXPECT_EQ(raw[row + 1 + 15], pixel >> 24);
}

// ---- dialog templates --------------------------------------------------------------------------

struct ReadItem {
    uint64_t offset = 0;
    uint32_t style = 0, exStyle = 0, helpId = 0, id = 0;
    int16_t x = 0, cy = 0;
    std::u16string cls, title;
    std::vector<uint8_t> data;
};

// sz_Or_Ord as text: "#n" for an ordinal, "" when absent.
std::u16string ReadNameOrId(CByteReader& r) {
    CByteReader peek = r;
    if (peek.U16() == 0xFFFF) {
        r.Skip(2);
        const uint16_t ordinal = r.U16();
        return u"#" + tv::Utf8ToUtf16(std::to_string(ordinal));
    }
    return r.Utf16ZUnits(256);
}

struct ReadDialog {
    uint32_t style = 0;
    uint16_t count = 0;
    int16_t cx = 0;
    std::u16string menu, cls, title, face;
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 0;
    std::vector<ReadItem> items;
    bool ok = false;
};

// Reads the header and then the declared number of items, each at the next DWORD boundary.
ReadDialog ReadTemplate(const std::vector<uint8_t>& bytes) {
    CByteReader r(View(bytes));
    ReadDialog d;
    const bool ex = View(bytes).U16(0) == 1 && View(bytes).U16(2) == 0xFFFF;
    if (ex) {
        r.Skip(8);
        r.U32();  // exStyle
        d.style = r.U32();
    } else {
        d.style = r.U32();
        r.U32();
    }
    d.count = r.U16();
    r.Skip(4);
    d.cx = static_cast<int16_t>(r.U16());
    r.Skip(2);
    d.menu = ReadNameOrId(r);
    d.cls = ReadNameOrId(r);
    d.title = ReadNameOrId(r);
    if (d.style & tvtest::kDsSetFont) {
        d.pointSize = r.U16();
        if (ex) {
            d.weight = r.U16();
            d.italic = r.U8();
            d.charset = r.U8();
        }
        d.face = r.Utf16ZUnits(64);
    }
    for (uint16_t i = 0; i < d.count && r.Ok(); ++i) {
        r.Align(4);
        ReadItem item;
        item.offset = r.Position();
        if (ex) {
            item.helpId = r.U32();
            item.exStyle = r.U32();
            item.style = r.U32();
        } else {
            item.style = r.U32();
            item.exStyle = r.U32();
        }
        item.x = static_cast<int16_t>(r.U16());
        r.Skip(4);
        item.cy = static_cast<int16_t>(r.U16());
        item.id = ex ? r.U32() : r.U16();
        item.cls = ReadNameOrId(r);
        item.title = ReadNameOrId(r);
        const uint16_t extra = r.U16();
        const CByteView data = r.Bytes(extra);
        item.data.assign(data.Data(), data.Data() + data.Size());
        if (r.Ok()) d.items.push_back(item);
    }
    d.ok = r.Ok() && r.Remaining() == 0;
    return d;
}

tvtest::DialogTemplate SampleDialog(bool extended) {
    tvtest::DialogTemplate t(extended);
    t.Rect(10, 20, 186, 95).Title("Über").Font(8, "MS Shell Dlg", 700, 1, 0);
    t.Add(tvtest::Control(tvtest::kButtonAtom, 1, "OK", -1, 2, 50, 14));
    t.Add(tvtest::Control(tvtest::kStaticAtom, 0x12345, tvtest::NameOrId::Ordinal(128), 7, 7, 21,
                          20));
    tvtest::DialogItem custom;
    custom.windowClass = "SysTreeView32";
    custom.title = "x";
    custom.id = 1001;
    custom.helpId = 77;
    custom.creationData = {1, 2, 3};
    t.Add(custom);
    t.Add(tvtest::Control(tvtest::kEditAtom, 3, "", 0, 0, 1, 1));
    return t;
}

TEST(ResourceBuilderDialog, ClassicItemsAreDwordAlignedAndCounted) {
    const auto t = SampleDialog(false);
    const auto bytes = t.Build();
    const ReadDialog d = ReadTemplate(bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.count, 4);
    EXPECT_EQ(d.cx, 186);
    EXPECT_EQ(d.menu, u"");
    EXPECT_EQ(d.title, u"Über");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.face, u"MS Shell Dlg");
    ASSERT_EQ(d.items.size(), 4u);
    EXPECT_EQ(t.ItemOffsets().size(), 4u);
    for (size_t i = 0; i < d.items.size(); ++i) {
        EXPECT_EQ(d.items[i].offset % 4, 0u) << i;
        EXPECT_EQ(d.items[i].offset, t.ItemOffsets()[i]) << i;
    }
    EXPECT_EQ(d.items[0].cls, u"#128");
    EXPECT_EQ(d.items[0].title, u"OK");
    EXPECT_EQ(d.items[0].x, -1);
    EXPECT_EQ(d.items[0].style, tvtest::kWsChildVisible);
    EXPECT_EQ(d.items[1].id, 0x2345u);  // a WORD in the classic form
    EXPECT_EQ(d.items[1].title, u"#128");
    EXPECT_EQ(d.items[2].cls, u"SysTreeView32");
    EXPECT_EQ(d.items[2].data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(d.items[3].title, u"");
}

TEST(ResourceBuilderDialog, ExtendedFormCarriesHelpIdsFontWeightAndDwordIds) {
    const auto bytes = SampleDialog(true).HelpId(5).Menu(tvtest::NameOrId::Ordinal(130)).Build();
    const CByteView v = View(bytes);
    EXPECT_EQ(v.U16(0), 1);
    EXPECT_EQ(v.U16(2), 0xFFFF);
    EXPECT_EQ(v.U32(4), 5u);
    const ReadDialog d = ReadTemplate(bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.menu, u"#130");
    EXPECT_EQ(d.weight, 700);
    EXPECT_EQ(d.italic, 1);
    EXPECT_EQ(d.charset, 0);
    ASSERT_EQ(d.items.size(), 4u);
    for (const auto& item : d.items)
        EXPECT_EQ(item.offset % 4, 0u);
    EXPECT_EQ(d.items[1].id, 0x12345u);
    EXPECT_EQ(d.items[2].helpId, 77u);
    EXPECT_EQ(d.items[2].data, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ResourceBuilderDialog, FontFlagDecidesTheFontBlockAndForcedFieldsLie) {
    // Without DS_SETFONT the title is the last header field.
    tvtest::DialogTemplate plain;
    plain.Style(0x80C80000).Title("T");
    EXPECT_EQ(plain.Build().size(), 18 + 2 + 2 + 4u);
    EXPECT_TRUE(ReadTemplate(plain.Build()).ok);

    // DS_SHELLFONT includes DS_SETFONT; without Font the default face is written.
    auto shell = tvtest::DialogTemplate::Extended();
    shell.Style(tvtest::kDsShellFont);
    const ReadDialog s = ReadTemplate(shell.Build());
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.face, u"MS Shell Dlg");
    EXPECT_EQ(s.weight, 400);

    // More items declared than present: a reader runs out of bytes.
    auto liar = SampleDialog(false);
    liar.Force({.itemCount = 9});
    EXPECT_EQ(View(liar.Build()).U16(8), 9);
    EXPECT_FALSE(ReadTemplate(liar.Build()).ok);

    // A style that denies the font block which is still there.
    auto noFlag = SampleDialog(false);
    noFlag.Force({.style = 0x80C80000});
    EXPECT_EQ(View(noFlag.Build()).U32(0), 0x80C80000u);
    EXPECT_EQ(noFlag.Build().size(), SampleDialog(false).Build().size());

    auto version = SampleDialog(true);
    version.Force({.dlgVer = 2});
    EXPECT_EQ(View(version.Build()).U16(0), 2);

    tvtest::DialogItem creation = tvtest::Control(tvtest::kButtonAtom, 1, "A", 0, 0, 1, 1);
    creation.creationDataSizeField = 0x4000;
    tvtest::DialogTemplate one;
    one.Add(creation);
    EXPECT_FALSE(ReadTemplate(one.Build()).ok);
}

// ---- menus, accelerators, toolbars -------------------------------------------------------------

struct ReadMenuItem {
    uint32_t type = 0;
    uint32_t helpId = 0;
    uint16_t flags = 0;
    uint32_t id = 0;
    std::string text;
    std::vector<ReadMenuItem> children;
};

std::vector<ReadMenuItem> ReadMenuLevel(CByteReader& r, bool ex, int depth) {
    std::vector<ReadMenuItem> level;
    while (r.Ok() && depth < 8) {
        ReadMenuItem item;
        bool popup = false;
        if (ex) {
            r.Align(4);
            item.type = r.U32();
            r.U32();  // state
            item.id = r.U32();
            item.flags = r.U16();
            popup = item.flags & 0x01;
            item.text = r.Utf16Z(256);
            if (popup) {
                r.Align(4);
                item.helpId = r.U32();
            }
        } else {
            item.flags = r.U16();
            popup = item.flags & tvtest::kMfPopup;
            if (!popup) item.id = r.U16();
            item.text = r.Utf16Z(256);
        }
        if (popup) item.children = ReadMenuLevel(r, ex, depth + 1);
        const bool end = item.flags & tvtest::kMfEnd;
        level.push_back(std::move(item));
        if (end) break;
    }
    return level;
}

std::vector<tvtest::MenuItem> SampleMenu() {
    using tvtest::MenuItem;
    return {
        MenuItem::Popup("&Dokument",
                        {MenuItem::Command("&Öffnen...\tStrg+O", 57601), MenuItem::Separator(),
                         MenuItem::Popup("Zuletzt", {MenuItem::Command("a", 1, 1)}),
                         MenuItem::Command("&Beenden", 57665)}),
        MenuItem::Command("&Hilfe", 57670, tvtest::kMfChecked),
    };
}

TEST(ResourceBuilderMenu, ClassicPopupsNestAndEachLevelEndsWithMfEnd) {
    const auto bytes = tvtest::MenuTemplate(SampleMenu());
    CByteReader r(View(bytes));
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.U16(), 0);
    const auto items = ReadMenuLevel(r, false, 0);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].flags, tvtest::kMfPopup);
    EXPECT_EQ(items[0].text, "&Dokument");
    ASSERT_EQ(items[0].children.size(), 4u);
    EXPECT_EQ(items[0].children[0].text, "&Öffnen...\tStrg+O");
    EXPECT_EQ(items[0].children[0].id, 57601u);
    EXPECT_EQ(items[0].children[1].flags, 0);  // separator: flags 0, id 0, no text
    EXPECT_EQ(items[0].children[1].id, 0u);
    EXPECT_EQ(items[0].children[1].text, "");
    EXPECT_EQ(items[0].children[2].flags, tvtest::kMfPopup);
    EXPECT_EQ(items[0].children[2].children.at(0).flags, tvtest::kMfEnd | tvtest::kMfGrayed);
    EXPECT_EQ(items[0].children[3].flags, tvtest::kMfEnd);
    EXPECT_EQ(items[1].flags, tvtest::kMfEnd | tvtest::kMfChecked);
    EXPECT_EQ(items[1].id, 57670u);

    // Without an end flag a reader walks off the end.
    auto open = SampleMenu();
    open[1].flagsField = 0;
    const auto openBytes = tvtest::MenuTemplate(open);
    CByteReader o(View(openBytes));
    o.Skip(4);
    (void)ReadMenuLevel(o, false, 0);
    EXPECT_FALSE(o.Ok());
}

TEST(ResourceBuilderMenu, ExtendedItemsAreDwordAligned) {
    auto menu = SampleMenu();
    menu[0].helpId = 0x11223344;
    const auto bytes = tvtest::MenuExTemplate(menu, 9);
    CByteReader r(View(bytes));
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U16(), 4);
    EXPECT_EQ(r.U32(), 9u);
    const auto items = ReadMenuLevel(r, true, 0);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].flags, tvtest::kMenuExPopup);
    EXPECT_EQ(items[0].helpId, 0x11223344u);  // on the DWORD after the text
    ASSERT_EQ(items[0].children.size(), 4u);
    EXPECT_EQ(items[0].children[0].id, 57601u);
    EXPECT_EQ(items[0].children[2].children.at(0).flags, tvtest::kMfEnd);
    EXPECT_EQ(items[0].children[1].type, tvtest::kMftSeparator);
    EXPECT_EQ(items[1].flags, tvtest::kMfEnd);
}

TEST(ResourceBuilderTables, AcceleratorsAndToolbars) {
    const auto acc = tvtest::Accelerators(
        {{tvtest::kFVirtKey | tvtest::kFControl, 'O', 57601}, {tvtest::kFVirtKey, 0x70, 57670}});
    ASSERT_EQ(acc.size(), 16u);
    const CByteView a = View(acc);
    EXPECT_EQ(a.U16(0), tvtest::kFVirtKey | tvtest::kFControl);
    EXPECT_EQ(a.U16(2), 'O');
    EXPECT_EQ(a.U16(4), 57601);
    EXPECT_EQ(a.U16(8), tvtest::kFVirtKey | tvtest::kAccelLast);
    EXPECT_EQ(a.U16(12), 57670);
    EXPECT_EQ(View(tvtest::Accelerators({{1, 2, 3}}, false)).U16(0), 1);

    const auto bar = tvtest::ToolbarResource(16, 15, {32805, 0, 32806});
    EXPECT_EQ(bar, (std::vector<uint8_t>{1, 0, 16, 0, 15, 0, 3, 0, 0x25, 0x80, 0, 0, 0x26, 0x80}));
    const auto liar = tvtest::ToolbarResource(16, 15, {1}, {.count = 50});
    EXPECT_EQ(View(liar).U16(6), 50);
    EXPECT_EQ(liar.size(), 10u);
}

}  // namespace
