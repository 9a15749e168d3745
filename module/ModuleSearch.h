// Where a module named only by its file name ("USER32.dll", as import tables name libraries) is
// found on this system. Windows would look in the importing program's folder and the system
// folders; here the nearest equivalents are the importing module's folder, the folders the user
// lists in TARNVIEW_MODULE_PATH and the folders where Wine keeps its own Windows modules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// What the caller knows about the module that named the one searched for.
struct ModuleSearchContext {
    std::string importingModule;  // its path; empty when unknown
    uint16_t machine = 0;         // its FileHeader.Machine; 0 when unknown
};

// True for a name that is to be searched: not empty, no '/', and not "." or "..".
[[nodiscard]] bool IsBareModuleName(std::string_view name) noexcept;

// ASCII letters compared without regard to case, every other byte exactly, as Windows compares
// file names of modules.
[[nodiscard]] bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;

// The path of the regular file name in folder: the exact name when it is there, otherwise the
// entry whose name equals it without regard to ASCII case (the bytewise smallest of several, so
// the answer does not depend on the order the folder lists them in).
[[nodiscard]] std::optional<std::string> FindFileInFolder(const std::string& folder,
                                                          std::string_view name);

// Wine's folders of Windows modules that exist here, the ones for machine's architecture first.
[[nodiscard]] std::vector<std::string> WineModuleFolders(uint16_t machine);
// folders ordered for machine: those whose name says the architecture matches first, then the
// others by a fixed preference (x86_64, i386, aarch64, arm), each group in its given order.
[[nodiscard]] std::vector<std::string> OrderWineFolders(std::vector<std::string> folders,
                                                        uint16_t machine);

// Every folder searched for a bare name, in order: the importing module's folder, then the
// entries of TARNVIEW_MODULE_PATH (separated by ':'; empty entries are skipped, not taken as
// the working folder), then Wine's folders.
[[nodiscard]] std::vector<std::string> ModuleSearchFolders(const ModuleSearchContext& context);

// The first file matching name in the search folders, or nullopt.
[[nodiscard]] std::optional<std::string> FindModule(std::string_view name,
                                                    const ModuleSearchContext& context = {});

}  // namespace tv
