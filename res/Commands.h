// Command ids shared by the menus, toolbars, accelerators and the string table (whose string of
// the same id holds the command's status-bar prompt and tooltip). The numbers are fixed: they
// are the ids stored in the program's resources and in the standard framework ranges.
#pragma once

#include <cstdint>

namespace tv::cmd {

// The program's own commands.
inline constexpr uint32_t kVersionDetails = 32771;   // list view mode: version columns
inline constexpr uint32_t kResourceDetails = 32772;  // list view mode: resource count columns
inline constexpr uint32_t kViews = 32773;            // the view modes drop-down
inline constexpr uint32_t kSettings = 32774;
inline constexpr uint32_t kProperties = 32775;
inline constexpr uint32_t kResources = 32776;
inline constexpr uint32_t kHeaders = 32777;
inline constexpr uint32_t kShellInformation = 32778;
inline constexpr uint32_t kAboutWindows = 32779;
inline constexpr uint32_t kBack = 32780;
inline constexpr uint32_t kForward = 32781;
inline constexpr uint32_t kParentFolder = 32782;
inline constexpr uint32_t kExpand = 32785;
inline constexpr uint32_t kCollapse = 32786;
inline constexpr uint32_t kFullDisplay = 32792;  // headers window: summary or every field
inline constexpr uint32_t kExplore = 32796;
inline constexpr uint32_t kTestDialog = 32802;
inline constexpr uint32_t kSaveAs = 32805;
inline constexpr uint32_t kHexDisplay = 32806;
inline constexpr uint32_t kRefresh = 32808;
inline constexpr uint32_t kRawAsText = 32809;  // raw data page: text or script instead of the dump

// Standard framework commands, in the framework's numbering.
inline constexpr uint32_t kFileOpen = 57601;
inline constexpr uint32_t kFilePrint = 57607;
inline constexpr uint32_t kEditCopy = 57634;
inline constexpr uint32_t kEditCut = 57635;
inline constexpr uint32_t kEditPaste = 57637;
inline constexpr uint32_t kEditUndo = 57643;
inline constexpr uint32_t kWindowSplit = 57653;
inline constexpr uint32_t kAppAbout = 57664;
inline constexpr uint32_t kAppExit = 57665;
inline constexpr uint32_t kNextPane = 57680;
inline constexpr uint32_t kPrevPane = 57681;
inline constexpr uint32_t kViewToolbar = 59392;
inline constexpr uint32_t kViewStatusBar = 59393;
inline constexpr uint32_t kViewSmallIcons = 59408;
inline constexpr uint32_t kViewLargeIcons = 59409;
inline constexpr uint32_t kViewList = 59410;
inline constexpr uint32_t kViewDetails = 59411;

}  // namespace tv::cmd
