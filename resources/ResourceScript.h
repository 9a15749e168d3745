// Resources written back as resource-script (.rc) source that the GNU resource compiler (windres)
// reads to the same bytes, and the two table formats the program had no reader for yet.
//
// Accelerator tables (RT_ACCELERATOR): 8-byte records, a WORD of flags (FVIRTKEY 0x01,
// FNOINVERT 0x02, FSHIFT 0x04, FCONTROL 0x08, FALT 0x10; 0x80 marks the last record), the key, the
// command id and a WORD of padding.
//
// Message tables (RT_MESSAGETABLE): a DWORD count of blocks, then per block the lowest id, the
// highest id and the offset of its first entry (from the resource's start); each entry is a WORD
// length (of the whole entry), a WORD of flags (1: UTF-16 text, 0: ANSI) and the text, padded
// with zeros. windres cannot compile message tables, so their script form is a comment.
//
// The script escapes text the way windres reads it back: the file starts with
// "#pragma code_page(65001)" and non-ASCII text stays UTF-8; a quote is doubled, a backslash,
// tab, line feed and carriage return escaped, other control characters written as octal escapes
// (which end after three digits, unlike \x, so a following digit is not taken in).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"
#include "module/ModuleNote.h"
#include "module/ResourceDirectory.h"

namespace tv {

struct DialogModel;
struct MenuModel;

inline constexpr uint16_t kAccelFlagVirtKey = 0x01;
inline constexpr uint16_t kAccelFlagNoInvert = 0x02;
inline constexpr uint16_t kAccelFlagShift = 0x04;
inline constexpr uint16_t kAccelFlagControl = 0x08;
inline constexpr uint16_t kAccelFlagAlt = 0x10;
inline constexpr uint16_t kAccelFlagLast = 0x80;
inline constexpr size_t kAcceleratorEntrySize = 8;
// Bounds on the work a hostile table can ask for, whatever it declares.
inline constexpr size_t kMaxAccelerators = 65536;
inline constexpr size_t kMaxMessageBlocks = 65536;
inline constexpr size_t kMaxMessages = 262144;

struct AcceleratorEntry {
    uint16_t flags = 0;
    uint16_t key = 0;
    uint16_t id = 0;
    uint16_t padding = 0;
};

struct AcceleratorTable {
    std::vector<AcceleratorEntry> entries;
    // False when the bytes ended before a record flagged last.
    bool complete = false;
    std::vector<ModuleNote> diagnostics;
};

// Reads the records up to the one flagged last (bytes after it are ignored). false only when
// not one whole record is there; a table without its last flag keeps its records, with a note.
[[nodiscard]] bool ParseAcceleratorTable(CByteView bytes, AcceleratorTable& table);

struct MessageEntry {
    uint32_t id = 0;
    uint16_t flags = 0;  // 1: the text is UTF-16
    std::string text;    // UTF-8; ANSI texts are taken as Windows-1252
};

struct MessageTable {
    std::vector<MessageEntry> entries;
    bool complete = false;
    std::vector<ModuleNote> diagnostics;
};

// false when the block count is not there; otherwise the entries that could be read, with a
// note for each block or entry that lies outside the resource or is cut short.
[[nodiscard]] bool ParseMessageTable(CByteView bytes, MessageTable& table);

// A text as an rc string literal, quotes included.
[[nodiscard]] std::string RcQuoted(std::string_view utf8);

// The first line of every script: the code page the texts are in.
inline constexpr std::string_view kScriptHeader = "#pragma code_page(65001)\n\n";

// The bodies, each starting with the statement after the resource's name ("MENU", "DIALOGEX
// 1, 2, 3, 4", ...), lines ending in "\n". name is the name as rc writes it (RcResourceName).
[[nodiscard]] std::string MenuScript(const std::string& name, const MenuModel& menu);
[[nodiscard]] std::string DialogScript(const std::string& name, const DialogModel& dialog);
[[nodiscard]] std::string AcceleratorScript(const std::string& name, const AcceleratorTable& table);
[[nodiscard]] std::string StringTableScript(uint32_t block,
                                            const std::vector<std::string>& strings);
// Message tables as text: one "id<TAB>text" line per entry (texts escaped as in RcQuoted, without
// quotes); as script each line is a comment.
[[nodiscard]] std::string MessageTableText(const MessageTable& table, bool script);
// false (writing nothing) when the bytes hold no version root.
[[nodiscard]] bool VersionScript(const std::string& name, CByteView bytes, std::string& out,
                                 std::vector<ModuleNote>& notes);

// A name as rc takes it: the number, or the name in quotes.
[[nodiscard]] std::string RcResourceName(const CResourceId& name);
// "LANGUAGE 9, 1" for 0x0409.
[[nodiscard]] std::string LanguageStatement(uint16_t language);

// The types this writer knows: menus, dialogs, string tables, accelerators, message tables and
// version resources.
[[nodiscard]] bool HasScriptForm(const CResourceId& type) noexcept;

// One resource as script: a comment naming it, its LANGUAGE statement and its body. false, with a
// note, when the bytes are not a readable resource of that type (out then holds a comment saying
// so); notes gets what the readers noticed. A string block named by a string has no ids and is
// refused.
[[nodiscard]] bool ResourceScript(const CResourceId& type, const CResourceId& name,
                                  uint16_t language, CByteView bytes, std::string& out,
                                  std::vector<ModuleNote>& notes);

// The text form of a resource for the raw data page: menus and accelerator tables as script,
// message tables as their texts with ids, RT_MANIFEST and RT_HTML and any resource whose bytes
// are UTF-8 (with or without BOM) or UTF-16LE (with BOM, or text by the look of its units) as
// that text. Longer texts are cut after kMaxResourceText bytes, at a character's end.
enum class TextForm : uint8_t { kNone, kText, kScript };
inline constexpr size_t kMaxResourceText = 256 * 1024;
struct ResourceText {
    TextForm form = TextForm::kNone;
    std::string text;  // UTF-8, "\n" line ends as stored
    bool cut = false;
};
[[nodiscard]] ResourceText ResourceTextOf(const CResourceId& type, const CResourceId& name,
                                          uint16_t language, CByteView bytes,
                                          size_t maxBytes = kMaxResourceText);
// The bytes as text when they look like text (see ResourceTextOf); nullopt otherwise.
[[nodiscard]] std::optional<std::string> DecodeTextBytes(CByteView bytes);

}  // namespace tv
