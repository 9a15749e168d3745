// Pictures of the core (decoded bitmaps, icon and cursor images) as Qt images, and back.
#pragma once

#include <QImage>

#include "resources/Picture.h"

namespace tv {

// The picture's pixels as an opaque 32-bit image; a null image for an empty picture.
[[nodiscard]] QImage ToQImage(const CPicture& picture);
// The icon or cursor image with its transparency (PNG images decoded by Qt); null when it holds
// no pixels or its PNG does not decode.
[[nodiscard]] QImage ToQImage(const CIconImage& image);
// image laid over background (0x00RRGGBB) as a 32-bit picture: what a PNG icon becomes on the
// image page and in a saved bitmap.
[[nodiscard]] CPicture PictureOver(const QImage& image, uint32_t background);

}  // namespace tv
