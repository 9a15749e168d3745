// The raw data page's dump and byte-count texts.
#include "resources/DumpText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Dump(const std::vector<uint8_t>& bytes) {
    return tv::BuildDumpText(tv::CByteView(bytes.data(), bytes.size()));
}

std::vector<std::string> Lines(const std::string& dump) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < dump.size()) {
        const size_t end = dump.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(dump.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(dump.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(DumpText, LinesHaveHexColumnTwoBlanksAndCharacters) {
    // The four bytes of a module's start: the rest of the line is padding.
    EXPECT_EQ(Dump({0x4D, 0x5A, 0x90, 0x00}),
              "4D 5A 90 00 " + std::string(36, ' ') + "  MZ\x90 " + std::string(12, ' ') + "\r\n");
    EXPECT_EQ(Dump({'A'}), "41 " + std::string(45, ' ') + "  A" + std::string(15, ' ') + "\r\n");
    EXPECT_EQ(Dump({}), "");

    // Zero shows as a blank, tab, line feed and carriage return as byte 1; everything else,
    // DEL and bytes above 0x80 included, stays.
    const auto special = Lines(Dump({0x00, 0x09, 0x0A, 0x0D, 0x7F, 0x80, 0xFF, 0x01, 0x20}));
    ASSERT_EQ(special.size(), 1u);
    EXPECT_EQ(special[0].substr(0, 27), "00 09 0A 0D 7F 80 FF 01 20 ");
    EXPECT_EQ(special[0].substr(50),
              std::string(" \x01\x01\x01\x7F\x80\xFF\x01 ") + std::string(7, ' '));
}

TEST(DumpText, SixteenBytesPerLineUpToTheLimit) {
    std::vector<uint8_t> bytes(17);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>('a' + i);
    const auto seventeen = Lines(Dump(bytes));
    ASSERT_EQ(seventeen.size(), 2u);
    EXPECT_EQ(seventeen[0].substr(50), "abcdefghijklmnop");
    EXPECT_EQ(seventeen[1].substr(0, 3), "71 ");
    bytes.resize(16);
    EXPECT_EQ(Lines(Dump(bytes)).size(), 1u);

    const std::vector<uint8_t> big(100000, 0x41);
    const std::string dump = Dump(big);
    EXPECT_EQ(dump.size(), 1024u * 68);
    for (const std::string& line : Lines(dump))
        ASSERT_EQ(line.size(), tv::kDumpLineLength);
}

TEST(DumpText, ByteCountIsGroupedWithTheQuotientPlusOne) {
    EXPECT_EQ(tv::ByteCountText(1024), "1.024 bytes (~2 Kb)");
    EXPECT_EQ(tv::ByteCountText(1000), "1.000 bytes (~1 Kb)");
    EXPECT_EQ(tv::ByteCountText(0), "0 bytes (~1 Kb)");
    EXPECT_EQ(tv::ByteCountText(100000), "100.000 bytes (~98 Kb)");
    EXPECT_EQ(tv::ByteCountText(5000000000ull), "5.000.000.000 bytes (~4.882.813 Kb)");
}

TEST(DumpText, DisplayKeepsEveryLineSixtySixCellsWide) {
    std::vector<uint8_t> bytes(256);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    const std::string shown = tv::DumpDisplayText(Dump(bytes));
    // Count cells as code points: every line is 66 of them, whatever the bytes.
    size_t lines = 0;
    size_t start = 0;
    while (start < shown.size()) {
        const size_t end = shown.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = shown.substr(start, end - start);
        size_t cells = 0;
        for (const char c : line)
            cells += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
        EXPECT_EQ(cells, tv::kDumpLineLength) << line;
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, 16u);
    // Windows-1252 characters where the byte has one, a middle dot where it has no glyph.
    EXPECT_NE(shown.find("\xE2\x82\xAC"), std::string::npos);  // 0x80 is the euro sign
    EXPECT_NE(shown.find("\xC3\xA4"), std::string::npos);      // 0xE4 is a-umlaut
    EXPECT_NE(shown.find("   \xC2\xB7\xC2\xB7\xC2\xB7"), std::string::npos);  // 00 to 03
    EXPECT_EQ(tv::DumpDisplayText(""), "");
}

}  // namespace
