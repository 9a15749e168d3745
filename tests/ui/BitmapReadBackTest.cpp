// The files the pictures are saved as must open in other programs: Qt's own readers load the
// written .bmp, .ico and .cur files and find the pixels the decoders produced.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "resources/BitmapFile.h"
#include "resources/IconGroup.h"
#include "resources/Picture.h"
#include "support/ResourceBuilders.h"

namespace {

tv::CByteView View(const std::vector<uint8_t>& bytes) {
    return tv::CByteView(bytes.data(), bytes.size());
}

tv::CPicture DecodeBitmap(const std::vector<uint8_t>& dib) {
    tv::CPicture picture;
    std::string error;
    EXPECT_TRUE(tv::DecodeBitmap(View(dib), picture, error)) << error;
    return picture;
}

tv::CIconImage DecodeIcon(const std::vector<uint8_t>& bytes, bool cursor) {
    tv::CIconImage image;
    std::string error;
    EXPECT_TRUE(tv::DecodeIconImage(View(bytes), cursor, image, error)) << error;
    return image;
}

// Channels within tolerance; 16-bit files keep five bits per channel, which readers widen in
// their own way.
void ExpectSameRgb(const QImage& image, const tv::CPicture& picture, int tolerance,
                   const char* what) {
    ASSERT_EQ(image.width(), static_cast<int>(picture.Width())) << what;
    ASSERT_EQ(image.height(), static_cast<int>(picture.Height())) << what;
    for (uint32_t y = 0; y < picture.Height(); ++y) {
        for (uint32_t x = 0; x < picture.Width(); ++x) {
            const QRgb got = image.pixel(static_cast<int>(x), static_cast<int>(y));
            const uint32_t want = picture.Pixel(x, y);
            for (int shift : {0, 8, 16}) {
                const int a = static_cast<int>(got >> shift & 0xFF);
                const int b = static_cast<int>(want >> shift & 0xFF);
                ASSERT_LE(std::abs(a - b), tolerance)
                    << what << " at " << x << "," << y << ": " << std::hex << got << " vs " << want;
            }
        }
    }
}

// Every image of an .ico or .cur file as Qt reads it, converted to straight ARGB.
std::vector<QImage> ReadAll(const QString& path, const char* format) {
    QImageReader reader(path, format);
    std::vector<QImage> images;
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(reader.jumpToImage(i));
        const QImage image = reader.read();
        EXPECT_FALSE(image.isNull()) << reader.errorString().toStdString();
        images.push_back(image.convertToFormat(QImage::Format_ARGB32));
    }
    return images;
}

// Straight ARGB as the icon decoder gives it, against what Qt read; fully transparent pixels
// compare by alpha alone.
void ExpectSameArgb(const QImage& image, const tv::CIconImage& icon) {
    ASSERT_EQ(image.width(), static_cast<int>(icon.width));
    ASSERT_EQ(image.height(), static_cast<int>(icon.height));
    const std::vector<uint32_t> rgba = icon.Rgba();
    for (uint32_t y = 0; y < icon.height; ++y) {
        for (uint32_t x = 0; x < icon.width; ++x) {
            const QRgb got = image.pixel(static_cast<int>(x), static_cast<int>(y));
            const uint32_t want = rgba[static_cast<size_t>(y) * icon.width + x];
            if ((want >> 24) == 0) {
                EXPECT_EQ(qAlpha(got), 0) << x << "," << y;
            } else {
                EXPECT_EQ(got, want)
                    << std::hex << got << " vs " << want << " at " << std::dec << x << "," << y;
            }
        }
    }
}

