#include "resources/DialogLayout.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace tv {

namespace {

// Classic metrics at 96 DPI.
constexpr int kCaptionHeight = 19;       // SM_CYCAPTION
constexpr int kSmallCaptionHeight = 16;  // SM_CYSMCAPTION
constexpr int kMenuHeight = 19;          // SM_CYMENU
constexpr int kEdge = 2;                 // SM_CXEDGE
constexpr int kResizeExtra = 1;          // SM_CXFRAME - SM_CXDLGFRAME

bool EqualNoCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The outer border the window manager of the platform gives these styles.
int OuterBorder(uint32_t style, uint32_t exStyle) noexcept {
    int adjust = 0;
    if ((exStyle & (kWsExStaticEdge | kWsExDlgModalFrame)) == kWsExStaticEdge)
        adjust = 1;
    else if ((exStyle & kWsExDlgModalFrame) || (style & (kWsThickFrame | kWsDlgFrame)))
        adjust = 2;
    if (style & kWsThickFrame) adjust += kResizeExtra;
    if ((style & (kWsBorder | kWsDlgFrame)) || (exStyle & kWsExDlgModalFrame)) ++adjust;
    return adjust;
}

}  // namespace

int MulDiv(int a, int b, int c) noexcept {
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    long long quotient = product / c;
    const long long remainder = product % c;
    // Half away from zero.
    if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(c)))
        quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    if (quotient > INT32_MAX || quotient < INT32_MIN) return -1;
    return static_cast<int>(quotient);
}

DialogBaseUnits BaseUnitsFromFont(int extentOfLetters, int height) noexcept {
    DialogBaseUnits units;
    units.x = (extentOfLetters / 26 + 1) / 2;
    units.y = height;
    if (units.x <= 0) units.x = kSystemFontBaseUnits.x;
    if (units.y <= 0) units.y = kSystemFontBaseUnits.y;
    return units;
}

int FontPixelHeight(int pointSize) noexcept {
    const int pixels = MulDiv(pointSize, 96, 72);
    return pixels > 0 ? pixels : 1;
}

DialogFrame FrameOfDialog(uint32_t style, uint32_t exStyle, bool hasMenu) noexcept {
    if (style & kDsModalFrame) exStyle |= kWsExDlgModalFrame;
    DialogFrame frame;
    frame.border = OuterBorder(style, exStyle);
    frame.thick = (style & kWsThickFrame) != 0;
    frame.dialogFrame = (exStyle & kWsExDlgModalFrame) || (style & (kWsDlgFrame | kWsThickFrame));
    frame.toolWindow = (exStyle & kWsExToolWindow) != 0;
    if ((style & kWsCaption) == kWsCaption) {
        frame.caption = frame.toolWindow ? kSmallCaptionHeight : kCaptionHeight;
        frame.systemMenu = (style & kWsSysMenu) != 0;
        frame.minimizeBox = frame.systemMenu && !frame.toolWindow && (style & kWsMinimizeBox);
        frame.maximizeBox = frame.systemMenu && !frame.toolWindow && (style & kWsMaximizeBox);
        frame.contextHelp =
            frame.systemMenu && ((exStyle & kWsExContextHelp) || (style & kDsContextHelp));
    }
    if (hasMenu) frame.menu = kMenuHeight;
    if (exStyle & kWsExClientEdge) frame.clientEdge = kEdge;
    return frame;
}

int ControlEdgeWidth(uint32_t style, uint32_t exStyle) noexcept {
    return OuterBorder(style, exStyle) + ((exStyle & kWsExClientEdge) ? kEdge : 0);
}

