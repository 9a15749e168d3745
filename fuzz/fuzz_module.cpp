// Any bytes as a module loaded from memory, then both displays of the headers report, as the
// headers window builds them for whatever file the user points it at. Besides not crashing, every
// line must be one line of valid UTF-8, whatever names the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "module/HeadersReport.h"
#include "module/ModuleImage.h"

using tv::CModuleImage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CModuleImage image;
    if (!image.LoadFromMemory(tv::CByteView(data, size), "fuzz.dll")) return 0;
    for (const auto display : {tv::HeadersDisplay::Summary, tv::HeadersDisplay::Full}) {
        tv::CReportTree tree;
        if (!tv::FillHeadersReport(image, display, tree)) std::abort();
        for (tv::ReportNode n = 1; n <= tree.Size(); ++n) {
            const std::string& text = tree.At(n).text;
            if (!tv::IsValidUtf8(text) || text.find('\n') != std::string::npos) std::abort();
        }
    }
    return 0;
}
