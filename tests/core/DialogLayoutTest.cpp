// Dialog geometry in pixels: the rounding of dialog units, the frame each border style adds, the
// kinds of controls, and the texts labels show.
#include "resources/DialogLayout.h"

#include <gtest/gtest.h>

namespace {

using tv::DialogFrame;
using tv::FrameOfDialog;

TEST(DialogLayout, DialogUnitsRoundHalfAwayFromZero) {
    const tv::DialogBaseUnits shellDlg{6, 13};
    EXPECT_EQ(tv::DialogToPixelsX(275, shellDlg), 413);  // 412.5
    EXPECT_EQ(tv::DialogToPixelsY(134, shellDlg), 218);  // 217.75
    EXPECT_EQ(tv::DialogToPixelsX(-275, shellDlg), -413);
    EXPECT_EQ(tv::DialogToPixelsY(-95, shellDlg), -154);  // -154.375
    EXPECT_EQ(tv::MulDiv(1, 1, 0), -1);
    EXPECT_EQ(tv::MulDiv(0x7FFFFFFF, 4, 2), -1) << "an overflow is refused, not wrapped";
    EXPECT_EQ(tv::FontPixelHeight(8), 11);
    EXPECT_EQ(tv::FontPixelHeight(0), 1);
    // The mean of the 52 letters, rounded; a font that measures nothing falls back.
    EXPECT_EQ(tv::BaseUnitsFromFont(330, 13), (tv::DialogBaseUnits{6, 13}));
    EXPECT_EQ(tv::BaseUnitsFromFont(0, 0), tv::kSystemFontBaseUnits);
}

TEST(DialogLayout, EachBorderStyleAddsItsFrame) {
    constexpr uint32_t caption = tv::kWsCaption | tv::kWsSysMenu;
    struct Case {
        const char* what;
        uint32_t style;
        uint32_t exStyle;
        bool menu;
        int width;   // added to the client width
        int height;  // added to the client height
    };
    const Case cases[] = {
        {"captioned modal dialog", tv::kWsPopup | caption | tv::kDsModalFrame, 0, false, 6, 25},
        {"captioned without modal frame", tv::kWsPopup | caption, 0, false, 6, 25},
        {"child without border", tv::kWsChild, 0, false, 0, 0},
        {"thin border", tv::kWsPopup | tv::kWsBorder, 0, false, 2, 2},
        {"static edge", tv::kWsChild, tv::kWsExStaticEdge, false, 2, 2},
        {"resizable", tv::kWsPopup | caption | tv::kWsThickFrame, 0, false, 8, 27},
        {"tool window", tv::kWsPopup | caption, tv::kWsExToolWindow, false, 6, 22},
        {"client edge", tv::kWsChild, tv::kWsExClientEdge, false, 4, 4},
        {"menu", tv::kWsPopup | caption | tv::kDsModalFrame, 0, true, 6, 44},
        {"modal frame alone", tv::kWsPopup | tv::kDsModalFrame, 0, false, 6, 6},
    };
    for (const Case& c : cases) {
        const DialogFrame f = FrameOfDialog(c.style, c.exStyle, c.menu);
        EXPECT_EQ(f.Width(100) - 100, c.width) << c.what;
        EXPECT_EQ(f.Height(100) - 100, c.height) << c.what;
    }
    EXPECT_TRUE(FrameOfDialog(tv::kWsPopup | caption, 0, false).systemMenu);
    EXPECT_FALSE(FrameOfDialog(tv::kWsPopup | tv::kWsCaption, 0, false).systemMenu);
    // The test window's change keeps caption and frame, makes a child.
    const uint32_t child =
        tv::ChildPreviewStyle(tv::kWsPopup | caption | tv::kWsMinimizeBox | tv::kDsModalFrame);
    EXPECT_EQ(child & (tv::kWsPopup | tv::kWsMinimizeBox), 0u);
    EXPECT_EQ(child & (tv::kWsChild | tv::kDsControl | caption | tv::kDsModalFrame),
              tv::kWsChild | tv::kDsControl | caption | tv::kDsModalFrame);
}

TEST(DialogLayout, ControlsAreKnownByClassAndStyle) {
    tv::DialogControl c;
    c.windowClass.kind = tv::NameOrOrdinal::Kind::kOrdinal;
    c.windowClass.ordinal = tv::kDialogButtonAtom;
    c.style = tv::kBsAutoRadioButton;
    EXPECT_EQ(tv::ClassifyControl(c), tv::ControlKind::kRadioButton);
    c.style = tv::kBsDefPushButton;
    EXPECT_EQ(tv::ClassifyControl(c), tv::ControlKind::kPushButton);
    c.windowClass.ordinal = tv::kDialogStaticAtom;
    c.style = tv::kSsEtchedHorz | tv::kSsSunken;
    EXPECT_EQ(tv::ClassifyControl(c), tv::ControlKind::kStaticRect);
    c.windowClass.ordinal = 0x99;  // no predefined class
    EXPECT_EQ(tv::ClassifyControl(c), tv::ControlKind::kUnknown);
    c.windowClass.kind = tv::NameOrOrdinal::Kind::kName;
    c.windowClass.name = "SYSLISTVIEW32";
    EXPECT_EQ(tv::ClassifyControl(c), tv::ControlKind::kListView) << "class names ignore case";
    c.windowClass.name = "SysListView";
    EXPECT_EQ(tv::ClassifyControl(c), tv::ControlKind::kUnknown);
    c.windowClass.kind = tv::NameOrOrdinal::Kind::kNone;
    EXPECT_EQ(tv::ClassifyControl(c), tv::ControlKind::kUnknown);
}

TEST(DialogLayout, LabelTextsDropTheirMarkup) {
    EXPECT_EQ(tv::WithoutMnemonics("&Datei && Ordner&"), "Datei & Ordner");
    EXPECT_EQ(tv::LinkPlainText("Siehe <a href=\"x\">hier</a> und <A>dort</A>."),
              "Siehe hier und dort.");
    // Only a and /a are tags; an unfinished one stays as text.
    EXPECT_EQ(tv::LinkPlainText("a < b <abc> <a"), "a < b <abc> <a");
}

}  // namespace
