// The program's date texts. All of them show local time; none of them depends on the process
// locale, so lists sort and compare the same everywhere.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tv {

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01 (both UTC).
inline constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;

// A file time (100-ns intervals since 1601-01-01 UTC) for seconds since 1970 plus nanoseconds.
[[nodiscard]] uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds = 0) noexcept;

// The file time text: local time in the format of string 2019, "%d.%m.%Y %H:%M:%S". Used for
// the creation, modification and access times in the module list.
[[nodiscard]] std::string FileTimeText(uint64_t fileTime);
[[nodiscard]] std::string FileTimeTextFromUnix(int64_t seconds);

// The locale date text: the standard short date and long time of the program's German user
// interface, "07.03.2005 14:05:09", for a point in time given as seconds since 1970 (UTC).
[[nodiscard]] std::string LocaleDateText(int64_t unixSeconds);

// The time stamp text of PE headers: a 32-bit TimeDateStamp (seconds since 1970 UTC).
[[nodiscard]] std::string TimeStampText(uint32_t timeDateStamp);

// The version date text: a version resource's 64-bit file date taken as a file time.
[[nodiscard]] std::string VersionDateText(uint64_t fileDate);

// Parses a text of the form the file time and locale date texts produce back into broken-down
// local time; false for anything else. The list sorts date columns with it.
[[nodiscard]] bool ParseDateText(const std::string& text, std::tm& out) noexcept;

}  // namespace tv
