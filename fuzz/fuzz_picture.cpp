// Decodes the input as every picture kind (bitmap, icon, cursor, icon and cursor group), writes
// what decodes as a .bmp or .ico/.cur into memory, and checks what the writers promise: a decoded
// picture is consistent, its file has the size the layout gives, and the file's DIB decodes back
// to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "resources/BitmapFile.h"
#include "resources/IconGroup.h"
#include "resources/Picture.h"

namespace {

// The decoders allow 64 megapixels, which a few bytes of RLE stream can claim; fuzzing at that
// size spends its time filling memory instead of exploring.
constexpr uint64_t kFuzzMaxPixels = 1 << 16;
constexpr uint64_t kFuzzMaxImageBytes = 512;

void WriteAndReadBack(const tv::CPicture& picture) {
    if (!picture.IsConsistent()) std::abort();
    std::vector<uint8_t> file;
    std::string error;
    if (!tv::WriteBitmapFile(picture, file, error)) std::abort();
    const auto layout = tv::BitmapFileLayoutFor(picture.description);
    if (!layout || file.size() != layout->fileSize) std::abort();
    tv::CPicture back;
    const tv::CByteView dib = tv::CByteView(file.data(), file.size()).Tail(14);
    if (!tv::DecodeBitmap(dib, back, error, kFuzzMaxPixels)) std::abort();
    if (back.pixels.size() != picture.pixels.size()) std::abort();
    // 16-bit pictures from other masks lose precision on the way to 5-5-5; the rest is exact.
    if (picture.description.bitsPerPixel != 16 && back.pixels != picture.pixels) std::abort();
}

void Icon(tv::CByteView view, bool cursor) {
    tv::CIconImage image;
    std::string error;
    if (!tv::DecodeIconImage(view, cursor, image, error, kFuzzMaxPixels)) return;
    (void)image.Rgba();
    tv::CPicture picture;
    if (tv::DrawIconPicture(image, tv::kButtonFaceColor, picture, error)) {
        WriteAndReadBack(picture);
    } else if (!image.IsPng()) {
        std::abort();
    }
}

void Group(tv::CByteView view, bool cursor) {
    tv::CIconGroup group;
    std::string error;
    if (!tv::ParseIconGroup(view, cursor, group, error)) return;
    if (group.entries.size() > group.declaredCount) std::abort();
    // Each id names a piece of the input itself, so the images are as hostile as the group. The
    // pieces are kept short: hundreds of entries copying the whole input each would spend the
    // run on memmove.
    const tv::IconImageSource images = [view](uint16_t id) -> std::optional<tv::CByteView> {
        if (id % 7 == 0) return std::nullopt;
        return view.Tail(id % (view.Size() + 1)).SubClamped(0, kFuzzMaxImageBytes);
    };
    std::vector<uint8_t> file;
    tv::IconFileResult result;
    if (!tv::WriteIconFile(group, images, file, result, error)) return;
    if (result.written + result.missing.size() != group.entries.size()) std::abort();
    if (file.size() > tv::kMaxIconFileBytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView view(data, size);
    tv::CPicture picture;
    std::string error;
    if (tv::DecodeBitmap(view, picture, error, kFuzzMaxPixels)) WriteAndReadBack(picture);
    Icon(view, false);
    Icon(view, true);
    Group(view, false);
    Group(view, true);
    return 0;
}
