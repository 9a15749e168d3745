// The menu template reader over menus from the builders: both forms with nested popups, the
// classic flags as types and states, the extended form's alignment and header offset, every cut,
// the bounds on depth and count, and the outline the command-line tool prints.
#include "resources/MenuTemplate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "module/ResourceDirectory.h"
#include "resources/ResourceCatalog.h"
#include "support/ResourceBuilders.h"

namespace {

using tv::MenuEntry;
using tv::MenuModel;
using tvtest::MenuItem;

tv::CByteView View(const std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size()}; }

MenuModel Parse(const std::vector<uint8_t>& bytes) {
    MenuModel model;
    EXPECT_TRUE(tv::ParseMenuTemplate(View(bytes), model));
    return model;
}

// Every entry depth first, with its level (1 for the menu bar's entries).
std::vector<std::pair<size_t, const MenuEntry*>> Flatten(const std::vector<MenuEntry>& items,
                                                         size_t depth = 1) {
    std::vector<std::pair<size_t, const MenuEntry*>> out;
    for (const MenuEntry& entry : items) {
        out.emplace_back(depth, &entry);
        for (const auto& child : Flatten(entry.children, depth + 1))
            out.push_back(child);
    }
    return out;
}

// A file menu with a nested popup, a view menu with states and a help menu at the right.
std::vector<MenuItem> TypicalMenu() {
    return {
        MenuItem::Popup("&Datei",
                        {
                            MenuItem::Command("&Öffnen...\tStrg+O", 100),
                            MenuItem::Separator(),
                            MenuItem::Popup("&Zuletzt", {MenuItem::Command("leer", 101, 0x1)}),
                            MenuItem::Command("&Beenden", 102),
                        }),
        MenuItem::Popup("&Ansicht", {MenuItem::Command("&Leiste", 200, tvtest::kMfChecked),
                                     MenuItem::Command("&Nichts", 201, 0x2)}),
        MenuItem::Popup("&?", {MenuItem::Command("&Info", 300)}, 0x4000),
    };
}

void ExpectTypicalTree(const MenuModel& m) {
    ASSERT_EQ(m.items.size(), 3u);
    const MenuEntry& file = m.items[0];
    EXPECT_TRUE(file.popup);
    EXPECT_EQ(file.text, "&Datei");
    ASSERT_EQ(file.children.size(), 4u);
    EXPECT_EQ(file.children[0].text, "&Öffnen...\tStrg+O");
    EXPECT_EQ(file.children[0].Caption(), "&Öffnen...");
    EXPECT_EQ(file.children[0].ShortcutText(), "Strg+O");
    EXPECT_EQ(file.children[0].id, 100u);
    EXPECT_TRUE(file.children[1].IsSeparator());
    const MenuEntry& recent = file.children[2];
    EXPECT_TRUE(recent.popup);
    ASSERT_EQ(recent.children.size(), 1u);
    EXPECT_TRUE(recent.children[0].IsGrayed());
    EXPECT_TRUE(recent.children[0].IsDisabled());
    EXPECT_EQ(file.children[3].id, 102u);
    EXPECT_TRUE(file.children[3].children.empty());

    const MenuEntry& view = m.items[1];
    ASSERT_EQ(view.children.size(), 2u);
    EXPECT_TRUE(view.children[0].IsChecked());
    EXPECT_FALSE(view.children[0].IsDisabled());
    EXPECT_EQ(view.children[0].Caption(), "&Leiste");
    EXPECT_EQ(view.children[0].ShortcutText(), "");
    // Disabled without gray: not selectable, drawn as usual.
    EXPECT_TRUE(view.children[1].IsDisabled());
    EXPECT_FALSE(view.children[1].IsGrayed());

    EXPECT_EQ(m.items[2].type & tv::kMftRightJustify, tv::kMftRightJustify);
    EXPECT_EQ(m.items[2].children.at(0).text, "&Info");
    EXPECT_EQ(m.entryCount, 11u);
    EXPECT_EQ(Flatten(m.items).size(), m.entryCount);
}

