#include "common/ByteView.h"

#include <functional>

#include "common/TextCodec.h"

namespace tv {

namespace {
template <typename T>
std::optional<T> ReadLE(const CByteView& view, uint64_t offset) noexcept {
    if (!view.Contains(offset, sizeof(T))) return std::nullopt;
    const uint8_t* p = view.Data() + offset;
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<T>(value | (static_cast<T>(p[i]) << (8 * i)));
    return value;
}
}  // namespace

std::optional<CByteView> CByteView::Sub(uint64_t offset, uint64_t length) const noexcept {
    if (!Contains(offset, length)) return std::nullopt;
    return CByteView(m_data + offset, static_cast<size_t>(length));
}

CByteView CByteView::Tail(uint64_t offset) const noexcept {
    if (offset >= m_size) return {};
    return CByteView(m_data + offset, static_cast<size_t>(m_size - offset));
}

CByteView CByteView::SubClamped(uint64_t offset, uint64_t length) const noexcept {
    if (offset >= m_size) return {};
    const uint64_t rest = m_size - offset;
    return CByteView(m_data + offset, static_cast<size_t>(length < rest ? length : rest));
}

std::optional<uint8_t> CByteView::U8(uint64_t offset) const noexcept {
    return ReadLE<uint8_t>(*this, offset);
}
std::optional<uint16_t> CByteView::U16(uint64_t offset) const noexcept {
    return ReadLE<uint16_t>(*this, offset);
}
std::optional<uint32_t> CByteView::U32(uint64_t offset) const noexcept {
    return ReadLE<uint32_t>(*this, offset);
}
std::optional<uint64_t> CByteView::U64(uint64_t offset) const noexcept {
    return ReadLE<uint64_t>(*this, offset);
}

std::optional<std::string> CByteView::StringZ(uint64_t offset, size_t maxLength,
                                              bool allowUnterminated) const {
    if (offset >= m_size) return std::nullopt;
    const uint64_t rest = m_size - offset;
    const uint64_t limit = maxLength < rest ? maxLength : rest;
    const auto* begin = reinterpret_cast<const char*>(m_data + offset);
    for (uint64_t i = 0; i < limit; ++i) {
        if (begin[i] == '\0') return std::string(begin, static_cast<size_t>(i));
    }
    // Exactly maxLength characters followed by the terminator is still a whole string.
    if (limit == maxLength && limit < rest && begin[limit] == '\0')
        return std::string(begin, static_cast<size_t>(limit));
    if (allowUnterminated) return std::string(begin, static_cast<size_t>(limit));
    return std::nullopt;
}

std::optional<std::u16string> CByteView::Utf16Units(uint64_t offset, size_t count) const {
    uint64_t bytes = 0;
    if (!CheckedMul(count, 2, bytes) || !Contains(offset, bytes)) return std::nullopt;
    std::u16string units(count, u'\0');
    const uint8_t* p = m_data + offset;
    for (size_t i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>(p[2 * i] | (static_cast<unsigned>(p[2 * i + 1]) << 8));
    return units;
}

std::optional<std::string> CByteView::Utf16Counted(uint64_t offset, size_t count) const {
    auto units = Utf16Units(offset, count);
    if (!units) return std::nullopt;
    return Utf16ToUtf8(*units);
}

std::optional<std::string> CByteView::Utf16Z(uint64_t offset, size_t maxUnits,
                                             size_t* unitsRead) const {
    if (offset > m_size) return std::nullopt;
    const uint64_t available = (m_size - offset) / 2;
    std::u16string units;
    for (uint64_t i = 0; i < available; ++i) {
        const uint8_t* p = m_data + offset + 2 * i;
        const auto u = static_cast<char16_t>(p[0] | (static_cast<unsigned>(p[1]) << 8));
        if (u == 0) {
            if (unitsRead) *unitsRead = units.size();
            return Utf16ToUtf8(units);
        }
        if (i >= maxUnits) return std::nullopt;
        units.push_back(u);
    }
    return std::nullopt;
}

std::optional<uint64_t> CByteView::OffsetOf(const uint8_t* p) const noexcept {
    if (!m_data || !p) return std::nullopt;
    // Compare as integers: relational comparison of unrelated pointers is unspecified.
    const auto base = reinterpret_cast<uintptr_t>(m_data);
    const auto at = reinterpret_cast<uintptr_t>(p);
    if (at < base || at - base >= m_size) return std::nullopt;
    return at - base;
}

uint8_t CByteReader::U8() noexcept {
    auto v = m_ok ? m_view.U8(m_pos) : std::nullopt;
    if (!v) {
        m_ok = false;
        return 0;
    }
    m_pos += 1;
    return *v;
}

uint16_t CByteReader::U16() noexcept {
    auto v = m_ok ? m_view.U16(m_pos) : std::nullopt;
    if (!v) {
        m_ok = false;
        return 0;
    }
    m_pos += 2;
    return *v;
}

uint32_t CByteReader::U32() noexcept {
    auto v = m_ok ? m_view.U32(m_pos) : std::nullopt;
    if (!v) {
        m_ok = false;
        return 0;
    }
    m_pos += 4;
    return *v;
}

uint64_t CByteReader::U64() noexcept {
    auto v = m_ok ? m_view.U64(m_pos) : std::nullopt;
    if (!v) {
        m_ok = false;
        return 0;
    }
    m_pos += 8;
    return *v;
}

void CByteReader::Skip(uint64_t count) noexcept {
    if (!m_ok || !m_view.Contains(m_pos, count)) {
        m_ok = false;
        return;
    }
    m_pos += count;
}

void CByteReader::Seek(uint64_t position) noexcept {
    if (!m_ok || position > m_view.Size()) {
        m_ok = false;
        return;
    }
    m_pos = position;
}

void CByteReader::Align(uint64_t alignment) noexcept {
    if (!m_ok) return;
    const auto aligned = AlignUp(m_pos, alignment);
    if (!aligned || *aligned > m_view.Size()) {
        m_ok = false;
        return;
    }
    m_pos = *aligned;
}

CByteView CByteReader::Bytes(uint64_t count) noexcept {
    auto sub = m_ok ? m_view.Sub(m_pos, count) : std::nullopt;
    if (!sub) {
        m_ok = false;
        return {};
    }
    m_pos += count;
    return *sub;
}

std::u16string CByteReader::Utf16ZUnits(size_t maxUnits) noexcept {
    std::u16string units;
    while (m_ok) {
        const uint16_t u = U16();
        if (!m_ok) break;
        if (u == 0) return units;
        if (units.size() >= maxUnits) {
            m_ok = false;
            break;
        }
        units.push_back(static_cast<char16_t>(u));
    }
    return {};
}

std::string CByteReader::Utf16Z(size_t maxUnits) noexcept {
    return Utf16ToUtf8(Utf16ZUnits(maxUnits));
}

}  // namespace tv
