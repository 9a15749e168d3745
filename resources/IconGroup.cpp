#include "resources/IconGroup.h"

#include <algorithm>

#include "resources/BitmapFile.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

namespace tv {

namespace {

constexpr uint16_t kIconType = 1;
constexpr uint16_t kCursorType = 2;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Byte-sized size fields of a file entry hold 256 (and anything larger) as 0.
uint8_t SizeByte(uint32_t pixels) { return pixels >= 256 ? 0 : static_cast<uint8_t>(pixels); }

struct ImageFacts {
    uint32_t width = 0;
    uint32_t height = 0;  // the picture's, without the mask
    uint32_t bitCount = 0;
};

// Size and depth from the image's own header: a PNG's IHDR, or a DIB header whose height counts
// the mask. nullopt when neither can be read.
std::optional<ImageFacts> ReadImageFacts(CByteView image) {
    static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const auto be32 = [&image](uint64_t at) {
        uint32_t v = 0;
        for (uint64_t i = 0; i < 4; ++i)
            v = v << 8 | image.U8(at + i).value_or(0);
        return v;
    };
    ImageFacts facts;
    if (image.Size() >= 24 && std::equal(kPng, kPng + 8, image.Data())) {
        facts.width = be32(16);
        facts.height = be32(20);
        facts.bitCount = 32;
        return facts;
    }
    const auto headerSize = image.U32(0);
    if (headerSize == 12u && image.Contains(0, 12)) {
        facts.width = image.U16(4).value_or(0);
        facts.height = image.U16(6).value_or(0) / 2u;
        facts.bitCount = image.U16(10).value_or(0);
        return facts;
    }
    if (headerSize && *headerSize >= 40 && image.Contains(0, 40)) {
        const auto height = static_cast<int32_t>(image.U32(8).value_or(0));
        facts.width = image.U32(4).value_or(0);
        facts.height =
            (height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height)) / 2u;
        facts.bitCount = image.U16(14).value_or(0);
        return facts;
    }
    return std::nullopt;
}

}  // namespace

bool ParseIconGroup(CByteView data, bool cursor, CIconGroup& group, std::string& error) {
    group = CIconGroup{};
    group.isCursor = cursor;
    CByteReader reader(data);
    const uint16_t reserved = reader.U16();
    const uint16_t type = reader.U16();
    group.declaredCount = reader.U16();
    if (!reader.Ok()) {
        error = "Die Gruppe ist kürzer als ihr Kopf.";
        return false;
    }
    if (reserved != 0)
        group.notes.push_back(ModuleNote{NoteKind::kGroupReservedField, {}, reserved});
    const uint16_t expected = cursor ? kCursorType : kIconType;
    if (type != expected)
        group.notes.push_back(ModuleNote{NoteKind::kGroupWrongType, {}, type, expected});

    // The loop is bounded by the declared count and by the bytes that remain.
    for (uint32_t i = 0; i < group.declaredCount; ++i) {
        if (reader.Remaining() < kGroupEntryBytes) {
            group.notes.push_back(ModuleNote{NoteKind::kGroupShort, {}, group.declaredCount, i});
            break;
        }
        IconGroupEntry e;
        if (cursor) {
            e.width = reader.U16();
            e.height = reader.U16();
        } else {
            e.width = reader.U8();
            e.height = reader.U8();
            e.colorCount = reader.U8();
            e.reserved = reader.U8();
        }
        e.planes = reader.U16();
        e.bitCount = reader.U16();
        e.bytesInRes = reader.U32();
        e.id = reader.U16();
        group.entries.push_back(e);
    }
    return true;
}