TEST(MenuTemplate, ReadsBothFormsIntoTheSameTree) {
    const auto classic = Parse(tvtest::MenuTemplate(TypicalMenu()));
    EXPECT_FALSE(classic.extended);
    EXPECT_EQ(classic.version, 0u);
    EXPECT_TRUE(classic.complete);
    EXPECT_TRUE(classic.diagnostics.empty());
    ExpectTypicalTree(classic);
    EXPECT_EQ(classic.items[0].offset, 4u);

    // The extended form stores types and states as they are; give it the ones the classic
    // flags stand for.
    auto items = TypicalMenu();
    items[0].children[2].children[0].state = tv::kMfsGrayed;
    items[1].children[0].state = tv::kMfsChecked;
    items[1].children[1].state = tv::kMfsDisabledBit;
    items[2].type = tv::kMftRightJustify;
    const auto extended = Parse(tvtest::MenuExTemplate(items, 0xC0FFEE));
    EXPECT_TRUE(extended.extended);
    EXPECT_EQ(extended.helpId, 0xC0FFEEu);
    EXPECT_TRUE(extended.complete);
    EXPECT_TRUE(extended.diagnostics.empty());
    ExpectTypicalTree(extended);
    EXPECT_EQ(extended.items[0].offset, 8u);
}

