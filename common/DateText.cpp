#include "common/DateText.h"

#include <cstdio>

#include "res/StringTable.h"

namespace tv {

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
// The dates the program can show: a date type that reaches from year 100 to year 9999, as the
// original platform's did. Anything outside gives an empty text rather than a wrapped year.
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

bool LocalTime(int64_t seconds, std::tm& out) noexcept {
    const auto t = static_cast<std::time_t>(seconds);
    if (static_cast<int64_t>(t) != seconds) return false;
    if (!localtime_r(&t, &out)) return false;
    const int year = out.tm_year + 1900;
    return year >= kFirstYear && year <= kLastYear;
}

std::string Format(const char* format, const std::tm& tm) {
    char buffer[128];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, n);
}

// Whole seconds since 1970 for a file time, rounding towards minus infinity so that times before
// 1970 do not move forward by a second.
int64_t FileTimeToUnix(uint64_t fileTime) noexcept {
    if (fileTime >= kFileTimeUnixEpoch)
        return static_cast<int64_t>((fileTime - kFileTimeUnixEpoch) / kTicksPerSecond);
    const uint64_t before = kFileTimeUnixEpoch - fileTime;
    return -static_cast<int64_t>((before + kTicksPerSecond - 1) / kTicksPerSecond);
}

}  // namespace

uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds) noexcept {
    const int64_t ticks = seconds * kTicksPerSecond + nanoseconds / 100;
    return static_cast<uint64_t>(static_cast<int64_t>(kFileTimeUnixEpoch) + ticks);
}

std::string FileTimeText(uint64_t fileTime) {
    return FileTimeTextFromUnix(FileTimeToUnix(fileTime));
}

std::string FileTimeTextFromUnix(int64_t seconds) {
    std::tm tm{};
    if (!LocalTime(seconds, tm)) return std::string();
    std::string format(LoadString(2019));
    if (format.empty()) format = "%d.%m.%Y %H:%M:%S";
    return Format(format.c_str(), tm);
}

std::string LocaleDateText(int64_t unixSeconds) {
    std::tm tm{};
    if (!LocalTime(unixSeconds, tm)) return std::string();
    return Format("%d.%m.%Y %H:%M:%S", tm);
}

std::string TimeStampText(uint32_t timeDateStamp) { return LocaleDateText(timeDateStamp); }

std::string VersionDateText(uint64_t fileDate) { return LocaleDateText(FileTimeToUnix(fileDate)); }

bool ParseDateText(const std::string& text, std::tm& out) noexcept {
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    // The form the program writes, read digit by digit: sorting a date column reads every cell,
    // and sscanf costs more than the sort. Anything else goes the lenient way.
    const auto digits = [&text](size_t at, size_t count, int& value) {
        value = 0;
        for (size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    const bool exact = text.size() == 19 && text[2] == '.' && text[5] == '.' && text[10] == ' ' &&
                       text[13] == ':' && text[16] == ':' && digits(0, 2, day) &&
                       digits(3, 2, month) && digits(6, 4, year) && digits(11, 2, hour) &&
                       digits(14, 2, minute) && digits(17, 2, second);
    int consumed = 0;
    if (!exact && (std::sscanf(text.c_str(), "%2d.%2d.%4d %2d:%2d:%2d%n", &day, &month, &year,
                               &hour, &minute, &second, &consumed) != 6 ||
                   static_cast<size_t>(consumed) != text.size()))
        return false;
    if (day < 1 || day > 31 || month < 1 || month > 12 || year < kFirstYear || hour > 23 ||
        minute > 59 || second > 60 || hour < 0 || minute < 0 || second < 0)
        return false;
    // A day the month does not have is no date the program wrote: it sorts as unknown, not as
    // the first days of the next month.
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) return false;
    out = std::tm{};
    out.tm_mday = day;
    out.tm_mon = month - 1;
    out.tm_year = year - 1900;
    out.tm_hour = hour;
    out.tm_min = minute;
    out.tm_sec = second;
    return true;
}

}  // namespace tv
