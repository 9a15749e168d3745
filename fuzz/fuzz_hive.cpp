// Reads the input as a hand-edited hive file. Whatever parses must write out as text that parses
// back to the same document and is written the same way again, so a hive the program rewrites
// never changes meaning or drifts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/TextCodec.h"
#include "settings/Hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    tv::HiveDocument document;
    tv::HiveParseError error;
    if (!tv::ParseHive(text, document, &error)) {
        if (error.reason.empty() || !tv::IsValidUtf8(error.reason)) std::abort();
        return 0;
    }
    const std::string written = tv::SerializeHive(document);
    tv::HiveDocument again;
    if (!tv::ParseHive(written, again, &error)) std::abort();
    if (!(again == document)) std::abort();
    if (tv::SerializeHive(again) != written) std::abort();
    return 0;
}