TEST(MenuTemplate, TakesClassicFlagsAsTypesAndStates) {
    struct Case {
        uint16_t flags;
        uint32_t type;
        uint32_t state;
    };
    const Case cases[] = {
        {0x0001, 0, tv::kMfsGrayedBit},
        {0x0002, 0, tv::kMfsDisabledBit},
        {0x0003, 0, tv::kMfsGrayed},
        {0x0004, tv::kMftBitmap, 0},
        {0x0008, 0, tv::kMfsChecked},
        {0x0020, tv::kMftMenuBarBreak, 0},
        {0x0040, tv::kMftMenuBreak, 0},
        {0x0100, tv::kMftOwnerDraw, 0},
        {0x0200, tv::kMftRadioCheck, 0},
        {0x0800, tv::kMftSeparator, 0},
        {0x1000, 0, tv::kMfsDefault},
        {0x4000, tv::kMftRightJustify, 0},
        {0x4109, tv::kMftRightJustify | tv::kMftOwnerDraw, tv::kMfsGrayedBit | tv::kMfsChecked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const auto m = Parse(tvtest::MenuTemplate({MenuItem::Command("x", 7, c.flags)}));
        ASSERT_EQ(m.items.size(), 1u);
        EXPECT_EQ(m.items[0].type, c.type);
        EXPECT_EQ(m.items[0].state, c.state);
        // The stored word keeps the structure bits too.
        EXPECT_EQ(m.items[0].resourceFlags, c.flags | tvtest::kMfEnd);
        EXPECT_FALSE(m.items[0].popup);
    }
    // A command without text is a separator whatever its id, as the system reads it; id 0 with a
    // text is not, and neither is a popup without text.
    const auto m = Parse(tvtest::MenuTemplate({MenuItem::Command("", 0), MenuItem::Command("", 5),
                                               MenuItem::Command("Null", 0),
                                               MenuItem::Popup("", {MenuItem::Command("x", 1)})}));
    ASSERT_EQ(m.items.size(), 4u);
    EXPECT_TRUE(m.items[0].IsSeparator());
    EXPECT_TRUE(m.items[1].IsSeparator());
    EXPECT_FALSE(m.items[2].IsSeparator());
    EXPECT_FALSE(m.items[3].IsSeparator());
    // A bitmap or owner-drawn item has nothing in its text to show, and is no separator.
    const auto picture = Parse(tvtest::MenuTemplate({MenuItem::Command("", 1, 0x0100)}));
    EXPECT_TRUE(picture.items.at(0).IsPicture());
    EXPECT_FALSE(picture.items[0].IsSeparator());
}

TEST(MenuTemplate, ReadsExtendedFieldsAtTheirDwordBoundaries) {
    // Texts of every length modulo 4 before commands and popups, so that every padding occurs
    // before an item and before a popup's help id.
    std::vector<MenuItem> items;
    for (const char* text : {"", "A", "AB", "ABC", "ABCD"}) {
        MenuItem popup = MenuItem::Popup(text, {MenuItem::Command(text, 0x10000u + 1)});
        popup.id = 0xFFFF0000u;
        popup.helpId = 0x12345678;
        popup.type = tv::kMftRadioCheck;
        popup.state = tv::kMfsHilite | tv::kMfsDefault;
        items.push_back(std::move(popup));
        items.push_back(MenuItem::Command(text, 42));
    }
    items.push_back(MenuItem::Separator());
    const auto bytes = tvtest::MenuExTemplate(items);
    const auto m = Parse(bytes);
    ASSERT_TRUE(m.complete);
    ASSERT_EQ(m.items.size(), 11u);
    for (const auto& [depth, entry] : Flatten(m.items))
        EXPECT_EQ(entry->offset % 4, 0u) << entry->text;
    for (size_t i = 0; i < 10; i += 2) {
        const MenuEntry& popup = m.items[i];
        EXPECT_TRUE(popup.popup);
        EXPECT_EQ(popup.id, 0xFFFF0000u);
        EXPECT_EQ(popup.helpId, 0x12345678u);
        EXPECT_EQ(popup.type, tv::kMftRadioCheck);
        EXPECT_EQ(popup.state, tv::kMfsHilite | tv::kMfsDefault);
        ASSERT_EQ(popup.children.size(), 1u);
        EXPECT_EQ(popup.children[0].id, 0x10001u);  // a DWORD in the extended form
        EXPECT_EQ(popup.children[0].text, popup.text);
        EXPECT_EQ(m.items[i + 1].id, 42u);
        EXPECT_EQ(m.items[i + 1].text, popup.text);
    }
    EXPECT_TRUE(m.items[10].IsSeparator());
    EXPECT_EQ(m.items[10].resourceFlags, tv::kMenuExEndFlag);
    // Resource compilers may write an extended separator without MFT_SEPARATOR: a command
    // without text is one all the same.
    const auto plain = Parse(tvtest::MenuExTemplate({MenuItem::Command("", 7)}));
    EXPECT_TRUE(plain.items.at(0).IsSeparator());
    EXPECT_EQ(plain.items[0].type, tv::kMftSeparator);
}

TEST(MenuTemplate, FollowsTheHeaderOffsetAndAcceptsAnEmptyMenu) {
    // Classic: the offset counts from the end of the header.
    auto classic = tvtest::MenuTemplate({MenuItem::Command("Eins", 1)});
    classic.insert(classic.begin() + 4, {0xEE, 0xEE});
    classic[2] = 2;
    auto m = Parse(classic);
    EXPECT_TRUE(m.complete);
    EXPECT_EQ(m.headerOffset, 2u);
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].offset, 6u);
    EXPECT_EQ(m.items[0].text, "Eins");

    // Extended: from the end of the offset field, so 4 means right after the help id.
    auto extended = tvtest::MenuExTemplate({MenuItem::Command("Eins", 1)}, 9);
    extended.insert(extended.begin() + 8, {0xEE, 0xEE, 0xEE, 0xEE});
    extended[2] = 8;
    m = Parse(extended);
    EXPECT_TRUE(m.complete);
    EXPECT_EQ(m.helpId, 9u);
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].offset, 12u);

    // An offset past the end: the header is there, the entries are not.
    extended[2] = 0xF0;
    m = Parse(extended);
    EXPECT_FALSE(m.complete);
    EXPECT_TRUE(m.items.empty());
    ASSERT_EQ(m.diagnostics.size(), 1u);
    EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("244"), std::string::npos);

    // Only a header is an empty menu, in both forms.
    for (const auto& empty : {tvtest::MenuTemplate({}), tvtest::MenuExTemplate({})}) {
        m = Parse(empty);
        EXPECT_TRUE(m.complete);
        EXPECT_TRUE(m.items.empty());
        EXPECT_TRUE(m.diagnostics.empty());
    }
}

