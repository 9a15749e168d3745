// Bitmap, icon and cursor decoding against builder fixtures, and the damaged headers, tables and
// streams that must fail with a reason (or decode safely) instead of crashing or allocating
// without bound.
#include "resources/Picture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "resources/ResourceCatalog.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CResourceCatalog;

namespace {

using tv::CByteView;
using tv::CIconImage;
using tv::CPicture;

CByteView View(const std::vector<uint8_t>& bytes) { return CByteView(bytes.data(), bytes.size()); }

CPicture Decode(const std::vector<uint8_t>& bytes) {
    CPicture picture;
    std::string error;
    EXPECT_TRUE(tv::DecodeBitmap(View(bytes), picture, error)) << error;
    EXPECT_TRUE(error.empty() || !picture.Empty());
    return picture;
}

std::string DecodeError(const std::vector<uint8_t>& bytes) {
    CPicture picture;
    std::string error;
    EXPECT_FALSE(tv::DecodeBitmap(View(bytes), picture, error));
    EXPECT_TRUE(picture.Empty());
    EXPECT_FALSE(error.empty());
    return error;
}

CIconImage DecodeIcon(const std::vector<uint8_t>& bytes, bool cursor = false) {
    CIconImage image;
    std::string error;
    EXPECT_TRUE(tv::DecodeIconImage(View(bytes), cursor, image, error)) << error;
    return image;
}

constexpr uint32_t kOpaque = 0xFF000000;

// A DIB whose BITMAPINFOHEADER (and the BI_BITFIELDS masks after it) is replaced by a header of
// headerSize bytes carrying the masks inside, as BITMAPV4HEADER and BITMAPV5HEADER do.
std::vector<uint8_t> WithLargeHeader(const std::vector<uint8_t>& dib, uint32_t headerSize,
                                     bool masksFollow, std::array<uint32_t, 4> masks) {
    std::vector<uint8_t> out(dib.begin(), dib.begin() + 40);
    out.resize(headerSize, 0);
    for (size_t i = 0; i < 4; ++i) {
        for (size_t b = 0; b < 4; ++b)
            out[40 + 4 * i + b] = static_cast<uint8_t>(masks[i] >> (8 * b));
    }
    for (size_t b = 0; b < 4; ++b)
        out[b] = static_cast<uint8_t>(headerSize >> (8 * b));
    out.insert(out.end(), dib.begin() + (masksFollow ? 52 : 40), dib.end());
    return out;
}

// ---- bitmaps: depths, tables, orientation
// --------------------------------------------------------

TEST(PictureBitmap, IndexedDepthsKeepTheirTableAndIndices) {
    // 1 bit, 9 pixels wide so a row spills into a second byte.
    const std::vector<uint8_t> mono = {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
    CPicture p1 = Decode(tvtest::Dib(9, 2, 1).Palette({0x102030, 0xA0B0C0}).Indices(mono).Build());
    EXPECT_EQ(p1.description, (tv::PictureDescription{9, 2, 4, 1, 1}));
    EXPECT_EQ(p1.palette, (std::vector<uint32_t>{0x102030, 0xA0B0C0}));
    EXPECT_EQ(p1.indices, mono);
    EXPECT_EQ(p1.Pixel(0, 0), kOpaque | 0xA0B0C0);
    EXPECT_EQ(p1.Pixel(8, 0), kOpaque | 0xA0B0C0);
    EXPECT_EQ(p1.Pixel(0, 1), kOpaque | 0x102030);
    EXPECT_TRUE(p1.IsConsistent());

    // 4 bits with an odd width: the last pixel sits in a high nibble.
    CPicture p4 = Decode(tvtest::Dib(3, 1, 4).Indices({15, 1, 7}).Build());
    EXPECT_EQ(p4.description, (tv::PictureDescription{3, 1, 4, 1, 4}));
    EXPECT_EQ(p4.indices, (std::vector<uint8_t>{15, 1, 7}));
    EXPECT_EQ(p4.palette.size(), 16u);
    EXPECT_EQ(p4.Pixel(0, 0), kOpaque | 0xFFFFFF);  // the builder's grey ramp
    EXPECT_EQ(p4.Pixel(1, 0), kOpaque | 0x111111);

    // 8 bits with a short table (biClrUsed 3): an index past it shows black.
    CPicture p8 = Decode(tvtest::Dib(2, 2, 8)
                             .Palette({0xFF0000, 0x00FF00, 0x0000FF})
                             .Indices({0, 1, 2, 200})
                             .Build());
    EXPECT_EQ(p8.palette.size(), 3u);
    EXPECT_EQ(p8.indices, (std::vector<uint8_t>{0, 1, 2, 200}));
    EXPECT_EQ(p8.pixels, (std::vector<uint32_t>{kOpaque | 0xFF0000, kOpaque | 0x00FF00,
                                                kOpaque | 0x0000FF, kOpaque}));
}

TEST(PictureBitmap, DirectColourDepthsAndMasks) {
    const std::vector<uint32_t> colors = {0xFF0000, 0x00FF00, 0x0000FF, 0x848484};

    CPicture x555 = Decode(tvtest::Dib(2, 2, 16).Colors(colors).Build());
    EXPECT_EQ(x555.description, (tv::PictureDescription{2, 2, 4, 1, 16}));
    EXPECT_TRUE(x555.indices.empty());
    // Five bits scale back to the full range: 31 is 255, 16 is 131.
    EXPECT_EQ(x555.pixels, (std::vector<uint32_t>{kOpaque | 0xFF0000, kOpaque | 0x00FF00,
                                                  kOpaque | 0x0000FF, kOpaque | 0x838383}));

    CPicture r565 =
        Decode(tvtest::Dib(2, 2, 16).Bitfields(0xF800, 0x07E0, 0x001F).Colors(colors).Build());
    EXPECT_EQ(r565.Pixel(1, 1), kOpaque | 0x838583);  // green has six bits: 33 is 133

    CPicture rgb = Decode(tvtest::Dib(2, 2, 24).Colors(colors).Build());
    EXPECT_EQ(rgb.description, (tv::PictureDescription{2, 2, 8, 1, 24}));
    EXPECT_EQ(rgb.Pixel(1, 1), kOpaque | 0x848484);
    EXPECT_EQ(rgb.Pixel(0, 0), kOpaque | 0xFF0000);

    // A bitmap is opaque whatever its fourth byte holds.
    CPicture argb = Decode(tvtest::Dib(1, 1, 32).Colors({0x12345678}).Build());
    EXPECT_EQ(argb.pixels, (std::vector<uint32_t>{0xFF345678}));
    EXPECT_EQ(argb.description.rowBytes, 4u);

    // BI_BITFIELDS at 32 bits with the channels in an unusual order.
    CPicture swapped =
        Decode(tvtest::Dib(1, 1, 32).Bitfields(0xFF, 0xFF00, 0xFF0000).Colors({0x123456}).Build());
    EXPECT_EQ(swapped.pixels, (std::vector<uint32_t>{kOpaque | 0x123456}));
}

TEST(PictureBitmap, TopDownAndCoreHeadersAndLargeHeaders) {
    const std::vector<uint8_t> indices = {1, 2, 3, 4, 5, 6};
    CPicture bottomUp = Decode(tvtest::Dib(3, 2, 8).Indices(indices).Build());
    CPicture topDown = Decode(tvtest::Dib(3, 2, 8).Indices(indices).TopDown().Build());
    EXPECT_EQ(bottomUp.indices, indices);
    EXPECT_EQ(topDown.indices, indices);
    EXPECT_EQ(topDown.description.height, 2u);

    for (const uint16_t bits : {uint16_t{1}, uint16_t{4}, uint16_t{8}}) {
        std::vector<uint8_t> idx = {0, 1, 1, 0};
        CPicture core = Decode(tvtest::Dib(2, 2, bits).CoreHeader().Indices(idx).Build());
        EXPECT_EQ(core.indices, idx) << bits;
        EXPECT_EQ(core.palette.size(), size_t{1} << bits);
    }
    CPicture core24 =
        Decode(tvtest::Dib(1, 2, 24).CoreHeader().Colors({0xABCDEF, 0x010203}).Build());
    EXPECT_EQ(core24.pixels, (std::vector<uint32_t>{kOpaque | 0xABCDEF, kOpaque | 0x010203}));

    // V4 (108) and V5 (124) headers carry the masks inside; a BI_RGB one ignores them.
    const std::vector<uint8_t> bitfields =
        tvtest::Dib(1, 1, 16).Bitfields(0xF800, 0x07E0, 0x001F).Colors({0xFF00FF}).Build();
    for (uint32_t size : {108u, 124u}) {
        CPicture v = Decode(WithLargeHeader(bitfields, size, true, {0xF800, 0x07E0, 0x001F, 0}));
        EXPECT_EQ(v.pixels, (std::vector<uint32_t>{kOpaque | 0xFF00FF})) << size;
    }
    const std::vector<uint8_t> plain = tvtest::Dib(1, 1, 16).Colors({0x00FF00}).Build();
    CPicture v5 = Decode(WithLargeHeader(plain, 124, false, {0xF800, 0x07E0, 0x001F, 0}));
    EXPECT_EQ(v5.pixels, (std::vector<uint32_t>{kOpaque | 0x00FF00}));
}

// ---- bitmaps: RLE
// --------------------------------------------------------------------------------

TEST(PictureBitmap, RleStreamsDecodeToTheirDepth) {
    const std::vector<uint8_t> indices = {1, 1, 1, 2, 3, 4, 5, 5, 5, 5, 9, 8,
                                          7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0, 1};
    CPicture rle8 = Decode(tvtest::Dib(8, 3, 8).Indices(indices).Rle().Build());
    EXPECT_EQ(rle8.indices, indices);
    EXPECT_EQ(rle8.description.bitsPerPixel, 8u);
    EXPECT_EQ(rle8.description.rowBytes, 8u);
    CPicture rle4 = Decode(tvtest::Dib(8, 3, 4).Indices(indices).Rle().Build());
    EXPECT_EQ(rle4.indices, indices);

    // Delta moves right and up; skipped pixels keep index 0.
    tvtest::RleStream delta;
    delta.Run(2, 7).Delta(1, 1).Run(1, 9).EndOfBitmap();
    CPicture d = Decode(tvtest::Dib(4, 2, 8).Rle(delta.Bytes()).Build());
    EXPECT_EQ(d.indices, (std::vector<uint8_t>{0, 0, 0, 9, 7, 7, 0, 0}));

    // RLE4 absolute runs of odd length use the high nibble of their last byte and pad to words.
    tvtest::RleStream four(true);
    four.Literal({1, 2, 3}).Run(1, 0xF0).EndOfBitmap();
    CPicture f = Decode(tvtest::Dib(4, 1, 4).Rle(four.Bytes()).Build());
    EXPECT_EQ(f.indices, (std::vector<uint8_t>{1, 2, 3, 15}));
}

TEST(PictureBitmap, HostileRleStreamsStayInsideTheRaster) {
    // A run longer than the row is cut at the row's end; it does not spill into the next row.
    tvtest::RleStream longRun;
    longRun.Run(255, 3).EndOfLine().Run(1, 4).EndOfBitmap();
    CPicture a = Decode(tvtest::Dib(2, 2, 8).Rle(longRun.Bytes()).Build());
    EXPECT_EQ(a.indices, (std::vector<uint8_t>{4, 0, 3, 3}));

    // Deltas and line ends past the last row stop the stream.
    tvtest::RleStream past;
    past.Delta(0, 200).Run(5, 1).EndOfLine().EndOfLine().EndOfLine().Run(5, 1);
    CPicture b = Decode(tvtest::Dib(2, 2, 8).Rle(past.Bytes()).Build());
    EXPECT_EQ(b.indices, (std::vector<uint8_t>{0, 0, 0, 0}));

    // Far to the right, then an absolute run: nothing is written.
    tvtest::RleStream right;
    right.Delta(255, 0).Delta(255, 0).Literal({1, 2, 3}).Run(1, 6);
    CPicture c = Decode(tvtest::Dib(2, 1, 8).Rle(right.Bytes()).Build());
    EXPECT_EQ(c.indices, (std::vector<uint8_t>{0, 0}));

    // Streams cut short: an absolute run whose bytes are missing, a delta without its bytes, an
    // odd trailing byte, no stream at all.
    for (const std::vector<uint8_t>& stream :
         {std::vector<uint8_t>{2, 5, 0, 10, 1, 2}, std::vector<uint8_t>{1, 5, 0, 2, 1},
          std::vector<uint8_t>{1, 5, 0}}) {
        CPicture cut = Decode(tvtest::Dib(4, 1, 8).Rle(stream).Build());
        ASSERT_EQ(cut.indices.size(), 4u);
        EXPECT_EQ(cut.indices[0], 5);
    }
    EXPECT_EQ(Decode(tvtest::Dib(4, 1, 8).Rle(std::vector<uint8_t>{}).Build()).indices,
              std::vector<uint8_t>(4, 0));
}

// ---- bitmaps: damaged headers
// --------------------------------------------------------------------

TEST(PictureBitmap, ImpossibleSizesFailWithAReason) {
    const auto forced = [](const tvtest::DibFields& fields) {
        return tvtest::Dib(2, 2, 8).Force(fields).Build();
    };
    DecodeError(forced({.width = 0}));
    DecodeError(forced({.width = -5}));
    DecodeError(forced({.height = 0}));
    DecodeError(forced({.height = std::numeric_limits<int32_t>::min()}));
    // Beyond 64 megapixels: refused before anything is allocated.
    EXPECT_NE(DecodeError(forced({.width = 0x7FFFFFFF, .height = 1})).find("zu groß"),
              std::string::npos);
    DecodeError(forced({.width = 0x10000, .height = -0x10000}));
    // A caller's lower limit applies to RLE streams too, which need no bytes per pixel.
    CPicture picture;
    std::string error;
    const auto rle = tvtest::Dib(300, 300, 8).Rle(std::vector<uint8_t>{0, 1}).Build();
    EXPECT_TRUE(tv::DecodeBitmap(View(rle), picture, error));
    EXPECT_FALSE(tv::DecodeBitmap(View(rle), picture, error, 300 * 299));
    // Within the limit, but the pixels are not there.
    EXPECT_NE(DecodeError(forced({.width = 4000, .height = 4000})).find("reichen"),
              std::string::npos);
}

TEST(PictureBitmap, UnsupportedAndDamagedHeadersFail) {
    DecodeError({});
    DecodeError({40, 0, 0});
    DecodeError(tvtest::Dib(2, 2, 8).Force({.headerSize = 20}).Build());    // unknown header
    DecodeError(tvtest::Dib(2, 2, 8).Force({.headerSize = 4000}).Build());  // past the end
    DecodeError(tvtest::Dib(2, 2, 8).Force({.bitCount = 2}).Build());
    DecodeError(tvtest::Dib(2, 2, 8).Force({.bitCount = 0}).Build());
    DecodeError(tvtest::Dib(2, 2, 8).Force({.compression = 4}).Build());  // BI_JPEG
    DecodeError(tvtest::Dib(2, 2, 8).Force({.compression = 99}).Build());
    DecodeError(tvtest::Dib(2, 2, 8).Force({.compression = 2}).Build());  // RLE4 at 8 bits
    DecodeError(tvtest::Dib(2, 2, 8).Force({.compression = 3}).Build());  // masks at 8 bits
    DecodeError(tvtest::Dib(2, 2, 8).Rle().TopDown().Build());
    // A colour table that claims more entries than the data holds, up to the largest count.
    DecodeError(tvtest::Dib(2, 2, 8).Force({.clrUsed = 300}).Build());
    EXPECT_NE(DecodeError(tvtest::Dib(2, 2, 8).Force({.clrUsed = 0xFFFFFFFF}).Build())
                  .find("Farbtabelle"),
              std::string::npos);
    // BI_BITFIELDS whose masks are cut off.
    std::vector<uint8_t> masks = tvtest::Dib(1, 1, 32).Bitfields(0xFF, 0xFF00, 0xFF0000).Build();
    masks.resize(44);
    DecodeError(masks);
    // A core header with a zero size.
    DecodeError(tvtest::Dib(2, 2, 8).CoreHeader().Force({.width = 0}).Build());
}

TEST(PictureBitmap, TruncationAtEveryLengthNeverReadsOutside) {
    const std::vector<std::vector<uint8_t>> samples = {
        tvtest::Dib(9, 3, 1).Build(),
        tvtest::Dib(5, 3, 4).Indices(std::vector<uint8_t>(15, 3)).Rle().Build(),
        tvtest::Dib(3, 3, 24).CoreHeader().Build(),
        tvtest::Dib(3, 2, 32).Bitfields(0xFF0000, 0xFF00, 0xFF).Build(),
    };
    for (const auto& full : samples) {
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<ptrdiff_t>(n));
            CPicture picture;
            std::string error;
            if (tv::DecodeBitmap(View(cut), picture, error)) {
                EXPECT_TRUE(picture.IsConsistent());
            }
        }
    }
    // The last row's padding may be missing; anything more is not.
    std::vector<uint8_t> bytes = tvtest::Dib(3, 2, 24).Colors(std::vector<uint32_t>(6, 7)).Build();
    bytes.resize(bytes.size() - 3);
    EXPECT_EQ(Decode(bytes).Pixel(2, 0), kOpaque | 7);
    bytes.pop_back();
    DecodeError(bytes);
}

