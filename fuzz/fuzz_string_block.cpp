// Decodes the input as one string-table block and builds everything that is made of it: the
// list's rows in both id forms and the export as script and as plain text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "resources/StringRows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> strings;
    const bool whole = tv::DecodeStringBlock(tv::CByteView(data, size), strings);
    if (strings.size() != tv::kStringsPerBlock) std::abort();
    // A whole block needs at least its 16 counts.
    if (whole && size < 2 * tv::kStringsPerBlock) std::abort();
    size_t nonEmpty = 0;
    for (const std::string& s : strings) {
        if (!tv::IsValidUtf8(s)) std::abort();
        if (!s.empty()) ++nonEmpty;
    }
    // The block number comes from the first byte, so ids wrap now and then as block 0 makes them.
    const uint32_t block = size > 0 ? data[0] : 0;
    std::vector<tv::StringRow> rows;
    tv::AppendStringRows(block, strings, false, rows);
    tv::AppendStringRows(block, strings, true, rows);
    if (rows.size() != 2 * nonEmpty) std::abort();
    for (const tv::StringRow& row : rows)
        if (row.text.find_first_of("\r\n\t") != std::string::npos) std::abort();
    const std::string script = tv::StringBlockText(block, strings, true);
    const std::string plain = tv::StringBlockText(block, strings, false);
    // Every line ends in CR LF and no string breaks a line of its own.
    size_t lines = 0;
    for (size_t at = plain.find('\n'); at != std::string::npos; at = plain.find('\n', at + 1)) {
        if (at == 0 || plain[at - 1] != '\r') std::abort();
        ++lines;
    }
    if (lines != nonEmpty || script.size() <= plain.size()) std::abort();
    return 0;
}