TEST(MenuTemplate, RefusesAMissingHeaderAndUnknownVersions) {
    MenuModel m;
    EXPECT_FALSE(tv::ParseMenuTemplate(tv::CByteView(), m));
    EXPECT_EQ(m.diagnostics.size(), 1u);
    const std::vector<uint8_t> classic = {0, 0, 0};
    EXPECT_FALSE(tv::ParseMenuTemplate(View(classic), m));
    // The extended header has the help id too.
    const std::vector<uint8_t> extended = {1, 0, 4, 0, 0, 0, 0};
    EXPECT_FALSE(tv::ParseMenuTemplate(View(extended), m));
    ASSERT_EQ(m.diagnostics.size(), 1u);
    EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("8 Bytes"), std::string::npos);

    auto bytes = tvtest::MenuTemplate({MenuItem::Command("x", 1)});
    bytes[0] = 2;
    EXPECT_FALSE(tv::ParseMenuTemplate(View(bytes), m));
    EXPECT_EQ(m.version, 2u);
    EXPECT_TRUE(m.items.empty());
    EXPECT_FALSE(m.complete);
    ASSERT_EQ(m.diagnostics.size(), 1u);
    EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("Version 2"), std::string::npos);
}

TEST(MenuTemplate, SurvivesEveryTruncation) {
    // Every prefix of both forms: the entries kept are the whole menu's first entries in the
    // same places, only the last one's text may be shorter, and every cut is noted once.
    for (const bool extended : {false, true}) {
        const auto full = extended ? tvtest::MenuExTemplate(TypicalMenu(), 5)
                                   : tvtest::MenuTemplate(TypicalMenu());
        const MenuModel wholeModel = Parse(full);
        const auto whole = Flatten(wholeModel.items);
        const size_t header = extended ? 8 : 4;
        for (size_t length = 0; length < full.size(); ++length) {
            SCOPED_TRACE(std::to_string(length) + (extended ? " ex" : ""));
            const std::vector<uint8_t> cut(full.begin(), full.begin() + length);
            MenuModel m;
            ASSERT_EQ(tv::ParseMenuTemplate(View(cut), m), length >= header);
            if (length == header) {
                EXPECT_TRUE(m.complete);  // indistinguishable from an empty menu
                continue;
            }
            EXPECT_FALSE(m.complete);
            ASSERT_EQ(m.diagnostics.size(), 1u);
            const auto read = Flatten(m.items);
            ASSERT_EQ(read.size(), m.entryCount);
            ASSERT_LE(read.size(), whole.size());
            for (size_t i = 0; i < read.size(); ++i) {
                const MenuEntry& a = *read[i].second;
                const MenuEntry& b = *whole[i].second;
                EXPECT_EQ(read[i].first, whole[i].first) << i;
                EXPECT_EQ(a.offset, b.offset) << i;
                EXPECT_EQ(a.id, b.id) << i;
                EXPECT_EQ(a.popup, b.popup) << i;
                if (i + 1 == read.size()) {
                    EXPECT_EQ(b.text.rfind(a.text, 0), 0u) << i;
                } else {
                    EXPECT_EQ(a.text, b.text) << i;
                }
            }
        }
    }
}

TEST(MenuTemplate, NotesAMissingEndMarkAnEmptyPopupAndAnEndlessText) {
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended);
        const auto build = [extended](const std::vector<MenuItem>& items) {
            return extended ? tvtest::MenuExTemplate(items) : tvtest::MenuTemplate(items);
        };
        // The last item lacks MF_END: the data ends where the next item should be.
        MenuItem last = MenuItem::Command("Zwei", 2);
        last.flagsField = 0;
        auto m = Parse(build({MenuItem::Command("Eins", 1), last}));
        EXPECT_FALSE(m.complete);
        EXPECT_EQ(m.items.size(), 2u);
        ASSERT_EQ(m.diagnostics.size(), 1u);
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("MF_END"), std::string::npos);

        // A popup at the very end has no entries.
        m = Parse(build({MenuItem::Command("Eins", 1), MenuItem::Popup("&Leer", {})}));
        EXPECT_FALSE(m.complete);
        ASSERT_EQ(m.items.size(), 2u);
        EXPECT_TRUE(m.items[1].popup);
        EXPECT_TRUE(m.items[1].children.empty());
        ASSERT_EQ(m.diagnostics.size(), 1u);
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("\"&Leer\""), std::string::npos);
        // A long name is shortened in the note, between two characters.
        std::string longName;
        for (int i = 0; i < 300; ++i)
            longName += "Ä";
        m = Parse(build({MenuItem::Popup(longName, {})}));
        ASSERT_EQ(m.diagnostics.size(), 1u);
        EXPECT_TRUE(tv::IsValidUtf8(tv::NoteText(m.diagnostics[0])));
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find(longName.substr(0, 80) + "\"…"),
                  std::string::npos);
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("hat keine Einträge"), std::string::npos);

        // Elsewhere an empty popup takes the next item as its own, as the system reads it, and
        // its level then lacks its end.
        m = Parse(build({MenuItem::Popup("Leer", {}), MenuItem::Command("Danach", 3)}));
        ASSERT_EQ(m.items.size(), 1u);
        ASSERT_EQ(m.items[0].children.size(), 1u);
        EXPECT_EQ(m.items[0].children[0].text, "Danach");
        EXPECT_FALSE(m.complete);

        // The last text runs to the end: kept as far as it goes.
        auto bytes = build({MenuItem::Command("Eins", 1), MenuItem::Command("Endlos", 2)});
        // Off go the padding, the terminator and the 's' (whose high byte is zero too).
        while (bytes.back() == 0)
            bytes.pop_back();
        bytes.pop_back();
        m = Parse(bytes);
        EXPECT_FALSE(m.complete);
        ASSERT_EQ(m.items.size(), 2u);
        EXPECT_EQ(m.items[1].text, "Endlo");
        ASSERT_EQ(m.diagnostics.size(), 1u);
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("Nullzeichen"), std::string::npos);
    }
}

