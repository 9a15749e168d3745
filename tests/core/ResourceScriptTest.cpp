// The accelerator and message-table readers on whole and damaged tables, and the script writer:
// its escapes and the statements where windres adds bits of its own. When windres is installed,
// scripts of hard texts and forms are compiled and must give the original bytes back.
#include "resources/ResourceScript.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "resources/DialogTemplate.h"
#include "resources/MenuTemplate.h"
#include "support/ResourceBuilders.h"

namespace {

tv::CByteView View(const std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size()}; }

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

// One block of ids 1 and 2: an ANSI text (Windows-1252 "é") and a UTF-16 one.
std::vector<uint8_t> TwoMessages() {
    std::vector<uint8_t> out;
    Put32(out, 1);
    Put32(out, 1);
    Put32(out, 2);
    Put32(out, 16);
    Put16(out, 12);
    Put16(out, 0);
    for (const uint8_t c : std::vector<uint8_t>{'c', 'a', 'f', 0xE9, '\r', '\n', 0, 0})
        out.push_back(c);
    const std::u16string text = u"Wert %1 \u20AC";
    Put16(out, static_cast<uint16_t>(4 + 2 * text.size() + 2));
    Put16(out, 1);
    for (const char16_t u : text)
        Put16(out, u);
    Put16(out, 0);
    return out;
}

TEST(AcceleratorTable, ReadsToTheLastFlagAndNotesWhatIsMissing) {
    using tvtest::AccelEntry;
    const auto bytes = tvtest::Accelerators(
        {AccelEntry{tvtest::kFVirtKey | tvtest::kFControl | tvtest::kFNoInvert, 'O', 100, 0},
         AccelEntry{0, 'q', 101, 0}, AccelEntry{tvtest::kFVirtKey | tvtest::kFAlt, 0x73, 102, 0}});
    std::vector<uint8_t> trailing = bytes;
    trailing.insert(trailing.end(), 8, 0xFF);  // after the last record: not read
    tv::AcceleratorTable table;
    ASSERT_TRUE(tv::ParseAcceleratorTable(View(trailing), table));
    EXPECT_TRUE(table.complete);
    ASSERT_EQ(table.entries.size(), 3u);
    EXPECT_EQ(tv::AcceleratorScript("7", table),
              "7 ACCELERATORS\nBEGIN\n    79, 100, VIRTKEY, NOINVERT, CONTROL\n    113, 101\n"
              "    115, 102, VIRTKEY, ALT\nEND\n");

    const auto unmarked = tvtest::Accelerators({AccelEntry{0, 'a', 1, 0}}, false);
    std::vector<uint8_t> cut = unmarked;
    cut.push_back(0x80);  // a part of a record: not a record
    ASSERT_TRUE(tv::ParseAcceleratorTable(View(cut), table));
    EXPECT_FALSE(table.complete);
    EXPECT_EQ(table.entries.size(), 1u);
    EXPECT_TRUE(tv::HasNote(table.diagnostics, tv::NoteKind::kAcceleratorNoLast));

    const std::vector<uint8_t> tiny(7, 0x80);
    EXPECT_FALSE(tv::ParseAcceleratorTable(View(tiny), table));
    EXPECT_TRUE(tv::HasNote(table.diagnostics, tv::NoteKind::kAcceleratorShort));
}

TEST(MessageTable, ReadsAnsiAndUnicodeTextsWithTheirIds) {
    const auto bytes = TwoMessages();
    tv::MessageTable table;
    ASSERT_TRUE(tv::ParseMessageTable(View(bytes), table));
    EXPECT_TRUE(table.complete);
    ASSERT_EQ(table.entries.size(), 2u);
    EXPECT_EQ(table.entries[0].text, "caf\xC3\xA9\r\n");
    EXPECT_EQ(table.entries[1].text, "Wert %1 \xE2\x82\xAC");
    EXPECT_EQ(tv::MessageTableText(table, false),
              "1\tcaf\xC3\xA9\\r\\n\n2\tWert %1 \xE2\x82\xAC\n");
    table.entries[1].text = "C:\\";
    const std::string script = tv::MessageTableText(table, true);
    EXPECT_NE(script.find("// 2\tC:\\\\ \n"), std::string::npos) << script;
}

