// Dialog templates (RT_DIALOG) read into a model that the dialog preview lays out: the classic
// DLGTEMPLATE with DLGITEMTEMPLATE items and the extended DLGTEMPLATEEX with DLGITEMTEMPLATEEX
// items, told apart by the extended form's second WORD, 0xFFFF.
//
// A template is a header, the menu, class and caption fields, the font block when the style has
// DS_SETFONT (DS_SHELLFONT includes it), then the items, each starting on a DWORD boundary counted
// from the template's first byte. Real and hostile templates break this in a few known ways, each
// handled where it is read and noted in the model's diagnostics:
// - an item count larger than the bytes hold: the whole items are kept, the rest is noted;
// - a string without its terminator: the text up to the end is kept and reading stops;
// - creation data whose size word claims more than the template holds: the bytes that exist are
//   kept and reading stops;
// - the size word of creation data counted two ways (see CreationDataLayout).
//
// The preview changes the header before it creates the window (PrepareDialogForPreview): always
// on a private copy of the bytes, never on the mapped file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"
#include "module/ModuleNote.h"

namespace tv {

// Window and dialog style bits the reader and the header changes use.
inline constexpr uint32_t kWsVisible = 0x10000000;
inline constexpr uint32_t kWsChild = 0x40000000;
inline constexpr uint32_t kDsAbsAlign = 0x0001;
inline constexpr uint32_t kDs3dLook = 0x0004;
inline constexpr uint32_t kDsFixedSys = 0x0008;
inline constexpr uint32_t kDsSetFont = 0x0040;
inline constexpr uint32_t kDsShellFont = kDsSetFont | kDsFixedSys;

// The predefined control classes an item may name by atom.
inline constexpr uint16_t kDialogButtonAtom = 0x80;
inline constexpr uint16_t kDialogEditAtom = 0x81;
inline constexpr uint16_t kDialogStaticAtom = 0x82;
inline constexpr uint16_t kDialogListBoxAtom = 0x83;
inline constexpr uint16_t kDialogScrollBarAtom = 0x84;
inline constexpr uint16_t kDialogComboBoxAtom = 0x85;

// "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" for atoms 0x80 to 0x85; empty
// for any other number.
[[nodiscard]] std::string_view PredefinedClassName(uint16_t atom) noexcept;

// A field that is absent (one zero unit), an ordinal (0xFFFF and a WORD) or a zero-terminated
// UTF-16 text; the text is held in UTF-8.
struct NameOrOrdinal {
    enum class Kind : uint8_t { kNone, kOrdinal, kName };
    Kind kind = Kind::kNone;
    uint16_t ordinal = 0;
    std::string name;

    [[nodiscard]] bool IsNone() const noexcept { return kind == Kind::kNone; }
    [[nodiscard]] bool IsOrdinal() const noexcept { return kind == Kind::kOrdinal; }
    [[nodiscard]] bool IsName() const noexcept { return kind == Kind::kName; }
    friend bool operator==(const NameOrOrdinal&, const NameOrOrdinal&) = default;
};

// The font block. Classic templates carry only the point size and the face; their weight stays 0
// (any weight), italic 0 and the character set 1 (the default set).
struct DialogFont {
    uint16_t pointSize = 0;
    uint16_t weight = 0;
    uint8_t italic = 0;
    uint8_t charset = 1;
    std::string face;
    friend bool operator==(const DialogFont&, const DialogFont&) = default;
};

// How an item's creation-data size word was read. The resource compiler writes the number of
// bytes that follow the word; the format's documentation says the count includes the word
// itself. Both occur, and the two readings place the next item differently, so the reader decides
// per item (see ParseDialogTemplate).
enum class CreationDataLayout : uint8_t {
    kNone,  // the size word is 0
    kCountExcludesWord,
    kCountIncludesWord,
};

struct DialogControl {
    uint64_t offset = 0;     // of the item, from the template's start
    uint64_t endOffset = 0;  // just past its creation data
    uint32_t helpId = 0;     // extended templates only
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0;
    int16_t y = 0;
    int16_t cx = 0;
    int16_t cy = 0;
    uint32_t id = 0;  // a WORD in classic templates, a DWORD in extended ones
    NameOrOrdinal windowClass;
    // Text, or 0xFFFF and the ordinal of a resource of the module (a static's icon or bitmap).
    NameOrOrdinal title;
    uint16_t creationDataField = 0;  // the size word as stored
    CreationDataLayout creationDataLayout = CreationDataLayout::kNone;
    std::vector<uint8_t> creationData;  // the bytes after the size word
    // The size word claimed more bytes than the template holds; creationData is what exists.
    bool creationDataTruncated = false;

