// Command routing as the windows use it: a command goes to the active view first, then to the
// main frame, then to the application; the first target that handles it ends the walk. The same
// walk decides a command's enable and check state, so that a command nobody handles stays
// disabled.
#pragma once

#include <cstdint>

namespace tv {

// The state a command target gives a command: like the framework's command-UI object.
class CCmdUI {
public:
    explicit CCmdUI(uint32_t id) : m_id(id) {}
    [[nodiscard]] uint32_t GetId() const noexcept { return m_id; }
    void Enable(bool enable = true) noexcept {
        m_enabled = enable;
        m_handled = true;
    }
    void SetCheck(bool check = true) noexcept {
        m_checked = check;
        m_checkSet = true;
        m_handled = true;
    }
    [[nodiscard]] bool IsEnabled() const noexcept { return m_enabled; }
    [[nodiscard]] bool IsChecked() const noexcept { return m_checked; }
    // True when the target gave the command a check state, checked or not: its menu entry is one
    // that shows a mark.
    [[nodiscard]] bool HasCheck() const noexcept { return m_checkSet; }
    // True once a target claimed the command (by enabling, disabling or checking it).
    [[nodiscard]] bool IsHandled() const noexcept { return m_handled; }

private:
    uint32_t m_id;
    bool m_enabled = false;
    bool m_checked = false;
    bool m_checkSet = false;
    bool m_handled = false;
};

class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;
    // Runs the command; false when this target does not handle it.
    virtual bool OnCommand(uint32_t id) = 0;
    // Sets the command's state; false (ui untouched) when this target does not handle it.
    virtual bool OnUpdateCommand(CCmdUI& ui) = 0;
};

}  // namespace tv
