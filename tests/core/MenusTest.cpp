#include "res/Accelerators.h"
#include "res/Commands.h"
#include "res/Menus.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using tv::MenuItem;

// (command id, caption) of each entry; separators as (0, "-").
std::vector<std::pair<uint32_t, std::string>> Entries(std::span<const MenuItem> items) {
    std::vector<std::pair<uint32_t, std::string>> out;
    for (const MenuItem& item : items) {
        if (item.IsSeparator()) {
            out.emplace_back(0, "-");
        } else {
            out.emplace_back(item.command, std::string(item.text));
        }
    }
    return out;
}

// Every command the program's menus, toolbar and accelerators can send.
std::set<uint32_t> AllCommands() {
    std::set<uint32_t> ids;
    for (uint32_t menu : {tv::kMainMenu, tv::kContextMenus}) {
        for (uint32_t id : tv::MenuCommands(tv::GetMenu(menu)))
            ids.insert(id);
    }
    for (uint32_t id : tv::GetToolbar(tv::kMainToolbar)) {
        if (id != 0) ids.insert(id);
    }
    for (const auto& a : tv::GetAccelerators(tv::kMainAccelerators))
        ids.insert(a.command);
    return ids;
}

void ForEachMenu(std::span<const MenuItem> items, const std::string& path,
                 const std::function<void(std::span<const MenuItem>, const std::string&)>& f) {
    f(items, path);
    for (const MenuItem& item : items) {
        if (item.IsSubmenu()) ForEachMenu(item.children, path + "/" + std::string(item.text), f);
    }
}

TEST(Menus, EveryCommandHasAPromptAndATooltip) {
    const auto ids = AllCommands();
    EXPECT_EQ(ids.size(), 33u);
    for (uint32_t id : ids) {
        EXPECT_FALSE(tv::PromptText(id).empty()) << id;
        EXPECT_FALSE(tv::TooltipText(id).empty()) << id;
        EXPECT_EQ(tv::LoadString(id).find('\n'), tv::PromptText(id).size()) << id;
    }
}

TEST(Menus, ItemsAreWellFormed) {
    for (uint32_t menu : {tv::kMainMenu, tv::kContextMenus}) {
        ForEachMenu(tv::GetMenu(menu), std::to_string(menu),
                    [](std::span<const MenuItem> items, const std::string& path) {
                        std::set<std::string> mnemonics;
                        for (const MenuItem& item : items) {
                            SCOPED_TRACE(path + " " + std::string(item.text));
                            switch (item.kind) {
                                case tv::MenuItemKind::kCommand:
                                    EXPECT_NE(item.command, 0u);
                                    EXPECT_TRUE(item.children.empty());
                                    break;
                                case tv::MenuItemKind::kSeparator:
                                    EXPECT_TRUE(item.text.empty());
                                    continue;
                                case tv::MenuItemKind::kSubmenu:
                                    EXPECT_FALSE(item.children.empty());
                                    break;
                            }
                            const auto caption = item.Caption();
                            EXPECT_FALSE(caption.empty());
                            // One "&" at most, and no two entries of a menu share a mnemonic.
                            const auto amp = caption.find('&');
                            if (amp == std::string_view::npos) continue;
                            EXPECT_EQ(caption.find('&', amp + 1), std::string_view::npos);
                            ASSERT_LT(amp + 1, caption.size());
                            std::string key(caption.substr(amp + 1, 1));
                            if (static_cast<unsigned char>(key[0]) >= 0x80) {
                                key = std::string(caption.substr(amp + 1, 2));  // Ö, Ü
                            } else {
                                key[0] = static_cast<char>(std::tolower(key[0]));
                            }
                            EXPECT_TRUE(mnemonics.insert(key).second) << "mnemonic " << key;
                        }
                    });
    }
}

