#include "resources/DumpText.h"

#include <algorithm>

#include "common/NumberText.h"
#include "common/TextCodec.h"
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

std::string DumpDisplayText(std::string_view dump) {
    static constexpr std::string_view kPlaceholder = "\xC2\xB7";  // U+00B7
    constexpr size_t kCharacterColumn = kDumpBytesPerLine * 3 + 2;
    std::string text;
    text.reserve(dump.size() + dump.size() / 4);
    size_t start = 0;
    while (start < dump.size()) {
        size_t end = dump.find("\r\n", start);
        if (end == std::string_view::npos) end = dump.size();
        const std::string_view line = dump.substr(start, end - start);
        const size_t split = std::min(line.size(), kCharacterColumn);
        text.append(line.substr(0, split));
        for (const char c : line.substr(split)) {
            const auto byte = static_cast<uint8_t>(c);
            const bool noGlyph = byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D ||
                                 byte == 0x8F || byte == 0x90 || byte == 0x9D || byte == 0xAD;
            if (noGlyph)
                text.append(kPlaceholder);
            else if (byte < 0x80)
                text += c;
            else
                text.append(Cp1252ToUtf8(std::string_view(&c, 1)));
        }
        text += '\n';
        start = end + 2;
    }
    return text;
}

std::string ByteCountText(uint64_t size) {
    const std::string bytes = CNumberText().FormatUnsigned(size).GetText();
    const std::string kilobytes = CNumberText().FormatUnsigned(size / 1024 + 1).GetText();
    return FormatStringResource(kByteCountStringId, {bytes, kilobytes});
}

}  // namespace tv
