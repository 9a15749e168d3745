// Reads the input as a menu template and formats it, then checks what the reader promises: no
// deeper than its bound, no more entries than its bound, each entry inside the template and after
// the one before it, UTF-8 texts, and a note for every incomplete read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "resources/MenuTemplate.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

struct Walk {
    size_t size = 0;
    size_t count = 0;
    uint64_t previous = 0;
    bool first = true;
};

void CheckEntries(const std::vector<tv::MenuEntry>& entries, size_t depth, Walk& walk) {
    for (const tv::MenuEntry& entry : entries) {
        Check(depth <= tv::kMaxMenuDepth);
        Check(tv::IsValidUtf8(entry.text));
        Check(entry.offset < walk.size);
        Check(walk.first || entry.offset > walk.previous);
        Check(entry.popup || entry.children.empty());
        walk.first = false;
        walk.previous = entry.offset;
        ++walk.count;
        CheckEntries(entry.children, depth + 1, walk);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tv::MenuModel model;
    const bool parsed = tv::ParseMenuTemplate(tv::CByteView(data, size), model);
    Walk walk;
    walk.size = size;
    CheckEntries(model.items, 1, walk);
    Check(walk.count == model.entryCount);
    Check(model.entryCount <= tv::kMaxMenuEntries);
    Check(model.complete == (parsed && model.diagnostics.empty()));
    Check(model.diagnostics.size() <= 1);
    const std::string outline = tv::MenuOutline(model);
    Check(tv::IsValidUtf8(outline));
    return 0;
}
