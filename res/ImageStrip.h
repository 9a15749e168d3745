// The pictures of image strip 132 by index: the headers tree, the resources tree, the string
// list and the list header's sort marks all pick from it, and the UI draws index n from the nth
// file of the strip.
#pragma once

namespace tv {

inline constexpr int kStripPage = 0;         // spare
inline constexpr int kStripGroup = 1;        // a report line with children, and the root
inline constexpr int kStripValue = 2;        // a report value line
inline constexpr int kStripLibrary = 3;      // an imported library
inline constexpr int kStripItem = 4;         // spare
inline constexpr int kStripKeys = 5;         // accelerators
inline constexpr int kStripLandscape = 6;    // bitmaps
inline constexpr int kStripHourglass = 7;    // cursors
inline constexpr int kStripDialog = 8;       // dialogs
inline constexpr int kStripGrid = 9;         // icons
inline constexpr int kStripMenu = 10;        // menus
inline constexpr int kStripAbc = 11;         // string tables and their rows
inline constexpr int kStripVersion = 12;     // version information
inline constexpr int kStripToolbar = 13;     // toolbars
inline constexpr int kStripQuestion = 14;    // any other type
inline constexpr int kStripComputer = 15;    // a module at the root of the resources tree
inline constexpr int kStripFolder = 16;      // a closed folder: a type node
inline constexpr int kStripFolderOpen = 17;  // an open folder: a selected type node
inline constexpr int kStripSortDown = 18;    // the list header's ascending mark
inline constexpr int kStripSortUp = 19;      // the list header's descending mark
inline constexpr int kStripImageCount = 20;

}  // namespace tv
