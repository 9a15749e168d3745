#include "resources/MenuTemplate.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "common/TextCodec.h"
#include "resources/DialogTemplate.h"

namespace tv {

namespace {

constexpr uint64_t kHeaderSize = 4;
constexpr uint64_t kExtendedHeaderSize = 8;
// Type, state, id and resource flags of an extended item.
constexpr uint64_t kExtendedItemFixed = 14;

// The MF_* flags of a classic item that are item types, and those that are states; MF_POPUP and
// MF_END are the template's structure and belong to neither.
constexpr uint32_t kClassicTypeBits = kMftBitmap | kMftMenuBarBreak | kMftMenuBreak |
                                      kMftOwnerDraw | kMftRadioCheck | kMftSeparator |
                                      kMftRightOrder | kMftRightJustify;
constexpr uint32_t kClassicStateBits = kMfsGrayedBit | kMfsDisabledBit | kMfsChecked | kMfsDefault;

template <class... Args>
std::string Format(const char* format, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

unsigned long long Ull(uint64_t value) { return static_cast<unsigned long long>(value); }

// A text for a note: at most kNoteTextLength characters, cut between two UTF-8 sequences.
constexpr size_t kNoteTextLength = 40;
std::string QuotedNoteText(std::string_view text) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters++ == kNoteTextLength) return QuotedField(text.substr(0, i)) + "…";
    }
    return QuotedField(text);
}

// Caption and shortcut text are split where Windows starts the second column.
size_t ShortcutSplit(std::string_view text) noexcept { return text.find_first_of("\t\b"); }

class MenuReader {
public:
    MenuReader(CByteView bytes, MenuModel& model) : m_bytes(bytes), m_model(model) {}

    // Reads the menu bar's level from pos; complete is set when it ended at its last item.
    void Read(uint64_t pos) {
        if (pos == m_bytes.Size()) {
            // Only a header: a menu without entries, as the resource compiler writes an empty one.
            m_model.complete = true;
            return;
        }
        ReadLevel(pos, 1, m_model.items, nullptr);
        m_model.complete = !m_stopped;
    }

private:
    void Stop(ModuleNote note) {
        m_model.diagnostics.push_back(std::move(note));
        m_stopped = true;
    }

    // A zero-terminated UTF-16 text. Without its terminator the text runs to the end: that much
    // is kept and the result is false.
    bool ReadText(uint64_t& pos, std::string& out) {
        uint64_t units = 0;
        for (;;) {
            const auto unit = m_bytes.U16(pos + 2 * units);
            if (!unit) break;
            if (*unit == 0) {
                out = Utf16ToUtf8(m_bytes.Utf16Units(pos, units).value_or(std::u16string()));
                pos += 2 * (units + 1);
                return true;
            }
            ++units;
        }
        out = Utf16ToUtf8(m_bytes.Utf16Units(pos, units).value_or(std::u16string()));
        pos = m_bytes.Size();
        return false;
    }

    // The fixed part of an item, before its text. false when it does not fit.
    bool ReadHead(uint64_t& pos, MenuEntry& entry, bool& last) {
        if (m_model.extended) {
            if (!m_bytes.Contains(pos, kExtendedItemFixed)) return false;
            entry.type = *m_bytes.U32(pos);
            entry.state = *m_bytes.U32(pos + 4);
            entry.id = *m_bytes.U32(pos + 8);
            entry.resourceFlags = *m_bytes.U16(pos + 12);
            entry.popup = (entry.resourceFlags & kMenuExPopupFlag) != 0;
            last = (entry.resourceFlags & kMenuExEndFlag) != 0;
            pos += kExtendedItemFixed;
            return true;
        }
        const auto flags = m_bytes.U16(pos);
        if (!flags) return false;
        entry.resourceFlags = *flags;
        entry.popup = (*flags & kMfPopup) != 0;
        entry.type = *flags & kClassicTypeBits;
        entry.state = *flags & kClassicStateBits;
        last = (*flags & kMfEnd) != 0;
        if (entry.popup) {
            pos += 2;
            return true;
        }
        const auto id = m_bytes.U16(pos + 2);
        if (!id) return false;
        entry.id = *id;
        pos += 4;
        return true;
    }

    // One level's items up to the one marked last, each popup's items read where they stand.
    // Recursion is bounded by kMaxMenuDepth; every item consumes bytes, so each loop ends.
    void ReadLevel(uint64_t& pos, size_t depth, std::vector<MenuEntry>& items,
                   const MenuEntry* owner) {
        for (;;) {
            if (pos >= m_bytes.Size()) {
                if (owner && items.empty()) {
                    // Not through Format: the text may be longer than its buffer.
                    Stop(ModuleNote(NoteKind::kMenuEmptyPopup, QuotedNoteText(owner->text)));
                } else {
                    Stop(ModuleNote(NoteKind::kMenuNoEnd));
                }
                return;
            }
            if (m_model.entryCount >= kMaxMenuEntries) {
                Stop(ModuleNote(NoteKind::kMenuTooManyEntries, {}, kMaxMenuEntries));
                return;
            }
            MenuEntry entry;
            entry.offset = pos;
            bool last = false;
            if (!ReadHead(pos, entry, last)) {
                Stop(ModuleNote(NoteKind::kMenuEntryCut, {}, entry.offset));
                return;
            }
            const bool textEnds = ReadText(pos, entry.text);
            entry.storedType = entry.type;
            // Resource compilers write MENUITEM SEPARATOR as an item without text (and often
            // without MFT_SEPARATOR in the extended form); the system makes every command
            // without text a separator, whatever its id, unless it is a picture.
            if (!entry.popup && entry.text.empty() && !entry.IsPicture())
                entry.type |= kMftSeparator;
            ++m_model.entryCount;
            if (!textEnds) {
                items.push_back(std::move(entry));
                Stop(ModuleNote(NoteKind::kMenuTextCut, {}, items.back().offset));
                return;
            }
            if (m_model.extended) {
                // The next item and a popup's help id start on a DWORD boundary.
                const auto aligned = AlignUp(pos, 4);
                pos = aligned ? *aligned : m_bytes.Size();
            }
            if (entry.popup) {
                if (m_model.extended) {
                    const auto helpId = m_bytes.U32(pos);
                    if (!helpId) {
                        items.push_back(std::move(entry));
                        Stop(ModuleNote(NoteKind::kMenuEntryCut, {}, items.back().offset));
                        return;
                    }
                    entry.helpId = *helpId;
                    pos += 4;
                }
                if (depth >= kMaxMenuDepth) {
                    items.push_back(std::move(entry));
                    Stop(ModuleNote(NoteKind::kMenuTooDeep, {}, kMaxMenuDepth));
                    return;
                }
                ReadLevel(pos, depth + 1, entry.children, &entry);
            }
            items.push_back(std::move(entry));
            if (m_stopped || last) return;
        }
    }

