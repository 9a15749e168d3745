// The program's menus and the main toolbar as constant tables: menu 128 is the main window's
// menu bar, menu 130 holds the context menus as its popups. Item captions are the menu's own
// literal texts ("&" marks the mnemonic, a tab starts the shortcut text); prompts and tooltips
// come from the string table under the command id.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tv {

inline constexpr uint32_t kMainMenu = 128;
inline constexpr uint32_t kContextMenus = 130;

// Popups of menu 130.
inline constexpr int kPopupViewModes = 0;    // the views drop-down of the main toolbar
inline constexpr int kPopupFolderTree = 1;   // right click in the folder tree
inline constexpr int kPopupModuleList = 2;   // right click in the module list
inline constexpr int kPopupHeadersTree = 3;  // right click in a headers window

inline constexpr uint32_t kMainToolbar = 128;
// The toolbars of the module windows, each built in place of its window's placeholder 1003.
inline constexpr uint32_t kHeadersToolbar = 131;     // headers window
inline constexpr uint32_t kStringPageToolbar = 138;  // string table page
inline constexpr uint32_t kImagePageToolbar = 142;   // image page
inline constexpr uint32_t kRawPageToolbar = 146;     // raw data page

enum class MenuItemKind : uint8_t { kCommand, kSeparator, kSubmenu };

struct MenuItem {
    MenuItemKind kind = MenuItemKind::kSeparator;
    uint32_t command = 0;                // kCommand only
    std::string_view text;               // kCommand and kSubmenu
    std::span<const MenuItem> children;  // kSubmenu only

    [[nodiscard]] bool IsSeparator() const noexcept { return kind == MenuItemKind::kSeparator; }
    [[nodiscard]] bool IsSubmenu() const noexcept { return kind == MenuItemKind::kSubmenu; }

    // The caption without the shortcut text after the tab.
    [[nodiscard]] std::string_view Caption() const noexcept;
    // The shortcut text after the tab ("Ctrl+Z", "Alt+Links"), empty when there is none.
    [[nodiscard]] std::string_view ShortcutText() const noexcept;
};

// The top-level items of a menu resource (the submenus of a menu bar, or the popups of menu
// 130), or an empty span for an id the program has no menu for.
[[nodiscard]] std::span<const MenuItem> GetMenu(uint32_t menuId) noexcept;

// The entries of top-level submenu `popup` of a menu; empty when the menu or the popup does
// not exist (a negative or too large index is not an error, just nothing to show).
[[nodiscard]] std::span<const MenuItem> GetPopup(uint32_t menuId, int popup) noexcept;

// Every command id of the menu's items, depth first, in item order (repeats kept).
[[nodiscard]] std::vector<uint32_t> MenuCommands(std::span<const MenuItem> items);

// The buttons of a toolbar resource in display order; 0 stands for a separator. Empty for an
// unknown id.
[[nodiscard]] std::span<const uint32_t> GetToolbar(uint32_t toolbarId) noexcept;

// The size of one button picture of a toolbar resource in pixels; {0, 0} for an unknown id.
struct ToolbarImageSize {
    int width = 0;
    int height = 0;
};
[[nodiscard]] ToolbarImageSize GetToolbarImageSize(uint32_t toolbarId) noexcept;

}  // namespace tv