TEST(MenuTemplate, BoundsTheDepthAndTheNumberOfEntries) {
    // A chain of popups 100000 levels deep, each a popup with an empty text: the reader goes no
    // deeper than its bound and says so.
    tvtest::ResourceWriter deep;
    deep.U16(0).U16(0);
    for (int i = 0; i < 100000; ++i)
        deep.U16(tvtest::kMfPopup | tvtest::kMfEnd).U16(0);
    auto m = Parse(deep.Take());
    EXPECT_FALSE(m.complete);
    EXPECT_EQ(m.entryCount, tv::kMaxMenuDepth);
    const auto flat = Flatten(m.items);
    EXPECT_EQ(flat.back().first, tv::kMaxMenuDepth);
    ASSERT_EQ(m.diagnostics.size(), 1u);
    EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("16 Ebenen"), std::string::npos);

    // Exactly as deep as allowed, with a command at the bottom, is a whole menu.
    MenuItem chain = MenuItem::Command("Boden", 1);
    for (size_t level = 1; level < tv::kMaxMenuDepth; ++level)
        chain = MenuItem::Popup("Ebene", {chain});
    m = Parse(tvtest::MenuExTemplate({chain}));
    EXPECT_TRUE(m.complete);
    EXPECT_EQ(Flatten(m.items).back().first, tv::kMaxMenuDepth);
    EXPECT_EQ(Flatten(m.items).back().second->text, "Boden");

    // 200000 commands on one level, the last with MF_END: the bound stops the reading, fast.
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended);
        std::vector<MenuItem> many(200000, MenuItem::Command("x", 1));
        const auto bytes = extended ? tvtest::MenuExTemplate(many) : tvtest::MenuTemplate(many);
        const auto start = std::chrono::steady_clock::now();
        m = Parse(bytes);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_FALSE(m.complete);
        EXPECT_EQ(m.items.size(), tv::kMaxMenuEntries);
        ASSERT_EQ(m.diagnostics.size(), 1u);
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("4096"), std::string::npos);
    }
}

TEST(MenuTemplate, KeepsItsPromisesOnFlippedBytes) {
    // Every byte of both forms set to a few hostile values: the reader never leaves the
    // template, never nests deeper than its bound, and notes every incomplete read.
    for (const bool extended : {false, true}) {
        const auto full =
            extended ? tvtest::MenuExTemplate(TypicalMenu()) : tvtest::MenuTemplate(TypicalMenu());
        for (size_t at = 0; at < full.size(); ++at) {
            for (const uint8_t value : {0x00, 0x01, 0x10, 0x80, 0x91, 0xFF}) {
                auto bytes = full;
                bytes[at] = value;
                MenuModel m;
                const bool ok = tv::ParseMenuTemplate(View(bytes), m);
                const auto flat = Flatten(m.items);
                ASSERT_EQ(flat.size(), m.entryCount) << at;
                for (const auto& [depth, entry] : flat) {
                    ASSERT_LE(depth, tv::kMaxMenuDepth);
                    ASSERT_LT(entry->offset, bytes.size());
                }
                ASSERT_EQ(m.complete, ok && m.diagnostics.empty()) << at;
                ASSERT_LE(m.diagnostics.size(), 1u);
            }
        }
    }
}