TEST(Menus, MainMenuBar) {
    const auto bar = tv::GetMenu(tv::kMainMenu);
    std::vector<std::string> titles;
    for (const MenuItem& item : bar) {
        EXPECT_TRUE(item.IsSubmenu());
        titles.emplace_back(item.text);
    }
    EXPECT_EQ(titles,
              (std::vector<std::string>{"&Datei", "&Bearbeiten", "&Ansicht", "&Extras", "&Hilfe"}));
    const auto edit = tv::GetPopup(tv::kMainMenu, 1);
    ASSERT_EQ(edit.size(), 7u);
    ASSERT_TRUE(edit[6].IsSubmenu());
    EXPECT_EQ(edit[6].text, "&Gehe zu");
    EXPECT_EQ(Entries(edit[6].children), (std::vector<std::pair<uint32_t, std::string>>{
                                             {32780, "&Zurück\tAlt+Links"},
                                             {32781, "&Vorwärts\tAlt+Rechts"},
                                             {32782, "Ü&bergeordneter Ordner\tAlt+Hoch"}}));
    EXPECT_EQ(
        tv::MenuCommands(bar),
        (std::vector<uint32_t>{57601, 32796, 32775, 32777, 32776, 57665, 57643, 57635, 57634,
                               57637, 32780, 32781, 32782, 59392, 59393, 57653, 32808, 59409,
                               59408, 59410, 59411, 32771, 32772, 32778, 32774, 57664, 32779}));
}

TEST(Menus, ContextPopupsHoldTheirEntriesInOrder) {
    using E = std::vector<std::pair<uint32_t, std::string>>;
    EXPECT_EQ(tv::GetMenu(tv::kContextMenus).size(), 4u);
    EXPECT_EQ(Entries(tv::GetPopup(tv::kContextMenus, tv::kPopupViewModes)),
              (E{{59409, "&Große Symbole"},
                 {59408, "&Kleine Symbole"},
                 {59410, "&Liste"},
                 {59411, "&Details"},
                 {32771, "&Versionsdetails"},
                 {32772, "&Ressourcendetails"}}));
    EXPECT_EQ(Entries(tv::GetPopup(tv::kContextMenus, tv::kPopupFolderTree)),
              (E{{32785, "&Erweitern"},
                 {32786, "&Reduzieren"},
                 {0, "-"},
                 {32796, "&Verzeichnis durchsuchen"},
                 {32775, "Ei&genschaften..."},
                 {0, "-"},
                 {32780, "&Zurück"},
                 {32781, "Vor&wärts"},
                 {32782, "Ü&bergeordneter Ordner"}}));
    EXPECT_EQ(Entries(tv::GetPopup(tv::kContextMenus, tv::kPopupModuleList)),
              (E{{57601, "&Öffnen"},
                 {32796, "&Durchsuchen"},
                 {0, "-"},
                 {32780, "&Zurück"},
                 {32781, "Vor&wärts"},
                 {32782, "Ü&bergeordneter Ordner"},
                 {0, "-"},
                 {32775, "Ei&genschaften..."},
                 {32777, "&Köpfe..."},
                 {32776, "Re&ssourcen..."}}));
    EXPECT_EQ(Entries(tv::GetPopup(tv::kContextMenus, tv::kPopupHeadersTree)),
              (E{{32785, "&Erweitern"},
                 {32786, "&Reduzieren"},
                 {0, "-"},
                 {32775, "Ei&genschaften..."},
                 {32777, "&Köpfe..."},
                 {32776, "Re&ssourcen..."}}));
}

TEST(Menus, ViewsDropDownRepeatsTheViewMenuModes) {
    const auto view = tv::GetPopup(tv::kMainMenu, 2);
    ASSERT_GE(view.size(), 6u);
    EXPECT_EQ(Entries(view.last(6)), Entries(tv::GetPopup(tv::kContextMenus, tv::kPopupViewModes)));
}

TEST(Menus, UnknownMenusAndPopupsAreEmpty) {
    EXPECT_TRUE(tv::GetMenu(129).empty());
    EXPECT_TRUE(tv::GetPopup(tv::kContextMenus, -1).empty());
    EXPECT_TRUE(tv::GetPopup(tv::kContextMenus, 4).empty());
    EXPECT_TRUE(tv::GetPopup(999, 0).empty());
    EXPECT_TRUE(tv::GetToolbar(129).empty());
    EXPECT_EQ(tv::GetToolbarImageSize(129).width, 0);
}

