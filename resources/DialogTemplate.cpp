#include "resources/DialogTemplate.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "common/TextCodec.h"

namespace tv {

namespace {

// The fixed part of an item: style, extended style, x, y, cx, cy and a WORD id (classic); help id,
// extended style, style, x, y, cx, cy and a DWORD id (extended).
constexpr uint64_t kClassicItemFixed = 18;
constexpr uint64_t kExtendedItemFixed = 24;
constexpr uint16_t kOrdinalMarker = 0xFFFF;
// Probing where the next item starts looks at most this many units for a text's terminator.
// Without a bound a template whose items hold no zero unit would make every probe scan to the
// end: quadratic time over up to 65535 items. Class names are at most 256 characters; a longer
// title only loses the probe, and the compilers' reading stands.
constexpr uint64_t kProbeUnits = 256;

constexpr DialogHeaderLayout kClassicLayout{0, 4, 8, 10, 12, 14, 16, 18};
constexpr DialogHeaderLayout kExtendedLayout{12, 8, 16, 18, 20, 22, 24, 26};

template <class... Args>
std::string Format(const char* format, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

// A zero-terminated UTF-16 text at pos. A text without its terminator runs to the end of the
// template: that much is kept, pos moves to the end and the result is false.
bool ReadText(CByteView bytes, uint64_t& pos, std::string& out) {
    std::u16string units;
    for (;;) {
        const auto unit = bytes.U16(pos);
        if (unit && *unit == 0) {
            pos += 2;
            out = Utf16ToUtf8(units);
            return true;
        }
        if (!unit) {
            out = Utf16ToUtf8(units);
            pos = bytes.Size();
            return false;
        }
        pos += 2;
        units.push_back(static_cast<char16_t>(*unit));
    }
}

bool ReadNameOrOrdinal(CByteView bytes, uint64_t& pos, NameOrOrdinal& out) {
    out = {};
    const auto first = bytes.U16(pos);
    if (!first) return false;
    if (*first == 0) {
        pos += 2;
        return true;
    }
    if (*first == kOrdinalMarker) {
        out.kind = NameOrOrdinal::Kind::kOrdinal;
        const auto ordinal = bytes.U16(pos + 2);
        if (!ordinal) {
            pos = bytes.Size();
            return false;
        }
        out.ordinal = *ordinal;
        pos += 4;
        return true;
    }
    out.kind = NameOrOrdinal::Kind::kName;
    return ReadText(bytes, pos, out.name);
}

int16_t ReadI16(CByteView bytes, uint64_t offset) {
    return static_cast<int16_t>(bytes.U16(offset).value_or(0));
}

// An item up to and including its creation-data size word. On success dataPos is where the
// creation data begins; otherwise failure names the field that did not fit.
bool ReadControlHead(CByteView bytes, uint64_t offset, bool extended, DialogControl& control,
                     uint64_t& dataPos, const char*& failure) {
    control = {};
    control.offset = offset;
    const uint64_t fixed = extended ? kExtendedItemFixed : kClassicItemFixed;
    if (!bytes.Contains(offset, fixed)) {
        failure = "feste Teil";
        return false;
    }
    uint64_t pos = offset;
    if (extended) {
        control.helpId = *bytes.U32(pos);
        control.exStyle = *bytes.U32(pos + 4);
        control.style = *bytes.U32(pos + 8);
        pos += 12;
    } else {
        control.style = *bytes.U32(pos);
        control.exStyle = *bytes.U32(pos + 4);
        pos += 8;
    }
    control.x = ReadI16(bytes, pos);
    control.y = ReadI16(bytes, pos + 2);
    control.cx = ReadI16(bytes, pos + 4);
    control.cy = ReadI16(bytes, pos + 6);
    pos += 8;
    control.id = extended ? *bytes.U32(pos) : *bytes.U16(pos);
    pos += extended ? 4 : 2;
    if (!ReadNameOrOrdinal(bytes, pos, control.windowClass)) {
        failure = "Klassenfeld";
        return false;
    }
    if (!ReadNameOrOrdinal(bytes, pos, control.title)) {
        failure = "Titelfeld";
        return false;
    }
    const auto size = bytes.U16(pos);
    if (!size) {
        failure = "Größenwort der Erzeugungsdaten";
        return false;
    }
    control.creationDataField = *size;
    dataPos = pos + 2;
    return true;
}

// Moves past a name-or-ordinal field without decoding it; false when it does not end inside the
// template within kProbeUnits units.
bool SkipNameOrOrdinal(CByteView bytes, uint64_t& pos) {
    const auto first = bytes.U16(pos);
    if (!first) return false;
    if (*first == kOrdinalMarker) {
        pos += 4;
        return bytes.Contains(pos - 4, 4);
    }
    for (uint64_t i = 0; i <= kProbeUnits; ++i) {
        const auto unit = bytes.U16(pos + 2 * i);
        if (!unit) return false;
        if (*unit == 0) {
            pos += 2 * (i + 1);
            return true;
        }
    }
    return false;
}

// How well an item reads at offset: 0 not at all, 1 up to its size word, 2 and with WS_CHILD.
int ControlScore(CByteView bytes, uint64_t offset, bool extended) {
    const uint64_t fixed = extended ? kExtendedItemFixed : kClassicItemFixed;
    if (!bytes.Contains(offset, fixed)) return 0;
    const uint32_t style = *bytes.U32(extended ? offset + 8 : offset);
    uint64_t pos = offset + fixed;
    if (!SkipNameOrOrdinal(bytes, pos) || !SkipNameOrOrdinal(bytes, pos)) return 0;
    if (!bytes.Contains(pos, 2)) return 0;
    return (style & kWsChild) ? 2 : 1;
}

// Decides how the size word counts (see ParseDialogTemplate) and takes the creation data. Returns
// false when the data does not fit either way; the control then holds what exists.
bool ReadCreationData(CByteView bytes, uint64_t dataPos, bool extended, bool isLast,
                      DialogControl& control) {
    const uint16_t count = control.creationDataField;
    if (count == 0) {
        control.creationDataLayout = CreationDataLayout::kNone;
        control.endOffset = dataPos;
        return true;
    }
    const bool fitsExcluding = bytes.Contains(dataPos, count);
    // A count below 2 cannot include its own word.
    const bool fitsIncluding = count >= 2 && bytes.Contains(dataPos, count - 2u);

    CreationDataLayout layout = CreationDataLayout::kCountExcludesWord;
    if (!fitsExcluding && !fitsIncluding) {
        const CByteView rest = bytes.SubClamped(dataPos, count);
        control.creationDataLayout = layout;
        control.creationData.assign(rest.Data(), rest.Data() + rest.Size());
        control.creationDataTruncated = true;
        control.endOffset = bytes.Size();
        return false;
    }
    if (!fitsExcluding) {
        layout = CreationDataLayout::kCountIncludesWord;
    } else if (fitsIncluding && !isLast) {
        const auto nextExcluding = AlignUp(dataPos + count, 4);
        const auto nextIncluding = AlignUp(dataPos + count - 2, 4);
        if (nextExcluding && nextIncluding && *nextExcluding != *nextIncluding &&
            ControlScore(bytes, *nextIncluding, extended) >
                ControlScore(bytes, *nextExcluding, extended)) {
            layout = CreationDataLayout::kCountIncludesWord;
        }
    }
    const uint64_t length = layout == CreationDataLayout::kCountExcludesWord ? count : count - 2u;
    const CByteView data = *bytes.Sub(dataPos, length);
    control.creationDataLayout = layout;
    control.creationData.assign(data.Data(), data.Data() + data.Size());
    control.endOffset = dataPos + length;
    return true;
}

bool ReadFont(CByteView bytes, uint64_t& pos, bool extended, DialogFont& font) {
    const uint64_t fixed = extended ? 6 : 2;
    if (!bytes.Contains(pos, fixed)) {
        pos = bytes.Size();
        return false;
    }
    font.pointSize = *bytes.U16(pos);
    if (extended) {
        font.weight = *bytes.U16(pos + 2);
        font.italic = *bytes.U8(pos + 4);
        font.charset = *bytes.U8(pos + 5);
    }
    pos += fixed;
    return ReadText(bytes, pos, font.face);
}

std::string NameOrOrdinalField(const NameOrOrdinal& field) {
    switch (field.kind) {
        case NameOrOrdinal::Kind::kNone:
            return "none";
        case NameOrOrdinal::Kind::kOrdinal:
            return "#" + std::to_string(field.ordinal);
        case NameOrOrdinal::Kind::kName:
            break;
    }
    return QuotedField(field.name);
}

}  // namespace

std::string_view PredefinedClassName(uint16_t atom) noexcept {
    switch (atom) {
        case kDialogButtonAtom:
            return "Button";
        case kDialogEditAtom:
            return "Edit";
        case kDialogStaticAtom:
            return "Static";
        case kDialogListBoxAtom:
            return "ListBox";
        case kDialogScrollBarAtom:
            return "ScrollBar";
        case kDialogComboBoxAtom:
            return "ComboBox";
        default:
            return {};
    }
}

std::string DialogControl::ClassText() const {
    switch (windowClass.kind) {
        case NameOrOrdinal::Kind::kNone:
            return {};
        case NameOrOrdinal::Kind::kOrdinal: {
            const std::string_view name = PredefinedClassName(windowClass.ordinal);
            if (!name.empty()) return std::string(name);
            return "#" + std::to_string(windowClass.ordinal);
        }
        case NameOrOrdinal::Kind::kName:
            break;
    }
    return windowClass.name;
}

const DialogHeaderLayout& HeaderLayout(bool extended) noexcept {
    return extended ? kExtendedLayout : kClassicLayout;
}

bool IsExtendedDialogTemplate(CByteView bytes) noexcept {
    return bytes.U16(2).value_or(0) == kOrdinalMarker;
}

bool ParseDialogTemplate(CByteView bytes, DialogModel& model) {
    model = {};
    model.extended = IsExtendedDialogTemplate(bytes);
    const DialogHeaderLayout& layout = HeaderLayout(model.extended);
    if (bytes.Size() < layout.size) {
        model.diagnostics.emplace_back(NoteKind::kDialogShort, std::string(), bytes.Size(),
                                       layout.size);
        return false;
    }
    if (model.extended) {
        model.version = *bytes.U16(0);
        model.signature = *bytes.U16(2);
        model.helpId = *bytes.U32(4);
        // Only version 1 is defined; a later one is read with the same layout, which is all a
        // reader can do.
        if (model.version != 1) {
            model.diagnostics.emplace_back(NoteKind::kDialogVersion, std::string(), model.version);
        }
    }
    model.style = *bytes.U32(layout.style);
    model.exStyle = *bytes.U32(layout.exStyle);
    model.itemCount = *bytes.U16(layout.itemCount);
    model.x = ReadI16(bytes, layout.x);
    model.y = ReadI16(bytes, layout.y);
    model.cx = ReadI16(bytes, layout.cx);
    model.cy = ReadI16(bytes, layout.cy);

    uint64_t pos = layout.size;
    if (!ReadNameOrOrdinal(bytes, pos, model.menu)) {
        model.diagnostics.emplace_back(NoteKind::kDialogFieldCut, "Das Menüfeld");
        return true;
    }
    if (!ReadNameOrOrdinal(bytes, pos, model.windowClass)) {
        model.diagnostics.emplace_back(NoteKind::kDialogFieldCut, "Das Klassenfeld");
        return true;
    }
    if (!ReadText(bytes, pos, model.caption)) {
        model.diagnostics.emplace_back(NoteKind::kDialogFieldCut, "Der Titel");
        return true;
    }
    // DS_SHELLFONT is DS_SETFONT with DS_FIXEDSYS, so one bit decides whether a font block follows.
    if (model.style & kDsSetFont) {
        DialogFont font;
        const bool whole = ReadFont(bytes, pos, model.extended, font);
        model.font = std::move(font);
        if (!whole) {
            model.diagnostics.emplace_back(NoteKind::kDialogFieldCut, "Die Schriftangabe");
            return true;
        }
    }

    // Items start on DWORD boundaries counted from the template's first byte. The count is the
    // header's claim; the bytes decide how many items there really are.
    // Room for the items the bytes can hold at the smallest item size, not for what the header
    // claims.
    const uint64_t fixed = model.extended ? kExtendedItemFixed : kClassicItemFixed;
    const uint64_t fitting = (bytes.Size() - pos) / (fixed + 6);
    model.controls.reserve(
        static_cast<size_t>(fitting < model.itemCount ? fitting : model.itemCount));
    for (uint32_t i = 0; i < model.itemCount; ++i) {
        const auto offset = AlignUp(pos, 4);
        DialogControl control;
        uint64_t dataPos = 0;
        const char* failure = nullptr;
        if (!offset || *offset >= bytes.Size()) {
            model.diagnostics.emplace_back(NoteKind::kDialogItemsMissing, std::string(),
                                           model.itemCount, i);
            return true;
        }
        if (!ReadControlHead(bytes, *offset, model.extended, control, dataPos, failure)) {
            model.diagnostics.emplace_back(NoteKind::kDialogItemCut, failure, i + 1,
                                           model.itemCount, i);
            return true;
        }
        const bool isLast = i + 1 == model.itemCount;
        if (!ReadCreationData(bytes, dataPos, model.extended, isLast, control)) {
            model.diagnostics.emplace_back(NoteKind::kDialogCreationDataCut, std::string(), i + 1,
                                           control.creationDataField, control.creationData.size());
            model.controls.push_back(std::move(control));
            if (!isLast) {
                model.diagnostics.emplace_back(NoteKind::kDialogItemsMissing, std::string(),
                                               model.itemCount, i + 1);
            }
            return true;
        }
        pos = control.endOffset;
        model.controls.push_back(std::move(control));
    }
    model.complete = true;
    return true;
}

bool ApplyPreviewChanges(std::vector<uint8_t>& bytes) noexcept {
    const CByteView view(bytes.data(), bytes.size());
    const DialogHeaderLayout& layout = HeaderLayout(IsExtendedDialogTemplate(view));
    if (bytes.size() < layout.size) return false;
    const uint32_t style = PreviewStyle(*view.U32(layout.style));
    const auto x = static_cast<uint16_t>(OffScreenPosition(ReadI16(view, layout.cx)));
    const auto y = static_cast<uint16_t>(OffScreenPosition(ReadI16(view, layout.cy)));
    for (size_t i = 0; i < 4; ++i)
        bytes[layout.style + i] = static_cast<uint8_t>(style >> (8 * i));
    bytes[layout.x] = static_cast<uint8_t>(x);
    bytes[layout.x + 1] = static_cast<uint8_t>(x >> 8);
    bytes[layout.y] = static_cast<uint8_t>(y);
    bytes[layout.y + 1] = static_cast<uint8_t>(y >> 8);
    return true;
}

bool PrepareDialogForPreview(CByteView original, PreparedDialog& out) {
    out = {};
    std::vector<uint8_t> copy(original.Data(), original.Data() + original.Size());
    if (!ApplyPreviewChanges(copy)) return false;
    DialogModel model;
    if (!ParseDialogTemplate(CByteView(copy.data(), copy.size()), model)) return false;
    out.bytes = std::move(copy);
    out.model = std::move(model);
    return true;
}

std::string QuotedField(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    out += Format("\\x%02x", static_cast<unsigned>(byte));
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

std::string DialogLine(const DialogModel& model) {
    std::string line = model.extended ? "DIALOGEX" : "DIALOG";
    line += Format(" x=%d y=%d cx=%d cy=%d style=0x%08x exstyle=0x%08x helpid=%u items=%u", model.x,
                   model.y, model.cx, model.cy, model.style, model.exStyle, model.helpId,
                   static_cast<unsigned>(model.itemCount));
    line += " caption=" + QuotedField(model.caption);
    if (model.font) {
        line += " font=" + QuotedField(model.font->face);
        line += Format(
            " size=%u weight=%u italic=%u charset=%u", static_cast<unsigned>(model.font->pointSize),
            static_cast<unsigned>(model.font->weight), static_cast<unsigned>(model.font->italic),
            static_cast<unsigned>(model.font->charset));
    } else {
        line += " font=none";
    }
    line += " menu=" + NameOrOrdinalField(model.menu);
    line += " class=" + NameOrOrdinalField(model.windowClass);
    return line;
}

std::string ControlLine(const DialogControl& control, size_t index) {
    std::string line = Format("CONTROL %zu", index + 1);
    if (control.windowClass.IsName()) {
        line += " class=" + QuotedField(control.windowClass.name);
    } else if (control.windowClass.IsNone()) {
        line += " class=none";
    } else {
        line += " class=" + control.ClassText();
    }
    line += Format(" id=%u", control.id);
    line += " title=" + (control.title.IsOrdinal() ? "#" + std::to_string(control.title.ordinal)
                                                   : QuotedField(control.title.name));
    line += Format(" x=%d y=%d cx=%d cy=%d style=0x%08x exstyle=0x%08x", control.x, control.y,
                   control.cx, control.cy, control.style, control.exStyle);
    line += Format(" helpid=%u", control.helpId);
    line += Format(" data=%zu sizeword=%u", control.creationData.size(),
                   static_cast<unsigned>(control.creationDataField));
    if (control.creationDataTruncated) line += " truncated=1";
    line += Format(" offset=0x%llx", static_cast<unsigned long long>(control.offset));
    return line;
}

}  // namespace tv
