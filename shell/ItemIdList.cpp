#include "shell/ItemIdList.h"

#include <algorithm>

namespace tv {

namespace {

// Where a bounded walk over raw list bytes stopped.
struct Walk {
    size_t items = 0;         // complete items before the stop
    size_t itemBytes = 0;     // their bytes
    bool terminated = false;  // stopped at a terminator that lies inside the buffer
};

// Walks until the terminator, an unreadable item or the end of the buffer. stopAt, when given,
// ends the walk once that many items were seen.
Walk WalkItems(CByteView bytes, std::optional<size_t> stopAt = std::nullopt) noexcept {
    Walk walk;
    size_t offset = 0;
    while (!stopAt || walk.items < *stopAt) {
        const auto count = bytes.U16(offset);
        if (!count) break;  // not even a terminator fits: the list is cut short
        if (*count == 0) {
            walk.terminated = true;
            break;
        }
        // A count of 1 cannot cover its own two bytes; stepping by it would misalign every
        // later read.
        if (*count < 2 || !bytes.Contains(offset, *count)) break;
        offset += *count;
        walk.itemBytes = offset;
        ++walk.items;
    }
    return walk;
}

}  // namespace

size_t CountItems(CByteView bytes) noexcept { return WalkItems(bytes).items; }

std::optional<CByteView> FindItem(CByteView bytes, size_t n) noexcept {
    if (n == SIZE_MAX) return std::nullopt;
    const Walk before = WalkItems(bytes, n);
    if (before.items != n) return std::nullopt;
    const Walk through = WalkItems(bytes, n + 1);
    if (through.items != n + 1) return std::nullopt;
    return bytes.Sub(before.itemBytes, through.itemBytes - before.itemBytes);
}

std::optional<size_t> WellFormedListSize(CByteView bytes) noexcept {
    const Walk walk = WalkItems(bytes);
    if (!walk.terminated) return std::nullopt;
    return walk.itemBytes + 2;
}

CItemIdList CItemIdList::Desktop() {
    CItemIdList list;
    list.m_bytes.assign(2, 0);
    return list;
}

CItemIdList CItemIdList::FromBytes(CByteView bytes) {
    CItemIdList list;
    const auto size = WellFormedListSize(bytes);
    if (!size) return list;
    list.m_bytes.assign(bytes.Data(), bytes.Data() + *size);
    return list;
}

CItemIdList CItemIdList::FromItemData(CByteView data) {
    CItemIdList list;
    if (data.Size() > kMaxItemDataSize) return list;
    const size_t count = data.Size() + 2;
    list.m_bytes.reserve(count + 2);
    list.m_bytes.push_back(static_cast<uint8_t>(count & 0xFF));
    list.m_bytes.push_back(static_cast<uint8_t>(count >> 8));
    list.m_bytes.insert(list.m_bytes.end(), data.Data(), data.Data() + data.Size());
    list.m_bytes.push_back(0);
    list.m_bytes.push_back(0);
    return list;
}

CItemIdList CItemIdList::Append(const CItemIdList& list, const CItemIdList& item) {
    // An owned list is well-formed, so its item bytes are everything but the terminator.
    const size_t head = list.IsNull() ? 0 : list.Size() - 2;
    const auto first = item.FindItem(0);
    const size_t tail = first ? first->Size() : 0;
    CItemIdList result;
    result.m_bytes.reserve(head + tail + 2);
    result.m_bytes.insert(result.m_bytes.end(), list.m_bytes.begin(),
                          list.m_bytes.begin() + static_cast<std::ptrdiff_t>(head));
    if (first) result.m_bytes.insert(result.m_bytes.end(), first->Data(), first->Data() + tail);
    result.m_bytes.push_back(0);
    result.m_bytes.push_back(0);
    return result;
}

CItemIdList CItemIdList::Combine(const CItemIdList& first, const CItemIdList& second) {
    CItemIdList result;
    if (first.IsNull() && second.IsNull()) return result;
    const size_t head = first.IsNull() ? 0 : first.Size() - 2;
    result.m_bytes.reserve(head + std::max<size_t>(second.Size(), 2));
    result.m_bytes.assign(first.m_bytes.begin(),
                          first.m_bytes.begin() + static_cast<std::ptrdiff_t>(head));
    if (second.IsNull()) {
        result.m_bytes.push_back(0);
        result.m_bytes.push_back(0);
    } else {
        result.m_bytes.insert(result.m_bytes.end(), second.m_bytes.begin(), second.m_bytes.end());
    }
    return result;
}

CItemIdList CItemIdList::CopyItem(const CItemIdList& list, size_t n) {
    CItemIdList result;
    const auto found = list.FindItem(n);
    if (!found) return result;
    result.m_bytes.reserve(found->Size() + 2);
    result.m_bytes.assign(found->Data(), found->Data() + found->Size());
    result.m_bytes.push_back(0);
    result.m_bytes.push_back(0);
    return result;
}

void CItemIdList::Free(CItemIdList& list) noexcept {
    // clear() would keep the capacity; a freed list gives its memory back.
    std::vector<uint8_t>().swap(list.m_bytes);
}

size_t CItemIdList::CountItems() const noexcept { return tv::CountItems(Bytes()); }

std::optional<CByteView> CItemIdList::FindItem(size_t n) const noexcept {
    return tv::FindItem(Bytes(), n);
}

std::optional<CByteView> CItemIdList::ItemData(size_t n) const noexcept {
    const auto item = FindItem(n);
    if (!item) return std::nullopt;
    return item->Tail(2);
}

std::optional<CByteView> CItemIdList::LastItemData() const noexcept {
    const size_t count = CountItems();
    if (count == 0) return std::nullopt;
    return ItemData(count - 1);
}

CItemIdList CItemIdList::Parent() const {
    const size_t count = CountItems();
    if (count == 0) return CItemIdList();
    return Prefix(count - 1);
}

CItemIdList CItemIdList::Prefix(size_t count) const {
    CItemIdList result;
    if (IsNull()) return result;
    const Walk walk = WalkItems(Bytes(), count);
    if (walk.items != count) return result;
    result.m_bytes.reserve(walk.itemBytes + 2);
    result.m_bytes.assign(m_bytes.begin(),
                          m_bytes.begin() + static_cast<std::ptrdiff_t>(walk.itemBytes));
    result.m_bytes.push_back(0);
    result.m_bytes.push_back(0);
    return result;
}

}  // namespace tv
