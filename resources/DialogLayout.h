// The geometry of a dialog as the Windows dialog manager computes it: dialog units to pixels from
// the template font's base units, the window frame that the styles add around the client area,
// and what kind of control each item of a template is. The preview builds its widgets from these
// numbers, so a dialog comes out the size its authors laid it out at (96 DPI, classic metrics).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "resources/DialogTemplate.h"

namespace tv {

// Window styles that decide the frame and the controls' common behaviour.
inline constexpr uint32_t kWsPopup = 0x80000000;
inline constexpr uint32_t kWsMinimize = 0x20000000;
inline constexpr uint32_t kWsDisabled = 0x08000000;
inline constexpr uint32_t kWsMaximize = 0x01000000;
inline constexpr uint32_t kWsCaption = 0x00C00000;  // WS_BORDER | WS_DLGFRAME
inline constexpr uint32_t kWsBorder = 0x00800000;
inline constexpr uint32_t kWsDlgFrame = 0x00400000;
inline constexpr uint32_t kWsVScroll = 0x00200000;
inline constexpr uint32_t kWsHScroll = 0x00100000;
inline constexpr uint32_t kWsSysMenu = 0x00080000;
inline constexpr uint32_t kWsThickFrame = 0x00040000;
inline constexpr uint32_t kWsGroup = 0x00020000;
inline constexpr uint32_t kWsTabStop = 0x00010000;
inline constexpr uint32_t kWsMinimizeBox = 0x00020000;  // on windows with a caption
inline constexpr uint32_t kWsMaximizeBox = 0x00010000;
inline constexpr uint32_t kDsModalFrame = 0x0080;
inline constexpr uint32_t kDsControl = 0x0400;
inline constexpr uint32_t kDsContextHelp = 0x2000;

inline constexpr uint32_t kWsExDlgModalFrame = 0x00000001;
inline constexpr uint32_t kWsExToolWindow = 0x00000080;
inline constexpr uint32_t kWsExWindowEdge = 0x00000100;
inline constexpr uint32_t kWsExClientEdge = 0x00000200;
inline constexpr uint32_t kWsExContextHelp = 0x00000400;
inline constexpr uint32_t kWsExStaticEdge = 0x00020000;

// The style change that turns a preview into a child of the test window: WS_POPUP, WS_MINIMIZE,
// WS_MAXIMIZE, the two caption boxes and DS_CONTROL off, WS_CHILD and DS_CONTROL on. Caption,
// frame, system menu, visibility and the disabled state stay.
[[nodiscard]] constexpr uint32_t ChildPreviewStyle(uint32_t style) noexcept {
    return (style & 0x1EFCFBFFu) | 0x40000400u;
}

// Windows' MulDiv: a * b / c rounded half away from zero, computed wide; -1 when c is 0.
[[nodiscard]] int MulDiv(int a, int b, int c) noexcept;

// Horizontal and vertical base units in pixels: a dialog unit is base.x / 4 pixels wide and
// base.y / 8 pixels high.
struct DialogBaseUnits {
    int x = 8;
    int y = 16;
    friend bool operator==(const DialogBaseUnits&, const DialogBaseUnits&) = default;
};
// Without DS_SETFONT a dialog uses the system font, whose base units these are.
inline constexpr DialogBaseUnits kSystemFontBaseUnits{8, 16};

// Base units from a font's measurements, as the dialog manager takes them: the width of the 52
// letters a-z A-Z averaged and rounded ((extent / 26 + 1) / 2), and the font's full height.
[[nodiscard]] DialogBaseUnits BaseUnitsFromFont(int extentOfLetters, int height) noexcept;

// The font's character height in pixels for a point size at 96 DPI (8 points: 11 pixels).
[[nodiscard]] int FontPixelHeight(int pointSize) noexcept;

[[nodiscard]] inline int DialogToPixelsX(int units, DialogBaseUnits base) noexcept {
    return MulDiv(units, base.x, 4);
}
[[nodiscard]] inline int DialogToPixelsY(int units, DialogBaseUnits base) noexcept {
    return MulDiv(units, base.y, 8);
}

// What the window frame adds around the client area, in pixels, with the classic metrics at 96
// DPI: the borders on each side, the caption bar and the menu bar (both inside the top border).
struct DialogFrame {
    int border = 0;      // outer border width, the same on every side
    int caption = 0;     // 19, or 16 for a tool window; 0 without WS_CAPTION
    int menu = 0;        // 19 when the dialog has a menu
    int clientEdge = 0;  // WS_EX_CLIENTEDGE: 2, WS_EX_STATICEDGE alone: part of border
    bool thick = false;
    bool dialogFrame = false;  // a raised dialog frame rather than flat lines
    bool toolWindow = false;
    bool systemMenu = false;
    bool contextHelp = false;
    bool minimizeBox = false;
    bool maximizeBox = false;
    [[nodiscard]] int Width(int clientWidth) const noexcept {
        return clientWidth + 2 * (border + clientEdge);
    }
    [[nodiscard]] int Height(int clientHeight) const noexcept {
        return clientHeight + 2 * (border + clientEdge) + caption + menu;
    }
};
// The frame of a dialog window with these template styles; DS_MODALFRAME counts as
// WS_EX_DLGMODALFRAME, as the dialog manager makes it.
[[nodiscard]] DialogFrame FrameOfDialog(uint32_t style, uint32_t exStyle, bool hasMenu) noexcept;
// The frame a control's own styles give it (WS_BORDER, WS_EX_CLIENTEDGE, WS_EX_STATICEDGE...).
[[nodiscard]] int ControlEdgeWidth(uint32_t style, uint32_t exStyle) noexcept;

// The kinds of controls the preview can build.
enum class ControlKind : uint8_t {
    kUnknown,
    kPushButton,
    kCheckBox,
    kRadioButton,
    kGroupBox,
    kOwnerDrawButton,
    kEdit,
    kStaticText,
    kStaticImage,  // SS_ICON, SS_BITMAP, SS_ENHMETAFILE
    kStaticRect,   // filled rectangles and frames, etched lines
    kStaticOwnerDraw,
    kListBox,
    kComboBox,
    kScrollBar,
    kListView,
    kTreeView,
    kTabControl,
    kProgress,
    kTrackbar,
    kUpDown,
    kDateTime,
    kMonthCalendar,
    kRichEdit,
    kHotKey,
    kAnimate,
    kIpAddress,
    kLink,
    kComboBoxEx,
    kStatusBar,
    kToolbar,
    kHeader,
    kPager,
    kReBar,
};

// The kind of an item, from its class (an atom or a name, compared without case) and, for the
// predefined classes, its style.
[[nodiscard]] ControlKind ClassifyControl(const DialogControl& control) noexcept;
[[nodiscard]] ControlKind ClassifyClassName(std::string_view name) noexcept;

// Button styles.
inline constexpr uint32_t kBsTypeMask = 0x0F;
inline constexpr uint32_t kBsDefPushButton = 0x01;
inline constexpr uint32_t kBsCheckBox = 0x02;
inline constexpr uint32_t kBsAutoCheckBox = 0x03;
inline constexpr uint32_t kBsRadioButton = 0x04;
inline constexpr uint32_t kBs3State = 0x05;
inline constexpr uint32_t kBsAuto3State = 0x06;
inline constexpr uint32_t kBsGroupBox = 0x07;
inline constexpr uint32_t kBsAutoRadioButton = 0x09;
inline constexpr uint32_t kBsOwnerDraw = 0x0B;
inline constexpr uint32_t kBsDefSplitButton = 0x0D;
inline constexpr uint32_t kBsDefCommandLink = 0x0F;
inline constexpr uint32_t kBsLeftText = 0x20;
inline constexpr uint32_t kBsIcon = 0x40;
inline constexpr uint32_t kBsBitmap = 0x80;
inline constexpr uint32_t kBsLeft = 0x100;
inline constexpr uint32_t kBsRight = 0x200;
inline constexpr uint32_t kBsCenter = 0x300;
inline constexpr uint32_t kBsTop = 0x400;
inline constexpr uint32_t kBsBottom = 0x800;
inline constexpr uint32_t kBsVCenter = 0xC00;
inline constexpr uint32_t kBsPushLike = 0x1000;
inline constexpr uint32_t kBsMultiline = 0x2000;
inline constexpr uint32_t kBsFlat = 0x8000;

// Static styles.
inline constexpr uint32_t kSsTypeMask = 0x1F;
inline constexpr uint32_t kSsCenter = 0x01;
inline constexpr uint32_t kSsRight = 0x02;
inline constexpr uint32_t kSsIcon = 0x03;
inline constexpr uint32_t kSsBlackRect = 0x04;
inline constexpr uint32_t kSsGrayRect = 0x05;
inline constexpr uint32_t kSsWhiteRect = 0x06;
inline constexpr uint32_t kSsBlackFrame = 0x07;
inline constexpr uint32_t kSsGrayFrame = 0x08;
inline constexpr uint32_t kSsWhiteFrame = 0x09;
inline constexpr uint32_t kSsUserItem = 0x0A;
inline constexpr uint32_t kSsSimple = 0x0B;
inline constexpr uint32_t kSsLeftNoWordWrap = 0x0C;
inline constexpr uint32_t kSsOwnerDraw = 0x0D;
inline constexpr uint32_t kSsBitmap = 0x0E;
inline constexpr uint32_t kSsEnhMetaFile = 0x0F;
inline constexpr uint32_t kSsEtchedHorz = 0x10;
inline constexpr uint32_t kSsEtchedVert = 0x11;
inline constexpr uint32_t kSsEtchedFrame = 0x12;
inline constexpr uint32_t kSsNoPrefix = 0x80;
inline constexpr uint32_t kSsCenterImage = 0x200;
inline constexpr uint32_t kSsRealSizeImage = 0x800;
inline constexpr uint32_t kSsSunken = 0x1000;

// Edit styles.
inline constexpr uint32_t kEsCenter = 0x01;
inline constexpr uint32_t kEsRight = 0x02;
inline constexpr uint32_t kEsMultiline = 0x04;
inline constexpr uint32_t kEsPassword = 0x20;
inline constexpr uint32_t kEsReadOnly = 0x800;
inline constexpr uint32_t kEsNumber = 0x2000;

// Combo box, list box and scroll bar styles.
inline constexpr uint32_t kCbsTypeMask = 0x03;
inline constexpr uint32_t kCbsSimple = 0x01;
inline constexpr uint32_t kCbsDropDown = 0x02;
inline constexpr uint32_t kCbsDropDownList = 0x03;
inline constexpr uint32_t kSbsVert = 0x01;
inline constexpr uint32_t kSbsSizeBox = 0x08;
inline constexpr uint32_t kSbsSizeGrip = 0x10;

// Common control styles.
inline constexpr uint32_t kLvsTypeMask = 0x03;
inline constexpr uint32_t kLvsReport = 0x01;
inline constexpr uint32_t kLvsNoColumnHeader = 0x4000;
inline constexpr uint32_t kTcsBottom = 0x02;
inline constexpr uint32_t kTcsVertical = 0x80;
inline constexpr uint32_t kTcsButtons = 0x100;
inline constexpr uint32_t kPbsVertical = 0x04;
inline constexpr uint32_t kTbsVert = 0x02;
inline constexpr uint32_t kTbsNoTicks = 0x10;
inline constexpr uint32_t kUdsAlignRight = 0x04;
inline constexpr uint32_t kUdsAlignLeft = 0x08;
inline constexpr uint32_t kUdsAutoBuddy = 0x10;
inline constexpr uint32_t kUdsHorz = 0x40;
inline constexpr uint32_t kDtsUpDown = 0x01;
inline constexpr uint32_t kDtsShowNone = 0x02;
inline constexpr uint32_t kDtsTimeFormat = 0x09;
inline constexpr uint32_t kCcsTop = 0x01;
inline constexpr uint32_t kCcsNoResize = 0x04;
inline constexpr uint32_t kCcsNoParentAlign = 0x08;
inline constexpr uint32_t kCcsBottom = 0x03;
inline constexpr uint32_t kSbarsSizeGrip = 0x100;

// Text as a label shows it: "&x" marks a mnemonic and "&&" is one "&"; with noPrefix every "&"
// stays. The result uses the same convention as the widgets that underline mnemonics, so it is
// kept as it is there; for plain text (labels without a buddy) mnemonic markers are removed.
[[nodiscard]] std::string WithoutMnemonics(std::string_view text);
// A SysLink text as it reads: the <a ...> and </a> tags removed, their text kept.
[[nodiscard]] std::string LinkPlainText(std::string_view text);

}  // namespace tv