    CByteView m_bytes;
    MenuModel& m_model;
    bool m_stopped = false;
};

// The names of the type and state bits an entry has, each after a space.
std::string FlagWords(const MenuEntry& entry) {
    std::string words;
    if (entry.state & kMfsGrayedBit) {
        words += " GRAYED";
    } else if (entry.state & kMfsDisabledBit) {
        words += " DISABLED";
    }
    constexpr std::pair<uint32_t, const char*> kStates[] = {
        {kMfsChecked, "CHECKED"}, {kMfsDefault, "DEFAULT"}, {kMfsHilite, "HILITE"}};
    for (const auto& [bit, name] : kStates) {
        if (entry.state & bit) (words += ' ') += name;
    }
    constexpr std::pair<uint32_t, const char*> kTypes[] = {
        {kMftBitmap, "BITMAP"},         {kMftOwnerDraw, "OWNERDRAW"},
        {kMftRadioCheck, "RADIOCHECK"}, {kMftMenuBarBreak, "MENUBARBREAK"},
        {kMftMenuBreak, "MENUBREAK"},   {kMftRightJustify, "RIGHTJUSTIFY"},
        {kMftRightOrder, "RIGHTORDER"}};
    for (const auto& [bit, name] : kTypes) {
        if (entry.type & bit) (words += ' ') += name;
    }
    return words;
}

// Depth first, without recursion of its own: the reader bounds the depth, a model built in code
// need not.
void AppendEntries(const std::vector<MenuEntry>& top, bool extended, std::string& out) {
    struct Level {
        const std::vector<MenuEntry>* entries;
        size_t next;
    };
    std::vector<Level> stack{{&top, 0}};
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.entries->size()) {
            stack.pop_back();
            continue;
        }
        const MenuEntry& entry = (*level.entries)[level.next++];
        out.append(2 * stack.size(), ' ');
        out += entry.popup ? "POPUP" : entry.IsSeparator() ? "SEPARATOR" : "ITEM";
        out += Format(" id=%u text=", entry.id);
        out += QuotedField(entry.text);
        out += Format(" type=0x%08x state=0x%08x flags=0x%04x", entry.type, entry.state,
                      static_cast<unsigned>(entry.resourceFlags));
        if (extended && entry.popup) out += Format(" helpid=%u", entry.helpId);
        out += Format(" offset=0x%llx", Ull(entry.offset));
        out += FlagWords(entry);
        out += '\n';
        if (entry.popup && !entry.children.empty()) stack.push_back({&entry.children, 0});
    }
}

}  // namespace

std::string_view MenuEntry::Caption() const noexcept {
    const std::string_view all(text);
    return all.substr(0, ShortcutSplit(all));
}

std::string_view MenuEntry::ShortcutText() const noexcept {
    const std::string_view all(text);
    const size_t split = ShortcutSplit(all);
    return split == std::string_view::npos ? std::string_view() : all.substr(split + 1);
}

bool ParseMenuTemplate(CByteView bytes, MenuModel& model) {
    model = {};
    const auto version = bytes.U16(0);
    const auto offset = bytes.U16(2);
    if (!version || !offset) {
        model.diagnostics.emplace_back(NoteKind::kMenuShort, std::string(), bytes.Size(),
                                       kHeaderSize);
        return false;
    }
    model.version = *version;
    model.headerOffset = *offset;
    if (model.version > 1) {
        model.diagnostics.emplace_back(NoteKind::kMenuVersion, std::string(), model.version);
        return false;
    }
    model.extended = model.version == 1;
    if (model.extended) {
        const auto helpId = bytes.U32(4);
        if (!helpId) {
            model.diagnostics.emplace_back(NoteKind::kMenuShort, std::string(), bytes.Size(),
                                           kExtendedHeaderSize);
            return false;
        }
        model.helpId = *helpId;
    }
    // Both forms count the offset from the end of the offset field, which is the end of the
    // classic header.
    const uint64_t first = kHeaderSize + model.headerOffset;
    if (first > bytes.Size()) {
        model.diagnostics.emplace_back(NoteKind::kMenuEntriesPastEnd, std::string(), first,
                                       bytes.Size());
        return true;
    }
    MenuReader(bytes, model).Read(first);
    return true;
}

std::string MenuOutline(const MenuModel& model) {
    std::string out = model.extended ? Format("MENUEX helpid=%u", model.helpId) : "MENU";
    out += Format(" entries=%zu\n", model.entryCount);
    AppendEntries(model.items, model.extended, out);
    for (const ModuleNote& note : model.diagnostics)
        out += "NOTE " + NoteText(note) + '\n';
    return out;
}

}  // namespace tv
