#include "resources/ResourceScript.h"

#include <algorithm>
#include <cstdio>

#include "common/TextCodec.h"
#include "module/VersionBlock.h"
#include "resources/DialogTemplate.h"
#include "resources/MenuTemplate.h"
#include "resources/StringRows.h"

namespace tv {

namespace {

constexpr uint32_t kWsCaption = 0x00C00000;
constexpr uint16_t kRtManifestType = 24;
// A version tree deeper than this is no version resource windres could have written.
constexpr int kMaxVersionDepth = 8;
constexpr size_t kMaxVersionBlocks = 4096;

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string Hex16(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string Indent(int level) { return std::string(static_cast<size_t>(level) * 4, ' '); }

// Unescaped text for comments: the script's escapes without quotes, and "*/" cannot occur since
// comments here are line comments.
std::string RcEscaped(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\"\"";
                break;
            case '\\':
                out += "\\\\";
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
                if (u < 0x20 || u == 0x7F) {
                    char oct[8];
                    std::snprintf(oct, sizeof oct, "\\%03o", u);
                    out += oct;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string OrdinalOrQuoted(const NameOrOrdinal& field) {
    if (field.IsOrdinal()) return std::to_string(field.ordinal);
    return RcQuoted(field.name);
}

// Classic menu flags that rc has a word for; other bits cannot be written in a MENU.
std::string ClassicMenuFlags(uint16_t flags) {
    struct Word {
        uint16_t bit;
        const char* name;
    };
    static constexpr Word kWords[] = {{0x0001, "GRAYED"},    {0x0002, "INACTIVE"},
                                      {0x0008, "CHECKED"},   {0x0020, "MENUBARBREAK"},
                                      {0x0040, "MENUBREAK"}, {0x4000, "HELP"}};
    std::string out;
    for (const Word& w : kWords) {
        if ((flags & w.bit) == 0) continue;
        out += ", ";
        out += w.name;
    }
    return out;
}

void WriteClassicItems(const std::vector<MenuEntry>& items, int level, std::string& out) {
    for (const MenuEntry& e : items) {
        const auto flags = static_cast<uint16_t>(e.resourceFlags & ~(kMfPopup | kMfEnd));
        if (e.popup) {
            out += Indent(level) + "POPUP " + RcQuoted(e.text) + ClassicMenuFlags(flags) + "\n";
            out += Indent(level) + "BEGIN\n";
            WriteClassicItems(e.children, level + 1, out);
            out += Indent(level) + "END\n";
        } else if (e.text.empty() && e.id == 0 && flags == 0) {
            out += Indent(level) + "MENUITEM SEPARATOR\n";
        } else {
            out += Indent(level) + "MENUITEM " + RcQuoted(e.text) + ", " + std::to_string(e.id) +
                   ClassicMenuFlags(flags) + "\n";
        }
    }
}

void WriteExtendedItems(const std::vector<MenuEntry>& items, int level, std::string& out) {
    for (const MenuEntry& e : items) {
        const std::string common = RcQuoted(e.text) + ", " + std::to_string(e.id) + ", " +
                                   Hex32(e.storedType) + ", " + Hex32(e.state);
        if (e.popup) {
            out += Indent(level) + "POPUP " + common + ", " + std::to_string(e.helpId) + "\n";
            out += Indent(level) + "BEGIN\n";
            WriteExtendedItems(e.children, level + 1, out);
            out += Indent(level) + "END\n";
        } else {
            out += Indent(level) + "MENUITEM " + common + "\n";
        }
    }
}

std::string AcceleratorFlags(uint16_t flags) {
    std::string out;
    if ((flags & kAccelFlagVirtKey) != 0) out += ", VIRTKEY";
    if ((flags & kAccelFlagNoInvert) != 0) out += ", NOINVERT";
    if ((flags & kAccelFlagShift) != 0) out += ", SHIFT";
    if ((flags & kAccelFlagControl) != 0) out += ", CONTROL";
    if ((flags & kAccelFlagAlt) != 0) out += ", ALT";
    return out;
}

std::string VersionQuad(uint32_t ms, uint32_t ls) {
    return std::to_string(ms >> 16) + ", " + std::to_string(ms & 0xFFFF) + ", " +
           std::to_string(ls >> 16) + ", " + std::to_string(ls & 0xFFFF);
}

struct VersionWalk {
    std::string& out;
    size_t blocks = 0;

    // String tables under StringFileInfo and the file-info blocks themselves are blocks even
    // when empty; below them a block with children is a block and anything else a value.
    void Children(const CVersionBlock& parent, int depth, bool underStrings) {
        for (CVersionBlock b = parent.FirstChild(); b.IsValid() && blocks < kMaxVersionBlocks;
             b = b.NextSibling()) {
            ++blocks;
            const bool isStrings = depth == 1 && b.KeyEquals(u"StringFileInfo");
            const bool block = depth == 1 || (underStrings && depth == 2) ||
                               (b.FirstChild().IsValid() && depth < kMaxVersionDepth);
            if (block) {
                out += Indent(depth) + "BLOCK " + RcQuoted(b.Key()) + "\n";
                out += Indent(depth) + "BEGIN\n";
                if (depth < kMaxVersionDepth) Children(b, depth + 1, underStrings || isStrings);
                out += Indent(depth) + "END\n";
            } else if (b.GetType() == 1 || underStrings) {
                out += Indent(depth) + "VALUE " + RcQuoted(b.Key()) + ", " +
                       RcQuoted(b.TextValue()) + "\n";
            } else {
                out += Indent(depth) + "VALUE " + RcQuoted(b.Key());
                const CByteView value = b.BinaryValue();
                // rc writes a number as a WORD; an odd last byte cannot be written.
                for (uint64_t i = 0; i + 1 < value.Size(); i += 2)
                    out += ", " + Hex16(value.U16(i).value_or(0));
                out += "\n";
            }
        }
    }
};

}  // namespace

std::string RcQuoted(std::string_view utf8) { return "\"" + RcEscaped(utf8) + "\""; }

bool ParseAcceleratorTable(CByteView bytes, AcceleratorTable& table) {
    table = AcceleratorTable{};
    if (bytes.Size() < kAcceleratorEntrySize) {
        table.diagnostics.emplace_back(NoteKind::kAcceleratorShort, std::string(), bytes.Size(),
                                       kAcceleratorEntrySize);
        return false;
    }
    for (uint64_t pos = 0; bytes.Contains(pos, kAcceleratorEntrySize);
         pos += kAcceleratorEntrySize) {
        if (table.entries.size() == kMaxAccelerators) {
            table.diagnostics.emplace_back(NoteKind::kAcceleratorTooMany, std::string(),
                                           kMaxAccelerators);
            return true;
        }
        AcceleratorEntry e;
        e.flags = bytes.U16(pos).value_or(0);
        e.key = bytes.U16(pos + 2).value_or(0);
        e.id = bytes.U16(pos + 4).value_or(0);
        e.padding = bytes.U16(pos + 6).value_or(0);
        table.entries.push_back(e);
        if ((e.flags & kAccelFlagLast) != 0) {
            table.complete = true;
            return true;
        }
    }
    table.diagnostics.emplace_back(NoteKind::kAcceleratorNoLast, std::string(),
                                   table.entries.size());
    return true;
}

bool ParseMessageTable(CByteView bytes, MessageTable& table) {
    table = MessageTable{};
    const auto count = bytes.U32(0);
    if (!count) {
        table.diagnostics.emplace_back(NoteKind::kMessageTableShort, std::string(), bytes.Size());
        return false;
    }
    table.complete = true;
    // Each block takes 12 bytes after the count; a count the bytes cannot hold is cut to them.
    uint64_t blocks = *count;
    if (blocks > (bytes.Size() - 4) / 12) {
        table.diagnostics.emplace_back(NoteKind::kMessageTableShort, std::string(), bytes.Size());
        table.complete = false;
        blocks = (bytes.Size() - 4) / 12;
    }
    if (blocks > kMaxMessageBlocks) blocks = kMaxMessageBlocks;
    for (uint64_t b = 0; b < blocks; ++b) {
        const uint64_t at = 4 + b * 12;
        const uint32_t low = bytes.U32(at).value_or(0);
        const uint32_t high = bytes.U32(at + 4).value_or(0);
        uint64_t pos = bytes.U32(at + 8).value_or(0);
        if (high < low || pos >= bytes.Size()) {
            table.diagnostics.emplace_back(NoteKind::kMessageBlockOutside, std::string(), b + 1,
                                           pos);
            table.complete = false;
            continue;
        }
        for (uint64_t id = low; id <= high; ++id) {
            if (table.entries.size() == kMaxMessages) {
                table.diagnostics.emplace_back(NoteKind::kMessageTooMany, std::string(),
                                               kMaxMessages);
                table.complete = false;
                return true;
            }
            const auto length = bytes.U16(pos);
            const auto flags = bytes.U16(pos + 2);
            // The length counts the whole entry; less than its fixed part would loop in place.
            if (!length || !flags || *length < 4 || !bytes.Contains(pos, *length)) {
                table.diagnostics.emplace_back(NoteKind::kMessageEntryCut, std::string(), id, pos);
                table.complete = false;
                break;
            }
            MessageEntry e;
            e.id = static_cast<uint32_t>(id);
            e.flags = *flags;
            const uint64_t textBytes = *length - 4u;
            if ((e.flags & 1) != 0) {
                std::u16string units =
                    bytes.Utf16Units(pos + 4, textBytes / 2).value_or(std::u16string());
                units.resize(std::min(units.size(), units.find(u'\0')));
                e.text = Utf16ToUtf8(units);
            } else {
                const CByteView raw = bytes.SubClamped(pos + 4, textBytes);
                std::string ansi(reinterpret_cast<const char*>(raw.Data()), raw.Size());
                ansi.resize(ansi.find('\0') == std::string::npos ? ansi.size() : ansi.find('\0'));
                e.text = Cp1252ToUtf8(ansi);
            }
            table.entries.push_back(std::move(e));
            pos += *length;
        }
    }
    return true;
}

std::string MenuScript(const std::string& name, const MenuModel& menu) {
    std::string out = name + (menu.extended ? " MENUEX\n" : " MENU\n") + "BEGIN\n";
    if (menu.extended)
        WriteExtendedItems(menu.items, 1, out);
    else
        WriteClassicItems(menu.items, 1, out);
    out += "END\n";
    return out;
}

std::string DialogScript(const std::string& name, const DialogModel& d) {
    std::string out = name + (d.extended ? " DIALOGEX " : " DIALOG ") + std::to_string(d.x) + ", " +
                      std::to_string(d.y) + ", " + std::to_string(d.cx) + ", " +
                      std::to_string(d.cy);
    if (d.extended && d.helpId != 0) out += ", " + std::to_string(d.helpId);
    out += "\n";
    // CAPTION adds WS_CAPTION whatever the order; a caption on a window without that style
    // takes it away again.
    if (!d.caption.empty() && (d.style & kWsCaption) != kWsCaption)
        out += "STYLE NOT " + Hex32(kWsCaption) + " | " + Hex32(d.style) + "\n";
    else
        out += "STYLE " + Hex32(d.style) + "\n";
    if (d.exStyle != 0) out += "EXSTYLE " + Hex32(d.exStyle) + "\n";
    if (!d.caption.empty()) out += "CAPTION " + RcQuoted(d.caption) + "\n";
    if (!d.menu.IsNone()) out += "MENU " + OrdinalOrQuoted(d.menu) + "\n";
    if (!d.windowClass.IsNone()) out += "CLASS " + OrdinalOrQuoted(d.windowClass) + "\n";
    if (d.font) {
        out += "FONT " + std::to_string(d.font->pointSize) + ", " + RcQuoted(d.font->face);
        if (d.extended)
            out += ", " + std::to_string(d.font->weight) + ", " + std::to_string(d.font->italic) +
                   ", " + std::to_string(d.font->charset);
        out += "\n";
    }
    out += "BEGIN\n";
    for (const DialogControl& c : d.controls) {
        // CONTROL always adds WS_CHILD and WS_VISIBLE; NOT takes them back where the template
        // has none.
        out += "    CONTROL " +
               (c.title.IsOrdinal() ? std::to_string(c.title.ordinal) : RcQuoted(c.title.name));
        out += ", " + std::to_string(c.id) + ", " +
               (c.windowClass.IsOrdinal() ? Hex16(c.windowClass.ordinal)
                                          : RcQuoted(c.windowClass.name));
        out += ", NOT 0x50000000 | " + Hex32(c.style) + ", " + std::to_string(c.x) + ", " +
               std::to_string(c.y) + ", " + std::to_string(c.cx) + ", " + std::to_string(c.cy) +
               ", " + Hex32(c.exStyle);
        if (d.extended) out += ", " + std::to_string(c.helpId);
        out += "\n";
        if (d.extended && c.creationData.size() >= 2) {
            out += "    BEGIN\n       ";
            for (size_t i = 0; i + 1 < c.creationData.size(); i += 2)
                out += std::string(i == 0 ? " " : ", ") +
                       Hex16(static_cast<uint32_t>(c.creationData[i] | c.creationData[i + 1] << 8));
            out += "\n    END\n";
        }
    }
    out += "END\n";
    return out;
}

std::string AcceleratorScript(const std::string& name, const AcceleratorTable& table) {
    std::string out = name + " ACCELERATORS\nBEGIN\n";
    for (const AcceleratorEntry& e : table.entries)
        out += "    " + std::to_string(e.key) + ", " + std::to_string(e.id) +
               AcceleratorFlags(e.flags) + "\n";
    out += "END\n";
    return out;
}

std::string StringTableScript(uint32_t block, const std::vector<std::string>& strings) {
    std::string out = "STRINGTABLE\nBEGIN\n";
    for (size_t i = 0; i < strings.size(); ++i) {
        if (strings[i].empty()) continue;
        out += "    " + std::to_string(StringIdOf(block, i)) + ", " + RcQuoted(strings[i]) + "\n";
    }
    out += "END\n";
    return out;
}

std::string MessageTableText(const MessageTable& table, bool script) {
    std::string out;
    if (script)
        out +=
            "// Meldungstabelle: windres übersetzt keine Meldungstabellen; die Texte stehen "
            "hier als Kommentar (Id, Text).\n";
    for (const MessageEntry& e : table.entries) {
        if (script) out += "// ";
        out += std::to_string(e.id) + "\t" + RcEscaped(e.text);
        // The preprocessor joins a line ending in a backslash to the next, comments too: the
        // next resource's statements would vanish into this comment.
        if (script && !out.empty() && out.back() == '\\') out += ' ';
        out += "\n";
    }
    return out;
}

bool VersionScript(const std::string& name, CByteView bytes, std::string& out,
                   std::vector<ModuleNote>& notes) {
    const CVersionResource resource(bytes);
    const CVersionBlock root = resource.Root();
    if (!root.IsValid()) {
        notes.emplace_back(NoteKind::kScriptNotReadable, "VERSIONINFO");
        return false;
    }
    const FixedFileInfo fixed = resource.FixedInfo().value_or(FixedFileInfo{});
    out += name + " VERSIONINFO\n";
    out += "FILEVERSION " + VersionQuad(fixed.dwFileVersionMS, fixed.dwFileVersionLS) + "\n";
    out +=
        "PRODUCTVERSION " + VersionQuad(fixed.dwProductVersionMS, fixed.dwProductVersionLS) + "\n";
    out += "FILEFLAGSMASK " + Hex32(fixed.dwFileFlagsMask) + "\n";
    out += "FILEFLAGS " + Hex32(fixed.dwFileFlags) + "\n";
    out += "FILEOS " + Hex32(fixed.dwFileOS) + "\n";
    out += "FILETYPE " + Hex32(fixed.dwFileType) + "\n";
    out += "FILESUBTYPE " + Hex32(fixed.dwFileSubtype) + "\n";
    out += "BEGIN\n";
    VersionWalk walk{out};
    walk.Children(root, 1, false);
    out += "END\n";
    return true;
}

std::string RcResourceName(const CResourceId& name) {
    return name.IsName() ? RcQuoted(name.ToText()) : std::to_string(name.GetNumber());
}

std::string LanguageStatement(uint16_t language) {
    return "LANGUAGE " + std::to_string(language & 0x3FF) + ", " + std::to_string(language >> 10);
}

bool HasScriptForm(const CResourceId& type) noexcept {
    if (type.IsName()) return false;
    switch (type.GetNumber()) {
        case kRtMenu:
        case kRtDialog:
        case kRtString:
        case kRtAccelerator:
        case kRtMessageTable:
        case kRtVersion:
            return true;
        default:
            return false;
    }
}

bool ResourceScript(const CResourceId& type, const CResourceId& name, uint16_t language,
                    CByteView bytes, std::string& out, std::vector<ModuleNote>& notes) {
    out += "// " + (type.IsName() ? RcQuoted(type.ToText()) : std::to_string(type.GetNumber())) +
           " " + RcQuoted(name.ToText()) + " " + Hex16(language) + "\n";
    out += LanguageStatement(language) + "\n";
    const std::string rcName = RcResourceName(name);
    const size_t mark = out.size();
    bool ok = false;
    switch (type.IsName() ? 0 : type.GetNumber()) {
        case kRtMenu: {
            MenuModel menu;
            ok = ParseMenuTemplate(bytes, menu);
            notes.insert(notes.end(), menu.diagnostics.begin(), menu.diagnostics.end());
            if (ok) out += MenuScript(rcName, menu);
            break;
        }
        case kRtDialog: {
            DialogModel dialog;
            ok = ParseDialogTemplate(bytes, dialog);
            notes.insert(notes.end(), dialog.diagnostics.begin(), dialog.diagnostics.end());
            if (ok) out += DialogScript(rcName, dialog);
            break;
        }
        case kRtString: {
            if (name.IsName()) {
                notes.emplace_back(NoteKind::kScriptNamedStringBlock);
                break;
            }
            std::vector<std::string> strings;
            // A block cut short still gives the strings that lie in it.
            (void)DecodeStringBlock(bytes, strings);
            out += StringTableScript(StringBlockNumber(name), strings);
            ok = true;
            break;
        }
        case kRtAccelerator: {
            AcceleratorTable table;
            ok = ParseAcceleratorTable(bytes, table);
            notes.insert(notes.end(), table.diagnostics.begin(), table.diagnostics.end());
            if (ok) out += AcceleratorScript(rcName, table);
            break;
        }
        case kRtMessageTable: {
            MessageTable table;
            ok = ParseMessageTable(bytes, table);
            notes.insert(notes.end(), table.diagnostics.begin(), table.diagnostics.end());
            if (ok) out += MessageTableText(table, true);
            break;
        }
        case kRtVersion:
            ok = VersionScript(rcName, bytes, out, notes);
            break;
        default:
            break;
    }
    if (!ok) {
        out.resize(mark);
        notes.emplace_back(NoteKind::kScriptNotReadable, type.ToText());
        out += "// " + NoteText(notes.back()) + "\n";
    }
    out += "\n";
    return ok;
}

namespace {

bool IsTextCharacter(char32_t c) {
    return c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Resource data is often padded with zeros to a DWORD or more; they are no part of the text.
size_t WithoutTrailingZeros(const std::u16string& units) {
    size_t n = units.size();
    while (n > 0 && units[n - 1] == 0)
        --n;
    return n;
}

std::optional<std::string> Utf16Text(std::u16string units, bool bom) {
    units.resize(WithoutTrailingZeros(units));
    if (units.empty() && !bom) return std::nullopt;
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
                ++i;
                continue;
            }
            return std::nullopt;
        }
        if ((u >= 0xDC00 && u <= 0xDFFF) || !IsTextCharacter(u)) return std::nullopt;
    }
    return Utf16ToUtf8(units);
}

// Cuts text at most maxBytes long, at the start of a UTF-8 sequence.
bool CutText(std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return false;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return true;
}

}  // namespace

std::optional<std::string> DecodeTextBytes(CByteView bytes) {
    const uint8_t* p = bytes.Data();
    const size_t size = bytes.Size();
    if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return Utf16Text(bytes.Utf16Units(2, (size - 2) / 2).value_or(std::u16string()), true);
    const bool bom = size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
    std::string text(reinterpret_cast<const char*>(p) + (bom ? 3 : 0), size - (bom ? 3 : 0));
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    if (IsValidUtf8(text) && (bom || !text.empty()) &&
        std::all_of(text.begin(), text.end(),
                    [](char c) { return IsTextCharacter(static_cast<unsigned char>(c)); }))
        return text;
    // Without a BOM, UTF-16LE text of the Latin scripts has a zero in every other byte; the
    // character test above then rejects it as UTF-8, and the units must all be text.
    if (bom || size < 4 || size % 2 != 0) return std::nullopt;
    return Utf16Text(bytes.Utf16Units(0, size / 2).value_or(std::u16string()), false);
}

ResourceText ResourceTextOf(const CResourceId& type, const CResourceId& name, uint16_t language,
                            CByteView bytes, size_t maxBytes) {
    ResourceText result;
    const uint16_t number = type.IsName() ? 0 : type.GetNumber();
    if (number == kRtMenu || number == kRtAccelerator) {
        std::vector<ModuleNote> notes;
        result.text = std::string(kScriptHeader);
        (void)ResourceScript(type, name, language, bytes, result.text, notes);
        // What the reader noticed stays visible with the script, as comments.
        for (const ModuleNote& note : notes)
            result.text += "// " + NoteText(note) + "\n";
        result.form = TextForm::kScript;
    } else if (number == kRtMessageTable) {
        MessageTable table;
        if (ParseMessageTable(bytes, table)) {
            result.text = MessageTableText(table, false);
            for (const ModuleNote& note : table.diagnostics)
                result.text += NoteText(note) + "\n";
            result.form = TextForm::kText;
        }
    } else {
        // Only the bytes that can be shown are decoded: a hostile size costs no more.
        const CByteView head = bytes.SubClamped(0, maxBytes * 2);
        std::optional<std::string> text = DecodeTextBytes(head);
        if (!text && (number == kRtManifestType || number == kRtHtml))
            text =
                SanitizeUtf8(std::string(reinterpret_cast<const char*>(head.Data()), head.Size()));
        if (text) {
            result.text = std::move(*text);
            result.form = TextForm::kText;
            result.cut = head.Size() < bytes.Size();
        }
    }
    if (CutText(result.text, maxBytes)) result.cut = true;
    return result;
}

}  // namespace tv
