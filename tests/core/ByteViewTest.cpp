#include "common/ByteView.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "common/TextCodec.h"

namespace {

using tv::CByteReader;
using tv::CByteView;

constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();

TEST(ByteView, RangeChecksNeverWrap) {
    EXPECT_TRUE(tv::InRange(0, 0, 0));
    EXPECT_TRUE(tv::InRange(10, 0, 10));
    EXPECT_TRUE(tv::InRange(0, 10, 10));
    EXPECT_FALSE(tv::InRange(11, 0, 10));
    EXPECT_FALSE(tv::InRange(1, 10, 10));
    // offset + length would wrap to a small number.
    EXPECT_FALSE(tv::InRange(8, kMax, 10));
    EXPECT_FALSE(tv::InRange(kMax, 2, 10));
    uint64_t out = 0;
    EXPECT_FALSE(tv::CheckedAdd(kMax, 1, out));
    EXPECT_TRUE(tv::CheckedAdd(kMax - 1, 1, out));
    EXPECT_EQ(out, kMax);
    EXPECT_FALSE(tv::CheckedMul(1ull << 33, 1ull << 31, out));
    EXPECT_TRUE(tv::CheckedMul(0, kMax, out));
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(tv::AlignUp(5, 4), 8u);
    EXPECT_EQ(tv::AlignUp(8, 4), 8u);
    EXPECT_EQ(tv::AlignUp(7, 3), 9u);
    EXPECT_EQ(tv::AlignUp(kMax - 1, 4), std::nullopt);
    EXPECT_EQ(tv::AlignUp(3, 0), std::nullopt);
}

TEST(ByteView, LittleEndianReadsAtAnyOffset) {
    const std::vector<uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    const CByteView view(bytes.data(), bytes.size());
    EXPECT_EQ(view.U8(8), 0x09);
    EXPECT_EQ(view.U16(1), 0x0302);
    EXPECT_EQ(view.U32(1), 0x05040302u);
    EXPECT_EQ(view.U64(1), 0x0908070605040302ull);
    EXPECT_EQ(view.U8(9), std::nullopt);
    EXPECT_EQ(view.U16(8), std::nullopt);
    EXPECT_EQ(view.U32(6), std::nullopt);
    EXPECT_EQ(view.U64(2), std::nullopt);
    EXPECT_EQ(view.U32(kMax - 1), std::nullopt);
}

TEST(ByteView, SubViewsStayInside) {
    const std::vector<uint8_t> bytes(16, 0xAA);
    const CByteView view(bytes.data(), bytes.size());
    ASSERT_TRUE(view.Sub(4, 12).has_value());
    EXPECT_EQ(view.Sub(4, 12)->Size(), 12u);
    EXPECT_FALSE(view.Sub(4, 13).has_value());
    EXPECT_FALSE(view.Sub(kMax, 1).has_value());
    EXPECT_TRUE(view.Sub(16, 0).has_value());
    EXPECT_EQ(view.Tail(10).Size(), 6u);
    EXPECT_TRUE(view.Tail(16).Empty());
    EXPECT_TRUE(view.Tail(kMax).Empty());
    EXPECT_EQ(view.SubClamped(10, 100).Size(), 6u);
    EXPECT_TRUE(view.SubClamped(20, 1).Empty());
    EXPECT_EQ(view.OffsetOf(bytes.data() + 15), 15u);
    EXPECT_EQ(view.OffsetOf(bytes.data() + 16), std::nullopt);
    // A null pointer with a size is treated as empty, not as readable.
    const CByteView bogus(nullptr, 100);
    EXPECT_TRUE(bogus.Empty());
    EXPECT_EQ(bogus.U8(0), std::nullopt);
}

TEST(ByteView, ZeroTerminatedStringsRespectLimitAndEnd) {
    const std::vector<uint8_t> bytes = {'a', 'b', 'c', 0, 'd', 'e'};
    const CByteView view(bytes.data(), bytes.size());
    EXPECT_EQ(view.StringZ(0, 10), "abc");
    EXPECT_EQ(view.StringZ(0, 3), "abc");  // exactly the limit, then the terminator
    EXPECT_EQ(view.StringZ(0, 2), std::nullopt);
    EXPECT_EQ(view.StringZ(3, 10), "");
    EXPECT_EQ(view.StringZ(4, 10), std::nullopt);  // runs into the end of the view
    EXPECT_EQ(view.StringZ(4, 10, true), "de");
    EXPECT_EQ(view.StringZ(6, 10), std::nullopt);
    EXPECT_EQ(view.StringZ(kMax, 10), std::nullopt);
}

TEST(ByteView, Utf16StringsConvertToUtf8) {
    // "A€" + U+1F600 as a surrogate pair, terminated.
    const std::vector<uint8_t> bytes = {0x41, 0x00, 0xAC, 0x20, 0x3D, 0xD8,
                                        0x00, 0xDE, 0x00, 0x00, 0x42, 0x00};
    const CByteView view(bytes.data(), bytes.size());
    size_t units = 0;
    EXPECT_EQ(view.Utf16Z(0, 100, &units), "A\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(units, 4u);
    EXPECT_EQ(view.Utf16Z(0, 3), std::nullopt);     // more units than allowed
    EXPECT_EQ(view.Utf16Z(10, 100), std::nullopt);  // no terminator before the end
    EXPECT_EQ(view.Utf16Counted(0, 2), "A\xE2\x82\xAC");
    EXPECT_EQ(view.Utf16Counted(10, 2), std::nullopt);
    EXPECT_EQ(view.Utf16Counted(0, kMax / 2 + 1), std::nullopt);  // byte count would wrap
}

TEST(ByteReader, FailureIsStickyAndReadsZero) {
    const std::vector<uint8_t> bytes = {1, 0, 2, 0, 0, 0, 3};
    CByteReader r(CByteView(bytes.data(), bytes.size()));
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U32(), 2u);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 1u);
    EXPECT_EQ(r.U16(), 0);  // only one byte left
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.U8(), 0);  // even though a byte is there: the record is already broken
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ByteReader, SeekSkipAlignAndBytes) {
    const std::vector<uint8_t> bytes(10, 7);
    const CByteView view(bytes.data(), bytes.size());
    CByteReader r(view);
    r.Skip(3);
    r.Align(4);
    EXPECT_EQ(r.Position(), 4u);
    r.Align(4);
    EXPECT_EQ(r.Position(), 4u);
    EXPECT_EQ(r.Bytes(6).Size(), 6u);
    r.Align(4);  // 10 -> 12 is past the end
    EXPECT_FALSE(r.Ok());

    CByteReader s(view);
    s.Seek(10);
    EXPECT_TRUE(s.Ok());
    s.Seek(11);
    EXPECT_FALSE(s.Ok());
    CByteReader t(view);
    t.Skip(kMax);
    EXPECT_FALSE(t.Ok());
    CByteReader u(view, 11);
    EXPECT_FALSE(u.Ok());
}

