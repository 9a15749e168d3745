#include "res/Menus.h"

#include "res/Commands.h"

namespace tv {

namespace {

constexpr MenuItem Cmd(uint32_t command, std::string_view text) {
    return {MenuItemKind::kCommand, command, text, {}};
}
constexpr MenuItem Sep() { return {}; }
constexpr MenuItem Sub(std::string_view text, std::span<const MenuItem> children) {
    return {MenuItemKind::kSubmenu, 0, text, children};
}

// ---- menu 128: the main window's menu bar -----------------------------------------------------

constexpr MenuItem kFileMenu[] = {
    Cmd(cmd::kFileOpen, "&Öffnen"),
    Cmd(cmd::kExplore, "&Durchsuchen"),
    Sep(),
    Cmd(cmd::kProperties, "Ei&genschaften..."),
    Cmd(cmd::kHeaders, "&Köpfe..."),
    Cmd(cmd::kResources, "Re&ssourcen..."),
    Sep(),
    Cmd(cmd::kAppExit, "&Beenden"),
};

constexpr MenuItem kGoToMenu[] = {
    Cmd(cmd::kBack, "&Zurück\tAlt+Links"),
    Cmd(cmd::kForward, "&Vorwärts\tAlt+Rechts"),
    Cmd(cmd::kParentFolder, "Ü&bergeordneter Ordner\tAlt+Hoch"),
};

constexpr MenuItem kEditMenu[] = {
    Cmd(cmd::kEditUndo, "&Rückgängig\tCtrl+Z"),
    Sep(),
    Cmd(cmd::kEditCut, "A&usschneiden\tCtrl+X"),
    Cmd(cmd::kEditCopy, "&Kopieren\tCtrl+C"),
    Cmd(cmd::kEditPaste, "E&infügen\tCtrl+V"),
    Sep(),
    Sub("&Gehe zu", kGoToMenu),
};

constexpr MenuItem kViewMenu[] = {
    Cmd(cmd::kViewToolbar, "&Werkzeugleiste"),
    Cmd(cmd::kViewStatusBar, "&Statusleiste"),
    Sep(),
    Cmd(cmd::kWindowSplit, "Fenster teilen"),
    Cmd(cmd::kRefresh, "Refresh\tF5"),
    Sep(),
    Cmd(cmd::kViewLargeIcons, "&Große Symbole"),
    Cmd(cmd::kViewSmallIcons, "&Kleine Symbole"),
    Cmd(cmd::kViewList, "&Liste"),
    Cmd(cmd::kViewDetails, "&Details"),
    Cmd(cmd::kVersionDetails, "&Versionsdetails"),
    Cmd(cmd::kResourceDetails, "&Ressourcendetails"),
};

constexpr MenuItem kToolsMenu[] = {
    Cmd(cmd::kShellInformation, "Shell &Information..."),
    Sep(),
    Cmd(cmd::kSettings, "&Einstellungen..."),
};

constexpr MenuItem kHelpMenu[] = {
    Cmd(cmd::kAppAbout, "Inf&o zu Tarnview..."),
    Cmd(cmd::kAboutWindows, "Info zu &Windows"),
};

constexpr MenuItem kMainMenuBar[] = {
    Sub("&Datei", kFileMenu),   Sub("&Bearbeiten", kEditMenu), Sub("&Ansicht", kViewMenu),
    Sub("&Extras", kToolsMenu), Sub("&Hilfe", kHelpMenu),
};

// ---- menu 130: context menus ----------------------------------------------------------------
// "Vorwärts" takes "w" as its mnemonic in the context menus: "V" already belongs to
// "Verzeichnis durchsuchen" in the folder tree's popup.

constexpr MenuItem kViewModesPopup[] = {
    Cmd(cmd::kViewLargeIcons, "&Große Symbole"),
    Cmd(cmd::kViewSmallIcons, "&Kleine Symbole"),
    Cmd(cmd::kViewList, "&Liste"),
    Cmd(cmd::kViewDetails, "&Details"),
    Cmd(cmd::kVersionDetails, "&Versionsdetails"),
    Cmd(cmd::kResourceDetails, "&Ressourcendetails"),
};

constexpr MenuItem kFolderTreePopup[] = {
    Cmd(cmd::kExpand, "&Erweitern"),
    Cmd(cmd::kCollapse, "&Reduzieren"),
    Sep(),
    Cmd(cmd::kExplore, "&Verzeichnis durchsuchen"),
    Cmd(cmd::kProperties, "Ei&genschaften..."),
    Sep(),
    Cmd(cmd::kBack, "&Zurück"),
    Cmd(cmd::kForward, "Vor&wärts"),
    Cmd(cmd::kParentFolder, "Ü&bergeordneter Ordner"),
};

constexpr MenuItem kModuleListPopup[] = {
    Cmd(cmd::kFileOpen, "&Öffnen"),
    Cmd(cmd::kExplore, "&Durchsuchen"),
    Sep(),
    Cmd(cmd::kBack, "&Zurück"),
    Cmd(cmd::kForward, "Vor&wärts"),
    Cmd(cmd::kParentFolder, "Ü&bergeordneter Ordner"),
    Sep(),
    Cmd(cmd::kProperties, "Ei&genschaften..."),
    Cmd(cmd::kHeaders, "&Köpfe..."),
    Cmd(cmd::kResources, "Re&ssourcen..."),
};

constexpr MenuItem kHeadersTreePopup[] = {
    Cmd(cmd::kExpand, "&Erweitern"),
    Cmd(cmd::kCollapse, "&Reduzieren"),
    Sep(),
    Cmd(cmd::kProperties, "Ei&genschaften..."),
    Cmd(cmd::kHeaders, "&Köpfe..."),
    Cmd(cmd::kResources, "Re&ssourcen..."),
};

// The popups are never shown as a bar, so their captions only name them.
constexpr MenuItem kContextMenuPopups[] = {
    Sub("Ansicht", kViewModesPopup),
    Sub("Ordner", kFolderTreePopup),
    Sub("Module", kModuleListPopup),
    Sub("Köpfe", kHeadersTreePopup),
};

// ---- toolbar 128 ------------------------------------------------------------------------------

constexpr uint32_t kMainToolbarButtons[] = {
    cmd::kBack,         cmd::kForward,
    cmd::kParentFolder, 0,
    cmd::kEditCut,      cmd::kEditCopy,
    cmd::kEditPaste,    0,
    cmd::kFilePrint,    0,
    cmd::kViews,        0,
    cmd::kAppAbout,
};

// ---- toolbars of the module windows ----------------------------------------------------------

constexpr uint32_t kHeadersToolbarButtons[] = {
    cmd::kFullDisplay, 0, cmd::kProperties, cmd::kResources, cmd::kHeaders,
};
constexpr uint32_t kStringPageButtons[] = {cmd::kSaveAs, cmd::kHexDisplay};
constexpr uint32_t kImagePageButtons[] = {cmd::kSaveAs, cmd::kTestDialog};
constexpr uint32_t kRawPageButtons[] = {cmd::kSaveAs, cmd::kRawAsText};

void AppendCommands(std::span<const MenuItem> items, std::vector<uint32_t>& out) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuItemKind::kCommand) out.push_back(item.command);
        if (item.kind == MenuItemKind::kSubmenu) AppendCommands(item.children, out);
    }
}

}  // namespace

