// German names of Windows language identifiers (LANGID), as the version texts show them beside a
// translation. The wording is the program's own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// The name of a language identifier, or an empty view when the table has none.
[[nodiscard]] std::string_view FindLanguageName(uint16_t language) noexcept;

// The name of a language identifier; one the table does not know gives "Sprache 0x1234".
[[nodiscard]] std::string LanguageName(uint16_t language);

}  // namespace tv
