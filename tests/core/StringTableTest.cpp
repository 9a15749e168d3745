#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextCodec.h"

namespace {

using tv::LoadString;
using tv::PromptText;
using tv::TooltipText;

std::vector<uint32_t> Range(uint32_t first, uint32_t last) {
    std::vector<uint32_t> ids;
    for (uint32_t id = first; id <= last; ++id)
        ids.push_back(id);
    return ids;
}

void ExpectAllPresent(const std::vector<uint32_t>& ids) {
    for (const auto id : ids)
        EXPECT_TRUE(tv::HasString(id)) << "string " << id << " is missing";
}

TEST(StringTable, IsSortedUniqueAndValidUtf8) {
    const auto all = tv::AllStrings();
    ASSERT_FALSE(all.empty());
    for (std::size_t i = 1; i < all.size(); ++i) {
        EXPECT_LT(all[i - 1].id, all[i].id) << "at index " << i;
    }
    for (const auto& entry : all) {
        EXPECT_FALSE(entry.text.empty()) << "string " << entry.id;
        EXPECT_TRUE(tv::IsValidUtf8(entry.text)) << "string " << entry.id;
        // Lookup must find every entry, first and last included.
        EXPECT_EQ(LoadString(entry.id).data(), entry.text.data()) << "string " << entry.id;
    }
}

TEST(StringTable, HoldsEveryIdTheProgramUses) {
    ExpectAllPresent({100, 128, 57344, 59137, 59138, 59139});
    ExpectAllPresent(Range(1000, 1007));
    ExpectAllPresent(Range(2000, 2020));
    ExpectAllPresent(Range(2032, 2039));
    ExpectAllPresent(Range(2048, 2056));
    ExpectAllPresent(Range(2062, 2102));
    ExpectAllPresent(Range(3000, 3004));
    ExpectAllPresent(Range(61856, 61870));
    // Command prompts: main window, view modes, module windows' toolbars, standard commands.
    ExpectAllPresent({32771, 32772, 32773, 32774, 32775, 32776, 32777, 32778, 32779, 32780,
                      32781, 32782, 32785, 32786, 32792, 32796, 32802, 32805, 32806, 32808});
    ExpectAllPresent({57601, 57607, 57634, 57635, 57637, 57643, 57653, 57664, 57665, 57680, 57681,
                      59392, 59393, 59408, 59409, 59410, 59411});
}

TEST(StringTable, UnknownIdsGiveEmptyTexts) {
    // 1013 to 1017 are the About box's statics, control ids rather than strings.
    for (const uint32_t id : {0u, 1u, 1013u, 2021u, 2057u, 4000u, 61871u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(tv::HasString(id)) << id;
        EXPECT_TRUE(PromptText(id).empty()) << id;
        EXPECT_TRUE(TooltipText(id).empty()) << id;
    }
}

TEST(StringTable, QuotedTextsAreExact) {
    EXPECT_EQ(LoadString(2017), "WAHR");
    EXPECT_EQ(LoadString(2018), "FALSCH");
    EXPECT_EQ(LoadString(2019), "%d.%m.%Y %H:%M:%S");
    EXPECT_EQ(LoadString(2102), "Sprache");
    EXPECT_EQ(LoadString(1002), "Modul %s kann nicht geladen werden.");
    EXPECT_EQ(LoadString(2034), "DOS Signatur: 0x%02x [%c%c]");
    EXPECT_EQ(LoadString(2036), "NT Signatur:");  // the name follows without a blank
    EXPECT_EQ(LoadString(2072), "<Unbekannt>");
    EXPECT_EQ(LoadString(2080),
              "Gr\xC3\xB6\xC3\x9F"
              "e auf Datentr\xC3\xA4ger");
    EXPECT_EQ(LoadString(1004),
              "An error occurred while saving the string table in a external file\n%s");
    EXPECT_EQ(LoadString(1007), "Can't set the path\n%s");
    EXPECT_EQ(LoadString(128), "Tarnview\n\nTarnv\n\n\nTarnview.Document\nTarnv Document");
    EXPECT_EQ(LoadString(61861), "Der Zugriff auf %1 wurde verweigert.");
}

TEST(StringTable, FileFiltersJoinIntoOneFilter) {
    // The save dialogs concatenate the pieces and close with one more "|".
    const std::string filter = std::string(LoadString(3001)) + std::string(LoadString(3002)) +
                               std::string(LoadString(3004)) + std::string(LoadString(3000)) + "|";
    EXPECT_EQ(filter,
              "Resource files (*.rc)|*.rc|Text files (*.txt)|*.txt|Binary data (*.bin)|*.bin|"
              "All Files (*.*)|*.*||");
    EXPECT_EQ(LoadString(3003), "Bitmaps (*.bmp)|*.bmp|");
}

TEST(StringTable, PromptAndTooltipSplitAtFirstLineFeed) {
    EXPECT_EQ(PromptText(32776), "Zeigt die Ressourcen des ausgew\xC3\xA4hlten Moduls.");
    EXPECT_EQ(TooltipText(32776), "Ressourcen");
    EXPECT_EQ(TooltipText(32777), "K\xC3\xB6pfe");
    EXPECT_EQ(TooltipText(32782),
              "\xC3\x9C"
              "bergeordneter Ordner");
    EXPECT_EQ(TooltipText(32772), "Ressourcedetails");
    EXPECT_EQ(TooltipText(59409),
              "Gro\xC3\x9F"
              "e Symbole");
    EXPECT_EQ(PromptText(32808), "Refreshes the view contents");
    EXPECT_EQ(TooltipText(32792), "Vollst\xC3\xA4ndige Anzeige");
    // Only the first line feed splits: the rest of the document string is the "tooltip".
    EXPECT_EQ(PromptText(128), "Tarnview");
    EXPECT_EQ(TooltipText(128), "\nTarnv\n\n\nTarnview.Document\nTarnv Document");
}

TEST(StringTable, StringWithoutLineFeedIsItsOwnTooltip) {
    EXPECT_EQ(PromptText(32805), "Save as...");
    EXPECT_EQ(TooltipText(32805), "Save as...");
    EXPECT_EQ(TooltipText(32806), "Hexadecimal display");
    EXPECT_EQ(TooltipText(32802), "Testdialog");
}

TEST(StringTable, EveryMainWindowPromptHasStatusAndTooltip) {
    for (const uint32_t id :
         {32771u, 32772u, 32773u, 32774u, 32775u, 32776u, 32777u, 32778u, 32779u, 32780u, 32781u,
          32782u, 32785u, 32786u, 32796u, 32808u, 57601u, 57607u, 57634u, 57635u, 57637u, 57643u,
          57653u, 57664u, 57665u, 57680u, 57681u, 59392u, 59393u, 59408u, 59409u, 59410u, 59411u}) {
        const auto text = LoadString(id);
        EXPECT_NE(text.find('\n'), std::string_view::npos) << id;
        EXPECT_FALSE(PromptText(id).empty()) << id;
        EXPECT_FALSE(TooltipText(id).empty()) << id;
        // Tooltips go into an 80-character buffer on the toolbars.
        EXPECT_LT(TooltipText(id).size(), 80u) << id;
    }
}

TEST(StringTable, FileErrorTextsNameTheFile) {
    for (uint32_t id = 61856; id <= 61870; ++id) {
        const auto text = LoadString(id);
        EXPECT_NE(text.find("%1"), std::string_view::npos) << id;
        EXPECT_EQ(text.find("%s"), std::string_view::npos) << id;
    }
}

TEST(StringTable, FormatStringResourceReplacesPercentS) {
    EXPECT_EQ(tv::FormatStringResource(1002, {"C:\\a.dll"}),
              "Modul C:\\a.dll kann nicht geladen werden.");
    EXPECT_EQ(tv::FormatStringResource(2076, {"56.320", "56"}), "56.320 bytes (~56 Kb)");
    // A missing argument leaves the conversion; a path with "%s" is not scanned again.
    EXPECT_EQ(tv::FormatStringResource(2076, {"1"}), "1 bytes (~%s Kb)");
    EXPECT_EQ(tv::FormatStringResource(1007, {"/tmp/%s%%"}), "Can't set the path\n/tmp/%s%%");
    // Other conversions stay for the caller's own formatting.
    EXPECT_EQ(tv::FormatStringResource(2075, {"x"}), "%u String(s)");
    EXPECT_EQ(tv::FormatStringResource(99999, {"x"}), "");
}

}  // namespace