    // The class as the preview names it: the predefined class's name, "#N" for another atom, the
    // class name, or empty when the field is absent.
    [[nodiscard]] std::string ClassText() const;
};

struct DialogModel {
    bool extended = false;
    uint16_t version = 0;    // dlgVer, extended templates only
    uint16_t signature = 0;  // 0xFFFF in extended templates
    uint32_t helpId = 0;     // extended templates only
    uint32_t style = 0;
    uint32_t exStyle = 0;
    uint16_t itemCount = 0;  // as the header declares it
    int16_t x = 0;           // position and size in dialog units
    int16_t y = 0;
    int16_t cx = 0;
    int16_t cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::string caption;
    std::optional<DialogFont> font;  // only when the style has DS_SETFONT
    std::vector<DialogControl> controls;
    // False when the template ended (or broke) before everything it declares was read.
    bool complete = false;
    std::vector<ModuleNote> diagnostics;
};

// Where the header fields the preview changes lie, in each layout.
struct DialogHeaderLayout {
    size_t style = 0;
    size_t exStyle = 0;
    size_t itemCount = 0;
    size_t x = 0;
    size_t y = 0;
    size_t cx = 0;
    size_t cy = 0;
    size_t size = 0;  // the fixed part of the header, up to the menu field
};
[[nodiscard]] const DialogHeaderLayout& HeaderLayout(bool extended) noexcept;

// True when bytes start like a DLGTEMPLATEEX (second WORD 0xFFFF).
[[nodiscard]] bool IsExtendedDialogTemplate(CByteView bytes) noexcept;

// Reads a template into model (which is reset first). false when not even the fixed header fits;
// otherwise true, with whatever damage was found in model.diagnostics and model.complete false
// when something was cut short.
//
// Creation data: the size word N is first read as the resource compiler writes it (N bytes
// follow the word). It is read as counting itself (N - 2 bytes follow) only when that is the one
// reading that works: when N bytes do not fit but N - 2 do, or, for an item that is not the
// last, when the next item reads better at the place the second reading gives (its fixed part,
// class, title and size word all inside the template, and then its style holding WS_CHILD, as
// every control's does).
[[nodiscard]] bool ParseDialogTemplate(CByteView bytes, DialogModel& model);

// The header changes before a preview is created: WS_VISIBLE cleared, DS_ABSALIGN and DS_3DLOOK
// set, so the window comes up hidden and counts its position from the screen's corner.
[[nodiscard]] constexpr uint32_t PreviewStyle(uint32_t style) noexcept {
    return (style & ~kWsVisible) | kDsAbsAlign | kDs3dLook;
}
// The position that puts a window of this extent wholly before the screen's edge: minus the
// extent. A hostile negative extent is not negated into a positive position (which could put the
// window on the screen); it stays where it lies, below zero.
[[nodiscard]] constexpr int16_t OffScreenPosition(int16_t extent) noexcept {
    return extent > 0 ? static_cast<int16_t>(-extent) : extent;
}

// The template prepared for the preview: a copy of the bytes with the header changes applied at
// the offsets of its layout (style; x = minus cx; y = minus cy), and the model read from that
// copy. Applying the changes to prepared bytes again gives the same bytes.
struct PreparedDialog {
    std::vector<uint8_t> bytes;
    DialogModel model;
};
// false (and out left empty) when the bytes do not hold the fixed header.
[[nodiscard]] bool PrepareDialogForPreview(CByteView original, PreparedDialog& out);
// The same changes on bytes the caller owns; false, changing nothing, when they do not hold the
// fixed header.
[[nodiscard]] bool ApplyPreviewChanges(std::vector<uint8_t>& bytes) noexcept;

// Text lines for the command-line tool and tests: one for the dialog, one per control. The
// format is described with the `tarnview-cli dialog` command.
[[nodiscard]] std::string DialogLine(const DialogModel& model);
[[nodiscard]] std::string ControlLine(const DialogControl& control, size_t index);
// A text as a double-quoted field: backslash, quote and control characters escaped (\\ \" \n \r
// \t \xNN), everything else kept as UTF-8.
[[nodiscard]] std::string QuotedField(std::string_view text);

}  // namespace tv
