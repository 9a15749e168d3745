// The dialog template reader over templates from the builder: every field of both layouts, the
// name-or-ordinal forms, fonts, item alignment, the two ways of counting creation data, damaged
// templates, and the header changes the preview makes on its private copy.
#include "resources/DialogTemplate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "support/ResourceBuilders.h"

namespace {

using tv::CreationDataLayout;
using tv::DialogModel;
using tvtest::Control;
using tvtest::DialogTemplate;
using tvtest::NameOrId;

tv::CByteView View(const std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size()}; }

DialogModel Parse(const std::vector<uint8_t>& bytes) {
    DialogModel model;
    EXPECT_TRUE(tv::ParseDialogTemplate(View(bytes), model));
    return model;
}

uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

// One item of every predefined class, a custom class, ordinal and text titles.
DialogTemplate EveryKindOfItem(DialogTemplate t) {
    t.Style(0x80C80000u | tv::kWsVisible)
        .ExStyle(0x00010000)
        .Rect(10, -20, 186, 95)
        .Menu(NameOrId::Ordinal(128))
        .WindowClass("TarnviewDlg")
        .Title("Öffnen €")
        .Font(9, "Segoe UI", 700, 1, 204)
        .Add(Control(tvtest::kButtonAtom, 1, "OK", 7, 74, 50, 14, 0x50010001))
        .Add(Control(tvtest::kEditAtom, 1001, "", 7, 7, 100, 12, 0x50810080))
        .Add(Control(tvtest::kStaticAtom, 0xFFFF, NameOrId::Ordinal(3), 110, 7, 21, 20))
        .Add(Control(tvtest::kListBoxAtom, 1002, "", 7, 22, 100, 40))
        .Add(Control(tvtest::kScrollBarAtom, 1003, "", 110, 30, 10, 40))
        .Add(Control(tvtest::kComboBoxAtom, 1004, "", 7, 60, 100, 60));
    tvtest::DialogItem custom = Control(0, 1005, "Liste", -3, 200, 60, 30);
    custom.windowClass = "SysListView32";
    custom.exStyle = 0x200;
    t.Add(custom);
    return t;
}

TEST(DialogTemplate, ReadsEveryFieldOfAClassicTemplate) {
    const DialogTemplate builder = EveryKindOfItem(DialogTemplate());
    const auto bytes = builder.Build();
    const DialogModel m = Parse(bytes);

    EXPECT_FALSE(m.extended);
    EXPECT_TRUE(m.complete);
    EXPECT_TRUE(m.diagnostics.empty());
    EXPECT_EQ(m.style, 0x90C80040u);
    EXPECT_EQ(m.exStyle, 0x00010000u);
    EXPECT_EQ(m.itemCount, 7u);
    EXPECT_EQ(m.x, 10);
    EXPECT_EQ(m.y, -20);
    EXPECT_EQ(m.cx, 186);
    EXPECT_EQ(m.cy, 95);
    EXPECT_TRUE(m.menu.IsOrdinal());
    EXPECT_EQ(m.menu.ordinal, 128u);
    EXPECT_TRUE(m.windowClass.IsName());
    EXPECT_EQ(m.windowClass.name, "TarnviewDlg");
    EXPECT_EQ(m.caption, "Öffnen €");
    ASSERT_TRUE(m.font);
    // The classic font block has no weight, italic or character set.
    EXPECT_EQ(*m.font, (tv::DialogFont{9, 0, 0, 1, "Segoe UI"}));

    ASSERT_EQ(m.controls.size(), 7u);
    const std::vector<std::string> classes = {"Button",    "Edit",     "Static",       "ListBox",
                                              "ScrollBar", "ComboBox", "SysListView32"};
    const auto offsets = builder.ItemOffsets();
    for (size_t i = 0; i < m.controls.size(); ++i) {
        EXPECT_EQ(m.controls[i].ClassText(), classes[i]) << i;
        EXPECT_EQ(m.controls[i].offset, offsets[i]) << i;
        EXPECT_EQ(m.controls[i].offset % 4, 0u) << i;
    }
    const tv::DialogControl& ok = m.controls[0];
    EXPECT_EQ(ok.style, 0x50010001u);
    EXPECT_EQ(ok.id, 1u);
    EXPECT_EQ(ok.title.name, "OK");
    EXPECT_EQ(ok.x, 7);
    EXPECT_EQ(ok.y, 74);
    EXPECT_EQ(ok.cx, 50);
    EXPECT_EQ(ok.cy, 14);
    EXPECT_EQ(ok.creationDataLayout, CreationDataLayout::kNone);
    // A classic id is a WORD: IDC_STATIC reads as 65535.
    EXPECT_EQ(m.controls[2].id, 0xFFFFu);
    EXPECT_TRUE(m.controls[2].title.IsOrdinal());
    EXPECT_EQ(m.controls[2].title.ordinal, 3u);
    EXPECT_TRUE(m.controls[1].title.IsNone());
    EXPECT_EQ(m.controls[6].exStyle, 0x200u);
    EXPECT_EQ(m.controls[6].x, -3);
    EXPECT_EQ(m.controls[6].title.name, "Liste");
    EXPECT_EQ(m.controls[6].endOffset, bytes.size());
}

