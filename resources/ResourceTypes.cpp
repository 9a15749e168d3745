#include "resources/ResourceTypes.h"

#include <array>
#include <charconv>

#include "common/TextCodec.h"
#include "res/StringTable.h"

namespace tv {

namespace {

constexpr uint32_t kUnknownStringId = 2072;  // "<Unbekannt>"

constexpr std::array<ResourceTypeInfo, 18> kTypes{{
    {kRtCursor, "RT_CURSOR", 2052, kStripHourglass, ResourcePageKind::kImageCursor},
    {kRtBitmap, "RT_BITMAP", 2050, kStripLandscape, ResourcePageKind::kImageBitmap},
    {kRtIcon, "RT_ICON", 2053, kStripGrid, ResourcePageKind::kImageIcon},
    {kRtMenu, "RT_MENU", 2054, kStripMenu, ResourcePageKind::kRawData},
    {kRtDialog, "RT_DIALOG", 2051, kStripDialog, ResourcePageKind::kImageDialog},
    {kRtString, "RT_STRING", 2055, kStripAbc, ResourcePageKind::kStringTable},
    {kRtFontDir, "RT_FONTDIR", 2067, kStripQuestion, ResourcePageKind::kRawData},
    {kRtFont, "RT_FONT", 2066, kStripQuestion, ResourcePageKind::kRawData},
    {kRtAccelerator, "RT_ACCELERATOR", 2049, kStripKeys, ResourcePageKind::kRawData},
    {kRtRcData, "RT_RCDATA", 2070, kStripQuestion, ResourcePageKind::kRawData},
    {kRtMessageTable, "RT_MESSAGETABLE", 2069, kStripQuestion, ResourcePageKind::kRawData},
    {kRtGroupCursor, "RT_GROUP_CURSOR", 2063, kStripHourglass, ResourcePageKind::kRawData},
    {kRtGroupIcon, "RT_GROUP_ICON", 2062, kStripGrid, ResourcePageKind::kRawData},
    {kRtVersion, "RT_VERSION", 2056, kStripVersion, ResourcePageKind::kVersionInfo},
    {kRtAniCursor, "RT_ANICURSOR", 2064, kStripHourglass, ResourcePageKind::kRawData},
    {kRtAniIcon, "RT_ANIICON", 2065, kStripGrid, ResourcePageKind::kRawData},
    {kRtHtml, "RT_HTML", 2068, kStripQuestion, ResourcePageKind::kRawData},
    {kRtToolbar, "RT_TOOLBAR", 2071, kStripToolbar, ResourcePageKind::kRawData},
}};

constexpr ResourceTypeInfo kOther{
    0, {}, kUnknownStringId, kStripQuestion, ResourcePageKind::kRawData};

// The value of digits that AllDigits accepted; nullopt when it does not fit 32 bits.
std::optional<uint32_t> ParseNumber(std::string_view digits, int base) {
    if (digits.empty()) return std::nullopt;
    uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

bool AllDigits(std::string_view text, bool hex) {
    if (text.empty()) return false;
    for (const char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(hex && letter)) return false;
    }
    return true;
}

std::optional<CResourceId> InRange(uint32_t value) {
    if (value < 1 || value > 0xFFFF) return std::nullopt;
    return CResourceId(static_cast<uint16_t>(value));
}

}  // namespace

const ResourceTypeInfo& LookupResourceType(uint16_t type) noexcept {
    for (const ResourceTypeInfo& info : kTypes)
        if (info.type == type) return info;
    return kOther;
}

const ResourceTypeInfo& LookupResourceType(const CResourceId& type) noexcept {
    return type.IsName() ? kOther : LookupResourceType(type.GetNumber());
}

std::string ResourceTypeSymbol(const CResourceId& type) {
    if (type.IsName()) return type.ToText();
    const ResourceTypeInfo& info = LookupResourceType(type.GetNumber());
    if (!info.symbolicName.empty()) return std::string(info.symbolicName);
    return std::string(LoadString(kUnknownStringId));
}

std::string ResourceTypeDisplayName(const CResourceId& type) {
    if (type.IsName()) return type.ToText();
    const ResourceTypeInfo& info = LookupResourceType(type.GetNumber());
    std::string text(LoadString(info.displayStringId));
    // Each unknown number has a node of its own, so each says which number it is.
    if (info.type == 0) text += " (" + std::to_string(type.GetNumber()) + ")";
    return text;
}

std::optional<CResourceId> ParseResourceIdText(std::string_view text, bool isType) {
    if (text.empty()) return std::nullopt;
    // Anything that reads as a number is one, so "6" never becomes a type named "6"; a number
    // out of range is an error rather than a name nobody meant.
    if (AllDigits(text, false)) return InRange(ParseNumber(text, 10).value_or(0));
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        AllDigits(text.substr(2), true))
        return InRange(ParseNumber(text.substr(2), 16).value_or(0));
    if (text.size() > 1 && text[0] == '#' && AllDigits(text.substr(1), false))
        return InRange(ParseNumber(text.substr(1), 10).value_or(0));
    if (isType) {
        for (const ResourceTypeInfo& info : kTypes)
            if (info.symbolicName == text) return CResourceId(info.type);
    }
    return CResourceId::FromUtf8(text);
}

}  // namespace tv