TEST(BitmapReadBack, QtReadsEveryDepthOfTheBmpWriter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<uint8_t> indices(7 * 5);
    std::vector<uint32_t> colors(7 * 5);
    for (size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<uint8_t>(i * 7 % 16);
        colors[i] = static_cast<uint32_t>(i * 0x0A1B2C) & 0xFFFFFF;
    }
    std::vector<uint8_t> mono(indices.size());
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = indices[i] & 1;
    const struct {
        const char* what;
        std::vector<uint8_t> dib;
        int tolerance;
    } cases[] = {
        {"1 bit", tvtest::Dib(7, 5, 1).Palette({0x2040C0, 0xF0E0D0}).Indices(mono).Build(), 0},
        {"4 bits", tvtest::Dib(7, 5, 4).Indices(indices).Build(), 0},
        {"4 bits RLE", tvtest::Dib(7, 5, 4).Indices(indices).Rle().Build(), 0},
        {"8 bits", tvtest::Dib(7, 5, 8).Indices(indices).TopDown().Build(), 0},
        {"16 bits", tvtest::Dib(7, 5, 16).Colors(colors).Build(), 8},
        {"24 bits", tvtest::Dib(7, 5, 24).Colors(colors).Build(), 0},
        {"32 bits", tvtest::Dib(7, 5, 32).Colors(colors).Build(), 0},
    };
    for (const auto& c : cases) {
        const tv::CPicture picture = DecodeBitmap(c.dib);
        const QString path = dir.filePath(QString::fromUtf8(c.what) + ".bmp");
        std::string error;
        ASSERT_TRUE(tv::SaveBitmapFile(picture, path.toStdString(), &error)) << error;
        const QImage image(path, "BMP");
        ASSERT_FALSE(image.isNull()) << c.what;
        ExpectSameRgb(image, picture, c.tolerance, c.what);
    }

    // An icon drawn on the button face is saved like any 32-bit picture.
    const tv::CIconImage icon = DecodeIcon(
        tvtest::IconImage(3, 2, 4).Indices({0, 2, 0, 4, 0, 6}).AndMask({1, 0, 1, 0, 1, 0}).Build(),
        false);
    tv::CPicture drawn;
    std::string error;
    ASSERT_TRUE(tv::DrawIconPicture(icon, tv::kButtonFaceColor, drawn, error));
    const QString path = dir.filePath("icon.bmp");
    ASSERT_TRUE(tv::SaveBitmapFile(drawn, path.toStdString(), &error)) << error;
    const QImage image(path, "BMP");
    ExpectSameRgb(image, drawn, 0, "icon");
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, tv::kButtonFaceColor);
}

TEST(BitmapReadBack, QtReadsTheIcoAndCurFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<uint32_t> argb(16 * 16);
    for (size_t i = 0; i < argb.size(); ++i)
        argb[i] =
            (i % 5 == 0 ? 0u : 0xFF000000u) | (static_cast<uint32_t>(i * 0x030507) & 0xFFFFFFu);
    // The alpha image's mask agrees with its alpha, as icon editors write it.
    std::vector<uint8_t> alphaMask(16 * 16);
    std::vector<uint8_t> mask(16 * 16);
    for (size_t i = 0; i < mask.size(); ++i) {
        alphaMask[i] = i % 5 == 0;
        mask[i] = i % 3 == 0;
    }
    std::vector<uint8_t> indices(16 * 16);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<uint8_t>(i);

    const std::map<uint16_t, std::vector<uint8_t>> icons = {
        {1, tvtest::IconImage(16, 16, 32).Colors(argb).AndMask(alphaMask).Build()},
        {2, tvtest::IconImage(16, 16, 8).Indices(indices).AndMask(mask).Build()},
    };
    const auto icoGroup = tvtest::GroupIcon(
        {tvtest::IconEntryFor(icons.at(1), 1), tvtest::IconEntryFor(icons.at(2), 2)});
    const std::map<uint16_t, std::vector<uint8_t>> cursors = {
        {5, tvtest::CursorImage(
                3, 4,
                tvtest::IconImage(16, 16, 1).Indices(std::vector<uint8_t>(256, 1)).AndMask(mask))},
    };
    const auto curGroup = tvtest::GroupCursor({tvtest::CursorEntryFor(cursors.at(5), 5)});

    const auto source = [](const std::map<uint16_t, std::vector<uint8_t>>& images) {
        return [&images](uint16_t id) -> std::optional<tv::CByteView> {
            const auto it = images.find(id);
            if (it == images.end()) return std::nullopt;
            return View(it->second);
        };
    };
    for (const bool cursor : {false, true}) {
        const auto& images = cursor ? cursors : icons;
        tv::CIconGroup group;
        std::string error;
        ASSERT_TRUE(tv::ParseIconGroup(View(cursor ? curGroup : icoGroup), cursor, group, error));
        std::vector<uint8_t> file;
        tv::IconFileResult result;
        ASSERT_TRUE(tv::WriteIconFile(group, source(images), file, result, error)) << error;
        const QString path = dir.filePath(cursor ? "group.cur" : "group.ico");
        ASSERT_TRUE(tv::WriteBytesToFile(path.toStdString(), View(file), &error)) << error;

        const std::vector<QImage> read = ReadAll(path, cursor ? "cur" : "ico");
        ASSERT_EQ(read.size(), images.size());
        size_t i = 0;
        for (const auto& [id, bytes] : images)
            ExpectSameArgb(read[i++], DecodeIcon(bytes, cursor));
    }
}

}  // namespace
