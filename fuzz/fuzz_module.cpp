// Any bytes as a module loaded from memory, then both displays of the headers report, as the
// headers window builds them for whatever file the user points it at. Besides not crashing, every
// line must be one line of valid UTF-8, whatever names the file holds, and hang under a line the
// report was already given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "module/HeadersReport.h"
#include "module/ModuleImage.h"

using tv::CModuleImage;

namespace {

// Checks each line as it arrives instead of keeping the tree: a report of a few thousand lines
// would otherwise spend most of the run copying them.
class CheckingSink : public tv::IReportSink {
public:
    tv::ReportNode AddLine(const tv::ReportLine& line, tv::ReportNode parent) override {
        if (parent > m_lines) std::abort();
        if (!tv::IsValidUtf8(line.text) || line.text.find('\n') != std::string::npos) std::abort();
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
