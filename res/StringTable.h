// The program's numbered German texts: prompts, labels, messages and formats, each under the
// numeric id that menus, toolbars, dialogs and the code share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// The text of string id, or an empty view when the table has none.
[[nodiscard]] std::string_view LoadString(uint32_t id) noexcept;
[[nodiscard]] bool HasString(uint32_t id) noexcept;

// A command prompt holds the status-bar text, a line feed and the tooltip text.
[[nodiscard]] std::string_view PromptText(uint32_t id) noexcept;   // before the first "\n"
[[nodiscard]] std::string_view TooltipText(uint32_t id) noexcept;  // after the first "\n"

}  // namespace tv
