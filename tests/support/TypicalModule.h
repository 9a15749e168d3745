// A module of the kind a system folder holds, for benchmarks: icons, a few dialogs and menus,
// string tables, a version resource, now and then a named type. Its payloads are filler bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tvtest {

// size bytes of filler that differ with seed.
[[nodiscard]] std::vector<uint8_t> Payload(size_t size, uint8_t seed);
// The module for seed; seeds vary the counts, the layout (PE32 or PE32+) and the extra types.
[[nodiscard]] std::vector<uint8_t> TypicalModule(uint32_t seed);

}  // namespace tvtest
