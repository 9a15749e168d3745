// String tables (resource type 6): decoding a block, the rows the string list shows, and the
// text the export writes. Pure functions over byte views and the catalog, so the page, the CLI
// and the tests share them.
//
// A block holds 16 strings, each a 16-bit count of UTF-16 units and that many units, without a
// terminator. Block B holds the strings with ids (B - 1) * 16 + i, computed in 32 bits.
//
// A block named by a string instead of a number (the resource compiler never makes one) has no
// number to compute ids from. It is left out wherever all tables are listed or written; shown or
// written on its own, its strings take their index in the block (0 to 15) as id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"
#include "module/ResourceDirectory.h"
#include "res/ImageStrip.h"

namespace tv {

class CResourceCatalog;

inline constexpr size_t kStringsPerBlock = 16;
// The picture of a string row in the image strip.
inline constexpr int kStringRowImage = kStripAbc;

// Appends the 16 strings of block data to strings, converted from UTF-16 to UTF-8 (unpaired
// surrogates become U+FFFD), strings of any length whole. A block cut short gives the strings that
// lie wholly inside it and then empty ones; the result is false then, true for a whole block.
// Bytes after the 16th string are ignored.
bool DecodeStringBlock(CByteView data, std::vector<std::string>& strings);

// The block number ids are computed from: the number, or 1 for a block named by a string.
[[nodiscard]] uint32_t StringBlockNumber(const CResourceId& block) noexcept;
// (block - 1) * 16 + index in unsigned 32-bit arithmetic.
[[nodiscard]] uint32_t StringIdOf(uint32_t block, size_t index) noexcept;

// "%u", or "0x%04x" for the hexadecimal display.
[[nodiscard]] std::string StringIdText(uint32_t id, bool hex);
// The list's form of a string: line feed, carriage return and tab as \n, \r and \t; nothing else
// changes, quotes and backslashes included.
[[nodiscard]] std::string StringDisplayText(std::string_view text);
// The export's form: the list's escapes, then each double quote doubled.
[[nodiscard]] std::string StringExportText(std::string_view text);

// One block as the export writes it, CR LF line ends: as a resource script
// ("STRINGTABLE DISCARDABLE", "BEGIN", a "\t<id>\t\"<text>\"" line per non-empty string, "END"
// and an empty line), or as plain text (one escaped string per line). Empty strings are left out.
[[nodiscard]] std::string StringBlockText(uint32_t block, const std::vector<std::string>& strings,
                                          bool script);

// The blocks numbered 1 to 65535 in directory order, each with the data a lookup of it
// gives (the language rule of CResourceDirectory), or nullptr when it has none. Walks the nodes
// instead of looking every block up, which a hostile directory would make quadratic, and gives
// every node its own data where a damaged directory repeats a block number.
void ForEachNumberedStringBlock(
    const CResourceDirectory& directory,
    const std::function<void(uint16_t block, const ResourceLeaf* leaf)>& visit);

// A row of the string list; the item data is the id.
struct StringRow {
    uint32_t id = 0;
    std::string idText;
    std::string text;
    int image = kStringRowImage;
};

struct StringRowList {
    std::vector<StringRow> rows;
    // "%u String(s)", and for all tables " - %s bytes (~%s Kb)" of the tables' total size.
    std::string countText;
};

// Appends a row for each non-empty string of block's decoded strings.
void AppendStringRows(uint32_t block, const std::vector<std::string>& strings, bool hex,
                      std::vector<StringRow>& rows);

// The rows of one block; none when it cannot be found.
[[nodiscard]] StringRowList StringRowsOfBlock(const CResourceCatalog& catalog,
                                              const CResourceId& block, bool hex);
// The rows of every numbered block in catalog order; blocks that cannot be read add nothing.
[[nodiscard]] StringRowList StringRowsOfAllTables(const CResourceCatalog& catalog, bool hex);

// "%u String(s)" (string 2075).
[[nodiscard]] std::string StringCountText(size_t count);

}  // namespace tv