TEST(DialogTemplate, ReadsEveryFieldOfAnExtendedTemplate) {
    DialogTemplate builder = EveryKindOfItem(DialogTemplate::Extended());
    builder.HelpId(0xCAFEF00D);
    tvtest::DialogItem wide = Control(tvtest::kButtonAtom, 0x12345678, "&Weiter >", 1, 2, 3, 4);
    wide.helpId = 77;
    wide.exStyle = 0x4;
    builder.Add(wide);
    const auto bytes = builder.Build();
    const DialogModel m = Parse(bytes);

    EXPECT_TRUE(m.extended);
    EXPECT_TRUE(m.complete);
    EXPECT_TRUE(m.diagnostics.empty());
    EXPECT_EQ(m.version, 1u);
    EXPECT_EQ(m.signature, 0xFFFFu);
    EXPECT_EQ(m.helpId, 0xCAFEF00Du);
    EXPECT_EQ(m.style, 0x90C80040u);
    EXPECT_EQ(m.exStyle, 0x00010000u);
    EXPECT_EQ(m.itemCount, 8u);
    EXPECT_EQ(m.x, 10);
    EXPECT_EQ(m.y, -20);
    EXPECT_EQ(m.cx, 186);
    EXPECT_EQ(m.cy, 95);
    EXPECT_EQ(m.menu.ordinal, 128u);
    EXPECT_EQ(m.windowClass.name, "TarnviewDlg");
    EXPECT_EQ(m.caption, "Öffnen €");
    ASSERT_TRUE(m.font);
    EXPECT_EQ(*m.font, (tv::DialogFont{9, 700, 1, 204, "Segoe UI"}));

    ASSERT_EQ(m.controls.size(), 8u);
    const auto offsets = builder.ItemOffsets();
    for (size_t i = 0; i < m.controls.size(); ++i)
        EXPECT_EQ(m.controls[i].offset, offsets[i]) << i;
    EXPECT_EQ(m.controls[2].ClassText(), "Static");
    EXPECT_EQ(m.controls[6].ClassText(), "SysListView32");
    const tv::DialogControl& last = m.controls[7];
    EXPECT_EQ(last.id, 0x12345678u);  // a DWORD in the extended form
    EXPECT_EQ(last.helpId, 77u);
    EXPECT_EQ(last.exStyle, 0x4u);
    EXPECT_EQ(last.style, tvtest::kWsChildVisible);
    EXPECT_EQ(last.title.name, "&Weiter >");
    EXPECT_EQ(last.x, 1);
    EXPECT_EQ(last.cy, 4);
}

TEST(DialogTemplate, TellsAbsentOrdinalAndNamedFieldsApart) {
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended);
        const auto none = Parse(DialogTemplate(extended).Build());
        EXPECT_TRUE(none.menu.IsNone());
        EXPECT_TRUE(none.windowClass.IsNone());
        EXPECT_EQ(none.caption, "");

        const auto named = Parse(DialogTemplate(extended)
                                     .Menu("MAINMENU")
                                     .WindowClass(NameOrId::Ordinal(0x8002))
                                     .Build());
        EXPECT_TRUE(named.menu.IsName());
        EXPECT_EQ(named.menu.name, "MAINMENU");
        EXPECT_TRUE(named.windowClass.IsOrdinal());
        EXPECT_EQ(named.windowClass.ordinal, 0x8002u);

        // An atom beyond the predefined six is kept as its number.
        tvtest::DialogItem item = Control(0x86, 5, NameOrId::Ordinal(0xFFFF), 0, 0, 1, 1);
        const auto odd = Parse(DialogTemplate(extended).Add(item).Build());
        ASSERT_EQ(odd.controls.size(), 1u);
        EXPECT_EQ(odd.controls[0].ClassText(), "#134");
        EXPECT_EQ(odd.controls[0].title.ordinal, 0xFFFFu);
    }
    EXPECT_EQ(tv::PredefinedClassName(0x7F), "");
}