TEST(MenuTemplateWine, ReadsEveryMenuOfRealModulesWhole) {
    const char* folder = std::getenv("TARNVIEW_WINE_MODULES");
    if (!folder || !std::filesystem::is_directory(folder))
        GTEST_SKIP() << "set TARNVIEW_WINE_MODULES to a folder of PE modules";
    size_t menus = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        if (!file.is_regular_file()) continue;
        tv::CResourceCatalog catalog;
        if (!catalog.Enumerate(file.path().string())) continue;
        for (const tv::CResourceEntry& entry : catalog.Entries()) {
            if (entry.type.IsName() || entry.type.GetNumber() != tv::kRtMenu) continue;
            const auto data = catalog.GetData(entry.type, entry.id);
            ASSERT_TRUE(data) << file.path();
            MenuModel m;
            ASSERT_TRUE(tv::ParseMenuTemplate(*data, m)) << file.path();
            EXPECT_TRUE(m.complete) << file.path() << ' ' << entry.name;
            EXPECT_TRUE(m.diagnostics.empty()) << file.path() << ' ' << entry.name;
            EXPECT_GT(m.entryCount, 0u) << file.path() << ' ' << entry.name;
            ++menus;
        }
    }
    if (menus == 0) GTEST_SKIP() << "no menus in " << folder;
}

TEST(MenuOutline, ShowsEachEntryIndentedByLevel) {
    auto items = std::vector<MenuItem>{
        MenuItem::Popup("&Datei",
                        {MenuItem::Command("&Neu\tStrg+N", 100, tvtest::kMfChecked),
                         MenuItem::Separator(), MenuItem::Command("Zitat \"x\"", 101, 0x4001)}),
        MenuItem::Command("&Hilfe", 0x102, 0x1000)};
    EXPECT_EQ(tv::MenuOutline(Parse(tvtest::MenuTemplate(items))),
              "MENU entries=5\n"
              "  POPUP id=0 text=\"&Datei\" type=0x00000000 state=0x00000000 flags=0x0010 "
              "offset=0x4\n"
              "    ITEM id=100 text=\"&Neu\\tStrg+N\" type=0x00000000 state=0x00000008 "
              "flags=0x0008 offset=0x14 CHECKED\n"
              "    SEPARATOR id=0 text=\"\" type=0x00000800 state=0x00000000 flags=0x0000 "
              "offset=0x30\n"
              "    ITEM id=101 text=\"Zitat \\\"x\\\"\" type=0x00004000 state=0x00000001 "
              "flags=0x4081 offset=0x36 GRAYED RIGHTJUSTIFY\n"
              "  ITEM id=258 text=\"&Hilfe\" type=0x00000000 state=0x00001000 flags=0x1080 "
              "offset=0x4e DEFAULT\n");

    // Extended, cut inside the last item's fixed part (it starts at 132): that item is gone.
    items[0].helpId = 77;
    items[0].children[2].type = tv::kMftRadioCheck;
    items[0].children[2].state = tv::kMfsDisabledBit;
    auto cut = tvtest::MenuExTemplate(items, 3);
    cut.resize(140);
    EXPECT_EQ(tv::MenuOutline(Parse(cut)),
              "MENUEX helpid=3 entries=4\n"
              "  POPUP id=0 text=\"&Datei\" type=0x00000000 state=0x00000000 flags=0x0001 "
              "helpid=77 offset=0x8\n"
              "    ITEM id=100 text=\"&Neu\\tStrg+N\" type=0x00000000 state=0x00000000 "
              "flags=0x0000 offset=0x28\n"
              "    SEPARATOR id=0 text=\"\" type=0x00000800 state=0x00000000 flags=0x0000 "
              "offset=0x50\n"
              "    ITEM id=101 text=\"Zitat \\\"x\\\"\" type=0x00000200 state=0x00000002 "
              "flags=0x0080 offset=0x60 DISABLED RADIOCHECK\n"
              "NOTE Das Menü endet mitten in einem Eintrag (ab Byte 132).\n");
}

}  // namespace