std::string_view MenuItem::Caption() const noexcept { return text.substr(0, text.find('\t')); }

std::string_view MenuItem::ShortcutText() const noexcept {
    const auto tab = text.find('\t');
    return tab == std::string_view::npos ? std::string_view() : text.substr(tab + 1);
}

std::span<const MenuItem> GetMenu(uint32_t menuId) noexcept {
    switch (menuId) {
        case kMainMenu:
            return kMainMenuBar;
        case kContextMenus:
            return kContextMenuPopups;
        default:
            return {};
    }
}

std::span<const MenuItem> GetPopup(uint32_t menuId, int popup) noexcept {
    const auto menu = GetMenu(menuId);
    if (popup < 0 || static_cast<std::size_t>(popup) >= menu.size()) return {};
    return menu[static_cast<std::size_t>(popup)].children;
}

std::vector<uint32_t> MenuCommands(std::span<const MenuItem> items) {
    std::vector<uint32_t> out;
    AppendCommands(items, out);
    return out;
}

std::span<const uint32_t> GetToolbar(uint32_t toolbarId) noexcept {
    switch (toolbarId) {
        case kMainToolbar:
            return kMainToolbarButtons;
        case kHeadersToolbar:
            return kHeadersToolbarButtons;
        case kStringPageToolbar:
            return kStringPageButtons;
        case kImagePageToolbar:
            return kImagePageButtons;
        case kRawPageToolbar:
            return kRawPageButtons;
        default:
            return {};
    }
}

ToolbarImageSize GetToolbarImageSize(uint32_t toolbarId) noexcept {
    switch (toolbarId) {
        case kHeadersToolbar:
            return {16, 16};
        case kMainToolbar:
        case kStringPageToolbar:
        case kImagePageToolbar:
        case kRawPageToolbar:
            return {16, 15};
        default:
            return {};
    }
}

}  // namespace tv