TEST(DialogTemplate, ReadsTheFontBlockOnlyWithSetFont) {
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended);
        // Without DS_SETFONT the items follow the caption directly.
        const DialogTemplate plain = DialogTemplate(extended)
                                         .Style(0x80C80000)
                                         .Title("Ab")
                                         .Add(Control(tvtest::kButtonAtom, 1, "OK", 1, 2, 3, 4));
        const auto noFont = Parse(plain.Build());
        EXPECT_FALSE(noFont.font);
        ASSERT_EQ(noFont.controls.size(), 1u);
        EXPECT_EQ(noFont.controls[0].offset, plain.ItemOffsets()[0]);
        EXPECT_EQ(noFont.controls[0].title.name, "OK");

        // DS_SHELLFONT is DS_SETFONT with DS_FIXEDSYS; the builder's default face comes with it.
        const auto shell =
            Parse(DialogTemplate(extended).Style(0x80C80000 | tvtest::kDsShellFont).Build());
        ASSERT_TRUE(shell.font);
        EXPECT_EQ(shell.font->pointSize, 8u);
        EXPECT_EQ(shell.font->face, "MS Shell Dlg");
        EXPECT_EQ(shell.font->weight, extended ? 400u : 0u);
    }
}

TEST(DialogTemplate, AlignsEveryItemToADwordFromTheTemplatesStart) {
    // Captions and titles of every length mod 4 move the end of each part through all four
    // alignments; each item must still be found where the builder put it.
    for (const bool extended : {false, true}) {
        for (const char* caption : {"", "A", "AB", "ABC"}) {
            DialogTemplate t(extended);
            t.Title(caption);
            for (const char* title : {"", "x", "xy", "xyz", "wxyz"})
                t.Add(Control(tvtest::kStaticAtom, 9, title, 0, 0, 5, 5));
            const auto offsets = t.ItemOffsets();
            const auto m = Parse(t.Build());
            ASSERT_EQ(m.controls.size(), offsets.size());
            for (size_t i = 0; i < offsets.size(); ++i)
                EXPECT_EQ(m.controls[i].offset, offsets[i]) << extended << caption << i;
            EXPECT_EQ(m.controls[4].title.name, "wxyz");
        }
    }
}

// An item with creation data, then a plain item after it.
DialogTemplate WithCreationData(bool extended, std::vector<uint8_t> data,
                                std::optional<uint16_t> sizeField, const char* title = "t") {
    tvtest::DialogItem item = Control(tvtest::kButtonAtom, 1, title, 0, 0, 9, 9);
    item.creationData = std::move(data);
    item.creationDataSizeField = sizeField;
    DialogTemplate t(extended);
    t.Add(item).Add(Control(tvtest::kEditAtom, 2, "after", 5, 6, 7, 8));
    return t;
}

TEST(DialogTemplate, ReadsCreationDataCountedAsResourceCompilersDo) {
    for (const bool extended : {false, true}) {
        for (uint8_t size = 1; size <= 9; ++size) {
            for (const char* title : {"t", "tt"}) {
                std::vector<uint8_t> data(size);
                for (uint8_t i = 0; i < size; ++i)
                    data[i] = static_cast<uint8_t>(0xA0 + i);
                const auto t = WithCreationData(extended, data, std::nullopt, title);
                const auto m = Parse(t.Build());
                SCOPED_TRACE(std::to_string(size) + title + (extended ? " ex" : ""));
                ASSERT_EQ(m.controls.size(), 2u);
                EXPECT_TRUE(m.complete);
                EXPECT_EQ(m.controls[0].creationDataLayout, CreationDataLayout::kCountExcludesWord);
                EXPECT_EQ(m.controls[0].creationData, data);
                EXPECT_EQ(m.controls[0].creationDataField, size);
                EXPECT_EQ(m.controls[1].offset, t.ItemOffsets()[1]);
                EXPECT_EQ(m.controls[1].title.name, "after");
            }
        }
    }
}

