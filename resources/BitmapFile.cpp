#include "resources/BitmapFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/ErrorCodes.h"
#include "common/Exception.h"
#include "common/FileWriter.h"
#include "common/MappedFile.h"

namespace tv {

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string FileErrorText(uint32_t code, const std::string& path) {
    std::string text;
    (void)CFileException(CFileException::OsErrorToCause(code), code, path).GetErrorMessage(text);
    return text;
}

}  // namespace

std::optional<BitmapFileLayout> BitmapFileLayoutFor(const PictureDescription& d) {
    const uint32_t bits = uint32_t{d.planes} * d.bitsPerPixel;
    if (d.width == 0 || d.height == 0 || bits == 0 || bits > 32) return std::nullopt;
    BitmapFileLayout layout;
    for (uint32_t depth : {1u, 4u, 8u, 16u, 24u, 32u}) {
        if (bits <= depth) {
            layout.depth = depth;
            break;
        }
    }
    layout.colorCount = layout.depth < 24 ? 1u << layout.depth : 0;
    const uint64_t row = BitmapRowBytes(d.width, layout.depth);
    uint64_t image = 0;
    uint64_t offset = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes + 4ull * layout.colorCount;
    uint64_t size = 0;
    if (row == 0 || !CheckedMul(row, d.height, image) || !CheckedAdd(offset, image, size) ||
        size > UINT32_MAX)
        return std::nullopt;
    layout.rowBytes = static_cast<uint32_t>(row);
    layout.imageBytes = static_cast<uint32_t>(image);
    layout.pixelOffset = static_cast<uint32_t>(offset);
    layout.fileSize = static_cast<uint32_t>(size);
    return layout;
}

bool WriteBitmapFile(const CPicture& picture, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    if (picture.Empty()) {
        error = "Es gibt kein Bild, das sich speichern ließe.";
        return false;
    }
    const auto layout = BitmapFileLayoutFor(picture.description);
    if (!picture.IsConsistent() || !layout) {
        error = "Das Bild ist unvollständig und lässt sich nicht speichern.";
        return false;
    }
    const PictureDescription& d = picture.description;
    out.assign(layout->fileSize, 0);

    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, layout->fileSize);
    Put32(out, 10, layout->pixelOffset);
    Put32(out, 14, kBitmapInfoHeaderBytes);
    Put32(out, 18, d.width);
    Put32(out, 22, d.height);  // positive: bottom row first
    // A consistent picture has one plane and a depth of the list, so these are its own values.
    Put16(out, 26, 1);
    Put16(out, 28, layout->depth);
    Put32(out, 30, 0);
    Put32(out, 34, layout->imageBytes);
    Put32(out, 46, layout->colorCount);

    // Table entries the picture does not have stay zero, as do all 65536 of a 16-bit file.
    size_t at = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes;
    if (layout->depth <= 8) {
        for (uint32_t rgb : picture.palette) {
            out[at] = static_cast<uint8_t>(rgb);
            out[at + 1] = static_cast<uint8_t>(rgb >> 8);
            out[at + 2] = static_cast<uint8_t>(rgb >> 16);
            at += 4;
        }
    }

    const size_t width = d.width;
    const uint32_t depth = layout->depth;
    for (uint32_t stored = 0; stored < d.height; ++stored) {
        const size_t y = d.height - 1 - stored;
        uint8_t* row = out.data() + layout->pixelOffset + size_t{stored} * layout->rowBytes;
        for (size_t x = 0; x < width; ++x) {
            const size_t i = y * width + x;
            const uint32_t rgb = picture.pixels[i];
            switch (depth) {
                case 1:
                case 4:
                case 8: {
                    const uint32_t index = picture.indices[i] & ((1u << depth) - 1);
                    const size_t bit = x * depth;
                    row[bit / 8] |= static_cast<uint8_t>(index << (8 - depth - bit % 8));
                    break;
                }
                case 16: {
                    // X1R5G5B5, the layout of uncompressed 16-bit bitmaps.
                    const uint32_t v =
                        (rgb >> 19 & 0x1F) << 10 | (rgb >> 11 & 0x1F) << 5 | (rgb >> 3 & 0x1F);
                    row[2 * x] = static_cast<uint8_t>(v);
                    row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                    break;
                }
                default:
                    row[x * (depth / 8)] = static_cast<uint8_t>(rgb);
                    row[x * (depth / 8) + 1] = static_cast<uint8_t>(rgb >> 8);
                    row[x * (depth / 8) + 2] = static_cast<uint8_t>(rgb >> 16);
                    break;  // the fourth byte of 32 bits stays 0
            }
        }
    }
    return true;
}

bool WriteBitmapFile(const CPicture& picture, std::ostream& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!WriteBitmapFile(picture, bytes, error)) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        error = "Die Bitmap ließ sich nicht vollständig schreiben.";
        return false;
    }
    return true;
}

bool SaveBitmapFile(const CPicture& picture, const std::string& path, std::string* error) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!WriteBitmapFile(picture, bytes, reason)) {
        if (error) *error = reason;
        return false;
    }
    return WriteBytesToFile(path, CByteView(bytes.data(), bytes.size()), error);
}

bool WriteBytesToFile(const std::string& path, CByteView bytes, std::string* error) {
    const uint32_t code = WriteFileAtomically(path, bytes.Data(), bytes.Size());
    if (code != 0 && error) *error = FileErrorText(code, path);
    return code == 0;
}

}  // namespace tv
