#include "common/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

using tv::CNumberText;

namespace {

std::string Unsigned(uint64_t v) { return CNumberText().FormatUnsigned(v).GetText(); }
std::string Real(double v, int d) { return CNumberText().FormatReal(v, d).GetText(); }
std::string Size(uint64_t v) { return CNumberText().FormatByteSize(v).GetText(); }

TEST(NumberText, EmptyAfterConstruction) { EXPECT_EQ(CNumberText().GetText(), ""); }

TEST(NumberText, UnsignedGroupsEveryThreeDigitsFromTheRight) {
    EXPECT_EQ(Unsigned(0), "0");
    EXPECT_EQ(Unsigned(999), "999");
    EXPECT_EQ(Unsigned(1000), "1.000");
    EXPECT_EQ(Unsigned(12345), "12.345");
    EXPECT_EQ(Unsigned(123456), "123.456");
    EXPECT_EQ(Unsigned(1234567), "1.234.567");
    EXPECT_EQ(Unsigned(4294967295u), "4.294.967.295");
    EXPECT_EQ(Unsigned(18446744073709551615ull), "18.446.744.073.709.551.615");
}

TEST(NumberText, RealKeepsExactDecimalsAndGroupsTheIntegerPart) {
    EXPECT_EQ(Real(1234.5, 2), "1.234,50");
    EXPECT_EQ(Real(1048576, 0), "1.048.576");
    EXPECT_EQ(Real(0.25, 2), "0,25");
    EXPECT_EQ(Real(0, 0), "0");
    EXPECT_EQ(Real(0, 3), "0,000");
    EXPECT_EQ(Real(123.456, 1), "123,5");
}

TEST(NumberText, RealRoundingCanAddAnIntegerDigit) {
    // The printout 1000.00 has four integer digits and is grouped.
    EXPECT_EQ(Real(999.996, 2), "1.000,00");
    EXPECT_EQ(Real(99999.5, 0), "100.000");
}

TEST(NumberText, RealRoundsAsPrintfDoes) {
    // 2.675 is 2.67499999... in binary; 0.125 is exact and rounds to even.
    EXPECT_EQ(Real(2.675, 2), "2,67");
    EXPECT_EQ(Real(0.125, 2), "0,12");
    EXPECT_EQ(Real(0.375, 2), "0,38");
}

TEST(NumberText, NegativeNumbersNeverGetASeparatorAfterTheSign) {
    EXPECT_EQ(Real(-100, 0), "-100");
    EXPECT_EQ(Real(-1000, 0), "-1.000");
    EXPECT_EQ(Real(-1234.5, 1), "-1.234,5");
    EXPECT_EQ(Real(-999999, 0), "-999.999");
    EXPECT_EQ(Real(-100000, 2), "-100.000,00");
    EXPECT_EQ(Real(-0.5, 1), "-0,5");
}

TEST(NumberText, NonFiniteValuesDoNotBreak) {
    EXPECT_FALSE(Real(1.0 / 0.0, 2).empty());
    EXPECT_FALSE(Real(-1.0 / 0.0, 0).empty());
}

TEST(NumberText, ByteSizeUnitsAndTruncatedSteps) {
    EXPECT_EQ(Size(0), "0 Bytes");
    EXPECT_EQ(Size(512), "512 Bytes");
    EXPECT_EQ(Size(1023), "1.023 Bytes");
    EXPECT_EQ(Size(1024), "1,00 Kb");
    EXPECT_EQ(Size(1536), "1,50 Kb");
    // k is 1023.999..., K is 1023: still Kb, and "%.2f" rounds up to 1024.00.
    EXPECT_EQ(Size(1048575), "1.024,00 Kb");
    EXPECT_EQ(Size(1048576), "1,00 Mb");
    EXPECT_EQ(Size(1572864), "1,50 Mb");
    // Mb come from the truncated Kb count: 1048576 + 1023 bytes is still exactly 1,00 Mb.
    EXPECT_EQ(Size(1048576 + 1023), "1,00 Mb");
    EXPECT_EQ(Size(1073741823), "1.024,00 Mb");
    EXPECT_EQ(Size(1073741824), "1,00 Gb");
    EXPECT_EQ(Size(4294967295u), "4,00 Gb");
}

TEST(NumberText, ByteSizeGoesOnInGbPastFourGb) {
    EXPECT_EQ(Size(5ull * 1024 * 1024 * 1024), "5,00 Gb");
    EXPECT_EQ(Size(1536ull * 1024 * 1024 * 1024), "1.536,00 Gb");
    EXPECT_EQ(Size(18446744073709551615ull), "17.179.869.184,00 Gb");
}

TEST(NumberText, OperationsReplaceTheTextAndChain) {
    CNumberText text;
    EXPECT_EQ(text.FormatUnsigned(5).FormatByteSize(2048).GetText(), "2,00 Kb");
    EXPECT_EQ(text.FormatReal(1.5, 1).GetText(), "1,5");
    EXPECT_EQ(text.LoadText(2019).GetText(), "%d.%m.%Y %H:%M:%S");
    EXPECT_EQ(text.LoadText(1).GetText(), "");
}

// Qt sets the C locale from the environment; a German LC_NUMERIC must not turn the decimal point
// printf writes into a comma that the formatting then mistakes for digits.
TEST(NumberText, IndependentOfTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        ::setenv("LC_ALL", name, 1);
        std::setlocale(LC_ALL, "");
        EXPECT_EQ(Real(1234.5, 2), "1.234,50") << name;
        EXPECT_EQ(Real(-1234.5, 1), "-1.234,5") << name;
        EXPECT_EQ(Size(1536), "1,50 Kb") << name;
        EXPECT_EQ(Unsigned(1234567), "1.234.567") << name;
    }
    ::unsetenv("LC_ALL");
    std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
