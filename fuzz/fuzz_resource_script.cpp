// The input's first byte picks the type (menu, dialog, string block, accelerators, message table,
// version), the rest is the resource; it is written as a script, which must be UTF-8, must not
// break out of its comment lines or string literals, and must say so when it failed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "resources/ResourceScript.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

constexpr uint16_t kTypes[] = {4, 5, 6, 9, 11, 16};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const tv::CResourceId type(kTypes[data[0] % 6]);
    const tv::CResourceId name(static_cast<uint16_t>(1 + data[0] / 6));
    const tv::CByteView bytes(data + 1, size - 1);
    std::string out;
    std::vector<tv::ModuleNote> notes;
    const bool ok = tv::ResourceScript(type, name, 0x0409, bytes, out, notes);
    Check(tv::IsValidUtf8(out));
    Check(ok || !notes.empty());
    // Every text went through the escaper: no raw control character but the line feed and the tab
    // between an id and its message.
    for (const char c : out)
        Check(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20);
    return 0;
}