TEST(DialogTemplate, AcceptsASizeWordThatCountsItself) {
    for (const bool extended : {false, true}) {
        for (uint8_t size = 1; size <= 8; ++size) {
            SCOPED_TRACE(std::to_string(size) + (extended ? " ex" : ""));
            const std::vector<uint8_t> data(size, 0xC5);
            const auto t = WithCreationData(extended, data, static_cast<uint16_t>(size + 2));
            const auto m = Parse(t.Build());
            ASSERT_EQ(m.controls.size(), 2u);
            EXPECT_TRUE(m.complete);
            EXPECT_EQ(m.controls[1].offset, t.ItemOffsets()[1]);
            EXPECT_EQ(m.controls[1].title.name, "after");
            // Where both readings put the next item at the same place the bytes cannot tell them
            // apart, and the compilers' reading takes two bytes of padding as data. Elsewhere
            // the compilers' reading would look for the next item four bytes too late.
            const uint64_t dataPos = m.controls[0].endOffset - m.controls[0].creationData.size();
            if (tv::AlignUp(dataPos + size + 2, 4) == tv::AlignUp(dataPos + size, 4)) {
                EXPECT_EQ(m.controls[0].creationDataLayout, CreationDataLayout::kCountExcludesWord);
                EXPECT_EQ(m.controls[0].creationData.size(), size + 2u);
                continue;
            }
            EXPECT_EQ(m.controls[0].creationDataLayout, CreationDataLayout::kCountIncludesWord);
            EXPECT_EQ(m.controls[0].creationData, data);
        }
        // The last item: only the self-counting reading fits inside the template.
        tvtest::DialogItem item = Control(tvtest::kButtonAtom, 1, "t", 0, 0, 9, 9);
        item.creationData = {7, 8};
        item.creationDataSizeField = 4;
        const auto last = Parse(DialogTemplate(extended).Add(item).Build());
        ASSERT_EQ(last.controls.size(), 1u);
        EXPECT_TRUE(last.complete);
        EXPECT_TRUE(last.diagnostics.empty());
        EXPECT_EQ(last.controls[0].creationDataLayout, CreationDataLayout::kCountIncludesWord);
        EXPECT_EQ(last.controls[0].creationData, (std::vector<uint8_t>{7, 8}));
    }
}

TEST(DialogTemplate, KeepsTheWholeItemsWhenTheCountClaimsMore) {
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended);
        DialogTemplate t(extended);
        t.Add(Control(tvtest::kButtonAtom, 1, "OK", 0, 0, 1, 1))
            .Add(Control(tvtest::kButtonAtom, 2, "Abbrechen", 0, 0, 1, 1))
            .Force({.itemCount = 60000});
        const auto m = Parse(t.Build());
        EXPECT_FALSE(m.complete);
        EXPECT_EQ(m.itemCount, 60000u);
        ASSERT_EQ(m.controls.size(), 2u);
        EXPECT_EQ(m.controls[1].title.name, "Abbrechen");
        ASSERT_EQ(m.diagnostics.size(), 1u);
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("60000"), std::string::npos);
    }
}

TEST(DialogTemplate, SurvivesEveryTruncation) {
    // Every prefix of a template: the header parses once it is there, items that are kept are
    // exactly the full template's items, and whatever is cut is noted.
    for (const bool extended : {false, true}) {
        DialogTemplate t = EveryKindOfItem(DialogTemplate(extended));
        tvtest::DialogItem withData = Control(tvtest::kButtonAtom, 8, "d", 0, 0, 1, 1);
        withData.creationData = {1, 2, 3, 4, 5};
        t.Add(withData);
        const auto full = t.Build();
        const auto whole = Parse(full);
        ASSERT_TRUE(whole.complete);
        const size_t headerSize = tv::HeaderLayout(extended).size;
        for (size_t length = 0; length < full.size(); ++length) {
            const std::vector<uint8_t> cut(full.begin(), full.begin() + length);
            DialogModel m;
            const bool ok = tv::ParseDialogTemplate(View(cut), m);
            SCOPED_TRACE(std::to_string(length) + (extended ? " ex" : ""));
            ASSERT_EQ(ok, length >= headerSize);
            // Two bytes short, the last item's size word reads as counting itself, which a
            // whole template may do: that is the one cut that cannot be noticed.
            if (m.complete) {
                ASSERT_EQ(m.controls.size(), whole.controls.size());
                EXPECT_EQ(m.controls.back().creationDataLayout,
                          CreationDataLayout::kCountIncludesWord);
            } else {
                EXPECT_FALSE(m.diagnostics.empty());
            }
            ASSERT_LE(m.controls.size(), whole.controls.size());
            for (size_t i = 0; i < m.controls.size(); ++i) {
                const auto& c = m.controls[i];
                EXPECT_EQ(c.title, whole.controls[i].title);
                EXPECT_EQ(c.id, whole.controls[i].id);
                const auto& data = whole.controls[i].creationData;
                ASSERT_LE(c.creationData.size(), data.size());
                EXPECT_TRUE(std::equal(c.creationData.begin(), c.creationData.end(), data.begin()));
            }
        }
    }
}

