// Bitmaps, icons and cursors from a module's resources, decoded without any drawing service: a
// bitmap (RT_BITMAP) becomes a picture of its own depth with its palette, an icon or cursor image
// (RT_ICON, RT_CURSOR) becomes its colour image, AND mask, alpha and hotspot, and the image page
// draws that over the button face into a picture of its own.
//
// A picture keeps the depth of the resource rather than the depth of a screen: there is no
// display depth to follow here, and keeping the resource's depth and palette makes saving a
// bitmap as a .bmp lossless. Icons and cursors become 32-bit pictures, as drawing them into a
// screen-compatible bitmap does.
//
// Every size, count and offset comes from the file and is checked before use; a picture of more
// than kMaxPicturePixels pixels is refused, so a forged header never makes us allocate without
// bound. Failures come with a German reason for the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteView.h"

namespace tv {

class CResourceCatalog;

class CResourceId;

// The face of push buttons: icons and cursors are drawn on it. The window passes its own
// palette's colour; the command line uses this one.
inline constexpr uint32_t kButtonFaceColor = 0xF0F0F0;

// 64 megapixels, 256 Mb as 32-bit pixels: far beyond any real resource, small enough to decode.
inline constexpr uint64_t kMaxPicturePixels = 64ull * 1024 * 1024;

// What a bitmap tells about itself: the image page's scroll ranges and the bitmap file writer
// use it. All zero for no picture.
struct PictureDescription {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t rowBytes = 0;  // one row at bitsPerPixel, padded to 4 bytes
    uint16_t planes = 0;
    uint16_t bitsPerPixel = 0;

    friend bool operator==(const PictureDescription&, const PictureDescription&) = default;
};

// Bytes of one row of width pixels at depth, padded to 4 bytes as bitmap rows are; 0 when the
// product does not fit.
[[nodiscard]] uint64_t BitmapRowBytes(uint64_t width, uint32_t bitsPerPixel) noexcept;

// The image page's picture: an opaque bitmap of depth 1, 4, 8, 16, 24 or 32.
struct CPicture {
    PictureDescription description;
    // One 0xFFRRGGBB value per pixel, top row first: what the page paints.
    std::vector<uint32_t> pixels;
    // Depths up to 8: the colour table (0x00RRGGBB, at most 2^depth entries) and one table index
    // per pixel, top row first. An index past the table shows black.
    std::vector<uint32_t> palette;
    std::vector<uint8_t> indices;

    [[nodiscard]] bool Empty() const noexcept { return pixels.empty(); }
    [[nodiscard]] uint32_t Width() const noexcept { return description.width; }
    [[nodiscard]] uint32_t Height() const noexcept { return description.height; }
    [[nodiscard]] uint32_t Pixel(uint32_t x, uint32_t y) const noexcept {
        return pixels[static_cast<size_t>(y) * description.width + x];
    }
    // True when the description and the pixel arrays agree (the writer refuses anything else).
    [[nodiscard]] bool IsConsistent() const noexcept;
};

// A 32-bit picture from 0x??RRGGBB pixels (top row first); the top byte is ignored. An empty
// picture when the count does not match or the size is beyond the limit.
[[nodiscard]] CPicture MakeTrueColorPicture(uint32_t width, uint32_t height,
                                            std::vector<uint32_t> pixels);

// A decoded RT_ICON or RT_CURSOR image.
struct CIconImage {
    bool isCursor = false;
    uint16_t hotspotX = 0;  // cursors: the first two WORDs of the resource
    uint16_t hotspotY = 0;
    uint32_t width = 0;
    uint32_t height = 0;           // the picture's height: half the height the DIB header states
    uint16_t bitsPerPixel = 0;     // the colour image's depth; 32 for a PNG image
    bool alphaChannel = false;     // a 32-bit image with some alpha: blended, the mask unused
    std::vector<uint32_t> colors;  // the colour (XOR) image, 0xAARRGGBB, top row first
    std::vector<uint8_t> mask;     // the AND mask, 1 where the background shows, top row first
    // A PNG-compressed image: its bytes, for the window to decode; colors and mask stay empty.
    std::vector<uint8_t> png;

    [[nodiscard]] bool IsPng() const noexcept { return !png.empty(); }
    // 0xAARRGGBB with straight alpha, for display on any background: the alpha channel, or the
    // mask (transparent where it is set). Pixels that would invert the screen become transparent.
    // Empty for a PNG image.
    [[nodiscard]] std::vector<uint32_t> Rgba() const;
};

// Decodes a device-independent bitmap as RT_BITMAP stores it (header, masks, colour table,
// pixels; no file header): BITMAPCOREHEADER, BITMAPINFOHEADER and the larger V4/V5 headers;
// 1, 4, 8, 16, 24 and 32 bits; uncompressed, BI_BITFIELDS and BI_RLE8/BI_RLE4; bottom-up and
// top-down. RLE bitmaps become uncompressed pictures of their depth. maxPixels lowers the size
// limit (an RLE stream of a few bytes can claim the whole of it).
[[nodiscard]] bool DecodeBitmap(CByteView data, CPicture& picture, std::string& error,
                                uint64_t maxPixels = kMaxPicturePixels);

// Decodes an RT_ICON (cursor false) or RT_CURSOR (cursor true) image: for a cursor the hotspot
// comes first; then a DIB whose height counts colour image and mask together, or a PNG image.
[[nodiscard]] bool DecodeIconImage(CByteView data, bool cursor, CIconImage& image,
                                   std::string& error, uint64_t maxPixels = kMaxPicturePixels);

// The icon drawn at its own size over background (0x00RRGGBB), as the image page shows it: alpha
// blended when the image has alpha, else the background kept where the mask is set and the
// colour image laid over it by exclusive or (so monochrome icons can invert). A 32-bit picture.
// Fails for a PNG image, which the window decodes.
[[nodiscard]] bool DrawIconPicture(const CIconImage& image, uint32_t background, CPicture& picture,
                                   std::string& error);

// The catalog's bitmap, icon and cursor resources (types 2, 3 and 1) by name, decoded; false with
// a reason when the resource is missing or cannot be decoded.
[[nodiscard]] bool LoadBitmapResource(const CResourceCatalog& catalog, const CResourceId& name,
                                      CPicture& picture, std::string& error);
[[nodiscard]] bool LoadIconResource(const CResourceCatalog& catalog, const CResourceId& name,
                                    CIconImage& image, std::string& error);
[[nodiscard]] bool LoadCursorResource(const CResourceCatalog& catalog, const CResourceId& name,
                                      CIconImage& image, std::string& error);

}  // namespace tv