TEST(Menus, MainToolbarButtons) {
    const auto bar = tv::GetToolbar(tv::kMainToolbar);
    EXPECT_EQ(std::vector<uint32_t>(bar.begin(), bar.end()),
              (std::vector<uint32_t>{32780, 32781, 32782, 0, 57635, 57634, 57637, 0, 57607, 0,
                                     32773, 0, 57664}));
}

TEST(Menus, ModuleWindowToolbars) {
    auto entries = [](uint32_t id) {
        const auto bar = tv::GetToolbar(id);
        return std::vector<uint32_t>(bar.begin(), bar.end());
    };
    EXPECT_EQ(entries(tv::kHeadersToolbar), (std::vector<uint32_t>{32792, 0, 32775, 32776, 32777}));
    EXPECT_EQ(entries(tv::kStringPageToolbar), (std::vector<uint32_t>{32805, 32806}));
    EXPECT_EQ(entries(tv::kImagePageToolbar), (std::vector<uint32_t>{32805, 32802}));
    EXPECT_EQ(entries(tv::kRawPageToolbar), (std::vector<uint32_t>{32805, 32809}));
    EXPECT_EQ(tv::GetToolbarImageSize(tv::kHeadersToolbar).height, 16);
    EXPECT_EQ(tv::GetToolbarImageSize(tv::kRawPageToolbar).height, 15);
}

TEST(Accelerators, MenuShortcutTextsMatchTheTable) {
    // A menu that advertises a key must get it from the accelerator table, and its first key.
    int advertised = 0;
    for (uint32_t id : {tv::kMainMenu, tv::kContextMenus}) {
        ForEachMenu(tv::GetMenu(id), "", [&](std::span<const MenuItem> items, const std::string&) {
            for (const MenuItem& item : items) {
                if (item.ShortcutText().empty()) continue;
                ++advertised;
                const auto keys = tv::AcceleratorsFor(tv::kMainAccelerators, item.command);
                ASSERT_FALSE(keys.empty()) << item.text;
                EXPECT_EQ(tv::AcceleratorText(keys.front()), item.ShortcutText());
            }
        });
    }
    EXPECT_EQ(advertised, 8);
}

TEST(Accelerators, TableHoldsEachKeyOnce) {
    const auto table = tv::GetAccelerators(tv::kMainAccelerators);
    EXPECT_EQ(table.size(), 14u);
    std::set<std::pair<int, int>> keys;
    for (const auto& a : table) {
        EXPECT_TRUE(keys.insert({a.modifiers, a.key}).second) << tv::AcceleratorText(a);
        EXPECT_FALSE(tv::AcceleratorText(a).empty()) << a.key;
    }
    EXPECT_TRUE(tv::GetAccelerators(1).empty());
}

TEST(Accelerators, AlternativeKeysAndTexts) {
    std::vector<std::string> copy;
    for (const auto& a : tv::AcceleratorsFor(tv::kMainAccelerators, tv::cmd::kEditCopy))
        copy.push_back(tv::AcceleratorText(a));
    EXPECT_EQ(copy, (std::vector<std::string>{"Ctrl+C", "Ctrl+Einfg"}));
    EXPECT_EQ(tv::AcceleratorText({tv::kAccelShift, tv::vk::kF6, 0}), "Shift+F6");
    EXPECT_EQ(tv::AcceleratorText({tv::kAccelAlt, tv::vk::kBackspace, 0}), "Alt+Rück");
    EXPECT_EQ(tv::AcceleratorText({tv::kAccelShift, tv::vk::kDelete, 0}), "Shift+Entf");
    EXPECT_EQ(tv::AcceleratorText({0, 0x87, 0}), "F24");
    EXPECT_EQ(tv::AcceleratorText({tv::kAccelControl, 0x01, 0}), "");  // no name for it
}

}  // namespace
