#include "res/Accelerators.h"

#include "res/Commands.h"

#include <iterator>
#include <string_view>

namespace tv {

namespace {

constexpr Accelerator kMainTable[] = {
    {0, vk::kF5, cmd::kRefresh},
    {0, vk::kF6, cmd::kNextPane},
    {kAccelShift, vk::kF6, cmd::kPrevPane},
    {kAccelAlt, vk::kLeft, cmd::kBack},
    {kAccelAlt, vk::kRight, cmd::kForward},
    {kAccelAlt, vk::kUp, cmd::kParentFolder},
    {kAccelControl, 'C', cmd::kEditCopy},
    {kAccelControl, vk::kInsert, cmd::kEditCopy},
    {kAccelControl, 'V', cmd::kEditPaste},
    {kAccelShift, vk::kInsert, cmd::kEditPaste},
    {kAccelControl, 'X', cmd::kEditCut},
    {kAccelShift, vk::kDelete, cmd::kEditCut},
    {kAccelControl, 'Z', cmd::kEditUndo},
    {kAccelAlt, vk::kBackspace, cmd::kEditUndo},
};

std::string_view KeyName(uint16_t key) {
    switch (key) {
        case vk::kBackspace:
            return "Rück";
        case vk::kLeft:
            return "Links";
        case vk::kUp:
            return "Hoch";
        case vk::kRight:
            return "Rechts";
        case vk::kDown:
            return "Runter";
        case vk::kInsert:
            return "Einfg";
        case vk::kDelete:
            return "Entf";
        default:
            return {};
    }
}

}  // namespace

std::span<const Accelerator> GetAccelerators(uint32_t tableId) noexcept {
    if (tableId == kMainAccelerators) return kMainTable;
    return {};
}

std::vector<Accelerator> AcceleratorsFor(uint32_t tableId, uint32_t command) {
    std::vector<Accelerator> out;
    for (const Accelerator& a : GetAccelerators(tableId)) {
        if (a.command == command) out.push_back(a);
    }
    return out;
}

std::string AcceleratorText(const Accelerator& accelerator) {
    std::string key;
    const uint16_t code = accelerator.key;
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
        key = static_cast<char>(code);
    } else if (code >= vk::kF1 && code <= vk::kF24) {
        key = "F" + std::to_string(code - vk::kF1 + 1);
    } else {
        key = KeyName(code);
    }
    if (key.empty()) return {};
    std::string text;
    if (accelerator.modifiers & kAccelControl) text += "Ctrl+";
    if (accelerator.modifiers & kAccelAlt) text += "Alt+";
    if (accelerator.modifiers & kAccelShift) text += "Shift+";
    return text + key;
}

}  // namespace tv