TEST(DialogTemplate, NotesUnterminatedStringsAndHugeCreationData) {
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended);
        // The caption runs to the end: its text is kept, there is nothing after it.
        auto bytes = DialogTemplate(extended).Style(0x80C80000).Title("Fenster").Build();
        bytes.resize(bytes.size() - 2);
        auto m = Parse(bytes);
        EXPECT_EQ(m.caption, "Fenster");
        EXPECT_FALSE(m.complete);
        ASSERT_EQ(m.diagnostics.size(), 1u);
        EXPECT_NE(tv::NoteText(m.diagnostics[0]).find("Titel"), std::string::npos);

        // An item's class name without terminator drops the item.
        tvtest::DialogItem item = Control(0, 1, "", 0, 0, 1, 1);
        item.windowClass = "SysTreeView32";
        bytes = DialogTemplate(extended).Style(0x80C80000).Add(item).Build();
        bytes.resize(bytes.size() - 6);  // size word, title and the class's terminator
        m = Parse(bytes);
        EXPECT_TRUE(m.controls.empty());
        EXPECT_NE(tv::NoteText(m.diagnostics.at(0)).find("Klassenfeld"), std::string::npos);

        // A size word of 65535 with three bytes behind it: the item stays, with what exists.
        item = Control(tvtest::kButtonAtom, 1, "B", 0, 0, 1, 1);
        item.creationData = {9, 9, 9};
        item.creationDataSizeField = 0xFFFF;
        DialogTemplate t(extended);
        t.Add(item).Add(Control(tvtest::kButtonAtom, 2, "C", 0, 0, 1, 1));
        m = Parse(t.Build());
        ASSERT_EQ(m.controls.size(), 1u);
        EXPECT_TRUE(m.controls[0].creationDataTruncated);
        EXPECT_EQ(m.controls[0].creationDataField, 0xFFFFu);
        EXPECT_EQ(m.controls[0].creationData.size(),
                  t.Build().size() - t.ItemOffsets()[0] - (extended ? 24u : 18u) - 4u - 4u - 2u);
        EXPECT_EQ(m.diagnostics.size(), 2u);
    }
}

TEST(DialogTemplate, ReadsOddEndsAndOddHeaders) {
    // A stray byte after the last item, and a template cut inside the last item's padding.
    auto bytes = DialogTemplate().Add(Control(tvtest::kButtonAtom, 1, "O", 0, 0, 1, 1)).Build();
    bytes.push_back(0x5A);
    EXPECT_TRUE(Parse(bytes).complete);
    DialogTemplate two;
    two.Title("A").Add(Control(tvtest::kButtonAtom, 1, "", 0, 0, 1, 1));
    two.Add(Control(tvtest::kButtonAtom, 2, "", 0, 0, 1, 1));
    bytes = two.Build();
    bytes.resize(two.ItemOffsets()[1] - 1);
    auto m = Parse(bytes);
    EXPECT_EQ(m.controls.size(), 1u);
    EXPECT_FALSE(m.complete);

    // Shorter than the fixed header: nothing to show.
    DialogModel none;
    const std::vector<uint8_t> stub = {1, 0, 0xFF, 0xFF, 0, 0};
    EXPECT_FALSE(tv::ParseDialogTemplate(View(stub), none));
    EXPECT_TRUE(none.extended);
    EXPECT_EQ(none.diagnostics.size(), 1u);
    EXPECT_FALSE(tv::ParseDialogTemplate(tv::CByteView(), none));

    // An unknown extended version is read in the version 1 layout, and said so.
    bytes = DialogTemplate::Extended().Force({.dlgVer = 2}).Title("V2").Build();
    m = Parse(bytes);
    EXPECT_EQ(m.version, 2u);
    EXPECT_EQ(m.caption, "V2");
    EXPECT_TRUE(m.complete);
    EXPECT_EQ(m.diagnostics.size(), 1u);

    // Unpaired surrogates become U+FFFD rather than being narrowed or dropped.
    m = Parse(DialogTemplate().Title(std::u16string(u"a\xD800z")).Build());
    EXPECT_EQ(m.caption, "a\xEF\xBF\xBDz");
}

