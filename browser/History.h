// The folder tree's Back and Forward history and its Parent rule, kept apart from any window so
// that the rules can be driven and tested without one.
//
// Item is whatever identifies a selectable folder for the caller: a tree item handle, or an
// absolute item-id list. The history never selects anything itself; Back and Forward ask the
// caller to select through a function, and the caller reports every selection change, programmatic
// or by the user, through RecordSelectionChange.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "shell/ItemIdList.h"

namespace tv {

template <typename Item>
class CHistory {
public:
    // The selection changed from previous to current (nullopt: nothing selected). Outside Back and
    // Forward, a previous selection that differs from the new one goes on the back stack and the
    // forward stack is emptied, as browsers do: a new way forks off the old one. Re-selecting the
    // selected item changes nothing.
    void RecordSelectionChange(const std::optional<Item>& previous,
                               const std::optional<Item>& current) {
        if (m_navigating || !previous) return;
        if (current && *current == *previous) return;
        m_back.push_back(*previous);
        m_forward.clear();
    }

    // Selects the top of the back stack. The item is taken off the stack before it is selected:
    // one that cannot be selected any more (select returns false) is dropped, and false is
    // returned. On success the selection before it (current) goes on the forward stack. False
    // without a call of select when the back stack is empty.
    template <typename SelectFn>
    bool GoBack(const std::optional<Item>& current, SelectFn&& select) {
        return Step(m_back, m_forward, current, std::forward<SelectFn>(select));
    }
    // The same with the two stacks swapped.
    template <typename SelectFn>
    bool GoForward(const std::optional<Item>& current, SelectFn&& select) {
        return Step(m_forward, m_back, current, std::forward<SelectFn>(select));
    }

    [[nodiscard]] bool CanGoBack() const noexcept { return !m_back.empty(); }
    [[nodiscard]] bool CanGoForward() const noexcept { return !m_forward.empty(); }
    // True only while GoBack or GoForward has select running.
    [[nodiscard]] bool IsNavigating() const noexcept { return m_navigating; }

    // Both stacks emptied: the items they named are gone (the tree is rebuilt).
    void Clear() noexcept {
        m_back.clear();
        m_forward.clear();
    }

    // Oldest first; the top of each stack is its last element.
    [[nodiscard]] const std::vector<Item>& BackStack() const noexcept { return m_back; }
    [[nodiscard]] const std::vector<Item>& ForwardStack() const noexcept { return m_forward; }

private:
    // Clears the navigating flag however select leaves.
    class CNavigating {
    public:
        explicit CNavigating(bool& flag) noexcept : m_flag(flag) { m_flag = true; }
        ~CNavigating() { m_flag = false; }
        CNavigating(const CNavigating&) = delete;
        CNavigating& operator=(const CNavigating&) = delete;

    private:
        bool& m_flag;
    };

    template <typename SelectFn>
    bool Step(std::vector<Item>& from, std::vector<Item>& to, const std::optional<Item>& current,
              SelectFn&& select) {
        if (from.empty()) return false;
        Item target = std::move(from.back());
        from.pop_back();
        // current may refer into the caller's state that select changes: keep a copy.
        const std::optional<Item> previous = current;
        bool selected = false;
        {
            CNavigating navigating(m_navigating);
            selected = select(static_cast<const Item&>(target));
        }
        if (!selected) return false;
        if (previous) to.push_back(*previous);
        return true;
    }

    std::vector<Item> m_back;
    std::vector<Item> m_forward;
    bool m_navigating = false;
};

// The Parent rule over absolute item-id lists: the desktop's children (home and root) are the
// tree's top items and have no parent item, so only a list of two or more items has one.
[[nodiscard]] bool HasParentFolder(const CItemIdList* selected) noexcept;
// The parent folder of selected; null when HasParentFolder is false.
[[nodiscard]] CItemIdList ParentFolder(const CItemIdList& selected);

}  // namespace tv
