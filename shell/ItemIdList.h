// Item-id lists: the byte format in which the folder tree, the module list and the shell commands
// name files and folders.
//
// A list is a sequence of items followed by a terminator. Each item starts with a 16-bit
// little-endian byte count that includes the two count bytes, followed by opaque data; the
// terminator is a 16-bit zero. An absolute list leads from the desktop to an item, a relative one
// from a folder to an item in it; the empty list (terminator only) is the desktop itself. What the
// data of an item means is the business of CShellNamespace; this file only keeps the format.
//
// Lists come from outside (stored views, a drag payload, a fuzzer), so every walk over raw bytes is
// bounded by the buffer: it stops at the terminator, at an item whose count is 1 (too small to hold
// its own count, so nothing after it can be trusted) and at an item that would run past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/ByteView.h"

namespace tv {

// The largest data an item can carry: its count is 16 bits and includes the count itself.
inline constexpr size_t kMaxItemDataSize = 0xFFFF - 2;

// The number of complete items at the start of bytes, before the terminator or the first item
// that cannot be read (count 1, or more bytes than remain).
[[nodiscard]] size_t CountItems(CByteView bytes) noexcept;
// Item n (0-based, count bytes included) of the items CountItems finds; nullopt when there are n
// items or fewer.
[[nodiscard]] std::optional<CByteView> FindItem(CByteView bytes, size_t n) noexcept;
// The size of the well-formed list at the start of bytes, terminator included; nullopt when the
// walk stops before a terminator (no terminator within the buffer, a count of 1, an item past the
// end). Bytes after the terminator do not matter.
[[nodiscard]] std::optional<size_t> WellFormedListSize(CByteView bytes) noexcept;

// An item-id list owned by value. It is either null (no list at all, the failure result of the
// operations below) or a well-formed list whose size is exactly its items plus the terminator;
// every way of making one keeps that, so walks over an owned list always end.
class CItemIdList {
public:
    // The null list.
    CItemIdList() noexcept = default;

    // The empty list: the desktop.
    [[nodiscard]] static CItemIdList Desktop();
    // A copy of the well-formed list at the start of bytes; null when there is none.
    [[nodiscard]] static CItemIdList FromBytes(CByteView bytes);
    // A one-item list whose item carries data; null when data is longer than kMaxItemDataSize.
    [[nodiscard]] static CItemIdList FromItemData(CByteView data);

    // A new list: the items of list (null counts as empty), then the first item of item, then a
    // terminator. Its size is the byte counts of list's items plus the count of item's first item
    // plus 2. Only the first item of item is taken: callers pass an enumerated one-item child. An
    // item list that is null or empty appends nothing, so the result is a copy of list.
    [[nodiscard]] static CItemIdList Append(const CItemIdList& list, const CItemIdList& item);
    // A new list: the items of first, then all items of second (a list relative to first). A null
    // list counts as empty; null only when both are null.
    [[nodiscard]] static CItemIdList Combine(const CItemIdList& first, const CItemIdList& second);
    // A new one-item list holding a copy of item n of list; null when there is no such item.
    [[nodiscard]] static CItemIdList CopyItem(const CItemIdList& list, size_t n);
    // Releases list and leaves it null.
    static void Free(CItemIdList& list) noexcept;

    [[nodiscard]] bool IsNull() const noexcept { return m_bytes.empty(); }
    // The whole list, terminator included; empty for the null list.
    [[nodiscard]] CByteView Bytes() const noexcept { return CByteView(m_bytes.data(), Size()); }
    [[nodiscard]] size_t Size() const noexcept { return m_bytes.size(); }

    // Number of items before the terminator; 0 for the desktop and for the null list.
    [[nodiscard]] size_t CountItems() const noexcept;
    // Item n with its count bytes; nullopt when the list has n items or fewer.
    [[nodiscard]] std::optional<CByteView> FindItem(size_t n) const noexcept;
    // The data of item n without its count bytes; nullopt as for FindItem.
    [[nodiscard]] std::optional<CByteView> ItemData(size_t n) const noexcept;
    // The data of the last item; nullopt for the desktop and the null list.
    [[nodiscard]] std::optional<CByteView> LastItemData() const noexcept;

    // The list without its last item (the desktop for a one-item list); null for the desktop and
    // the null list, which have no parent.
    [[nodiscard]] CItemIdList Parent() const;
    // The first count items as a list of their own; null when the list has fewer items.
    [[nodiscard]] CItemIdList Prefix(size_t count) const;

    // Byte-wise equality, as lists are compared when they are stored.
    friend bool operator==(const CItemIdList& a, const CItemIdList& b) noexcept {
        return a.m_bytes == b.m_bytes;
    }

private:
    std::vector<uint8_t> m_bytes;
};

}  // namespace tv
