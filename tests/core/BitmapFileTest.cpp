// The bitmap file writer: the file layout byte for byte at every depth, round trips through the
// decoder, and the failures that must leave files alone or name the path.
#include "resources/BitmapFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "resources/Picture.h"
#include "support/ResourceBuilders.h"

namespace {

using tv::CByteView;
using tv::CPicture;

CByteView View(const std::vector<uint8_t>& bytes) { return CByteView(bytes.data(), bytes.size()); }

CPicture Decode(const std::vector<uint8_t>& dib) {
    CPicture picture;
    std::string error;
    EXPECT_TRUE(tv::DecodeBitmap(View(dib), picture, error)) << error;
    return picture;
}

std::vector<uint8_t> Write(const CPicture& picture) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(tv::WriteBitmapFile(picture, out, error)) << error;
    return out;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
    return View(bytes).U32(at).value_or(0xDEADBEEF);
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(from),
                                bytes.begin() + static_cast<ptrdiff_t>(from + count));
}

// The file's DIB, decoded again: the file header's pixel offset must agree with the table.
CPicture ReadBack(const std::vector<uint8_t>& file) {
    EXPECT_EQ(U32At(file, 2), file.size());
    const std::vector<uint8_t> dib(file.begin() + tv::kBitmapFileHeaderBytes, file.end());
    CPicture back = Decode(dib);
    const uint32_t colors = U32At(file, 46);
    EXPECT_EQ(U32At(file, 10),
              tv::kBitmapFileHeaderBytes + tv::kBitmapInfoHeaderBytes + 4 * colors);
    return back;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tv-bmp-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    [[nodiscard]] std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// ---- layout
// --------------------------------------------------------------------------------------

TEST(BitmapFileLayout, RowsTablesAndOffsetsPerDepth) {
    struct Case {
        uint32_t width, height;
        uint16_t planes, bits;
        uint32_t depth, colors, row, image, offset;
    };
    const Case cases[] = {
        {33, 2, 1, 1, 1, 2, 8, 16, 62},          // 33 bits need two DWORDs
        {9, 3, 1, 4, 4, 16, 8, 24, 118},         //
        {5, 2, 1, 8, 8, 256, 8, 16, 1078},       //
        {3, 1, 1, 16, 16, 65536, 8, 8, 262198},  // a full table of zeros even at 16 bits
        {10, 2, 1, 24, 24, 0, 32, 64, 54},       // 30 bytes padded to 32, no table
        {3, 2, 1, 32, 32, 0, 12, 24, 54},        //
        {1, 1, 2, 2, 4, 16, 4, 4, 118},          // planes x bits rounds up to the next depth
        {1, 1, 1, 12, 16, 65536, 4, 4, 262198},  //
    };
    for (const Case& c : cases) {
        const auto layout = tv::BitmapFileLayoutFor({c.width, c.height, 0, c.planes, c.bits});
        ASSERT_TRUE(layout) << c.bits;
        EXPECT_EQ(layout->depth, c.depth);
        EXPECT_EQ(layout->colorCount, c.colors);
        EXPECT_EQ(layout->rowBytes, c.row) << c.bits;
        EXPECT_EQ(layout->imageBytes, c.image) << c.bits;
        EXPECT_EQ(layout->pixelOffset, c.offset) << c.bits;
        EXPECT_EQ(layout->fileSize, c.offset + c.image);
    }
    EXPECT_FALSE(tv::BitmapFileLayoutFor({1, 1, 4, 1, 33}));
    EXPECT_FALSE(tv::BitmapFileLayoutFor({0, 1, 4, 1, 32}));
    EXPECT_FALSE(tv::BitmapFileLayoutFor({1, 0, 4, 1, 32}));
    EXPECT_FALSE(tv::BitmapFileLayoutFor({1, 1, 4, 0, 32}));
    // A file beyond the format's 32-bit sizes.
    EXPECT_FALSE(tv::BitmapFileLayoutFor({0x10000, 0x10000, 0, 1, 32}));
}

// ---- bytes
// ---------------------------------------------------------------------------------------

TEST(BitmapFileWriter, MonochromeFileByteForByte) {
    const CPicture picture = Decode(
        tvtest::Dib(3, 2, 1).Palette({0x112233, 0x445566}).Indices({1, 0, 1, 0, 1, 1}).Build());
    const std::vector<uint8_t> expected = {
        'B',  'M',  70,   0, 0,    0,    0,    0, 0, 0, 62, 0, 0, 0,  // file header
        40,   0,    0,    0, 3,    0,    0,    0, 2, 0, 0,  0, 1, 0,
        1,    0,  // size, width, height, planes, bits
        0,    0,    0,    0, 8,    0,    0,    0, 0, 0, 0,  0, 0, 0,
        0,    0,                                   // compression, image size, resolution
        2,    0,    0,    0, 0,    0,    0,    0,  // colours used, important
        0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0,  // table
        0x60, 0,    0,    0,                       // bottom row: 0 1 1
        0xA0, 0,    0,    0,                       // top row: 1 0 1
    };
    EXPECT_EQ(Write(picture), expected);
}

TEST(BitmapFileWriter, IndexedTablesAreFullAndPackedMostSignificantFirst) {
    const std::vector<uint8_t> four =
        Write(Decode(tvtest::Dib(3, 1, 4).Indices({15, 1, 7}).Build()));
    EXPECT_EQ(four.size(), 54u + 64 + 4);
    EXPECT_EQ(U32At(four, 28) & 0xFFFF, 4u);
    EXPECT_EQ(U32At(four, 46), 16u);
    EXPECT_EQ(Slice(four, 54 + 15 * 4, 4), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(Slice(four, 118, 4), (std::vector<uint8_t>{0xF1, 0x70, 0, 0}));

    // A short table fills the first entries; the other 253 stay zero and are still counted.
    const std::vector<uint8_t> eight = Write(Decode(tvtest::Dib(5, 1, 8)
                                                        .Palette({0x0000FF, 0x00FF00, 0xFF0000})
                                                        .Indices({2, 1, 0, 1, 2})
                                                        .Build()));
    EXPECT_EQ(eight.size(), 54u + 1024 + 8);
    EXPECT_EQ(U32At(eight, 46), 256u);
    EXPECT_EQ(Slice(eight, 54, 12),
              (std::vector<uint8_t>{0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0}));
    EXPECT_EQ(Slice(eight, 66, 1012), std::vector<uint8_t>(1012, 0));
    EXPECT_EQ(Slice(eight, 1078, 8), (std::vector<uint8_t>{2, 1, 0, 1, 2, 0, 0, 0}));
}

TEST(BitmapFileWriter, DirectColourRows) {
    const std::vector<uint8_t> x555 =
        Write(Decode(tvtest::Dib(3, 1, 16).Colors({0xFF0000, 0x00FF00, 0x0000FF}).Build()));
    EXPECT_EQ(x555.size(), 262198u + 8);
    EXPECT_EQ(U32At(x555, 10), 262198u);
    EXPECT_EQ(U32At(x555, 46), 65536u);
    EXPECT_EQ(U32At(x555, 30), 0u);  // BI_RGB: X1R5G5B5
    EXPECT_EQ(Slice(x555, 262198, 8),
              (std::vector<uint8_t>{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0, 0, 0}));

    // Ten 24-bit pixels take 30 bytes, padded to 32; the bottom row comes first.
    std::vector<uint32_t> colors(20, 0x010203);
    colors[10] = 0xAABBCC;
    const std::vector<uint8_t> rgb = Write(Decode(tvtest::Dib(10, 2, 24).Colors(colors).Build()));
    EXPECT_EQ(rgb.size(), 54u + 64);
    EXPECT_EQ(U32At(rgb, 34), 64u);
    EXPECT_EQ(Slice(rgb, 54, 3), (std::vector<uint8_t>{0xCC, 0xBB, 0xAA}));
    EXPECT_EQ(Slice(rgb, 54 + 30, 2), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(Slice(rgb, 54 + 32, 3), (std::vector<uint8_t>{3, 2, 1}));

    // 32 bits: the fourth byte is 0, whatever the resource held there.
    const std::vector<uint8_t> argb =
        Write(Decode(tvtest::Dib(1, 1, 32).Colors({0x7F123456}).Build()));
    EXPECT_EQ(Slice(argb, 54, 4), (std::vector<uint8_t>{0x56, 0x34, 0x12, 0}));
    EXPECT_EQ(U32At(argb, 46), 0u);
}

TEST(BitmapFileWriter, EveryDepthReadsBackAsItWasDecoded) {
    const std::vector<uint8_t> idx = {0, 1, 1, 0, 1, 0, 0, 1, 1, 0, 1, 1};
    std::vector<uint8_t> idx8 = {9, 200, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::vector<uint32_t> colors = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080,
                                          0x123456, 0,        0xFFFFFF, 0x7F7F7F,
                                          0x010101, 0xFEFEFE, 0x0F0F0F, 0xF0F0F0};
    const std::vector<std::vector<uint8_t>> sources = {
        tvtest::Dib(4, 3, 1).Palette({0xFF00FF, 0x00FFFF}).Indices(idx).Build(),
        tvtest::Dib(4, 3, 4).Indices(idx).TopDown().Build(),
        tvtest::Dib(4, 3, 4).Indices(idx).Rle().Build(),
        tvtest::Dib(4, 3, 8).Indices(idx8).Build(),
        tvtest::Dib(4, 3, 8).Indices(idx8).CoreHeader().Build(),
        tvtest::Dib(4, 3, 16).Colors(colors).Build(),
        tvtest::Dib(4, 3, 24).Colors(colors).Build(),
        tvtest::Dib(4, 3, 32).Colors(colors).Build(),
    };
    for (const auto& source : sources) {
        const CPicture picture = Decode(source);
        const std::vector<uint8_t> file = Write(picture);
        const CPicture back = ReadBack(file);
        EXPECT_EQ(back.description, picture.description);
        EXPECT_EQ(back.pixels, picture.pixels) << picture.description.bitsPerPixel;
        EXPECT_EQ(back.indices, picture.indices);
    }
}

// ---- failures
// ------------------------------------------------------------------------------------

TEST(BitmapFileWriter, EmptyOrInconsistentPicturesAreRefused) {
    std::vector<uint8_t> out = {1, 2, 3};
    std::string error;
    EXPECT_FALSE(tv::WriteBitmapFile(CPicture{}, out, error));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(error.empty());

    CPicture noIndices = Decode(tvtest::Dib(2, 1, 8).Build());
    noIndices.indices.clear();
    EXPECT_FALSE(tv::WriteBitmapFile(noIndices, out, error));
    CPicture wrongRow = tv::MakeTrueColorPicture(2, 1, {0, 0});
    wrongRow.description.rowBytes = 7;
    EXPECT_FALSE(tv::WriteBitmapFile(wrongRow, out, error));
    CPicture twoPlanes = tv::MakeTrueColorPicture(1, 1, {0});
    twoPlanes.description.planes = 2;
    EXPECT_FALSE(tv::WriteBitmapFile(twoPlanes, out, error));
}

TEST(BitmapFileWriter, SavingWritesTheFileOrNamesThePath) {
    TempDir dir;
    const CPicture picture = tv::MakeTrueColorPicture(2, 1, {0x010203, 0x040506});
    const std::string path = dir.File("bild.bmp");
    std::string error;
    ASSERT_TRUE(tv::SaveBitmapFile(picture, path, &error)) << error;
    EXPECT_EQ(ReadFile(path), Write(picture));

    std::ostringstream stream;
    ASSERT_TRUE(tv::WriteBitmapFile(picture, stream, error));
    const std::string streamed = stream.str();
    EXPECT_EQ(std::vector<uint8_t>(streamed.begin(), streamed.end()), Write(picture));
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_FALSE(tv::WriteBitmapFile(picture, broken, error));

    // A picture that cannot be written leaves the existing file as it was.
    EXPECT_FALSE(tv::SaveBitmapFile(CPicture{}, path, &error));
    EXPECT_EQ(ReadFile(path), Write(picture));

    const std::string missing = dir.File("kein-ordner/bild.bmp");
    EXPECT_FALSE(tv::SaveBitmapFile(picture, missing, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_FALSE(tv::SaveBitmapFile(picture, dir.File(""), &error));  // a folder
    EXPECT_NE(error.find(dir.File("")), std::string::npos) << error;
    // A FIFO without a reader neither blocks nor is written.
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(tv::SaveBitmapFile(picture, fifo, &error));
    EXPECT_NE(error.find(fifo), std::string::npos) << error;
}

}  // namespace
