// The program's numbered German texts: prompts, labels, messages and formats, each under the
// numeric id that menus, toolbars, dialogs and the code share.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tv {

struct StringResource {
    uint32_t id;
    std::string_view text;  // UTF-8
};

// The text of string id, or an empty view when the table has none.
[[nodiscard]] std::string_view LoadString(uint32_t id) noexcept;
[[nodiscard]] bool HasString(uint32_t id) noexcept;

// A command prompt holds the status-bar text, a line feed and the tooltip text.
[[nodiscard]] std::string_view PromptText(uint32_t id) noexcept;  // before the first "\n"
// After the first "\n"; a string without a line feed is its own tooltip ("Save as..."), as the
// toolbars of the module windows show it. Empty when the table has no such string.
[[nodiscard]] std::string_view TooltipText(uint32_t id) noexcept;

// The string with each "%s" replaced, in order, by the next argument and "%%" turned into "%";
// a "%s" without an argument and every other conversion stay as written. Arguments are not
// scanned again, so a path holding "%s" is inserted as it is.
[[nodiscard]] std::string FormatStringResource(uint32_t id,
                                               std::initializer_list<std::string_view> args);

// The whole table, sorted by id, for checks and listings.
[[nodiscard]] std::span<const StringResource> AllStrings() noexcept;

}  // namespace tv
