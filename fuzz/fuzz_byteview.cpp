// Drives the bounded reader with offsets and lengths taken from the input itself, the way a
// parser follows offsets it found in a file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/ByteView.h"
#include "common/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView view(data, size);
    tv::CByteReader ops(view);
    for (int step = 0; step < 64 && ops.Ok(); ++step) {
        const uint8_t op = ops.U8();
        const uint64_t a = ops.U32();
        const uint64_t b = ops.U16();
        switch (op % 10) {
            case 0:
                (void)view.U64(a);
                break;
            case 1:
                (void)view.StringZ(a, b, (op & 0x80) != 0);
                break;
            case 2:
                (void)view.Utf16Z(a, b);
                break;
            case 3:
                (void)view.Utf16Counted(a, b);
                break;
            case 4: {
                const auto sub = view.Sub(a, b);
                if (sub && !tv::InRange(a, b, size)) std::abort();
                if (sub && sub->Size() != b) std::abort();
                break;
            }
            case 5: {
                tv::CByteReader r(view, a);
                r.Align(b);
                (void)r.Utf16Z(b);
                if (r.Ok() && r.Position() > size) std::abort();
                break;
            }
            case 6:
                (void)view.SubClamped(a, b).U32(0);
                break;
            case 7:
                (void)tv::AlignUp(a << 32 | b, b);
                break;
            case 8: {
                const auto s = tv::SanitizeUtf8(
                    view.SubClamped(a, b).Size()
                        ? std::string_view(
                              reinterpret_cast<const char*>(view.SubClamped(a, b).Data()),
                              view.SubClamped(a, b).Size())
                        : std::string_view());
                if (!tv::IsValidUtf8(s)) std::abort();
                break;
            }
            default: {
                tv::CByteReader r(view, a);
                r.Skip(b);
                (void)r.Bytes(b);
                break;
            }
        }
    }
    return 0;
}
