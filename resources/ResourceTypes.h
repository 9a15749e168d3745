// The resource type table: for each standard type number its symbolic name, the string id of its
// display name in the resources tree, its picture in the image strip, and the page that shows a
// resource of the type. Every window and text that names a type uses this one table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "module/ResourceDirectory.h"
#include "res/ImageStrip.h"

namespace tv {

// Which page of the resources window shows a selected resource of a type.
enum class ResourcePageKind {
    kRawData,
    kImageCursor,
    kImageBitmap,
    kImageIcon,
    kImageDialog,
    kStringTable,
    kVersionInfo,
};

struct ResourceTypeInfo {
    uint16_t type = 0;              // 0 for the "any other" row
    std::string_view symbolicName;  // "RT_CURSOR"...; empty for unknown and named types
    uint32_t displayStringId = 0;   // 2052 "Zeiger"...; 2072 "<Unbekannt>" for unknown numbers
    int image = kStripQuestion;     // index into the image strip
    ResourcePageKind page = ResourcePageKind::kRawData;
};

// The row of a numeric type; the "any other number" row (2072, image 14, raw data) for numbers
// the table does not know.
[[nodiscard]] const ResourceTypeInfo& LookupResourceType(uint16_t type) noexcept;
// The row of an identifier: named types use the "any other" row's image and page.
[[nodiscard]] const ResourceTypeInfo& LookupResourceType(const CResourceId& type) noexcept;

// The text the information texts show as a type: the symbolic name, "<Unbekannt>" for an unknown
// number, the name of a named type.
[[nodiscard]] std::string ResourceTypeSymbol(const CResourceId& type);
// The text of a type's node in the resources tree: the display string, or the type's name.
[[nodiscard]] std::string ResourceTypeDisplayName(const CResourceId& type);

// Parses a type or name as a user writes it on a command line: a decimal number ("6"), a
// hexadecimal one ("0x10"), a symbolic type name ("RT_STRING", types only), "#12" as the
// resource compiler writes numbers, or else a name. nullopt for an empty text or a number out of
// the 1..65535 range.
[[nodiscard]] std::optional<CResourceId> ParseResourceIdText(std::string_view text, bool isType);

}  // namespace tv
