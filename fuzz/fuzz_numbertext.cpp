// Formats arbitrary values and checks the texts keep their shape: digits grouped by ".", at most
// one ",", a known unit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/DateText.h"
#include "common/NumberText.h"

using tv::CNumberText;

namespace {
void CheckGrouping(const std::string& text) {
    // Between two separators stand exactly three digits.
    size_t run = 0;
    bool seenDot = false;
    for (const char c : text) {
        if (c == '.') {
            if (seenDot && run != 3) std::abort();
            seenDot = true;
            run = 0;
        } else if (c == ',' || c == ' ') {
            break;
        } else if (c >= '0' && c <= '9') {
            ++run;
        }
    }
    if (seenDot && run != 3) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    uint64_t bits = 0;
    std::memcpy(&bits, data, 8);
    const int decimals = data[8] % 12;
    double real = 0;
    std::memcpy(&real, &bits, 8);

    CNumberText text;
    CheckGrouping(text.FormatUnsigned(bits).GetText());
    const std::string size_text = text.FormatByteSize(bits).GetText();
    CheckGrouping(size_text);
    if (size_text.find(" Bytes") == std::string::npos &&
        size_text.find(" Kb") == std::string::npos && size_text.find(" Mb") == std::string::npos &&
        size_text.find(" Gb") == std::string::npos)
        std::abort();
    const std::string real_text = text.FormatReal(real, decimals).GetText();
    if (real == real && real_text.find('.') != std::string::npos) CheckGrouping(real_text);
    (void)tv::VersionDateText(bits);
    (void)tv::TimeStampText(static_cast<uint32_t>(bits));
    return 0;
}