// ---- icons and cursors
// ---------------------------------------------------------------------------

TEST(PictureIcon, MaskedIconsOfEveryDepth) {
    const std::vector<uint8_t> mask = {1, 0, 0, 1};
    // A monochrome icon of 2 x 4 mask pixels is a 2 x 2 picture.
    CIconImage mono = DecodeIcon(tvtest::IconImage(2, 2, 1)
                                     .Palette({0, 0xFFFFFF})
                                     .Indices({0, 1, 1, 1})
                                     .AndMask(mask)
                                     .Build());
    EXPECT_EQ(mono.width, 2u);
    EXPECT_EQ(mono.height, 2u);
    EXPECT_EQ(mono.bitsPerPixel, 1u);
    EXPECT_EQ(mono.mask, mask);
    EXPECT_EQ(mono.colors, (std::vector<uint32_t>{0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
    EXPECT_FALSE(mono.alphaChannel);
    EXPECT_EQ(mono.Rgba(), (std::vector<uint32_t>{0, kOpaque | 0xFFFFFF, kOpaque | 0xFFFFFF, 0}));

    for (const uint16_t bits : {uint16_t{4}, uint16_t{8}}) {
        CIconImage indexed =
            DecodeIcon(tvtest::IconImage(2, 2, bits).Indices({0, 1, 2, 3}).AndMask(mask).Build());
        EXPECT_EQ(indexed.mask, mask) << bits;
        EXPECT_EQ(indexed.colors[0], 0u) << bits;
    }
    CIconImage rgb = DecodeIcon(tvtest::IconImage(2, 2, 24)
                                    .Colors({0x112233, 0x445566, 0x778899, 0xAABBCC})
                                    .AndMask(mask)
                                    .Build());
    EXPECT_EQ(rgb.colors, (std::vector<uint32_t>{0x112233, 0x445566, 0x778899, 0xAABBCC}));

    // Drawn on the button face: the mask keeps the background, the colours are XORed onto it,
    // so a white pixel under a set mask bit inverts the background.
    CPicture drawn;
    std::string error;
    ASSERT_TRUE(tv::DrawIconPicture(mono, 0xC0C0C0, drawn, error)) << error;
    EXPECT_EQ(drawn.description, (tv::PictureDescription{2, 2, 8, 1, 32}));
    EXPECT_EQ(drawn.pixels, (std::vector<uint32_t>{kOpaque | 0xC0C0C0, kOpaque | 0xFFFFFF,
                                                   kOpaque | 0xFFFFFF, kOpaque | 0x3F3F3F}));
}

TEST(PictureIcon, AlphaChannelOrMaskAt32Bits) {
    CIconImage alpha = DecodeIcon(
        tvtest::IconImage(2, 1, 32).Colors({0x80FF0000, 0x00000000}).AndMask({1, 1}).Build());
    EXPECT_TRUE(alpha.alphaChannel);
    EXPECT_EQ(alpha.Rgba(), (std::vector<uint32_t>{0x80FF0000, 0}));
    CPicture blended;
    std::string error;
    ASSERT_TRUE(tv::DrawIconPicture(alpha, 0x0000FF, blended, error));
    EXPECT_EQ(blended.pixels, (std::vector<uint32_t>{kOpaque | 0x80007F, kOpaque | 0x0000FF}));

    // All alpha zero: an old-style image, the mask decides.
    CIconImage noAlpha = DecodeIcon(
        tvtest::IconImage(2, 1, 32).Colors({0x00FF0000, 0x0000FF00}).AndMask({0, 1}).Build());
    EXPECT_FALSE(noAlpha.alphaChannel);
    EXPECT_EQ(noAlpha.Rgba(), (std::vector<uint32_t>{kOpaque | 0xFF0000, 0}));
    ASSERT_TRUE(tv::DrawIconPicture(noAlpha, 0x000000, blended, error));
    EXPECT_EQ(blended.pixels, (std::vector<uint32_t>{kOpaque | 0xFF0000, kOpaque | 0x00FF00}));
}

TEST(PictureIcon, CursorHotspotAndPngImages) {
    const std::vector<uint8_t> cursor =
        tvtest::CursorImage(7, 300, tvtest::IconImage(3, 3, 1).AndMask(std::vector<uint8_t>(9, 1)));
    CIconImage c = DecodeIcon(cursor, true);
    EXPECT_TRUE(c.isCursor);
    EXPECT_EQ(c.hotspotX, 7u);
    EXPECT_EQ(c.hotspotY, 300u);
    EXPECT_EQ(c.width, 3u);
    EXPECT_EQ(c.height, 3u);
    EXPECT_EQ(c.mask, std::vector<uint8_t>(9, 1));

    const std::vector<uint8_t> png =
        tvtest::PngImage(256, 2, std::vector<uint32_t>(512, 0x80112233));
    CIconImage icon = DecodeIcon(png);
    EXPECT_TRUE(icon.IsPng());
    EXPECT_EQ(icon.png, png);
    EXPECT_EQ(icon.width, 256u);
    EXPECT_EQ(icon.height, 2u);
    EXPECT_TRUE(icon.colors.empty());
    CPicture none;
    std::string error;
    EXPECT_FALSE(tv::DrawIconPicture(icon, tv::kButtonFaceColor, none, error));
    EXPECT_FALSE(error.empty());

    CIconImage pngCursor = DecodeIcon(tvtest::CursorImage(1, 2, png), true);
    EXPECT_EQ(pngCursor.png, png);
    EXPECT_EQ(pngCursor.hotspotY, 2u);
}

TEST(PictureIcon, DamagedIconsAndCursors) {
    CIconImage image;
    std::string error;
    EXPECT_FALSE(tv::DecodeIconImage(View({1, 2, 3}), true, image, error));
    // An icon header whose height leaves no row for the colour image.
    EXPECT_FALSE(tv::DecodeIconImage(View(tvtest::IconImage(2, 1, 8).Force({.height = 1}).Build()),
                                     false, image, error));
    EXPECT_FALSE(tv::DecodeIconImage(View(tvtest::IconImage(2, 1, 8).Force({.height = -2}).Build()),
                                     false, image, error));
    EXPECT_FALSE(
        tv::DecodeIconImage(View(tvtest::IconImage(4, 4, 8).Rle().Build()), false, image, error));

    // A PNG signature without a sound IHDR, and one with an absurd size.
    std::vector<uint8_t> png = tvtest::PngImage(1, 1, {0});
    std::vector<uint8_t> badType = png;
    badType[12] = 'X';
    EXPECT_FALSE(tv::DecodeIconImage(View(badType), false, image, error));
    std::vector<uint8_t> huge = png;
    huge[16] = 0x7F;
    EXPECT_FALSE(tv::DecodeIconImage(View(huge), false, image, error));
    EXPECT_FALSE(tv::DecodeIconImage(View(std::vector<uint8_t>(png.begin(), png.begin() + 20)),
                                     false, image, error));

    // A mask cut short leaves the missing rows opaque.
    std::vector<uint8_t> cut =
        tvtest::IconImage(2, 2, 24).AndMask(std::vector<uint8_t>(4, 1)).Build();
    cut.resize(cut.size() - 4);  // the mask's top row (stored last)
    CIconImage partial = DecodeIcon(cut);
    EXPECT_EQ(partial.mask, (std::vector<uint8_t>{0, 0, 1, 1}));
}

// ---- through the catalog
// -------------------------------------------------------------------------

TEST(PictureCatalog, ResourcesByTypeAndName) {
    const std::vector<uint8_t> module =
        tvtest::PeBuilder::Pe32()
            .AddResource(2, 5, 0x409, tvtest::Dib(2, 1, 24).Colors({0x123456, 0xABCDEF}).Build())
            .AddResource(2, u"LOGO", 0, tvtest::Dib(1, 1, 1).Build())
            .AddResource(3, 5, 0, tvtest::IconImage(4, 4, 8).Build())
            .AddResource(1, 5, 0, tvtest::CursorImage(1, 2, tvtest::IconImage(4, 4, 1)))
            .Build();
    CResourceCatalog catalog;
    ASSERT_TRUE(catalog.LoadFromMemory(View(module), "bilder.dll"));

    CPicture picture;
    std::string error;
    ASSERT_TRUE(tv::LoadBitmapResource(catalog, 5, picture, error)) << error;
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{kOpaque | 0x123456, kOpaque | 0xABCDEF}));
    ASSERT_TRUE(tv::LoadBitmapResource(catalog, tv::CResourceId::FromUtf8("LOGO"), picture, error));
    EXPECT_EQ(picture.description.bitsPerPixel, 1u);
    // Types are not mixed up: icon 5 is no bitmap, cursor 5 no icon.
    CIconImage image;
    ASSERT_TRUE(tv::LoadIconResource(catalog, 5, image, error)) << error;
    EXPECT_FALSE(image.isCursor);
    EXPECT_EQ(image.bitsPerPixel, 8u);
    ASSERT_TRUE(tv::LoadCursorResource(catalog, 5, image, error)) << error;
    EXPECT_EQ(image.hotspotY, 2u);
    EXPECT_EQ(image.bitsPerPixel, 1u);

    EXPECT_FALSE(tv::LoadBitmapResource(catalog, 6, picture, error));
    EXPECT_NE(error.find("6"), std::string::npos) << error;
    EXPECT_TRUE(picture.Empty());
    EXPECT_FALSE(tv::LoadIconResource(catalog, tv::CResourceId::FromUtf8("LOGO"), image, error));
}

}  // namespace
