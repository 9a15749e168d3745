// Reads the input as an accelerator table and as a message table and checks their bounds: whole
// records only, the last flag only on the last, every message inside its block's id range, and a
// note whenever a table was not read whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "resources/ResourceScript.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView bytes(data, size);
    tv::AcceleratorTable accel;
    const bool accelRead = tv::ParseAcceleratorTable(bytes, accel);
    Check(accel.entries.size() <= size / tv::kAcceleratorEntrySize);
    Check(accel.complete == (accelRead && accel.diagnostics.empty()));
    for (size_t i = 0; i + 1 < accel.entries.size(); ++i)
        Check((accel.entries[i].flags & tv::kAccelFlagLast) == 0);
    Check(tv::IsValidUtf8(tv::AcceleratorScript("1", accel)));

    tv::MessageTable messages;
    const bool messagesRead = tv::ParseMessageTable(bytes, messages);
    Check(messages.entries.size() <= tv::kMaxMessages);
    // Each entry takes at least four bytes of the resource.
    Check(messages.entries.size() <= size / 4);
    Check(messagesRead || messages.entries.empty());
    Check(!messages.complete || messages.diagnostics.empty());
    for (const tv::MessageEntry& e : messages.entries)
        Check(tv::IsValidUtf8(e.text));
    Check(tv::IsValidUtf8(tv::MessageTableText(messages, true)));
    return 0;
}
