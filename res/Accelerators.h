// The main window's keyboard accelerators (table 128), stored as the accelerator resource
// stores them: a virtual-key code, modifier flags and the command id.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tv {

inline constexpr uint32_t kMainAccelerators = 128;

// Modifier flags, with the accelerator resource's bit values.
inline constexpr uint8_t kAccelShift = 0x04;
inline constexpr uint8_t kAccelControl = 0x08;
inline constexpr uint8_t kAccelAlt = 0x10;

// The virtual-key codes the table uses; letters and digits are their upper-case ASCII codes.
namespace vk {
inline constexpr uint16_t kBackspace = 0x08;
inline constexpr uint16_t kLeft = 0x25;
inline constexpr uint16_t kUp = 0x26;
inline constexpr uint16_t kRight = 0x27;
inline constexpr uint16_t kDown = 0x28;
inline constexpr uint16_t kInsert = 0x2D;
inline constexpr uint16_t kDelete = 0x2E;
inline constexpr uint16_t kF1 = 0x70;  // F1 to F24 are consecutive
inline constexpr uint16_t kF5 = 0x74;
inline constexpr uint16_t kF6 = 0x75;
inline constexpr uint16_t kF24 = 0x87;
}  // namespace vk

struct Accelerator {
    uint8_t modifiers = 0;  // kAccelShift | kAccelControl | kAccelAlt
    uint16_t key = 0;       // virtual-key code
    uint32_t command = 0;
};

// The entries of an accelerator table in table order; empty for an unknown id.
[[nodiscard]] std::span<const Accelerator> GetAccelerators(uint32_t tableId) noexcept;

// The table's entries for one command, in table order (the first is the one menus show).
[[nodiscard]] std::vector<Accelerator> AcceleratorsFor(uint32_t tableId, uint32_t command);

// The key as the menus write it: "Ctrl+Z", "Alt+Links", "Shift+Entf", "F5". Empty for a key
// that has no name here.
[[nodiscard]] std::string AcceleratorText(const Accelerator& accelerator);

}  // namespace tv
