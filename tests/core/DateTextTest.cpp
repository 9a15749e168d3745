#include "common/DateText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Date texts show local time: pin the zone for each test and restore it after.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had) m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard() {
        if (m_had)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

TEST(DateText, FileTimeTextUsesTheFixedGermanFormat) {
    ZoneGuard zone("UTC");
    // 2005-03-07 14:05:09 UTC
    EXPECT_EQ(tv::FileTimeTextFromUnix(1110204309), "07.03.2005 14:05:09");
    EXPECT_EQ(tv::FileTimeText(tv::UnixToFileTime(1110204309)), "07.03.2005 14:05:09");
    // Sub-second ticks are cut, not rounded up into the next second.
    EXPECT_EQ(tv::FileTimeText(tv::UnixToFileTime(1110204309, 999'999'999)), "07.03.2005 14:05:09");
}

TEST(DateText, ConvertsToLocalTime) {
    ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(tv::FileTimeTextFromUnix(1110204309), "07.03.2005 15:05:09");
    EXPECT_EQ(tv::TimeStampText(0), "01.01.1970 01:00:00");
    // Summer time.
    EXPECT_EQ(tv::LocaleDateText(1120744800), "07.07.2005 16:00:00");
}

TEST(DateText, TimeStampZeroIsTheEpochInLocalTime) {
    ZoneGuard zone("UTC");
    EXPECT_EQ(tv::TimeStampText(0), "01.01.1970 00:00:00");
    EXPECT_EQ(tv::TimeStampText(0xFFFFFFFFu), "07.02.2106 06:28:15");
}

TEST(DateText, VersionDateIsAFileTime) {
    ZoneGuard zone("UTC");
    EXPECT_EQ(tv::VersionDateText(tv::kFileTimeUnixEpoch), "01.01.1970 00:00:00");
    // Before 1970 the seconds round down, never up.
    EXPECT_EQ(tv::VersionDateText(tv::kFileTimeUnixEpoch - 1), "31.12.1969 23:59:59");
    EXPECT_EQ(tv::VersionDateText(0), "01.01.1601 00:00:00");
}

TEST(DateText, UnrepresentableDatesGiveAnEmptyText) {
    ZoneGuard zone("UTC");
    // The largest file time lies in the year 58,000-something: past what the date type shows.
    EXPECT_EQ(tv::VersionDateText(0xFFFFFFFFFFFFFFFFull), "");
    EXPECT_EQ(tv::FileTimeText(0x7FFFFFFFFFFFFFFFull), "");
    EXPECT_EQ(tv::LocaleDateText(-70000000000LL), "");  // year 0 and earlier
}

TEST(DateText, ParsesOnlyItsOwnTexts) {
    std::tm tm{};
    ASSERT_TRUE(tv::ParseDateText("07.03.2005 14:05:09", tm));
    EXPECT_EQ(tm.tm_mday, 7);
    EXPECT_EQ(tm.tm_mon, 2);
    EXPECT_EQ(tm.tm_year, 105);
    EXPECT_EQ(tm.tm_hour, 14);
    EXPECT_EQ(tm.tm_min, 5);
    EXPECT_EQ(tm.tm_sec, 9);
    for (const char* bad : {"", "07.03.2005", "07.03.2005 14:05:09x", "32.01.2005 00:00:00",
                            "01.13.2005 00:00:00", "31.04.2005 00:00:00", "29.02.2005 00:00:00",
                            "29.02.1900 00:00:00", "1.234,50", "Release", "07-03-2005 14:05:09"})
        EXPECT_FALSE(tv::ParseDateText(bad, tm)) << bad;
    EXPECT_TRUE(tv::ParseDateText("29.02.2000 23:59:59", tm));
    EXPECT_TRUE(tv::ParseDateText("29.02.2024 00:00:00", tm));
}

}  // namespace
