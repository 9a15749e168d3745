#include "browser/History.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Stack = std::vector<std::string>;

// A stand-in for the folder tree: it owns the selection and reports every change to the history,
// whoever made it, as the tree's selection-change handler does.
struct FakeTree {
    bool Select(const std::optional<std::string>& item) {
        if (item && gone.count(*item)) return false;
        const auto previous = selected;
        selected = item;
        navigatingSeen.push_back(history.IsNavigating());
        history.RecordSelectionChange(previous, selected);
        return true;
    }
    bool Back() {
        return history.GoBack(selected, [this](const std::string& item) { return Select(item); });
    }
    bool Forward() {
        return history.GoForward(selected,
                                 [this](const std::string& item) { return Select(item); });
    }

    tv::CHistory<std::string> history;
    std::optional<std::string> selected;
    std::set<std::string> gone;  // items that can no longer be selected
    std::vector<bool> navigatingSeen;
};

TEST(HistoryTest, BackBackThenANewSelection) {
    FakeTree tree;
    tree.Select("A");
    tree.Select("B");
    tree.Select("C");
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A", "B"}));
    EXPECT_TRUE(tree.history.ForwardStack().empty());

    ASSERT_TRUE(tree.Back());
    EXPECT_EQ(tree.selected, "B");
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A"}));
    EXPECT_EQ(tree.history.ForwardStack(), (Stack{"C"}));

    ASSERT_TRUE(tree.Back());
    EXPECT_EQ(tree.selected, "A");
    EXPECT_TRUE(tree.history.BackStack().empty());
    EXPECT_EQ(tree.history.ForwardStack(), (Stack{"C", "B"}));

    // A selection of the user's forks the way: forward is gone, A is remembered.
    tree.Select("D");
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A"}));
    EXPECT_TRUE(tree.history.ForwardStack().empty());
    EXPECT_FALSE(tree.history.CanGoForward());
}

TEST(HistoryTest, ForwardRetracesBack) {
    FakeTree tree;
    for (const char* item : {"A", "B", "C"})
        tree.Select(item);
    ASSERT_TRUE(tree.Back());
    ASSERT_TRUE(tree.Back());
    ASSERT_TRUE(tree.Forward());
    EXPECT_EQ(tree.selected, "B");
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A"}));
    EXPECT_EQ(tree.history.ForwardStack(), (Stack{"C"}));
    ASSERT_TRUE(tree.Forward());
    EXPECT_EQ(tree.selected, "C");
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A", "B"}));
    EXPECT_FALSE(tree.Forward());
    EXPECT_EQ(tree.selected, "C");
}

TEST(HistoryTest, NothingToGoBackTo) {
    FakeTree tree;
    EXPECT_FALSE(tree.history.CanGoBack());
    EXPECT_FALSE(tree.Back());
    tree.Select("A");
    EXPECT_FALSE(tree.history.CanGoBack());  // the first selection had no predecessor
    EXPECT_FALSE(tree.Back());
    EXPECT_EQ(tree.selected, "A");
    EXPECT_EQ(tree.navigatingSeen, (std::vector<bool>{false}));  // select was never called
}

TEST(HistoryTest, ReselectingTheSelectedItemPushesNothing) {
    FakeTree tree;
    tree.Select("A");
    tree.Select("B");
    tree.Select("B");
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A"}));
    // Not even the forward stack is touched by it.
    ASSERT_TRUE(tree.Back());
    tree.Select("A");
    EXPECT_EQ(tree.history.ForwardStack(), (Stack{"B"}));
}

TEST(HistoryTest, SelectionsMadeByBackAndForwardAreNotRecorded) {
    FakeTree tree;
    for (const char* item : {"A", "B", "C"})
        tree.Select(item);
    tree.navigatingSeen.clear();
    ASSERT_TRUE(tree.Back());
    ASSERT_TRUE(tree.Forward());
    EXPECT_EQ(tree.navigatingSeen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(tree.history.IsNavigating());
}

TEST(HistoryTest, AnItemThatCannotBeSelectedIsDropped) {
    FakeTree tree;
    for (const char* item : {"A", "B", "C"})
        tree.Select(item);
    tree.gone.insert("B");
    EXPECT_FALSE(tree.Back());
    EXPECT_EQ(tree.selected, "C");
    EXPECT_FALSE(tree.history.IsNavigating());
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A"}));
    EXPECT_TRUE(tree.history.ForwardStack().empty());
    // The next Back goes on past it.
    ASSERT_TRUE(tree.Back());
    EXPECT_EQ(tree.selected, "A");
    EXPECT_EQ(tree.history.ForwardStack(), (Stack{"C"}));
}

TEST(HistoryTest, ClearingTheSelectionRecordsThePreviousOne) {
    // Selecting an item-id list step by step starts by selecting nothing.
    FakeTree tree;
    tree.Select("A");
    tree.Select(std::nullopt);
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A"}));
    tree.Select("X");  // no previous selection: nothing to push
    EXPECT_EQ(tree.history.BackStack(), (Stack{"A"}));
    // Back from X returns to A and keeps X for Forward.
    ASSERT_TRUE(tree.Back());
    EXPECT_EQ(tree.history.ForwardStack(), (Stack{"X"}));

    // Back while nothing is selected leaves nothing to go forward to.
    tree.Select("B");
    tree.Select(std::nullopt);
    ASSERT_TRUE(tree.Back());
    EXPECT_EQ(tree.selected, "B");
    EXPECT_TRUE(tree.history.ForwardStack().empty());
}

TEST(HistoryTest, ParentFolderOfItemIdLists) {
    const auto item = [](const char* name) {
        return tv::CItemIdList::FromItemData(tv::CByteView(reinterpret_cast<const uint8_t*>(name),
                                                           std::char_traits<char>::length(name)));
    };
    const tv::CItemIdList top = item("/");
    const tv::CItemIdList child = tv::CItemIdList::Append(top, item("usr"));
    const tv::CItemIdList grandchild = tv::CItemIdList::Append(child, item("lib"));

    EXPECT_FALSE(tv::HasParentFolder(nullptr));
    const tv::CItemIdList desktop = tv::CItemIdList::Desktop();
    EXPECT_FALSE(tv::HasParentFolder(&desktop));
    EXPECT_FALSE(tv::HasParentFolder(&top));  // the tree's top items have no parent item
    EXPECT_TRUE(tv::ParentFolder(top).IsNull());
    EXPECT_TRUE(tv::HasParentFolder(&child));
    EXPECT_EQ(tv::ParentFolder(child), top);
    EXPECT_EQ(tv::ParentFolder(grandchild), child);

    // Going to the parent is an ordinary selection: Back returns to the child.
    tv::CHistory<tv::CItemIdList> history;
    std::optional<tv::CItemIdList> selected = grandchild;
    const auto select = [&](const tv::CItemIdList& list) {
        const auto previous = selected;
        selected = list;
        history.RecordSelectionChange(previous, selected);
        return true;
    };
    select(tv::ParentFolder(*selected));
    EXPECT_EQ(selected, child);
    ASSERT_TRUE(history.GoBack(selected, select));
    EXPECT_EQ(selected, grandchild);
    EXPECT_EQ(history.ForwardStack(), (std::vector<tv::CItemIdList>{child}));
}

}  // namespace
