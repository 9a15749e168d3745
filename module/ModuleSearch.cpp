#include "module/ModuleSearch.h"

#include <glob.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tv {

namespace {

namespace fs = std::filesystem;

char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Where distributions and Wine's own builds install the PE modules: Debian and Ubuntu put both
// architectures under the 64-bit multiarch folder (and i386 under its own with libwine:i386),
// others use lib, lib32 or lib64, and WineHQ's packages live under /opt/wine-<branch>.
constexpr std::array kWineFolderPatterns = {
    "/usr/lib/*-linux-gnu*/wine/*-windows",
    "/usr/lib/wine/*-windows",
    "/usr/lib64/wine/*-windows",
    "/usr/lib32/wine/*-windows",
    "/usr/local/lib*/wine/*-windows",
    "/opt/wine*/lib*/wine/*-windows",
};

// The folder prefix Wine uses for each architecture, in the order preferred when the machine
// of the importing module does not decide.
constexpr std::array<std::string_view, 4> kArchitectures = {"x86_64", "i386", "aarch64", "arm"};

std::optional<size_t> ArchitectureOfMachine(uint16_t machine) noexcept {
    switch (machine) {
        case 0x8664:  // AMD64
            return 0;
        case 0x014C:  // I386
        case 0x3A64:  // CHPE_X86: x86 code compiled for ARM64 hosts
            return 1;
        case 0xAA64:  // ARM64
        case 0xA641:  // ARM64EC
        case 0xA64E:  // ARM64X
            return 2;
        case 0x01C0:  // ARM
        case 0x01C2:  // THUMB
        case 0x01C4:  // ARMNT
            return 3;
        default:
            return std::nullopt;
    }
}

size_t ArchitectureOfFolder(const std::string& folder) noexcept {
    const std::string name = fs::path(folder).filename().string();
    for (size_t i = 0; i < kArchitectures.size(); ++i) {
        const std::string wanted = std::string(kArchitectures[i]) + "-windows";
        if (name == wanted) return i;
    }
    return kArchitectures.size();
}

}  // namespace

bool IsBareModuleName(std::string_view name) noexcept {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::optional<std::string> FindFileInFolder(const std::string& folder, std::string_view name) {
    if (!IsBareModuleName(name) || folder.empty()) return std::nullopt;
    const fs::path exact = fs::path(folder) / std::string(name);
    if (IsRegularFile(exact)) return exact.string();
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    std::optional<std::string> best;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!EqualsIgnoringAsciiCase(entry, name)) continue;
        if (best && *best <= entry) continue;
        if (IsRegularFile(it->path())) best = entry;
    }
    if (!best) return std::nullopt;
    return (fs::path(folder) / *best).string();
}

std::vector<std::string> OrderWineFolders(std::vector<std::string> folders, uint16_t machine) {
    const auto preferred = ArchitectureOfMachine(machine);
    const auto rank = [&](const std::string& folder) {
        const size_t arch = ArchitectureOfFolder(folder);
        if (preferred && arch == *preferred) return size_t{0};
        return arch + 1;
    };
    std::stable_sort(folders.begin(), folders.end(),
                     [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    return folders;
}

std::vector<std::string> WineModuleFolders(uint16_t machine) {
    std::vector<std::string> folders;
    for (const char* pattern : kWineFolderPatterns) {
        glob_t found{};
        if (::glob(pattern, GLOB_ONLYDIR, nullptr, &found) == 0) {
            for (size_t i = 0; i < found.gl_pathc; ++i) {
                const std::string folder = found.gl_pathv[i];
                // A symlinked lib64 -> lib would list the same folder twice.
                if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                    folders.push_back(folder);
            }
        }
        ::globfree(&found);
    }
    return OrderWineFolders(std::move(folders), machine);
}

std::vector<std::string> ModuleSearchFolders(const ModuleSearchContext& context) {
    std::vector<std::string> folders;
    const auto slash = context.importingModule.find_last_of('/');
    if (slash != std::string::npos)
        folders.push_back(slash == 0 ? "/" : context.importingModule.substr(0, slash));
    if (const char* list = std::getenv("TARNVIEW_MODULE_PATH")) {
        const std::string_view all(list);
        size_t start = 0;
        while (start <= all.size()) {
            const size_t colon = std::min(all.find(':', start), all.size());
            if (colon > start) folders.emplace_back(all.substr(start, colon - start));
            start = colon + 1;
        }
    }
    for (auto& folder : WineModuleFolders(context.machine))
        folders.push_back(std::move(folder));
    return folders;
}

std::optional<std::string> FindModule(std::string_view name, const ModuleSearchContext& context) {
    if (!IsBareModuleName(name)) return std::nullopt;
    for (const auto& folder : ModuleSearchFolders(context)) {
        if (auto found = FindFileInFolder(folder, name)) return found;
    }
    return std::nullopt;
}

}  // namespace tv
