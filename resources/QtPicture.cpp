#include "resources/QtPicture.h"

#include <QPainter>

#include <algorithm>
#include <limits>

namespace tv {

QImage ToQImage(const CPicture& picture) {
    if (picture.Empty() || !picture.IsConsistent()) return {};
    const int width = static_cast<int>(picture.Width());
    const int height = static_cast<int>(picture.Height());
    QImage out(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<uint32_t*>(out.scanLine(y));
        const uint32_t* row = picture.pixels.data() + static_cast<size_t>(y) * picture.Width();
        std::copy(row, row + width, line);
    }
    return out;
}

QImage ToQImage(const CIconImage& image) {
    if (image.IsPng()) {
        QImage png;
        if (image.png.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return {};
        png.loadFromData(image.png.data(), static_cast<int>(image.png.size()), "PNG");
        return png.convertToFormat(QImage::Format_ARGB32);
    }
    const std::vector<uint32_t> rgba = image.Rgba();
    if (image.width == 0 || image.height == 0 ||
        rgba.size() != static_cast<size_t>(image.width) * image.height)
        return {};
    QImage out(static_cast<int>(image.width), static_cast<int>(image.height),
               QImage::Format_ARGB32);
    for (uint32_t y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<uint32_t*>(out.scanLine(static_cast<int>(y)));
        std::copy(rgba.begin() + static_cast<ptrdiff_t>(y) * image.width,
                  rgba.begin() + static_cast<ptrdiff_t>(y + 1) * image.width, line);
    }
    return out;
}

CPicture PictureOver(const QImage& image, uint32_t background) {
    if (image.isNull()) return {};
    QImage canvas(image.size(), QImage::Format_RGB32);
    canvas.fill(QColor::fromRgb(background));
    QPainter painter(&canvas);
    painter.drawImage(0, 0, image);
    painter.end();
    std::vector<uint32_t> pixels(static_cast<size_t>(canvas.width()) *
                                 static_cast<size_t>(canvas.height()));
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(canvas.constScanLine(y));
        std::copy(line, line + canvas.width(),
                  pixels.begin() + static_cast<ptrdiff_t>(y) * canvas.width());
    }
    return MakeTrueColorPicture(static_cast<uint32_t>(canvas.width()),
                                static_cast<uint32_t>(canvas.height()), std::move(pixels));
}

}  // namespace tv
