// Menu templates (RT_MENU) read into a tree of entries that the dialog preview turns into a menu
// bar: the classic MENUITEMTEMPLATE form (version 0) and the extended MENUEX form (version 1).
//
// Classic: a header of two WORDs (version 0, then the number of bytes to skip after the header),
// then the items. A popup is its flags (with MF_POPUP) and its text, followed at once by its own
// items; a command is its flags, a WORD id and its text. MF_END marks the last item of a level.
// The resource compiler writes a separator as flags 0, id 0 and an empty text.
//
// Extended: a header of version 1, a WORD offset to the first item counted from the end of that
// WORD (4 when the items follow the header's help id), and the menu bar's help id. Each item is
// type, state and id (DWORDs), a WORD of resource flags (0x80 last item, 0x01 popup) and its text;
// the next item starts on the next DWORD boundary counted from the template's first byte. A
// popup's help id stands on the DWORD boundary after its text, and its items follow.
//
// In both forms a command without text is a separator, as the system reads it: resource
// compilers write MENUITEM SEPARATOR that way, in the extended form often without MFT_SEPARATOR.
//
// Templates from a file may be cut short or hostile. The reader keeps every entry it could read
// and notes what went wrong, once, in German, then stops:
// - the bytes end before a level's last item (no MF_END), also right after a popup's header so
//   that the popup has no items;
// - the bytes end inside an item's fixed part (that item is dropped) or inside its text (the
//   entry keeps the text up to the end);
// - nesting deeper than kMaxMenuDepth levels, or more than kMaxMenuEntries entries in all: these
//   bound the work (and the recursion) whatever the bytes claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"
#include "module/ModuleNote.h"

namespace tv {

// Item types (MFT_*). A classic template's MF_* flags carry the same bits for these, so the reader
// keeps them as they are.
inline constexpr uint32_t kMftBitmap = 0x0004;
inline constexpr uint32_t kMftMenuBarBreak = 0x0020;
inline constexpr uint32_t kMftMenuBreak = 0x0040;
inline constexpr uint32_t kMftOwnerDraw = 0x0100;
inline constexpr uint32_t kMftRadioCheck = 0x0200;
inline constexpr uint32_t kMftSeparator = 0x0800;
inline constexpr uint32_t kMftRightOrder = 0x2000;
inline constexpr uint32_t kMftRightJustify = 0x4000;  // MF_HELP in classic templates

// Item states (MFS_*). MFS_GRAYED and MFS_DISABLED are both 0x3; the classic MF_GRAYED (0x1, drawn
// gray and not selectable) and MF_DISABLED (0x2, not selectable but drawn normally) are its bits.
inline constexpr uint32_t kMfsGrayedBit = 0x0001;
inline constexpr uint32_t kMfsDisabledBit = 0x0002;
inline constexpr uint32_t kMfsGrayed = kMfsGrayedBit | kMfsDisabledBit;
inline constexpr uint32_t kMfsChecked = 0x0008;
inline constexpr uint32_t kMfsHilite =
    0x0080;  // extended templates only: 0x80 is MF_END in classic
inline constexpr uint32_t kMfsDefault = 0x1000;

// The structural flags of a classic item.
inline constexpr uint16_t kMfPopup = 0x0010;
inline constexpr uint16_t kMfEnd = 0x0080;
// The resource flags (bResInfo) of an extended item.
inline constexpr uint16_t kMenuExPopupFlag = 0x0001;
inline constexpr uint16_t kMenuExEndFlag = 0x0080;

// The menu bar is level 1, its popups' items level 2, and so on.
inline constexpr size_t kMaxMenuDepth = 16;
inline constexpr size_t kMaxMenuEntries = 4096;

struct MenuEntry {
    // UTF-8, as stored: '&' marks the mnemonic ("&&" is a literal &), a tab (or \b, 0x08) starts
    // the shortcut text that Windows shows in a column of its own.
    std::string text;
    // The command id: a WORD in classic templates, where popups have none (0); a DWORD in
    // extended ones, where popups may have one too.
    uint32_t id = 0;
    // MFT_* bits. In a classic template they are the item's MF_* flags without the state and the
    // structural bits. kMftSeparator is added to a command without text (but not to a bitmap or
    // owner-drawn one), which the system shows as a separator.
    uint32_t type = 0;
    // MFS_* bits. In a classic template the MF_GRAYED, MF_DISABLED, MF_CHECKED and MF_DEFAULT
    // flags, which carry the same bits.
    uint32_t state = 0;
    // type before the separator bit was added: what a resource script must write back.
    uint32_t storedType = 0;
    uint32_t helpId = 0;  // popups of extended templates only
    // The flags WORD of a classic item, or the resource flags (bResInfo) of an extended one, as
    // stored: MF_POPUP / 0x01 and MF_END / 0x80 are the structure, the rest is kept for the text.
    uint16_t resourceFlags = 0;
    bool popup = false;
    // A popup's entries; empty for a command (and for a popup whose entries were cut off).
    std::vector<MenuEntry> children;
    // Where the item starts, counted from the template's first byte.
    uint64_t offset = 0;

    [[nodiscard]] bool IsSeparator() const noexcept { return (type & kMftSeparator) != 0; }
    // Drawn gray (MF_GRAYED).
    [[nodiscard]] bool IsGrayed() const noexcept { return (state & kMfsGrayedBit) != 0; }
    // Cannot be chosen: grayed or disabled.
    [[nodiscard]] bool IsDisabled() const noexcept { return (state & kMfsGrayed) != 0; }
    [[nodiscard]] bool IsChecked() const noexcept { return (state & kMfsChecked) != 0; }
    // A bitmap or owner-drawn item: its picture comes from the running program, the text field
    // holds nothing to show.
    [[nodiscard]] bool IsPicture() const noexcept {
        return (type & (kMftBitmap | kMftOwnerDraw)) != 0;
    }

    // The text before the first tab or \b, and the shortcut text after it (empty when there is
    // none).
    [[nodiscard]] std::string_view Caption() const noexcept;
    [[nodiscard]] std::string_view ShortcutText() const noexcept;
};

struct MenuModel {
    bool extended = false;         // MENUEX (version 1)
    uint16_t version = 0;          // as stored: 0 classic, 1 extended, anything else is not a menu
    uint16_t headerOffset = 0;     // the header's offset field as stored
    uint32_t helpId = 0;           // the menu bar's help id, extended templates only
    std::vector<MenuEntry> items;  // the menu bar's entries
    size_t entryCount = 0;         // entries read at every level
    // False when the template ended (or broke) before its last item, or a bound was reached.
    bool complete = false;
    std::vector<ModuleNote> diagnostics;  // one per problem
};

// Reads a template into model (which is reset first). false when the header is not there (4
// bytes, 8 for the extended form) or its version is neither 0 nor 1: the layout of any other
// version is unknown, and reading it as one of the two would only make up entries. Otherwise
// true, with the entries that could be read, complete false and a note for the damage found. A
// template that is only a header is an empty, complete menu.
[[nodiscard]] bool ParseMenuTemplate(CByteView bytes, MenuModel& model);

// The menu as text for the command-line tool and tests, one line per record, each ending in a
// newline. The format is described with the `tarnview-cli menu` command.
[[nodiscard]] std::string MenuOutline(const MenuModel& model);

}  // namespace tv
