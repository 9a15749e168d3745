// Reads the input as a dialog template, prepares it for the preview and formats every line, then
// checks what the reader promises: items inside the template, in order and DWORD-aligned,
// creation data inside the template, UTF-8 texts, and header changes that are idempotent and
// touch nothing but the style and the position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "resources/DialogTemplate.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckModel(const tv::DialogModel& model, size_t size) {
    Check(tv::IsValidUtf8(model.caption));
    Check(tv::IsValidUtf8(tv::DialogLine(model)));
    Check(model.controls.size() <= model.itemCount);
    Check(!model.complete || model.controls.size() == model.itemCount);
    uint64_t previousEnd = 0;
    for (size_t i = 0; i < model.controls.size(); ++i) {
        const tv::DialogControl& c = model.controls[i];
        Check(c.offset % 4 == 0);
        Check(c.offset >= previousEnd);
        Check(c.endOffset >= c.offset && c.endOffset <= size);
        Check(c.creationData.size() <= c.creationDataField);
        Check(c.creationDataTruncated || c.creationDataLayout != tv::CreationDataLayout::kNone ||
              c.creationData.empty());
        const std::string line = tv::ControlLine(c, i);
        Check(tv::IsValidUtf8(line) && line.find('\n') == std::string::npos);
        (void)c.ClassText();
        previousEnd = c.endOffset;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView view(data, size);
    tv::DialogModel model;
    const bool parsed = tv::ParseDialogTemplate(view, model);
    CheckModel(model, size);

    tv::PreparedDialog prepared;
    Check(tv::PrepareDialogForPreview(view, prepared) == parsed);
    if (!parsed) return 0;
    Check(prepared.bytes.size() == size);
    CheckModel(prepared.model, size);
    Check((prepared.model.style & tv::kWsVisible) == 0);
    Check(prepared.model.x <= 0 && prepared.model.y <= 0);
    // The changes leave everything the reader found but style and position as it was.
    Check(prepared.model.controls.size() == model.controls.size());
    Check(prepared.model.caption == model.caption);
    Check(prepared.model.cx == model.cx && prepared.model.cy == model.cy);

    std::vector<uint8_t> again = prepared.bytes;
    Check(tv::ApplyPreviewChanges(again));
    Check(again == prepared.bytes);
    return 0;
}
