#include "resources/Picture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

namespace tv {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitfields = 6;

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// BITMAPV2INFOHEADER and every later header carry the colour masks at offset 40 (V3 on adds the
// alpha mask at 52). The OS/2 2.x header of 64 bytes has other fields there.
constexpr uint32_t kV2HeaderSize = 52;
constexpr uint32_t kV3HeaderSize = 56;
constexpr uint32_t kOs2HeaderSize = 64;

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

bool Fail(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

// The header, masks and colour table of a DIB, checked against the bytes that hold it.
struct DibLayout {
    uint32_t width = 0;
    uint32_t rows = 0;  // as the header states them: icons count colour image and mask
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = kBiRgb;
    std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
    std::vector<uint32_t> palette;    // 0x00RRGGBB, at most 2^bitCount entries
    uint64_t bitsOffset = 0;
};

bool IsSupportedDepth(uint32_t bits) noexcept {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool ReadDibLayout(CByteView data, uint64_t maxPixels, DibLayout& dib, std::string& error) {
    const auto headerSize = data.U32(0);
    if (!headerSize) return Fail(error, "Die Daten sind zu kurz für einen Bitmap-Kopf.");

    const bool core = *headerSize == kCoreHeaderSize;
    uint32_t colorsUsed = 0;
    bool masksInHeader = false;
    if (core) {
        if (!data.Contains(0, kCoreHeaderSize))
            return Fail(error, "Die Daten sind zu kurz für einen Bitmap-Kopf.");
        dib.width = data.U16(4).value_or(0);
        dib.rows = data.U16(6).value_or(0);
        dib.bitCount = data.U16(10).value_or(0);
        if (dib.width == 0 || dib.rows == 0)
            return Fail(error, Printf("Die Bitmap ist %u × %u Bildpunkte groß und damit leer.",
                                      dib.width, dib.rows));
    } else if (*headerSize >= kInfoHeaderSize) {
        if (!data.Contains(0, *headerSize))
            return Fail(error, Printf("Der Bitmap-Kopf (%u Bytes) reicht über das Ende der "
                                      "Daten hinaus.",
                                      *headerSize));
        const auto width = static_cast<int32_t>(data.U32(4).value_or(0));
        const auto height = static_cast<int32_t>(data.U32(8).value_or(0));
        if (width <= 0) return Fail(error, Printf("Ungültige Bitmap-Breite %d.", width));
        // A negative height means rows stored top row first; the most negative value has no
        // positive counterpart.
        if (height == 0 || height == std::numeric_limits<int32_t>::min())
            return Fail(error, Printf("Ungültige Bitmap-Höhe %d.", height));
        dib.width = static_cast<uint32_t>(width);
        dib.topDown = height < 0;
        dib.rows = dib.topDown ? static_cast<uint32_t>(-height) : static_cast<uint32_t>(height);
        dib.bitCount = data.U16(14).value_or(0);
        dib.compression = data.U32(16).value_or(0);
        colorsUsed = data.U32(32).value_or(0);
        if (*headerSize >= kV2HeaderSize && *headerSize != kOs2HeaderSize) {
            masksInHeader = true;
            for (uint64_t i = 0; i < 3; ++i)
                dib.masks[i] = data.U32(40 + 4 * i).value_or(0);
            if (*headerSize >= kV3HeaderSize) dib.masks[3] = data.U32(52).value_or(0);
        }
    } else {
        return Fail(error, Printf("Unbekannter Bitmap-Kopf von %u Bytes.", *headerSize));
    }

    if (!IsSupportedDepth(dib.bitCount))
        return Fail(error, Printf("Eine Farbtiefe von %u Bit wird nicht unterstützt.",
                                  static_cast<unsigned>(dib.bitCount)));

    uint64_t offset = *headerSize;
    switch (dib.compression) {
        case kBiRgb:
            // The fixed layouts; masks a V4/V5 header may carry do not apply to BI_RGB.
            if (dib.bitCount == 16) {
                dib.masks = {0x7C00, 0x03E0, 0x001F, 0};
            } else if (dib.bitCount == 32) {
                dib.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
            }
            break;
        case kBiRle8:
        case kBiRle4:
            if (dib.bitCount != (dib.compression == kBiRle8 ? 8 : 4))
                return Fail(error, Printf("Die RLE-Kompression passt nicht zu %u Bit Farbtiefe.",
                                          static_cast<unsigned>(dib.bitCount)));
            // RLE streams run bottom-up by definition; a top-down one is malformed.
            if (dib.topDown)
                return Fail(error,
                            "Eine RLE-komprimierte Bitmap kann nicht von oben nach unten "
                            "gespeichert sein.");
            break;
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (dib.bitCount != 16 && dib.bitCount != 32)
                return Fail(error, Printf("Farbmasken passen nicht zu %u Bit Farbtiefe.",
                                          static_cast<unsigned>(dib.bitCount)));
            // After a plain BITMAPINFOHEADER the masks follow it as three (or four) DWORDs.
            if (!masksInHeader) {
                const uint64_t count = dib.compression == kBiAlphaBitfields ? 4 : 3;
                if (!data.Contains(offset, 4 * count))
                    return Fail(error, "Die Farbmasken reichen über das Ende der Daten hinaus.");
                for (uint64_t i = 0; i < count; ++i)
                    dib.masks[i] = data.U32(offset + 4 * i).value_or(0);
                offset += 4 * count;
            }
            break;
        case kBiJpeg:
        case kBiPng:
            return Fail(error, "JPEG- oder PNG-komprimierte Bitmaps werden nicht unterstützt.");
        default:
            return Fail(error, Printf("Unbekannte Kompression %u.", dib.compression));
    }

    // The table occupies biClrUsed entries when that is set (also above 8 bits, where it is only
    // a hint for palette devices); the pixels follow it. Only 2^depth entries can be indexed.
    const uint64_t entrySize = core ? 3 : 4;
    uint64_t entries = colorsUsed;
    if (core || entries == 0) entries = dib.bitCount <= 8 ? uint64_t{1} << dib.bitCount : 0;
    uint64_t tableBytes = 0;
    if (!CheckedMul(entries, entrySize, tableBytes) || !data.Contains(offset, tableBytes))
        return Fail(error, Printf("Die Farbtabelle (%llu Einträge) reicht über das Ende der Daten "
                                  "hinaus.",
                                  static_cast<unsigned long long>(entries)));
    if (dib.bitCount <= 8) {
        const uint64_t used = std::min<uint64_t>(entries, uint64_t{1} << dib.bitCount);
        dib.palette.reserve(used);
        for (uint64_t i = 0; i < used; ++i) {
            const uint64_t at = offset + i * entrySize;
            const uint32_t blue = data.U8(at).value_or(0);
            const uint32_t green = data.U8(at + 1).value_or(0);
            const uint32_t red = data.U8(at + 2).value_or(0);
            dib.palette.push_back(red << 16 | green << 8 | blue);
        }
    }
    dib.bitsOffset = offset + tableBytes;

    uint64_t pixels = 0;
    if (!CheckedMul(dib.width, dib.rows, pixels) || pixels > std::min(maxPixels, kMaxPicturePixels))
        return Fail(error,
                    Printf("Die Bitmap ist mit %u × %u Bildpunkten zu groß.", dib.width, dib.rows));
    return true;
}

// One colour channel under a mask, scaled to 0..255.
uint32_t Channel(uint32_t value, uint32_t mask) noexcept {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t field = mask >> shift;
    const uint64_t maximum = (uint64_t{1} << std::bit_width(field)) - 1;
    return static_cast<uint32_t>(uint64_t{(value & mask) >> shift} * 255 / maximum);
}

uint32_t PaletteColor(const std::vector<uint32_t>& palette, uint32_t index) noexcept {
    return index < palette.size() ? palette[index] : 0;
}

// Uncompressed rows, rows of them from offset: 0xAARRGGBB per pixel (alpha only from a 32-bit
// image, else 0), and the table indices when the depth has a table.
bool DecodeRows(CByteView data, const DibLayout& dib, uint32_t rows, uint64_t offset,
                std::vector<uint32_t>& colors, std::vector<uint8_t>* indices, std::string& error) {
    const uint64_t stride = BitmapRowBytes(dib.width, dib.bitCount);
    const uint64_t rowBits = (uint64_t{dib.width} * dib.bitCount + 7) / 8;
    // The last row's padding may be missing: the resource compiler keeps it, other tools do not.
    const uint64_t need = stride * (rows - 1) + rowBits;
    const auto bits = data.Sub(offset, need);
    if (!bits) return Fail(error, "Die Bildpunkte reichen über das Ende der Daten hinaus.");

    const size_t width = dib.width;
    colors.assign(width * rows, 0);
    if (indices) indices->assign(width * rows, 0);
    const uint8_t* base = bits->Data();
    for (uint32_t stored = 0; stored < rows; ++stored) {
        const uint32_t y = dib.topDown ? stored : rows - 1 - stored;
        const uint8_t* row = base + stored * stride;
        uint32_t* out = colors.data() + static_cast<size_t>(y) * width;
        uint8_t* outIndex = indices ? indices->data() + static_cast<size_t>(y) * width : nullptr;
        for (size_t x = 0; x < width; ++x) {
            uint32_t value = 0;
            switch (dib.bitCount) {
                case 1:
                    value = row[x >> 3] >> (7 - (x & 7)) & 1u;
                    break;
                case 4:
                    value = (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4u;
                    break;
                case 8:
                    value = row[x];
                    break;
                case 16:
                    value = uint32_t{row[2 * x]} | uint32_t{row[2 * x + 1]} << 8;
                    break;
                case 24:
                    out[x] =
                        uint32_t{row[3 * x + 2]} << 16 | uint32_t{row[3 * x + 1]} << 8 | row[3 * x];
                    continue;
                default:
                    value = uint32_t{row[4 * x]} | uint32_t{row[4 * x + 1]} << 8 |
                            uint32_t{row[4 * x + 2]} << 16 | uint32_t{row[4 * x + 3]} << 24;
                    break;
            }
            if (dib.bitCount <= 8) {
                out[x] = PaletteColor(dib.palette, value);
                if (outIndex) outIndex[x] = static_cast<uint8_t>(value);
            } else {
                out[x] = Channel(value, dib.masks[3]) << 24 | Channel(value, dib.masks[0]) << 16 |
                         Channel(value, dib.masks[1]) << 8 | Channel(value, dib.masks[2]);
            }
        }
    }
    return true;
}

// A BI_RLE8 / BI_RLE4 stream into table indices. Pixels the stream skips (end of line, delta, an
// early end) keep index 0. Runs past the row's end are cut off at it, and the stream stops when
// it moves past the last row, so no run or delta can write outside the raster.
void DecodeRle(CByteView stream, const DibLayout& dib, std::vector<uint8_t>& indices) {
    const bool four = dib.compression == kBiRle4;
    const uint64_t width = dib.width;
    const uint64_t rows = dib.rows;
    indices.assign(static_cast<size_t>(width * rows), 0);
    uint64_t x = 0;
    uint64_t y = 0;  // counted from the bottom row, as the stream stores them
    auto put = [&](uint32_t index) {
        if (x < width)
            indices[static_cast<size_t>((rows - 1 - y) * width + x)] = static_cast<uint8_t>(index);
        ++x;
    };
    const uint8_t* p = stream.Data();
    const uint64_t size = stream.Size();
    uint64_t pos = 0;
    while (y < rows && size - pos >= 2) {
        const uint32_t count = p[pos];
        const uint32_t value = p[pos + 1];
        pos += 2;
        if (count != 0) {
            for (uint32_t i = 0; i < count && x < width; ++i)
                put(four ? ((i & 1) ? value & 0x0Fu : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta: right and up
            if (size - pos < 2) break;
            x += p[pos];
            y += p[pos + 1];
            pos += 2;
        } else {  // absolute run of value pixels, padded to a 16-bit boundary
            const uint64_t bytes = four ? (uint64_t{value} + 1) / 2 : value;
            const uint64_t available = std::min<uint64_t>(bytes, size - pos);
            for (uint32_t i = 0; i < value && x < width; ++i) {
                const uint64_t at = four ? i / 2 : i;
                if (at >= available) break;
                const uint32_t byte = p[pos + at];
                put(four ? ((i & 1) ? byte & 0x0Fu : byte >> 4) : byte);
            }
            if (available < bytes) break;
            pos += bytes + (bytes & 1);
            if (pos > size) break;
        }
    }
}

bool IsPngImage(CByteView data) noexcept {
    if (data.Size() < kPngSignature.size()) return false;
    return std::equal(kPngSignature.begin(), kPngSignature.end(), data.Data());
}

uint32_t BigEndian32(CByteView data, uint64_t offset) noexcept {
    uint32_t value = 0;
    for (uint64_t i = 0; i < 4; ++i)
        value = value << 8 | data.U8(offset + i).value_or(0);
    return value;
}

bool ReadPngImage(CByteView data, uint64_t maxPixels, CIconImage& image, std::string& error) {
    // The first chunk must be IHDR with its 13 bytes; width and height are its first fields.
    static constexpr std::array<uint8_t, 4> kIhdr = {'I', 'H', 'D', 'R'};
    const auto type = data.Sub(12, 4);
    if (!data.Contains(8, 25) || BigEndian32(data, 8) != 13 || !type ||
        !std::equal(kIhdr.begin(), kIhdr.end(), type->Data()))
        return Fail(error, "Der Kopf des PNG-Bildes fehlt oder ist beschädigt.");
    image.width = BigEndian32(data, 16);
    image.height = BigEndian32(data, 20);
    uint64_t pixels = 0;
    if (image.width == 0 || image.height == 0 || !CheckedMul(image.width, image.height, pixels) ||
        pixels > std::min(maxPixels, kMaxPicturePixels))
        return Fail(error, Printf("Das PNG-Bild hat die unbrauchbare Größe %u × %u.", image.width,
                                  image.height));
    image.bitsPerPixel = 32;
    image.png.assign(data.Data(), data.Data() + data.Size());
    return true;
}

}  // namespace

uint64_t BitmapRowBytes(uint64_t width, uint32_t bitsPerPixel) noexcept {
    uint64_t bits = 0;
    if (!CheckedMul(width, bitsPerPixel, bits) || !CheckedAdd(bits, 31, bits)) return 0;
    return bits / 32 * 4;
}

bool CPicture::IsConsistent() const noexcept {
    const PictureDescription& d = description;
    if (d.width == 0 || d.height == 0 || d.planes != 1 || !IsSupportedDepth(d.bitsPerPixel))
        return false;
    uint64_t count = 0;
    if (!CheckedMul(d.width, d.height, count) || count > kMaxPicturePixels) return false;
    if (pixels.size() != count || d.rowBytes != BitmapRowBytes(d.width, d.bitsPerPixel))
        return false;
    if (d.bitsPerPixel <= 8)
        return indices.size() == count && palette.size() <= (size_t{1} << d.bitsPerPixel);
    return true;
}

CPicture MakeTrueColorPicture(uint32_t width, uint32_t height, std::vector<uint32_t> pixels) {
    CPicture picture;
    uint64_t count = 0;
    if (width == 0 || height == 0 || !CheckedMul(width, height, count) ||
        count > kMaxPicturePixels || pixels.size() != count)
        return picture;
    for (uint32_t& pixel : pixels)
        pixel |= 0xFF000000u;
    picture.pixels = std::move(pixels);
    picture.description = {width, height, static_cast<uint32_t>(BitmapRowBytes(width, 32)), 1, 32};
    return picture;
}

std::vector<uint32_t> CIconImage::Rgba() const {
    if (alphaChannel) return colors;
    std::vector<uint32_t> out(colors.size(), 0);
    for (size_t i = 0; i < colors.size(); ++i) {
        if (i >= mask.size() || mask[i] == 0) out[i] = 0xFF000000u | (colors[i] & 0xFFFFFFu);
    }
    return out;
}

bool DecodeBitmap(CByteView data, CPicture& picture, std::string& error, uint64_t maxPixels) {
    picture = CPicture{};
    DibLayout dib;
    if (!ReadDibLayout(data, maxPixels, dib, error)) return false;

    CPicture result;
    const bool indexed = dib.bitCount <= 8;
    if (dib.compression == kBiRle8 || dib.compression == kBiRle4) {
        DecodeRle(data.Tail(dib.bitsOffset), dib, result.indices);
        result.pixels.resize(result.indices.size());
        for (size_t i = 0; i < result.indices.size(); ++i)
            result.pixels[i] = PaletteColor(dib.palette, result.indices[i]);
    } else if (!DecodeRows(data, dib, dib.rows, dib.bitsOffset, result.pixels,
                           indexed ? &result.indices : nullptr, error)) {
        return false;
    }
    // A bitmap is copied to the screen as it is: whatever a 32-bit bitmap holds in its fourth
    // byte, the picture is opaque.
    for (uint32_t& pixel : result.pixels)
        pixel |= 0xFF000000u;
    if (indexed) result.palette = std::move(dib.palette);
    result.description = {dib.width, dib.rows,
                          static_cast<uint32_t>(BitmapRowBytes(dib.width, dib.bitCount)), 1,
                          dib.bitCount};
    picture = std::move(result);
    return true;
}

bool DecodeIconImage(CByteView data, bool cursor, CIconImage& image, std::string& error,
                     uint64_t maxPixels) {
    image = CIconImage{};
    CIconImage result;
    result.isCursor = cursor;
    CByteView body = data;
    if (cursor) {
        if (data.Size() < 4) return Fail(error, "Der Zeiger ist kürzer als sein Hotspot.");
        result.hotspotX = data.U16(0).value_or(0);
        result.hotspotY = data.U16(2).value_or(0);
        body = data.Tail(4);
    }
    if (IsPngImage(body)) {
        if (!ReadPngImage(body, maxPixels, result, error)) return false;
        image = std::move(result);
        return true;
    }

    DibLayout dib;
    if (!ReadDibLayout(body, maxPixels, dib, error)) return false;
    if (dib.compression == kBiRle8 || dib.compression == kBiRle4)
        return Fail(error, "Symbole und Zeiger können nicht RLE-komprimiert sein.");
    if (dib.topDown)
        return Fail(error, "Symbole und Zeiger können nicht von oben nach unten gespeichert sein.");
    // The header's height counts the colour image and the AND mask below it.
    const uint32_t height = dib.rows / 2;
    if (height == 0)
        return Fail(error, Printf("Die Höhe %u lässt keinen Platz für Bild und Maske.", dib.rows));
    if (!DecodeRows(body, dib, height, dib.bitsOffset, result.colors, nullptr, error)) return false;
    result.width = dib.width;
    result.height = height;
    result.bitsPerPixel = dib.bitCount;

    // A mask that is cut short leaves the missing rows opaque: the colour image is still worth
    // showing.
    const size_t width = dib.width;
    result.mask.assign(width * height, 0);
    const uint64_t maskStride = BitmapRowBytes(dib.width, 1);
    const uint64_t maskOffset = dib.bitsOffset + BitmapRowBytes(dib.width, dib.bitCount) * height;
    for (uint32_t stored = 0; stored < height; ++stored) {
        const auto row = body.Sub(maskOffset + stored * maskStride, (width + 7) / 8);
        if (!row) break;
        uint8_t* out = result.mask.data() + static_cast<size_t>(height - 1 - stored) * width;
        for (size_t x = 0; x < width; ++x)
            out[x] = static_cast<uint8_t>(row->Data()[x >> 3] >> (7 - (x & 7)) & 1u);
    }

    // 32-bit images made before alpha existed have zeros there and rely on the mask.
    if (dib.bitCount == 32) {
        result.alphaChannel = std::any_of(result.colors.begin(), result.colors.end(),
                                          [](uint32_t c) { return (c >> 24) != 0; });
    }
    if (!result.alphaChannel) {
        for (uint32_t& color : result.colors)
            color &= 0xFFFFFFu;
    }
    image = std::move(result);
    return true;
}

bool DrawIconPicture(const CIconImage& image, uint32_t background, CPicture& picture,
                     std::string& error) {
    picture = CPicture{};
    if (image.IsPng()) return Fail(error, "PNG-komprimierte Bilder zeichnet erst das Fenster.");
    const size_t count = static_cast<size_t>(image.width) * image.height;
    if (count == 0 || image.colors.size() != count || image.mask.size() != count)
        return Fail(error, "Das Symbol enthält keine Bildpunkte.");

    std::vector<uint32_t> pixels(count);
    const uint32_t bg = background & 0xFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t color = image.colors[i];
        if (image.alphaChannel) {
            const uint32_t alpha = color >> 24;
            uint32_t out = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const uint32_t c = color >> shift & 0xFF;
                const uint32_t b = bg >> shift & 0xFF;
                out |= ((c * alpha + b * (255 - alpha) + 127) / 255) << shift;
            }
            pixels[i] = out;
        } else {
            // The AND mask keeps the background, the colour image is then XORed onto it.
            pixels[i] = ((image.mask[i] ? bg : 0u) ^ color) & 0xFFFFFFu;
        }
    }
    picture = MakeTrueColorPicture(image.width, image.height, std::move(pixels));
    if (picture.Empty()) return Fail(error, "Das Symbol ist zu groß.");
    return true;
}

bool LoadBitmapResource(const CResourceCatalog& catalog, const CResourceId& name, CPicture& picture,
                        std::string& error) {
    picture = CPicture{};
    const auto data = catalog.GetData(kRtBitmap, name);
    if (!data) return Fail(error, "Die Bitmap " + name.ToText() + " ist nicht vorhanden.");
    return DecodeBitmap(*data, picture, error);
}

bool LoadIconResource(const CResourceCatalog& catalog, const CResourceId& name, CIconImage& image,
                      std::string& error) {
    image = CIconImage{};
    const auto data = catalog.GetData(kRtIcon, name);
    if (!data) return Fail(error, "Das Symbol " + name.ToText() + " ist nicht vorhanden.");
    return DecodeIconImage(*data, false, image, error);
}

bool LoadCursorResource(const CResourceCatalog& catalog, const CResourceId& name, CIconImage& image,
                        std::string& error) {
    image = CIconImage{};
    const auto data = catalog.GetData(kRtCursor, name);
    if (!data) return Fail(error, "Der Zeiger " + name.ToText() + " ist nicht vorhanden.");
    return DecodeIconImage(*data, true, image, error);
}

}  // namespace tv
