#pragma once
// The one place menu items and bar buttons get their enabled and checked states: one state
// word per element, with the bits disabled, checked and indeterminate. Views mirror it.
#include <array>
#include <cstddef>
#include <cstdint>

namespace velatrace {

namespace ui {
inline constexpr uint32_t kDisabled = 256;
inline constexpr uint32_t kChecked = 512;
inline constexpr uint32_t kIndeterminate = 1024;
}  // namespace ui

struct UiElement {
    uint32_t id;
    bool toolbar;  // drives a bar button as well as the menu item
    uint32_t state;
};

class UiUpdateTable {
  public:
    static constexpr std::size_t kSize = 27;

    UiUpdateTable();

    // State word of `id`; an ID outside the table reads as enabled and unchecked.
    uint32_t State(uint32_t id) const;
    bool Enabled(uint32_t id) const { return (State(id) & ui::kDisabled) == 0; }
    bool Checked(uint32_t id) const { return (State(id) & ui::kChecked) != 0; }
    bool Contains(uint32_t id) const { return Find(id) != nullptr; }

    void Enable(uint32_t id, bool enable);
    void Check(uint32_t id, bool check);

    // Enables or disables a command group named by its first ID (see the .cpp for the ranges).
    void GroupEnable(uint32_t id, bool enable);
    // Checks or unchecks the bar and pane commands 32772..32777.
    void CheckBarsAndPanes(bool check);
    // Marks one of Stop, Start, Pause as the clip's state.
    void ClipState(uint32_t id);

    const std::array<UiElement, kSize>& Elements() const { return elements_; }
    // Counts every change, so a view can tell cheaply whether it must refresh.
    uint64_t Revision() const { return revision_; }

  private:
    UiElement* Find(uint32_t id);
    const UiElement* Find(uint32_t id) const;
    void Set(uint32_t id, uint32_t bits, bool on);

    std::array<UiElement, kSize> elements_;
    uint64_t revision_ = 0;
};

}  // namespace velatrace
