// Icon and cursor groups (RT_GROUP_ICON, RT_GROUP_CURSOR): the directory that lists the sizes and
// depths of one icon or cursor and the RT_ICON / RT_CURSOR resources holding its images, and the
// .ico / .cur file that puts the whole group back together.
//
// A group resource is the file's ICONDIR with each 16-byte ICONDIRENTRY cut to 14 bytes: the
// image's file offset is replaced by the 16-bit id of its resource. Cursor groups store width and
// height as WORDs, the height counting colour image and mask together, and keep the hotspot in the
// image resource instead of in the entry.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "module/ModuleNote.h"

namespace tv {

class CResourceCatalog;

class CResourceId;

inline constexpr uint32_t kGroupHeaderBytes = 6;
inline constexpr uint32_t kGroupEntryBytes = 14;
inline constexpr uint32_t kIconFileEntryBytes = 16;
// A group lists at most one entry per id, but nothing stops a forged one from naming the same
// large image thousands of times; a file beyond this size is refused rather than built.
inline constexpr uint64_t kMaxIconFileBytes = 256ull * 1024 * 1024;

// One GRPICONDIRENTRY or GRPCURSORDIRENTRY, fields as stored.
struct IconGroupEntry {
    uint16_t width = 0;  // icons: a byte, 0 meaning 256
    // Icons: a byte, 0 meaning 256. Cursors: written both ways, twice the picture's height by
    // Microsoft's resource compiler (it counts the mask) and the plain height by Wine's.
    uint16_t height = 0;
    uint8_t colorCount = 0;  // icons only
    uint8_t reserved = 0;    // icons only
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t bytesInRes = 0;  // as the group claims it; the image resource may differ
    uint16_t id = 0;          // the RT_ICON / RT_CURSOR resource holding the image
};

struct CIconGroup {
    bool isCursor = false;
    uint16_t declaredCount = 0;  // idCount as stored
    std::vector<IconGroupEntry> entries;
    // Damage that did not stop the parse (a count larger than the bytes hold, a wrong type).
    std::vector<ModuleNote> notes;
};

// Parses a group resource; cursor tells which of the two layouts to read. false with a German
// reason when not even the header is there; a count the bytes cannot hold keeps the whole
// entries and notes the rest.
[[nodiscard]] bool ParseIconGroup(CByteView data, bool cursor, CIconGroup& group,
                                  std::string& error);

// The bytes of the RT_ICON / RT_CURSOR resource with this id, nullopt when there is none. The
// views must stay valid until the writer returns.
using IconImageSource = std::function<std::optional<CByteView>(uint16_t id)>;

struct IconFileResult {
    uint16_t written = 0;           // entries in the file
    std::vector<uint16_t> missing;  // ids whose image could not be found or was too short
};

// The group as an .ico file (icons) or .cur file (cursors): ICONDIR, one ICONDIRENTRY per image
// found, then the images in entry order. Icon entries take their size fields from the group;
// cursor entries from the image's own header, since cursor groups disagree on the height (the
// group is used only when the header cannot be read). Byte counts and offsets come from the
// images as written. For cursors the hotspot moves from the image's first four bytes into the
// entry's planes and bit-count fields. Entries whose image is
// missing are left out and listed in the result; false with a reason when none is left or the
// file would exceed kMaxIconFileBytes.
[[nodiscard]] bool WriteIconFile(const CIconGroup& group, const IconImageSource& images,
                                 std::vector<uint8_t>& out, IconFileResult& result,
                                 std::string& error);

// The catalog's icon group (cursor false, type 14) or cursor group (cursor true, type 12) name,
// parsed.
[[nodiscard]] bool LoadIconGroup(const CResourceCatalog& catalog, bool cursor,
                                 const CResourceId& name, CIconGroup& group, std::string& error);

// The group written as an .ico or .cur file at path (created or emptied), its images taken from
// the catalog's RT_ICON or RT_CURSOR resources. false with a reason (for the file itself the
// framework's file-error text naming the path); the file is not touched unless the group and at
// least one image could be read.
[[nodiscard]] bool SaveIconGroupFile(const CResourceCatalog& catalog, bool cursor,
                                     const CResourceId& name, const std::string& path,
                                     IconFileResult& result, std::string& error);

}  // namespace tv