bool WriteIconFile(const CIconGroup& group, const IconImageSource& images,
                   std::vector<uint8_t>& out, IconFileResult& result, std::string& error) {
    out.clear();
    result = IconFileResult{};

    struct Piece {
        const IconGroupEntry* entry;
        CByteView image;  // what goes into the file: for cursors without the hotspot
        uint16_t hotspotX;
        uint16_t hotspotY;
    };
    std::vector<Piece> pieces;
    uint64_t total = kGroupHeaderBytes;
    for (const IconGroupEntry& e : group.entries) {
        const std::optional<CByteView> found = images ? images(e.id) : std::nullopt;
        if (!found || (group.isCursor && found->Size() < 4) || found->Empty()) {
            result.missing.push_back(e.id);
            continue;
        }
        Piece piece{&e, *found, 0, 0};
        if (group.isCursor) {
            piece.hotspotX = found->U16(0).value_or(0);
            piece.hotspotY = found->U16(2).value_or(0);
            piece.image = found->Tail(4);
        }
        if (!CheckedAdd(total, kIconFileEntryBytes + piece.image.Size(), total) ||
            total > kMaxIconFileBytes) {
            error = "Die Gruppe ergäbe eine Datei von mehr als " +
                    std::to_string(kMaxIconFileBytes / (1024 * 1024)) + " Mb.";
            return false;
        }
        pieces.push_back(piece);
    }
    if (pieces.empty()) {
        error = "Keines der Bilder der Gruppe ist vorhanden.";
        return false;
    }

    out.reserve(static_cast<size_t>(total));
    Put16(out, 0);
    Put16(out, group.isCursor ? kCursorType : kIconType);
    Put16(out, static_cast<uint32_t>(pieces.size()));
    uint64_t offset = kGroupHeaderBytes + kIconFileEntryBytes * uint64_t{pieces.size()};
    for (const Piece& piece : pieces) {
        const IconGroupEntry& e = *piece.entry;
        if (group.isCursor) {
            const ImageFacts facts = ReadImageFacts(piece.image)
                                         .value_or(ImageFacts{e.width, e.height / 2u, e.bitCount});
            out.push_back(SizeByte(facts.width));
            out.push_back(SizeByte(facts.height));
            // Cursor groups have no colour count; the depth gives it, 0 for 8 bits and more.
            const uint32_t colors =
                facts.bitCount >= 1 && facts.bitCount < 8 ? 1u << facts.bitCount : 0;
            out.push_back(static_cast<uint8_t>(colors));
            out.push_back(0);
            Put16(out, piece.hotspotX);
            Put16(out, piece.hotspotY);
        } else {
            out.push_back(static_cast<uint8_t>(e.width));
            out.push_back(static_cast<uint8_t>(e.height));
            out.push_back(e.colorCount);
            out.push_back(0);
            Put16(out, e.planes);
            Put16(out, e.bitCount);
        }
        // The image as it is, not the size the group claims for it.
        Put32(out, static_cast<uint32_t>(piece.image.Size()));
        Put32(out, static_cast<uint32_t>(offset));
        offset += piece.image.Size();
    }
    for (const Piece& piece : pieces)
        out.insert(out.end(), piece.image.Data(), piece.image.Data() + piece.image.Size());
    result.written = static_cast<uint16_t>(pieces.size());
    return true;
}

bool LoadIconGroup(const CResourceCatalog& catalog, bool cursor, const CResourceId& name,
                   CIconGroup& group, std::string& error) {
    group = CIconGroup{};
    const auto data = catalog.GetData(cursor ? kRtGroupCursor : kRtGroupIcon, name);
    if (!data) {
        error = (cursor ? "Die Zeigergruppe " : "Die Symbolgruppe ") + name.ToText() +
                " ist nicht vorhanden.";
        return false;
    }
    return ParseIconGroup(*data, cursor, group, error);
}

bool SaveIconGroupFile(const CResourceCatalog& catalog, bool cursor, const CResourceId& name,
                       const std::string& path, IconFileResult& result, std::string& error) {
    result = IconFileResult{};
    CIconGroup group;
    if (!LoadIconGroup(catalog, cursor, name, group, error)) return false;
    const auto images = [&catalog, cursor](uint16_t id) {
        return catalog.GetData(cursor ? kRtCursor : kRtIcon, id);
    };
    std::vector<uint8_t> bytes;
    if (!WriteIconFile(group, images, bytes, result, error)) return false;
    return WriteBytesToFile(path, CByteView(bytes.data(), bytes.size()), &error);
}

}  // namespace tv
