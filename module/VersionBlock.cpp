#include "module/VersionBlock.h"

#include <algorithm>

#include "common/TextCodec.h"

namespace tv {

namespace {

constexpr uint64_t kHeaderSize = 6;  // wLength, wValueLength, wType
constexpr uint16_t kTextType = 1;

constexpr uint64_t Align4(uint64_t offset) noexcept { return (offset + 3) & ~uint64_t{3}; }

char16_t FoldAscii(char16_t unit) noexcept {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

// Where the next block or value really starts. The resource compiler pads with zero bytes to a
// 4-byte boundary; some writers leave the padding out, and then the bytes at offset are already
// the block's non-zero wLength or the first character of a text.
uint64_t SkipPadding(CByteView resource, uint64_t offset, uint64_t limit) noexcept {
    if (offset % 4 == 0) return offset;
    const uint64_t aligned = Align4(offset);
    if (offset % 2 != 0) return aligned;
    if (!InRange(offset, 2, limit) || resource.U16(offset).value_or(0) == 0) return aligned;
    return offset;
}

}  // namespace

CVersionBlock CVersionBlock::Root(CByteView resource) noexcept {
    return At(resource, 0, resource.Size(), true);
}

CVersionBlock CVersionBlock::At(CByteView resource, uint64_t offset, uint64_t limit,
                                bool isRoot) noexcept {
    CVersionBlock block;
    limit = std::min<uint64_t>(limit, resource.Size());
    offset = SkipPadding(resource, offset, limit);
    if (!InRange(offset, kHeaderSize, limit)) return block;
    const uint16_t length = resource.U16(offset).value_or(0);
    // A zero here is trailing padding; anything shorter than a header cannot be stepped over.
    if (length < kHeaderSize) return block;

    block.m_resource = resource;
    block.m_offset = offset;
    block.m_limit = limit;
    block.m_length = length;
    block.m_valueLength = resource.U16(offset + 2).value_or(0);
    block.m_type = resource.U16(offset + 4).value_or(0);
    block.m_end = offset + length;
    if (block.m_end > limit) {
        block.m_end = limit;
        block.m_clipped = true;
    }
    block.m_valid = true;

    const uint64_t end = block.m_end;
    block.m_keyOffset = offset + kHeaderSize;
    uint64_t at = block.m_keyOffset;
    bool terminated = false;
    while (InRange(at, 2, end)) {
        if (resource.U16(at).value_or(0) == 0) {
            terminated = true;
            break;
        }
        at += 2;
    }
    block.m_keyUnits = (at - block.m_keyOffset) / 2;
    if (!terminated) {
        // A key that runs to the block's end leaves no room for a value or children.
        block.m_valueOffset = end;
        block.m_childrenOffset = end;
        return block;
    }
    const uint64_t afterKey = at + 2;

    // The root's value is always the binary VS_FIXEDFILEINFO, whatever its wType says; elsewhere
    // text values count wValueLength in characters.
    const bool binary = isRoot || block.m_type != kTextType;
    const uint64_t valueBytes = binary ? block.m_valueLength : uint64_t{block.m_valueLength} * 2;
    uint64_t value = std::min(SkipPadding(resource, afterKey, end), end);
    // A binary value that starts with a zero word (a language-neutral translation) looks like
    // padding; when only the unpadded position lets it fit the block, it is not padded.
    if (value != afterKey && binary && valueBytes > 0 && !InRange(value, valueBytes, end) &&
        InRange(afterKey, valueBytes, end))
        value = afterKey;
    block.m_valueOffset = value;
    block.m_childrenOffset = std::min(value + valueBytes, end);
    return block;
}

std::u16string CVersionBlock::KeyUnits() const {
    if (!m_valid) return {};
    return m_resource.Utf16Units(m_keyOffset, m_keyUnits).value_or(std::u16string());
}

std::string CVersionBlock::Key() const { return Utf16ToUtf8(KeyUnits()); }

bool CVersionBlock::KeyEquals(std::u16string_view key) const noexcept {
    if (!m_valid || key.size() != m_keyUnits) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        const auto unit = static_cast<char16_t>(m_resource.U16(m_keyOffset + 2 * i).value_or(0));
        if (FoldAscii(unit) != FoldAscii(key[i])) return false;
    }
    return true;
}

CByteView CVersionBlock::BinaryValue() const noexcept {
    if (!m_valid) return {};
    return m_resource.SubClamped(m_valueOffset,
                                 std::min<uint64_t>(m_valueLength, m_end - m_valueOffset));
}

std::string CVersionBlock::TextValue() const {
    if (!m_valid || m_valueLength == 0) return {};
    std::u16string units;
    for (uint64_t at = m_valueOffset; InRange(at, 2, m_end); at += 2) {
        const auto unit = static_cast<char16_t>(m_resource.U16(at).value_or(0));
        if (unit == 0) break;
        units.push_back(unit);
    }
    return Utf16ToUtf8(units);
}

CVersionBlock CVersionBlock::FirstChild() const noexcept {
    if (!m_valid) return {};
    return At(m_resource, m_childrenOffset, m_end, false);
}

CVersionBlock CVersionBlock::NextSibling() const noexcept {
    if (!m_valid) return {};
    // The declared length, not the clipped one: a block that overran its parent has no sibling.
    return At(m_resource, m_offset + m_length, m_limit, false);
}

CVersionBlock CVersionBlock::FindChild(std::u16string_view key) const noexcept {
    // Every block is at least six bytes long, so the walk ends within the parent.
    for (CVersionBlock child = FirstChild(); child.IsValid(); child = child.NextSibling())
        if (child.KeyEquals(key)) return child;
    return {};
}

CVersionBlock CVersionResource::Find(std::string_view subBlock) const {
    CVersionBlock block = Root();
    size_t start = 0;
    while (block.IsValid() && start <= subBlock.size()) {
        size_t stop = subBlock.find('\\', start);
        if (stop == std::string_view::npos) stop = subBlock.size();
        if (stop > start)
            block = block.FindChild(Utf8ToUtf16(subBlock.substr(start, stop - start)));
        start = stop + 1;
    }
    return block;
}

std::optional<FixedFileInfo> CVersionResource::FixedInfo() const noexcept {
    const CByteView value = Root().BinaryValue();
    if (value.Size() < kFixedFileInfoSize) return std::nullopt;
    CByteReader r(value);
    FixedFileInfo info;
    info.dwSignature = r.U32();
    info.dwStrucVersion = r.U32();
    info.dwFileVersionMS = r.U32();
    info.dwFileVersionLS = r.U32();
    info.dwProductVersionMS = r.U32();
    info.dwProductVersionLS = r.U32();
    info.dwFileFlagsMask = r.U32();
    info.dwFileFlags = r.U32();
    info.dwFileOS = r.U32();
    info.dwFileType = r.U32();
    info.dwFileSubtype = r.U32();
    info.dwFileDateMS = r.U32();
    info.dwFileDateLS = r.U32();
    if (!r.Ok() || info.dwSignature != kFixedFileInfoSignature) return std::nullopt;
    return info;
}

std::optional<size_t> CVersionResource::TranslationCount() const {
    const CVersionBlock block = Find("\\VarFileInfo\\Translation");
    if (!block.IsValid()) return std::nullopt;
    return block.BinaryValue().Size() / 4;
}

std::optional<uint32_t> CVersionResource::Translation(size_t index) const {
    const CVersionBlock block = Find("\\VarFileInfo\\Translation");
    const CByteView value = block.BinaryValue();
    if (index >= value.Size() / 4) return std::nullopt;
    return value.U32(uint64_t{index} * 4);
}

std::optional<std::string> CVersionResource::QueryText(std::string_view subBlock) const {
    const CVersionBlock block = Find(subBlock);
    if (!block.IsValid()) return std::nullopt;
    return block.TextValue();
}

}  // namespace tv
