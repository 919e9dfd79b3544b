#pragma once
// The table menu items and bar buttons get their enabled and checked states from: one state
// word per element, with the bits disabled, checked and indeterminate. The frame writes it whole
// from the derived command states; views mirror it.
#include <array>
#include <cstddef>
#include <cstdint>

#include "app/CommandIds.h"

namespace velatrace {

namespace ui {
inline constexpr uint32_t kDisabled = 256;
inline constexpr uint32_t kChecked = 512;
inline constexpr uint32_t kIndeterminate = 1024;
}  // namespace ui

class UiUpdateTable {
  public:
    static constexpr std::size_t kSize = 31;
    using States = std::array<uint32_t, kSize>;
    // The elements' command IDs, in the table's order.
    static constexpr std::array<uint32_t, kSize> kIds = {
        cmd::kFileOpen,         cmd::kFileBar,
        cmd::kCaptureBar,       cmd::kSeekBar,
        cmd::kChannelBar,       cmd::kVideoPane,
        cmd::kWavePane,         cmd::kClipStop,
        cmd::kClipStart,        cmd::kClipPause,
        cmd::kNextChannel,      cmd::kPreviousChannel,
        cmd::kLevelZoomOut,     cmd::kLevelZoomIn,
        cmd::kTimeZoomIn,       cmd::kTimeZoomOut,
        cmd::kDdeTransfer,      cmd::kCapture,
        cmd::kPreview,          cmd::kFilter,
        cmd::kFormat,           cmd::kDeviceFirst,
        cmd::kDeviceFirst + 1,  cmd::kDeviceFirst + 2,
        cmd::kDeviceLast,       cmd::kDdeTransferSetting,
        cmd::kTransportSetting, cmd::kMarker,
        cmd::kNextMarker,       cmd::kPreviousMarker,
        cmd::kMarkerList,
    };

    // State word of `id`; an ID outside the table reads as enabled and unchecked.
    uint32_t State(uint32_t id) const;
    bool Enabled(uint32_t id) const { return (State(id) & ui::kDisabled) == 0; }
    bool Checked(uint32_t id) const { return (State(id) & ui::kChecked) != 0; }

    // Writes every element's state word, in the table's order.
    void Assign(const States& states);
    // Counts every change, so a view can tell cheaply whether it must refresh.
    uint64_t Revision() const { return revision_; }

  private:
    States states_{};
    uint64_t revision_ = 0;
};

}  // namespace velatrace