TEST(DialogTemplate, ReadsTheMostItemsWithoutAZeroUnitInLinearTime) {
    // 65535 items in which no 16-bit unit is zero, padding included, each with creation data
    // whose two readings place the next item differently. Probing the self-counting reading lands
    // in the middle of the next item and reads a "class name" that never ends; unbounded, every
    // probe would scan to the end of the template.
    tvtest::ResourceWriter w;
    w.U32(0x80C80000).U32(0).U16(0xFFFF).I16(0).I16(0).I16(100).I16(50);
    w.U16(0).U16(0).Utf16Z("");  // menu, class, caption
    w.Align(4);
    for (int i = 0; i < 0xFFFF; ++i) {
        w.U32(0x50010001).U32(0x00010001).I16(1).I16(1).I16(1).I16(1).U16(0x0101);
        w.U16(0xFFFF).U16(0x80).U16(0xFFFF).U16(0x0101);  // Button, title ordinal
        w.U16(6).U16(0x0202).U16(0x0303).U16(0x0404);     // six bytes of creation data
        w.U16(0xABAB);                                    // padding that is not zero
    }
    const auto bytes = w.Take();
    const DialogModel m = Parse(bytes);
    EXPECT_TRUE(m.complete);
    ASSERT_EQ(m.controls.size(), 0xFFFFu);
    EXPECT_EQ(m.controls.back().offset, bytes.size() - 36);
    EXPECT_EQ(m.controls.back().creationData, (std::vector<uint8_t>{2, 2, 3, 3, 4, 4}));
}

// ---- the header changes ------------------------------------------------------------------------

TEST(DialogPreviewChanges, HideTheDialogOffScreenInTheClassicLayout) {
    const DialogTemplate builder = EveryKindOfItem(DialogTemplate());
    const auto original = builder.Build();
    tv::PreparedDialog prepared;
    ASSERT_TRUE(tv::PrepareDialogForPreview(View(original), prepared));

    EXPECT_EQ(prepared.model.style, (0x90C80040u & ~tv::kWsVisible) | 0x5u);
    EXPECT_EQ(prepared.model.x, -186);
    EXPECT_EQ(prepared.model.y, -95);
    EXPECT_EQ(prepared.model.cx, 186);
    EXPECT_EQ(prepared.model.cy, 95);
    EXPECT_EQ(prepared.model.controls.size(), 7u);

    // Only style (0..3), x (10..11) and y (12..13) differ from the original bytes.
    ASSERT_EQ(prepared.bytes.size(), original.size());
    for (size_t i = 0; i < original.size(); ++i) {
        if (i < 4 || (i >= 10 && i < 14)) continue;
        EXPECT_EQ(prepared.bytes[i], original[i]) << i;
    }
    EXPECT_EQ(Word(prepared.bytes, 10), static_cast<uint16_t>(-186));
    EXPECT_EQ(Word(prepared.bytes, 12), static_cast<uint16_t>(-95));

    // Twice gives the same bytes; a template that is already hidden changes the same way.
    auto again = prepared.bytes;
    ASSERT_TRUE(tv::ApplyPreviewChanges(again));
    EXPECT_EQ(again, prepared.bytes);
    DialogTemplate hidden = EveryKindOfItem(DialogTemplate());
    hidden.Style(0x80C80040);
    tv::PreparedDialog hiddenPrepared;
    ASSERT_TRUE(tv::PrepareDialogForPreview(View(hidden.Build()), hiddenPrepared));
    EXPECT_EQ(hiddenPrepared.model.style, 0x80C80045u);
    EXPECT_EQ(hiddenPrepared.model.x, -186);
}