TEST(MessageTable, DamagedTablesStopWithANoteAndNeverLoop) {
    tv::MessageTable table;
    // Cut inside the second entry: the first stays.
    auto cut = TwoMessages();
    cut.resize(cut.size() - 4);
    ASSERT_TRUE(tv::ParseMessageTable(View(cut), table));
    EXPECT_FALSE(table.complete);
    EXPECT_EQ(table.entries.size(), 1u);
    EXPECT_TRUE(tv::HasNote(table.diagnostics, tv::NoteKind::kMessageEntryCut));

    // An entry of length 0 would keep the reader in place; ids 0 to 0xFFFFFFFF would never end.
    std::vector<uint8_t> hostile;
    Put32(hostile, 0xFFFFFFFF);
    Put32(hostile, 0);
    Put32(hostile, 0xFFFFFFFF);
    Put32(hostile, 16);
    Put32(hostile, 0);
    ASSERT_TRUE(tv::ParseMessageTable(View(hostile), table));
    EXPECT_TRUE(table.entries.empty());
    EXPECT_TRUE(tv::HasNote(table.diagnostics, tv::NoteKind::kMessageTableShort));
    EXPECT_TRUE(tv::HasNote(table.diagnostics, tv::NoteKind::kMessageEntryCut));

    // A block whose entries lie past the end.
    std::vector<uint8_t> outside;
    Put32(outside, 1);
    Put32(outside, 5);
    Put32(outside, 5);
    Put32(outside, 4000);
    ASSERT_TRUE(tv::ParseMessageTable(View(outside), table));
    EXPECT_TRUE(tv::HasNote(table.diagnostics, tv::NoteKind::kMessageBlockOutside));

    EXPECT_FALSE(tv::ParseMessageTable(View(std::vector<uint8_t>(3, 0)), table));
}

TEST(ResourceScript, EscapesTextsAsWindresReadsThem) {
    EXPECT_EQ(tv::RcQuoted("a\"b\\c"), "\"a\"\"b\\\\c\"");
    EXPECT_EQ(tv::RcQuoted("\t\r\n"), "\"\\t\\r\\n\"");
    // Octal escapes take at most three digits, so the digit after one stays a digit.
    EXPECT_EQ(tv::RcQuoted(std::string("\x01"
                                       "7\x08",
                                       3)),
              "\"\\0017\\010\"");
    EXPECT_EQ(tv::RcQuoted("\xC3\x9C"
                           "ber \xE2\x82\xAC"),
              "\"\xC3\x9C"
              "ber \xE2\x82\xAC\"");
    EXPECT_EQ(tv::RcResourceName(tv::CResourceId::FromUtf8("AB\"C")), "\"AB\"\"C\"");
    EXPECT_EQ(tv::LanguageStatement(0x0407), "LANGUAGE 7, 1");
}

TEST(ResourceScript, WritesTheBitsWindresWouldOtherwiseAdd) {
    // A caption on a window without WS_CAPTION: CAPTION would add it.
    const auto dialogBytes =
        tvtest::DialogTemplate()
            .Style(0x80000000)
            .Title("T")
            .Rect(1, 2, 3, 4)
            .Add(tvtest::Control(tvtest::kButtonAtom, 1, "OK", 5, 6, 7, 8, 0x00010000))
            .Build();
    tv::DialogModel dialog;
    ASSERT_TRUE(tv::ParseDialogTemplate(View(dialogBytes), dialog));
    const std::string script = tv::DialogScript("9", dialog);
    EXPECT_NE(script.find("STYLE NOT 0x00C00000 | 0x80000000\n"), std::string::npos);
    // CONTROL adds WS_CHILD and WS_VISIBLE; a control without them keeps them off.
    EXPECT_NE(script.find("CONTROL \"OK\", 1, 0x0080, NOT 0x50000000 | 0x00010000, 5, 6, 7, 8"),
              std::string::npos);

    // An extended item without text is read as a separator; the script keeps the stored type.
    tvtest::MenuItem blank = tvtest::MenuItem::Command("", 5);
    blank.type = 0;
    const auto menuBytes = tvtest::MenuExTemplate(
        {tvtest::MenuItem::Popup("&F", {blank, tvtest::MenuItem::Command("x", 6)})});
    tv::MenuModel menu;
    ASSERT_TRUE(tv::ParseMenuTemplate(View(menuBytes), menu));
    EXPECT_NE(tv::MenuScript("1", menu).find("MENUITEM \"\", 5, 0x00000000, 0x00000000\n"),
              std::string::npos);
}

