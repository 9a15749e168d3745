// The VS_VERSIONINFO format: a tree of blocks, each wLength, wValueLength, wType, a zero-terminated
// UTF-16 key, padding to 4, the value, padding to 4 and the child blocks. Queries take the
// sub-block paths of the platform's version library ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040704e4\ProductName") and compare keys without regard to ASCII letter case, as
// the platform does.
//
// Real resources are messier than the format: StringFileInfo after VarFileInfo, writers that leave
// the padding out, String values whose wValueLength counts bytes or leaves the terminator out, a
// wType that says binary for text, children whose wLength reaches past their parent. The reader
// takes all of them; every block is clipped to its parent, so nothing is read past a block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/ByteView.h"

namespace tv {

inline constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr size_t kFixedFileInfoSize = 52;

// VS_FIXEDFILEINFO.
struct FixedFileInfo {
    uint32_t dwSignature = 0;
    uint32_t dwStrucVersion = 0;
    uint32_t dwFileVersionMS = 0;
    uint32_t dwFileVersionLS = 0;
    uint32_t dwProductVersionMS = 0;
    uint32_t dwProductVersionLS = 0;
    uint32_t dwFileFlagsMask = 0;
    uint32_t dwFileFlags = 0;
    uint32_t dwFileOS = 0;
    uint32_t dwFileType = 0;
    uint32_t dwFileSubtype = 0;
    uint32_t dwFileDateMS = 0;
    uint32_t dwFileDateLS = 0;
};

// One block of the tree: a position inside the resource's bytes, clipped to its parent. A
// default-constructed block is "none" (IsValid false); so is a child asked of a block that has no
// more.
class CVersionBlock {
public:
    CVersionBlock() = default;

    // The root block of a resource's bytes.
    [[nodiscard]] static CVersionBlock Root(CByteView resource) noexcept;

    [[nodiscard]] bool IsValid() const noexcept { return m_valid; }
    [[nodiscard]] uint64_t Offset() const noexcept { return m_offset; }
    // Where the block ends: its wLength, cut at the parent's end.
    [[nodiscard]] uint64_t End() const noexcept { return m_end; }
    // True when wLength reached past the parent (or, for the root, past the resource).
    [[nodiscard]] bool IsClipped() const noexcept { return m_clipped; }
    [[nodiscard]] uint16_t GetLength() const noexcept { return m_length; }
    [[nodiscard]] uint16_t GetValueLength() const noexcept { return m_valueLength; }
    [[nodiscard]] uint16_t GetType() const noexcept { return m_type; }

    [[nodiscard]] std::u16string KeyUnits() const;
    [[nodiscard]] std::string Key() const;
    // Key comparison as the platform does it: ASCII letters without regard to case, everything
    // else unit by unit.
    [[nodiscard]] bool KeyEquals(std::u16string_view key) const noexcept;

    // The value taken as binary: wValueLength bytes, fewer when the block ends first.
    [[nodiscard]] CByteView BinaryValue() const noexcept;
    // The value taken as text: the units up to the terminator or the block's end, whatever
    // wValueLength claims (writers count characters, characters without the terminator, or
    // bytes). Empty when wValueLength is 0, which is how a missing value is written.
    [[nodiscard]] std::string TextValue() const;

    [[nodiscard]] CVersionBlock FirstChild() const noexcept;
    [[nodiscard]] CVersionBlock NextSibling() const noexcept;
    // The first child whose key matches; none when there is none.
    [[nodiscard]] CVersionBlock FindChild(std::u16string_view key) const noexcept;

private:
    // The block at offset (after any padding), inside [.., limit) of resource.
    [[nodiscard]] static CVersionBlock At(CByteView resource, uint64_t offset, uint64_t limit,
                                          bool isRoot) noexcept;

    CByteView m_resource;
    uint64_t m_offset = 0;
    uint64_t m_end = 0;
    uint64_t m_limit = 0;  // the parent's end: where siblings stop
    uint64_t m_keyOffset = 0;
    uint64_t m_keyUnits = 0;
    uint64_t m_valueOffset = 0;
    uint64_t m_childrenOffset = 0;
    uint16_t m_length = 0;
    uint16_t m_valueLength = 0;
    uint16_t m_type = 0;
    bool m_valid = false;
    bool m_clipped = false;
};

// A whole version resource and the platform's queries on it.
class CVersionResource {
public:
    CVersionResource() = default;
    explicit CVersionResource(CByteView bytes) noexcept : m_bytes(bytes) {}

    [[nodiscard]] CByteView Bytes() const noexcept { return m_bytes; }
    [[nodiscard]] CVersionBlock Root() const noexcept { return CVersionBlock::Root(m_bytes); }

    // The block a sub-block path names: "\" is the root, "\StringFileInfo\040704e4\Comments" a
    // string value. Empty path parts are skipped. None when any part is missing.
    [[nodiscard]] CVersionBlock Find(std::string_view subBlock) const;

    // The root's VS_FIXEDFILEINFO: nullopt when the root has fewer than 52 value bytes or the
    // signature 0xFEEF04BD is not there (damaged bytes would otherwise show as versions).
    [[nodiscard]] std::optional<FixedFileInfo> FixedInfo() const noexcept;

    // "\VarFileInfo\Translation": nullopt when the block is missing; otherwise its whole 4-byte
    // entries (language in the low word, code page in the high word).
    [[nodiscard]] std::optional<size_t> TranslationCount() const;
    [[nodiscard]] std::optional<uint32_t> Translation(size_t index) const;

    // The text of a string value ("\StringFileInfo\040704e4\ProductName"); nullopt when the block
    // is missing, empty when it holds no text.
    [[nodiscard]] std::optional<std::string> QueryText(std::string_view subBlock) const;

private:
    CByteView m_bytes;
};

}  // namespace tv
