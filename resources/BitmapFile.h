// The image page's "Save as..." for pictures: a Windows bitmap file (BITMAPFILEHEADER,
// BITMAPINFOHEADER, colour table, rows bottom-up) in the picture's own depth.
//
// The layout is fixed: depth D is planes x bits per pixel rounded up to 1, 4, 8, 16, 24 or 32; a
// depth below 24 always carries a full table of 2^D entries (65536 zero entries at 16 bits, which
// readers skip through the pixel offset); rows are padded to 4 bytes; the header says
// uncompressed and 2^D colours used.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "resources/Picture.h"

namespace tv {

inline constexpr uint32_t kBitmapFileHeaderBytes = 14;
inline constexpr uint32_t kBitmapInfoHeaderBytes = 40;

// Where everything goes in the file for a picture of this description.
struct BitmapFileLayout {
    uint32_t depth = 0;        // D
    uint32_t colorCount = 0;   // C: 2^D below 24 bits, else 0
    uint32_t rowBytes = 0;     // R = ((width x D + 31) / 32) x 4
    uint32_t imageBytes = 0;   // S = R x height
    uint32_t pixelOffset = 0;  // 14 + 40 + 4 x C
    uint32_t fileSize = 0;     // pixelOffset + S
};

// nullopt for an empty description, a depth above 32 bits, or a file that would not fit the
// format's 32-bit sizes.
[[nodiscard]] std::optional<BitmapFileLayout> BitmapFileLayoutFor(const PictureDescription& d);

// The whole file in memory, or written to a stream. false with a German reason for an empty or
// inconsistent picture, or (stream form) a failed write.
[[nodiscard]] bool WriteBitmapFile(const CPicture& picture, std::vector<uint8_t>& out,
                                   std::string& error);
[[nodiscard]] bool WriteBitmapFile(const CPicture& picture, std::ostream& out, std::string& error);

// Writes the picture to a file created or truncated at path. The picture is checked before the
// file is touched, so a picture that cannot be written leaves an existing file as it was. On
// failure, error (when given) receives the reason: for the file itself the framework's file-error
// text naming the path.
[[nodiscard]] bool SaveBitmapFile(const CPicture& picture, const std::string& path,
                                  std::string* error = nullptr);

// Creates or empties path and writes bytes to it; error as for SaveBitmapFile. Only a regular file
// is written (a FIFO, device or folder is refused before anything is emptied); the file stays as
// far as it was written when a write fails.
[[nodiscard]] bool WriteBytesToFile(const std::string& path, CByteView bytes,
                                    std::string* error = nullptr);

}  // namespace tv
