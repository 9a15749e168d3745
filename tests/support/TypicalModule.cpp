#include "support/TypicalModule.h"

#include "resources/ResourceTypes.h"
#include "support/PeBuilder.h"

namespace tvtest {

std::vector<uint8_t> Payload(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 31);
    return bytes;
}

std::vector<uint8_t> TypicalModule(uint32_t seed) {
    auto builder = seed % 2 ? PeBuilder::Pe32Plus() : PeBuilder::Pe32();
    builder.Dll().AddSection(".text", pe::kTextSection, std::vector<uint8_t>(512, 0xC3));
    const uint16_t icons = static_cast<uint16_t>(4 + seed % 24);
    for (uint16_t i = 1; i <= icons; ++i)
        builder.AddResource(tv::kRtIcon, i, 0x0409, Payload(744 + i * 8u, static_cast<uint8_t>(i)));
    builder.AddResource(tv::kRtGroupIcon, 1, 0x0409, Payload(6 + 14u * icons, 1));
    for (uint16_t i = 1; i <= 3 + seed % 6; ++i) {
        builder.AddResource(tv::kRtDialog, static_cast<uint16_t>(100 + i), 0x0409, Payload(300, 2));
        builder.AddResource(tv::kRtMenu, static_cast<uint16_t>(200 + i), 0x0409, Payload(120, 3));
    }
    for (uint16_t b = 1; b <= 8 + seed % 40; ++b) {
        builder.AddResource(tv::kRtString, b, 0x0409, Payload(400, 4));
        if (seed % 3 == 0) builder.AddResource(tv::kRtString, b, 0x0407, Payload(420, 5));
    }
    builder.AddResource(tv::kRtVersion, 1, 0x0409, Payload(900, 6));
    if (seed % 5 == 0) builder.AddResource(u"TYPELIB", 1, 0x0409, Payload(2048, 7));
    if (seed % 7 == 0) builder.AddResource(24, 1, 0x0409, Payload(380, 8));
    return builder.Build();
}

}  // namespace tvtest
