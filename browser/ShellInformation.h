// The texts of "Shell Information...": the name of the Windows version and the version of the
// shell library, decided from the numbers the Windows calls report, and beside them what this
// Linux system really is.
//
// On Linux no call reports Windows numbers, so the window passes "unavailable" and the table
// gives the unknown text; the table is still kept whole, because whatever platform layer feeds it
// (a Windows build, Wine) must name the same numbers the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// The text of a part that cannot be determined: inverted question mark, hyphen, question mark.
inline constexpr std::string_view kUnknownSystemText = "\xC2\xBF-?";

// The fields of the system's version record (OSVERSIONINFO) that the table reads.
struct OsVersionRecord {
    uint32_t platformId = 0;  // 1 Windows 95 family, 2 NT family, 3 CE
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;  // as reported (dwBuildNumber)
};

// The system name after "Windows ": "95", "98 SE", "NT 4", "2000", "CE 3.0", ...; the unknown
// text when record is nullopt (the call failed) or the table does not name the numbers.
//
// The Windows 95 family reports the major and minor version again in the high word of its build
// number (0x040A08AE for 98 SE, build 2222); only the low word is the build, so only that is
// compared with the table's builds.
[[nodiscard]] std::string WindowsSystemName(const std::optional<OsVersionRecord>& record);

// What became of asking the shell library for its version.
enum class ShellLibraryState {
    kNotLoaded,        // the library could not be loaded
    kNoVersionExport,  // it has no "DllGetVersion": a shell older than 4.71
    kVersionFailed,    // the export failed
    kVersion,          // the export gave major and minor
};

struct ShellLibraryVersion {
    ShellLibraryState state = ShellLibraryState::kNotLoaded;
    uint32_t major = 0;
    uint32_t minor = 0;
};

// "4.0" without the export, "major.minor" from it, the unknown text otherwise.
[[nodiscard]] std::string ShellVersionText(const ShellLibraryVersion& version);

// The message: "Windows <system name>", a line feed, "Shell v<shell version>".
[[nodiscard]] std::string ShellInformationText(std::string_view systemName,
                                               std::string_view shellVersion);

// ---- the real system ----

// What the system tells about itself, as read; empty where nothing was found.
struct LinuxSystemSources {
    std::optional<std::string> osRelease;  // the text of /etc/os-release (or /usr/lib/os-release)
    std::string kernelName;                // uname: sysname, release, machine
    std::string kernelRelease;
    std::string machine;
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP
    std::string desktopSession;  // DESKTOP_SESSION, when the former is unset
    std::string sessionType;     // XDG_SESSION_TYPE
};

// The texts the window shows beside the table, valid UTF-8; empty where unknown.
struct LinuxSystemInfo {
    std::string distribution;  // "Debian GNU/Linux 12 (bookworm)"
    std::string kernel;        // "Linux 6.1.0-18-amd64 (x86_64)"
    std::string desktop;       // "GNOME (Wayland)"
};

// The value of key in os-release text: shell-like assignments, one a line; values in double
// quotes take backslash escapes, values in single quotes none; comment lines start with '#'.
// nullopt when key is not assigned.
[[nodiscard]] std::optional<std::string> OsReleaseValue(std::string_view text,
                                                        std::string_view key);

[[nodiscard]] LinuxSystemInfo DescribeLinuxSystem(const LinuxSystemSources& sources);
[[nodiscard]] LinuxSystemSources ReadLinuxSystemSources();
[[nodiscard]] LinuxSystemInfo ReadLinuxSystemInfo();

// Three lines, "Distribution: ...", "Kernel: ...", "Arbeitsumgebung: ...", the unknown text
// standing for what is empty.
[[nodiscard]] std::string LinuxSystemText(const LinuxSystemInfo& info);

}  // namespace tv