ControlKind ClassifyClassName(std::string_view name) noexcept {
    static constexpr std::array<std::pair<std::string_view, ControlKind>, 28> kClasses{{
        {"Button", ControlKind::kPushButton},
        {"Edit", ControlKind::kEdit},
        {"Static", ControlKind::kStaticText},
        {"ListBox", ControlKind::kListBox},
        {"ScrollBar", ControlKind::kScrollBar},
        {"ComboBox", ControlKind::kComboBox},
        {"SysListView32", ControlKind::kListView},
        {"SysTreeView32", ControlKind::kTreeView},
        {"SysTabControl32", ControlKind::kTabControl},
        {"msctls_progress32", ControlKind::kProgress},
        {"msctls_trackbar32", ControlKind::kTrackbar},
        {"msctls_updown32", ControlKind::kUpDown},
        {"SysDateTimePick32", ControlKind::kDateTime},
        {"SysMonthCal32", ControlKind::kMonthCalendar},
        {"RichEdit", ControlKind::kRichEdit},
        {"RichEdit20A", ControlKind::kRichEdit},
        {"RichEdit20W", ControlKind::kRichEdit},
        {"RICHEDIT50W", ControlKind::kRichEdit},
        {"msctls_hotkey32", ControlKind::kHotKey},
        {"SysAnimate32", ControlKind::kAnimate},
        {"SysIPAddress32", ControlKind::kIpAddress},
        {"SysLink", ControlKind::kLink},
        {"ComboBoxEx32", ControlKind::kComboBoxEx},
        {"msctls_statusbar32", ControlKind::kStatusBar},
        {"ToolbarWindow32", ControlKind::kToolbar},
        {"SysHeader32", ControlKind::kHeader},
        {"SysPager", ControlKind::kPager},
        {"ReBarWindow32", ControlKind::kReBar},
    }};
    for (const auto& [known, kind] : kClasses)
        if (EqualNoCase(name, known)) return kind;
    return ControlKind::kUnknown;
}

ControlKind ClassifyControl(const DialogControl& control) noexcept {
    ControlKind kind = ControlKind::kUnknown;
    if (control.windowClass.IsOrdinal())
        kind = ClassifyClassName(PredefinedClassName(control.windowClass.ordinal));
    else if (control.windowClass.IsName())
        kind = ClassifyClassName(control.windowClass.name);
    const uint32_t style = control.style;
    if (kind == ControlKind::kPushButton) {
        switch (style & kBsTypeMask) {
            case kBsCheckBox:
            case kBsAutoCheckBox:
            case kBs3State:
            case kBsAuto3State:
                return ControlKind::kCheckBox;
            case kBsRadioButton:
            case kBsAutoRadioButton:
                return ControlKind::kRadioButton;
            case kBsGroupBox:
                return ControlKind::kGroupBox;
            case kBsOwnerDraw:
                return ControlKind::kOwnerDrawButton;
            default:
                return ControlKind::kPushButton;
        }
    }
    if (kind == ControlKind::kStaticText) {
        switch (style & kSsTypeMask) {
            case kSsIcon:
            case kSsBitmap:
            case kSsEnhMetaFile:
                return ControlKind::kStaticImage;
            case kSsBlackRect:
            case kSsGrayRect:
            case kSsWhiteRect:
            case kSsBlackFrame:
            case kSsGrayFrame:
            case kSsWhiteFrame:
            case kSsEtchedHorz:
            case kSsEtchedVert:
            case kSsEtchedFrame:
                return ControlKind::kStaticRect;
            case kSsUserItem:
            case kSsOwnerDraw:
                return ControlKind::kStaticOwnerDraw;
            default:
                return ControlKind::kStaticText;
        }
    }
    return kind;
}

std::string WithoutMnemonics(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == '&') {
            out.push_back('&');
            ++i;
        }
    }
    return out;
}

std::string LinkPlainText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '<') {
            const bool opening = i + 2 < text.size() &&
                                 (text[i + 1] == 'a' || text[i + 1] == 'A') &&
                                 (text[i + 2] == '>' || text[i + 2] == ' ' || text[i + 2] == '\t');
            const bool closing = i + 3 < text.size() && text[i + 1] == '/' &&
                                 (text[i + 2] == 'a' || text[i + 2] == 'A') && text[i + 3] == '>';
            if (opening || closing) {
                const size_t end = text.find('>', i);
                if (end == std::string_view::npos) break;
                i = end + 1;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return out;
}

}  // namespace tv