TEST(DialogPreviewChanges, UseTheExtendedOffsetsForExtendedTemplates) {
    DialogTemplate builder = EveryKindOfItem(DialogTemplate::Extended());
    builder.HelpId(0x11223344);
    const auto original = builder.Build();
    std::vector<uint8_t> bytes = original;
    ASSERT_TRUE(tv::ApplyPreviewChanges(bytes));

    // Version, signature, help id and extended style stay; style at 12, x at 18, y at 20 change.
    for (size_t i = 0; i < original.size(); ++i) {
        if ((i >= 12 && i < 16) || (i >= 18 && i < 22)) continue;
        EXPECT_EQ(bytes[i], original[i]) << i;
    }
    const DialogModel m = Parse(bytes);
    EXPECT_TRUE(m.extended);
    EXPECT_EQ(m.version, 1u);
    EXPECT_EQ(m.helpId, 0x11223344u);
    EXPECT_EQ(m.exStyle, 0x00010000u);
    EXPECT_EQ(m.style, 0x80C80045u);
    EXPECT_EQ(m.x, -186);
    EXPECT_EQ(m.y, -95);
    EXPECT_EQ(m.itemCount, 7u);
    EXPECT_TRUE(m.complete);
}

TEST(DialogPreviewChanges, KeepHostileSizesOffScreenAndRefuseShortTemplates) {
    EXPECT_EQ(tv::OffScreenPosition(0), 0);
    EXPECT_EQ(tv::OffScreenPosition(32767), -32767);
    // Negating a negative width would move the window onto the screen, and -32768 has no
    // positive counterpart in 16 bits.
    EXPECT_EQ(tv::OffScreenPosition(-5), -5);
    EXPECT_EQ(tv::OffScreenPosition(-32768), -32768);

    const auto bytes = DialogTemplate().Rect(50, 60, -32768, -1).Build();
    tv::PreparedDialog prepared;
    ASSERT_TRUE(tv::PrepareDialogForPreview(View(bytes), prepared));
    EXPECT_EQ(prepared.model.x, -32768);
    EXPECT_EQ(prepared.model.y, -1);

    std::vector<uint8_t> shortBytes(25, 0);
    shortBytes[2] = shortBytes[3] = 0xFF;  // extended: needs 26 bytes
    const auto before = shortBytes;
    EXPECT_FALSE(tv::ApplyPreviewChanges(shortBytes));
    EXPECT_EQ(shortBytes, before);
    EXPECT_FALSE(tv::PrepareDialogForPreview(View(shortBytes), prepared));
    EXPECT_TRUE(prepared.bytes.empty());
}

// ---- text lines --------------------------------------------------------------------------------

TEST(DialogLines, DescribeTheDialogAndEachControl) {
    const auto m = Parse(EveryKindOfItem(DialogTemplate::Extended()).Build());
    EXPECT_EQ(tv::DialogLine(m),
              "DIALOGEX x=10 y=-20 cx=186 cy=95 style=0x90c80040 exstyle=0x00010000 helpid=0 "
              "items=7 caption=\"Öffnen €\" font=\"Segoe UI\" size=9 weight=700 italic=1 "
              "charset=204 menu=#128 class=\"TarnviewDlg\"");
    EXPECT_EQ(tv::ControlLine(m.controls[0], 0),
              "CONTROL 1 class=Button id=1 title=\"OK\" x=7 y=74 cx=50 cy=14 style=0x50010001 "
              "exstyle=0x00000000 helpid=0 data=0 sizeword=0 offset=0x60");
    EXPECT_EQ(tv::ControlLine(m.controls[2], 2).substr(0, 44),
              "CONTROL 3 class=Static id=65535 title=#3 x=1");
    EXPECT_NE(tv::ControlLine(m.controls[6], 6).find("class=\"SysListView32\""), std::string::npos);

    const auto classic = Parse(DialogTemplate().Style(0x80000000).Build());
    EXPECT_EQ(tv::DialogLine(classic),
              "DIALOG x=0 y=0 cx=100 cy=50 style=0x80000000 exstyle=0x00000000 helpid=0 items=0 "
              "caption=\"\" font=none menu=none class=none");
}

TEST(DialogLines, QuoteTextsSoEachRecordStaysOnOneLine) {
    EXPECT_EQ(tv::QuotedField("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(tv::QuotedField("1\n2\t3\r\x01\x7f"), "\"1\\n2\\t3\\r\\x01\\x7f\"");
    EXPECT_EQ(tv::QuotedField("Größe €"), "\"Größe €\"");
}

}  // namespace
