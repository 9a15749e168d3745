// The raw data page's texts: the hexadecimal dump of a resource's first bytes and the byte count
// text. Pure functions, so the page, the CLI and the tests share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/ByteView.h"

namespace tv {

// The dump covers at most this many bytes of a resource, however large it is.
inline constexpr size_t kDumpLimit = 16384;
// Each line: 16 "%02X " columns, two spaces, 16 characters, then CR LF.
inline constexpr size_t kDumpBytesPerLine = 16;
inline constexpr size_t kDumpLineLength = 66;

// One line per 16 of the first kDumpLimit bytes of data; empty for no bytes. Positions past the
// end are blanks, so every line is 66 characters and CR LF. The character column keeps the bytes
// as they are except 0 (a blank) and 9, 10 and 13 (byte 1), which would break the line; turning
// the rest into something displayable is the window's business.
[[nodiscard]] std::string BuildDumpText(CByteView data);

// The dump as the raw data page shows it, in UTF-8 with "\n" line ends: the character column's
// bytes 0x80-0xFF become their Windows-1252 characters (what the column showed on the systems the
// modules come from), and every byte without a visible glyph of its own (controls, DEL, the five
// bytes Windows-1252 leaves undefined, the soft hyphen) becomes one middle dot, so each line stays
// 66 cells wide in a monospace font.
[[nodiscard]] std::string DumpDisplayText(std::string_view dump);

// "%s bytes (~%s Kb)" (string 2076) of size and size / 1024 + 1, both with "." grouping:
// 1024 gives "1.024 bytes (~2 Kb)".
[[nodiscard]] std::string ByteCountText(uint64_t size);

}  // namespace tv
