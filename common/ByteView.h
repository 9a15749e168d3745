// The one way parsers touch bytes that come from a file.
//
// Module files are hostile until proven otherwise: every offset, size, count and RVA read from
// them is checked here before anything is dereferenced. Range checks are written in subtraction
// form (offset <= size && length <= size - offset) so that no sum can wrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tv {

// True when [offset, offset + length) lies inside [0, size).
[[nodiscard]] constexpr bool InRange(uint64_t offset, uint64_t length, uint64_t size) noexcept {
    return offset <= size && length <= size - offset;
}

// Overflow-checked arithmetic for values taken from files.
[[nodiscard]] constexpr bool CheckedAdd(uint64_t a, uint64_t b, uint64_t& out) noexcept {
    if (b > UINT64_MAX - a) return false;
    out = a + b;
    return true;
}
[[nodiscard]] constexpr bool CheckedMul(uint64_t a, uint64_t b, uint64_t& out) noexcept {
    if (a != 0 && b > UINT64_MAX / a) return false;
    out = a * b;
    return true;
}
// Rounds value up to a multiple of alignment (a power of two or any non-zero value); nullopt on
// overflow or zero alignment.
[[nodiscard]] constexpr std::optional<uint64_t> AlignUp(uint64_t value,
                                                        uint64_t alignment) noexcept {
    if (alignment == 0) return std::nullopt;
    const uint64_t rest = value % alignment;
    if (rest == 0) return value;
    uint64_t out = 0;
    if (!CheckedAdd(value, alignment - rest, out)) return std::nullopt;
    return out;
}

// A non-owning window on bytes. Every read is bounds-checked and assembles little-endian values
// from single bytes, so neither alignment nor host byte order matters.
class CByteView {
public:
    constexpr CByteView() noexcept = default;
    constexpr CByteView(const uint8_t* data, size_t size) noexcept
        : m_data(size ? data : nullptr), m_size(data ? size : 0) {}

    [[nodiscard]] constexpr const uint8_t* Data() const noexcept { return m_data; }
    [[nodiscard]] constexpr size_t Size() const noexcept { return m_size; }
    [[nodiscard]] constexpr bool Empty() const noexcept { return m_size == 0; }

    [[nodiscard]] constexpr bool Contains(uint64_t offset, uint64_t length) const noexcept {
        return InRange(offset, length, m_size);
    }

    // The window [offset, offset + length), or nullopt when it does not fit.
    [[nodiscard]] std::optional<CByteView> Sub(uint64_t offset, uint64_t length) const noexcept;
    // From offset to the end (empty when offset is past the end).
    [[nodiscard]] CByteView Tail(uint64_t offset) const noexcept;
    // At most length bytes from offset: the part of the window that exists.
    [[nodiscard]] CByteView SubClamped(uint64_t offset, uint64_t length) const noexcept;

    [[nodiscard]] std::optional<uint8_t> U8(uint64_t offset) const noexcept;
    [[nodiscard]] std::optional<uint16_t> U16(uint64_t offset) const noexcept;
    [[nodiscard]] std::optional<uint32_t> U32(uint64_t offset) const noexcept;
    [[nodiscard]] std::optional<uint64_t> U64(uint64_t offset) const noexcept;

    // A zero-terminated 8-bit string starting at offset, at most maxLength bytes long (not
    // counting the terminator). nullopt when offset is outside the view or no terminator appears
    // within the limit and the view; with allowUnterminated the bytes up to the limit or the end
    // are returned instead.
    [[nodiscard]] std::optional<std::string> StringZ(uint64_t offset, size_t maxLength,
                                                     bool allowUnterminated = false) const;
    // A zero-terminated UTF-16LE string of at most maxUnits units (terminator not counted),
    // converted to UTF-8. unitsRead, when given, receives the units consumed without the
    // terminator.
    [[nodiscard]] std::optional<std::string> Utf16Z(uint64_t offset, size_t maxUnits,
                                                    size_t* unitsRead = nullptr) const;
    // Exactly count UTF-16LE units at offset, converted to UTF-8.
    [[nodiscard]] std::optional<std::string> Utf16Counted(uint64_t offset, size_t count) const;
    // Exactly count UTF-16LE units at offset, kept as units.
    [[nodiscard]] std::optional<std::u16string> Utf16Units(uint64_t offset, size_t count) const;

    // Offset of p inside the view, or nullopt when p is not inside it.
    [[nodiscard]] std::optional<uint64_t> OffsetOf(const uint8_t* p) const noexcept;

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

// Sequential reading with a sticky failure flag: once a read falls outside the view every later
// read returns zero and Ok() stays false, so a parser may read a whole record and check once.
class CByteReader {
public:
    explicit CByteReader(CByteView view, uint64_t position = 0) noexcept
        : m_view(view), m_pos(position), m_ok(position <= view.Size()) {}

    [[nodiscard]] bool Ok() const noexcept { return m_ok; }
    [[nodiscard]] uint64_t Position() const noexcept { return m_pos; }
    [[nodiscard]] uint64_t Remaining() const noexcept {
        return m_ok && m_pos <= m_view.Size() ? m_view.Size() - m_pos : 0;
    }
    [[nodiscard]] const CByteView& View() const noexcept { return m_view; }

    uint8_t U8() noexcept;
    uint16_t U16() noexcept;
    uint32_t U32() noexcept;
    uint64_t U64() noexcept;
    // Advances by count bytes; fails when that leaves the view.
    void Skip(uint64_t count) noexcept;
    // Moves to an absolute position; fails when it lies past the end.
    void Seek(uint64_t position) noexcept;
    // Advances to the next multiple of alignment, counted from the view's start. Moving to the
    // very end is allowed.
    void Align(uint64_t alignment) noexcept;
    // count bytes as a view; an empty view and failure when they do not fit.
    CByteView Bytes(uint64_t count) noexcept;
    // A zero-terminated UTF-16 string of at most maxUnits units, consuming the terminator.
    std::string Utf16Z(size_t maxUnits) noexcept;
    // The units of a zero-terminated UTF-16 string, consuming the terminator.
    std::u16string Utf16ZUnits(size_t maxUnits) noexcept;
    void Fail() noexcept { m_ok = false; }

private:
    CByteView m_view;
    uint64_t m_pos = 0;
    bool m_ok = true;
};

}  // namespace tv
