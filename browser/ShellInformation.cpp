#include "browser/ShellInformation.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "common/TextCodec.h"

namespace tv {

namespace {

std::string Format(const char* format, uint32_t a, uint32_t b) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

// The Windows 95 family rows, tried in order. Rows 4 to 7 are reached only when rows 1 to 3 did
// not match, which is what lets a build below 950, or above 1080 with minor version 10 or more,
// go on to the Windows 98 rows.
std::string Windows95FamilyName(uint32_t minor, uint32_t build) {
    if (build == 950) return "95";
    if (build > 950 && build <= 1080) return "95 SP1";
    if (build > 1080 && minor < 10) return "95 OSR2";
    if (build == 1998) return "98";
    if (build > 1998 && build < 2183) return "98 SP1";
    if (build >= 2183 && minor == 10) return "98 SE";
    if (build == 3000) return "Me";
    return std::string(kUnknownSystemText);
}

std::string_view Trim(std::string_view text) noexcept {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The value part of an os-release assignment.
std::string Unquote(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return std::string(value.substr(1, value.size() - 2));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        std::string out;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            out += value[i];
        }
        return out;
    }
    return std::string(value);
}

// An os-release file is a few hundred bytes; a larger one is not read past this.
constexpr std::streamsize kMaxOsReleaseSize = 64 * 1024;

std::optional<std::string> ReadSmallFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<char> buffer(static_cast<size_t>(kMaxOsReleaseSize));
    in.read(buffer.data(), kMaxOsReleaseSize);
    return std::string(buffer.data(), static_cast<size_t>(in.gcount()));
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string SessionTypeName(std::string_view type) {
    if (type == "x11") return "X11";
    if (type == "wayland") return "Wayland";
    if (type == "tty") return "Konsole";
    return std::string(type);
}

}  // namespace

std::string WindowsSystemName(const std::optional<OsVersionRecord>& record) {
    if (!record) return std::string(kUnknownSystemText);
    switch (record->platformId) {
        case 1:
            return Windows95FamilyName(record->minorVersion, record->buildNumber & 0xFFFF);
        case 2:
            if (record->majorVersion == 3) return "NT 3.51";
            if (record->majorVersion == 4) return "NT 4";
            if (record->majorVersion == 5 && record->minorVersion == 0) return "2000";
            return std::string(kUnknownSystemText);
        case 3:
            return Format("CE %u.%u", record->majorVersion, record->minorVersion);
        default:
            return std::string(kUnknownSystemText);
    }
}

std::string ShellVersionText(const ShellLibraryVersion& version) {
    switch (version.state) {
        case ShellLibraryState::kNoVersionExport:
            return "4.0";
        case ShellLibraryState::kVersion:
            return Format("%u.%u", version.major, version.minor);
        case ShellLibraryState::kNotLoaded:
        case ShellLibraryState::kVersionFailed:
            break;
    }
    return std::string(kUnknownSystemText);
}

std::string ShellInformationText(std::string_view systemName, std::string_view shellVersion) {
    std::string text = "Windows ";
    text += systemName;
    text += "\nShell v";
    text += shellVersion;
    return text;
}

std::optional<std::string> OsReleaseValue(std::string_view text, std::string_view key) {
    std::optional<std::string> found;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == '#') continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || Trim(line.substr(0, equals)) != key) continue;
        // A later assignment wins, as it would when the file is sourced by a shell.
        found = Unquote(line.substr(equals + 1));
    }
    return found;
}

LinuxSystemInfo DescribeLinuxSystem(const LinuxSystemSources& sources) {
    LinuxSystemInfo info;
    if (sources.osRelease) {
        const std::string_view text = *sources.osRelease;
        if (auto pretty = OsReleaseValue(text, "PRETTY_NAME"); pretty && !pretty->empty()) {
            info.distribution = *pretty;
        } else {
            // The file format's own default when NAME is missing.
            info.distribution = OsReleaseValue(text, "NAME").value_or("Linux");
            auto version = OsReleaseValue(text, "VERSION");
            if (!version || version->empty()) version = OsReleaseValue(text, "VERSION_ID");
            if (version && !version->empty()) info.distribution += " " + *version;
        }
    }
    info.kernel = sources.kernelName;
    if (!sources.kernelRelease.empty()) {
        if (!info.kernel.empty()) info.kernel += ' ';
        info.kernel += sources.kernelRelease;
    }
    if (!sources.machine.empty() && !info.kernel.empty())
        info.kernel += " (" + sources.machine + ")";

    // XDG_CURRENT_DESKTOP is a list, most specific first ("ubuntu:GNOME").
    std::string desktop;
    for (char c :
         sources.currentDesktop.empty() ? sources.desktopSession : sources.currentDesktop) {
        if (c == ':')
            desktop += ", ";
        else
            desktop += c;
    }
    if (!sources.sessionType.empty()) {
        const std::string session = SessionTypeName(sources.sessionType);
        desktop = desktop.empty() ? session : desktop + " (" + session + ")";
    }
    info.desktop = desktop;

    info.distribution = SanitizeUtf8(info.distribution);
    info.kernel = SanitizeUtf8(info.kernel);
    info.desktop = SanitizeUtf8(info.desktop);
    return info;
}

LinuxSystemSources ReadLinuxSystemSources() {
    LinuxSystemSources sources;
    sources.osRelease = ReadSmallFile("/etc/os-release");
    if (!sources.osRelease) sources.osRelease = ReadSmallFile("/usr/lib/os-release");
    struct utsname names {};
    if (::uname(&names) == 0) {
        sources.kernelName = names.sysname;
        sources.kernelRelease = names.release;
        sources.machine = names.machine;
    }
    sources.currentDesktop = Environment("XDG_CURRENT_DESKTOP");
    sources.desktopSession = Environment("DESKTOP_SESSION");
    sources.sessionType = Environment("XDG_SESSION_TYPE");
    return sources;
}

LinuxSystemInfo ReadLinuxSystemInfo() { return DescribeLinuxSystem(ReadLinuxSystemSources()); }

std::string LinuxSystemText(const LinuxSystemInfo& info) {
    const auto field = [](const std::string& value) {
        return value.empty() ? std::string(kUnknownSystemText) : value;
    };
    return "Distribution: " + field(info.distribution) + "\nKernel: " + field(info.kernel) +
           "\nArbeitsumgebung: " + field(info.desktop);
}

}  // namespace tv
