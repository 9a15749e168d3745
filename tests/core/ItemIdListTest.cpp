#include "shell/ItemIdList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace {

using tv::CByteView;
using tv::CItemIdList;

// Raw list bytes: one item per count, its data bytes all equal to the item's position + 1, then
// the terminator unless told otherwise.
std::vector<uint8_t> RawList(std::initializer_list<uint16_t> counts, bool terminate = true) {
    std::vector<uint8_t> bytes;
    uint8_t fill = 1;
    for (const uint16_t count : counts) {
        bytes.push_back(static_cast<uint8_t>(count & 0xFF));
        bytes.push_back(static_cast<uint8_t>(count >> 8));
        for (size_t i = 2; i < count; ++i)
            bytes.push_back(fill);
        ++fill;
    }
    if (terminate) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// The bytes in a heap block of exactly their size, so that ASan reports any read past the end.
struct ExactBuffer {
    explicit ExactBuffer(const std::vector<uint8_t>& bytes)
        : data(new uint8_t[bytes.size()]), size(bytes.size()) {
        std::copy(bytes.begin(), bytes.end(), data.get());
    }
    CByteView View() const { return CByteView(data.get(), size); }
    std::unique_ptr<uint8_t[]> data;
    size_t size;
};

CItemIdList List(std::initializer_list<uint16_t> counts) {
    const auto bytes = RawList(counts);
    return CItemIdList::FromBytes(CByteView(bytes.data(), bytes.size()));
}

std::vector<uint8_t> Bytes(const CItemIdList& list) {
    const CByteView view = list.Bytes();
    return std::vector<uint8_t>(view.Data(), view.Data() + view.Size());
}

TEST(ItemIdListTest, DesktopAndNullListHaveNoItems) {
    const CItemIdList desktop = CItemIdList::Desktop();
    EXPECT_FALSE(desktop.IsNull());
    EXPECT_EQ(Bytes(desktop), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(desktop.CountItems(), 0u);
    EXPECT_FALSE(desktop.FindItem(0));
    EXPECT_FALSE(desktop.LastItemData());
    EXPECT_TRUE(desktop.Parent().IsNull());

    const CItemIdList null;
    EXPECT_TRUE(null.IsNull());
    EXPECT_EQ(null.CountItems(), 0u);
    EXPECT_FALSE(null.FindItem(0));
    EXPECT_FALSE(desktop == null);
}

TEST(ItemIdListTest, AppendSizesTheListFromTheItemCounts) {
    // Three items of 20, 14 and 30 bytes with a one-item list of 12: 20 + 14 + 30 + 12 + 2.
    const CItemIdList list = List({20, 14, 30});
    const CItemIdList item = List({12});
    const CItemIdList appended = CItemIdList::Append(list, item);
    EXPECT_EQ(appended.Size(), 78u);
    ASSERT_EQ(appended.CountItems(), 4u);
    EXPECT_EQ(appended.FindItem(3)->Size(), 12u);
    EXPECT_EQ(appended.ItemData(3)->U8(0), 1);  // the item list's first item, byte for byte
    EXPECT_EQ(appended.ItemData(2)->U8(27), 3);
    EXPECT_EQ(appended.Bytes().U16(76), 0);
    EXPECT_EQ(appended.Prefix(3), list);
}

TEST(ItemIdListTest, AppendTakesOnlyTheFirstItemOfTheItemList) {
    const CItemIdList two = List({5, 9});
    // A null list appends onto nothing: a copy of the first item, terminated.
    const CItemIdList fromNull = CItemIdList::Append(CItemIdList(), two);
    EXPECT_EQ(Bytes(fromNull), RawList({5}));
    EXPECT_EQ(CItemIdList::Append(CItemIdList::Desktop(), two), fromNull);
    // Nothing to take from a null or empty item list: a copy of list.
    const CItemIdList list = List({4, 6});
    EXPECT_EQ(CItemIdList::Append(list, CItemIdList()), list);
    EXPECT_EQ(CItemIdList::Append(list, CItemIdList::Desktop()), list);
    EXPECT_EQ(CItemIdList::Append(CItemIdList(), CItemIdList()), CItemIdList::Desktop());
}

TEST(ItemIdListTest, CopyItemAndFindItem) {
    const CItemIdList three = List({6, 8, 10});
    const CItemIdList second = CItemIdList::CopyItem(three, 1);
    EXPECT_EQ(Bytes(second), (std::vector<uint8_t>{8, 0, 2, 2, 2, 2, 2, 2, 0, 0}));
    // The copy's data is the second item's, not the first one's.
    const auto data = second.ItemData(0);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->Size(), 6u);
    EXPECT_EQ(data->U8(0), 2);

    EXPECT_TRUE(CItemIdList::CopyItem(three, 3).IsNull());
    EXPECT_TRUE(CItemIdList::CopyItem(CItemIdList(), 0).IsNull());
    EXPECT_EQ(three.FindItem(2)->Size(), 10u);
    EXPECT_FALSE(three.FindItem(3));
    EXPECT_FALSE(three.FindItem(SIZE_MAX));
}

TEST(ItemIdListTest, ParentPrefixCombineAndFree) {
    CItemIdList three = List({6, 8, 10});
    EXPECT_EQ(three.Parent(), List({6, 8}));
    EXPECT_EQ(List({6}).Parent(), CItemIdList::Desktop());
    EXPECT_EQ(three.Prefix(0), CItemIdList::Desktop());
    EXPECT_EQ(three.Prefix(3), three);
    EXPECT_TRUE(three.Prefix(4).IsNull());
    EXPECT_EQ(three.LastItemData()->U8(0), 3);

    const CItemIdList tail = List({8, 10});
    EXPECT_EQ(Bytes(CItemIdList::Combine(List({6}), tail)),
              Bytes(CItemIdList::Append(CItemIdList::Append(List({6}), tail),
                                        CItemIdList::CopyItem(tail, 1))));
    EXPECT_EQ(CItemIdList::Combine(CItemIdList(), three), three);
    EXPECT_EQ(CItemIdList::Combine(three, CItemIdList()), three);
    EXPECT_TRUE(CItemIdList::Combine(CItemIdList(), CItemIdList()).IsNull());

    CItemIdList::Free(three);
    EXPECT_TRUE(three.IsNull());
    CItemIdList::Free(three);  // freeing a null list does nothing
    EXPECT_TRUE(three.IsNull());
}

TEST(ItemIdListTest, FromItemDataKeepsAnyBytesUpToTheCountLimit) {
    const uint8_t name[] = {0xFF, 0x00, '/', 'x'};
    const CItemIdList one = CItemIdList::FromItemData(CByteView(name, sizeof name));
    EXPECT_EQ(Bytes(one), (std::vector<uint8_t>{6, 0, 0xFF, 0x00, '/', 'x', 0, 0}));

    std::vector<uint8_t> big(tv::kMaxItemDataSize, 'a');
    const CItemIdList largest = CItemIdList::FromItemData(CByteView(big.data(), big.size()));
    ASSERT_FALSE(largest.IsNull());
    EXPECT_EQ(largest.FindItem(0)->U16(0), 0xFFFF);
    big.push_back('a');
    EXPECT_TRUE(CItemIdList::FromItemData(CByteView(big.data(), big.size())).IsNull());
    // An item without data is still an item.
    EXPECT_EQ(CItemIdList::FromItemData(CByteView()).CountItems(), 1u);
}

// Lists from outside: the walk stops where the bytes stop making sense and never reads past the
// buffer; only a terminated list is taken as a list.
TEST(ItemIdListTest, WalksOverRawBytesStayInsideTheBuffer) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t items;
        bool wellFormed;
    };
    const Case cases[] = {
        {"empty buffer", {}, 0, false},
        {"one byte", {0}, 0, false},
        {"terminator only", {0, 0}, 0, true},
        {"two items", RawList({4, 3}), 2, true},
        {"no terminator", RawList({4, 3}, false), 2, false},
        {"half a terminator",
         [] {
             auto b = RawList({4}, false);
             b.push_back(0);
             return b;
         }(),
         1, false},
        {"count 1 after an item",
         [] {
             auto b = RawList({4}, false);
             b.insert(b.end(), {1, 0, 0, 0});
             return b;
         }(),
         1, false},
        {"count past the end",
         [] {
             auto b = RawList({4}, false);
             b.insert(b.end(), {0x40, 0, 'x', 0, 0});
             return b;
         }(),
         1, false},
        {"count 0xFFFF in a small buffer", {0xFF, 0xFF, 0, 0}, 0, false},
        {"empty-data items", RawList({2, 2, 2}), 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ExactBuffer buffer(c.bytes);
        EXPECT_EQ(tv::CountItems(buffer.View()), c.items);
        for (size_t i = 0; i < c.items; ++i)
            EXPECT_TRUE(tv::FindItem(buffer.View(), i));
        EXPECT_FALSE(tv::FindItem(buffer.View(), c.items));
        EXPECT_EQ(tv::WellFormedListSize(buffer.View()).has_value(), c.wellFormed);
        EXPECT_EQ(CItemIdList::FromBytes(buffer.View()).IsNull(), !c.wellFormed);
    }
}

TEST(ItemIdListTest, FromBytesStopsAtTheTerminator) {
    auto bytes = RawList({5, 3});
    bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC});  // whatever follows the list in its buffer
    const ExactBuffer buffer(bytes);
    const CItemIdList list = CItemIdList::FromBytes(buffer.View());
    EXPECT_EQ(Bytes(list), RawList({5, 3}));
    EXPECT_EQ(tv::WellFormedListSize(buffer.View()), 10u);
}

}  // namespace
