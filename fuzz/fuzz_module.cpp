// Any bytes as a module loaded from memory, then both displays of the headers report, as the
// headers window builds them for whatever file the user points it at. Besides not crashing, every
// line must be one line of valid UTF-8, whatever names the file holds, and hang under a line the
// report was already given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/ByteView.h"
#include "module/HeadersReport.h"
#include "module/ModuleImage.h"

using tv::CModuleImage;

namespace {

// True when text is valid UTF-8 without a line break. Written apart from the program's own
// decoder, so that a fault there cannot hide itself, and left out of the coverage feedback: it
// looks at every byte of every line, and instrumented it was a fifth of each run.
__attribute__((no_sanitize("coverage"))) bool IsOneLineOfUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            if (lead == '\n') return false;
            ++i;
            continue;
        }
        size_t more = 0;
        uint32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= more) return false;
        for (size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

// Checks each line as it arrives instead of keeping the tree: a report of a few thousand lines
// would otherwise spend most of the run copying them.
class CheckingSink : public tv::IReportSink {
public:
    tv::ReportNode AddLine(const tv::ReportLine& line, tv::ReportNode parent) override {
        if (parent > m_lines) std::abort();
        if (!IsOneLineOfUtf8(line.text)) std::abort();
        return ++m_lines;
    }
    [[nodiscard]] size_t Lines() const noexcept { return m_lines; }

private:
    size_t m_lines = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CModuleImage image;
    if (!image.LoadFromMemory(tv::CByteView(data, size), "fuzz.dll")) return 0;
    for (const auto display : {tv::HeadersDisplay::Summary, tv::HeadersDisplay::Full}) {
        CheckingSink sink;
        if (!tv::FillHeadersReport(image, display, sink) || sink.Lines() == 0) std::abort();
    }
    return 0;
}
