#include "resources/DumpText.h"

#include <algorithm>

#include "common/NumberText.h"
#include "res/StringTable.h"

namespace tv {

namespace {
constexpr uint32_t kByteCountStringId = 2076;  // "%s bytes (~%s Kb)"
}  // namespace

std::string BuildDumpText(CByteView data) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const size_t size = std::min(data.Size(), kDumpLimit);
    const uint8_t* bytes = data.Data();
    const size_t lines = (size + kDumpBytesPerLine - 1) / kDumpBytesPerLine;
    std::string text;
    text.reserve(lines * (kDumpLineLength + 2));
    for (size_t line = 0; line < size; line += kDumpBytesPerLine) {
        for (size_t i = line; i < line + kDumpBytesPerLine; ++i) {
            if (i < size) {
                text += kHex[bytes[i] >> 4];
                text += kHex[bytes[i] & 0x0F];
                text += ' ';
            } else {
                text.append(3, ' ');
            }
        }
        text.append(2, ' ');
        for (size_t i = line; i < line + kDumpBytesPerLine; ++i) {
            if (i >= size) {
                text += ' ';
                continue;
            }
            const uint8_t byte = bytes[i];
            // A zero would end the edit control's text, and tab, line feed and carriage return
            // would break the column; they show as a blank and as byte 1.
            if (byte == 0)
                text += ' ';
            else if (byte == 9 || byte == 10 || byte == 13)
                text += '\x01';
            else
                text += static_cast<char>(byte);
        }
        text += "\r\n";
    }
    return text;
}

std::string ByteCountText(uint64_t size) {
    const std::string bytes = CNumberText().FormatUnsigned(size).GetText();
    const std::string kilobytes = CNumberText().FormatUnsigned(size / 1024 + 1).GetText();
    return FormatStringResource(kByteCountStringId, {bytes, kilobytes});
}

}  // namespace tv