TEST(ByteReader, Utf16ZConsumesTheTerminator) {
    const std::vector<uint8_t> bytes = {'H', 0, 'i', 0, 0, 0, 'X', 0};
    CByteReader r(CByteView(bytes.data(), bytes.size()));
    EXPECT_EQ(r.Utf16Z(16), "Hi");
    EXPECT_EQ(r.Position(), 6u);
    EXPECT_EQ(r.Utf16Z(16), "");  // "X" has no terminator
    EXPECT_FALSE(r.Ok());
    CByteReader limited(CByteView(bytes.data(), bytes.size()));
    EXPECT_EQ(limited.Utf16Z(1), "");
    EXPECT_FALSE(limited.Ok());
}

TEST(TextCodec, Utf16ToUtf8ReplacesUnpairedSurrogates) {
    EXPECT_EQ(tv::Utf16ToUtf8(u"\u20AC"), "\xE2\x82\xAC");
    const std::u16string loneHigh = {0xD800, u'a'};
    EXPECT_EQ(tv::Utf16ToUtf8(loneHigh),
              "\xEF\xBF\xBD"
              "a");
    const std::u16string loneLow = {u'a', 0xDC00};
    EXPECT_EQ(tv::Utf16ToUtf8(loneLow), "a\xEF\xBF\xBD");
    const std::u16string highAtEnd = {0xDBFF};
    EXPECT_EQ(tv::Utf16ToUtf8(highAtEnd), "\xEF\xBF\xBD");
    const std::u16string reversed = {0xDC00, 0xD800};
    EXPECT_EQ(tv::Utf16ToUtf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
    const std::u16string withNul = {u'a', 0, u'b'};
    EXPECT_EQ(tv::Utf16ToUtf8(withNul), std::string("a\0b", 3));
}

TEST(TextCodec, Utf8RoundTripAndValidation) {
    const std::string text =
        "Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80";
    EXPECT_TRUE(tv::IsValidUtf8(text));
    EXPECT_EQ(tv::Utf16ToUtf8(tv::Utf8ToUtf16(text)), text);
    EXPECT_TRUE(tv::IsValidUtf8("\xEF\xBF\xBD"));  // a real replacement character is valid
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF",
                            "a\x80"
                            "b",
                            "\xE2\x82"})
        EXPECT_FALSE(tv::IsValidUtf8(bad)) << bad;
    // Names that are not UTF-8 still show, with one replacement per broken byte.
    EXPECT_EQ(tv::SanitizeUtf8("caf\xE9.dll"), "caf\xEF\xBF\xBD.dll");
    EXPECT_EQ(tv::SanitizeUtf8(text), text);
}

TEST(TextCodec, Cp1252MapsTheWindowsRange) {
    EXPECT_EQ(tv::Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(tv::Cp1252ToUtf8("\xE4\xF6\xFC"), "\xC3\xA4\xC3\xB6\xC3\xBC");
    EXPECT_EQ(tv::Cp1252ToUtf8("\x81"), "\xC2\x81");
}

TEST(TextCodec, NamesShowEveryLineBreakingCharacterAsAnEscape) {
    EXPECT_EQ(tv::NameDisplayText("a\nb\rc\td"), "a\\nb\\rc\\td");
    EXPECT_EQ(tv::NameDisplayText(std::string("\x01\x1f\x7f", 3)), "\\x01\\x1F\\x7F");
    EXPECT_EQ(tv::NameDisplayText("x\xC2\x85y\xE2\x80\xA8z\xE2\x80\xA9"),
              "x\\u0085y\\u2028z\\u2029");
    // Other characters, the rest of those sequences' lead bytes and a cut-off end stay as they are.
    EXPECT_EQ(tv::NameDisplayText("B\xC3\xA4r \xE2\x82\xAC \\n"), "B\xC3\xA4r \xE2\x82\xAC \\n");
    EXPECT_EQ(tv::NameDisplayText("\xE2\x80"), "\xE2\x80");
    EXPECT_EQ(tv::NameDisplayText(std::string("\0", 1)), "\\x00");
}

}  // namespace