TEST(ResourceScript, UnreadableResourcesBecomeACommentAndANote) {
    std::string out;
    std::vector<tv::ModuleNote> notes;
    const std::vector<uint8_t> junk = {0x07, 0x00, 0x01};
    EXPECT_FALSE(tv::ResourceScript(tv::CResourceId(tv::kRtMenu), tv::CResourceId(1), 0, View(junk),
                                    out, notes));
    EXPECT_TRUE(tv::HasNote(notes, tv::NoteKind::kScriptNotReadable));
    EXPECT_EQ(out.find("MENU"), std::string::npos);
    EXPECT_NE(out.find("// Die Ressource"), std::string::npos);

    notes.clear();
    out.clear();
    EXPECT_FALSE(tv::ResourceScript(tv::CResourceId(tv::kRtString),
                                    tv::CResourceId::FromUtf8("NAMED"), 0, View(junk), out, notes));
    EXPECT_TRUE(tv::HasNote(notes, tv::NoteKind::kScriptNamedStringBlock));
    EXPECT_FALSE(tv::HasScriptForm(tv::CResourceId(tv::kRtBitmap)));
}

// windres (and the C preprocessor it runs) from the system; skipped where they are missing.
bool Compile(const std::string& script, std::vector<uint8_t>& res) {
    if (std::system("command -v x86_64-w64-mingw32-windres >/dev/null 2>&1 && "
                    "command -v cpp >/dev/null 2>&1") != 0)
        return false;
    const auto dir =
        std::filesystem::temp_directory_path() / ("tv-rcscript-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "x.rc", std::ios::binary) << script;
    const std::string command = "x86_64-w64-mingw32-windres --preprocessor=cpp -J rc -O res -i '" +
                                (dir / "x.rc").string() + "' -o '" + (dir / "x.res").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << script;
    std::ifstream in(dir / "x.res", std::ios::binary);
    res.assign(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove_all(dir);
    return true;
}

// The data of the .res file's second record (the first is the empty header record).
std::vector<uint8_t> FirstResourceData(const std::vector<uint8_t>& res) {
    const tv::CByteView view = View(res);
    const uint64_t second = 32;
    const uint32_t size = view.U32(second).value_or(0);
    const uint32_t header = view.U32(second + 4).value_or(0);
    const auto data = view.Sub(second + header, size);
    if (!data) return {};
    return {data->Data(), data->Data() + data->Size()};
}

TEST(ResourceScript, WindresCompilesHardTextsBackToTheSameBytes) {
    const std::vector<std::optional<tvtest::Text16>> strings = {
        tvtest::Text16("quote \" back\\slash C:\\temp\\new"),
        tvtest::Text16("tab\there\r\nline \x01"
                       "7 bell\x07"),
        std::nullopt,
        tvtest::Text16(u"\u00DCberschrift \u20AC \u4E2D\u6587 \U0001F600"),
    };
    const auto block = tvtest::StringBlock(strings);
    std::string script(tv::kScriptHeader);
    std::vector<tv::ModuleNote> notes;
    ASSERT_TRUE(tv::ResourceScript(tv::CResourceId(tv::kRtString), tv::CResourceId(3), 0x0409,
                                   View(block), script, notes));
    std::vector<uint8_t> res;
    if (!Compile(script, res)) GTEST_SKIP() << "windres or cpp is not installed";
    EXPECT_EQ(FirstResourceData(res), block) << script;

    tvtest::MenuItem grayed = tvtest::MenuItem::Command("&Open\tCtrl+O", 100, 0x0001 | 0x0008);
    const auto menuBytes = tvtest::MenuTemplate(
        {tvtest::MenuItem::Popup("&\"File\"", {grayed, tvtest::MenuItem::Separator()}),
         tvtest::MenuItem::Popup("&?", {tvtest::MenuItem::Command("x", 7)}, 0x4000)});
    script = std::string(tv::kScriptHeader);
    ASSERT_TRUE(tv::ResourceScript(tv::CResourceId(tv::kRtMenu), tv::CResourceId(2), 0,
                                   View(menuBytes), script, notes));
    ASSERT_TRUE(Compile(script, res));
    EXPECT_EQ(FirstResourceData(res), menuBytes) << script;
}

}  // namespace
