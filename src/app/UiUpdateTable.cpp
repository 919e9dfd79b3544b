#include "app/UiUpdateTable.h"

#include "app/CommandIds.h"

namespace velatrace {

UiUpdateTable::UiUpdateTable()
    : elements_{{
          {cmd::kFileOpen, true, 0},          {cmd::kFileBar, false, 0},
          {cmd::kCaptureBar, false, 0},       {cmd::kSeekBar, false, 0},
          {cmd::kChannelBar, false, 0},       {cmd::kVideoPane, false, 0},
          {cmd::kWavePane, false, 0},         {cmd::kClipStop, true, 0},
          {cmd::kClipStart, true, 0},         {cmd::kClipPause, true, 0},
          {cmd::kNextChannel, true, 0},       {cmd::kPreviousChannel, true, 0},
          {cmd::kLevelZoomOut, true, 0},      {cmd::kLevelZoomIn, true, 0},
          {cmd::kTimeZoomIn, true, 0},        {cmd::kTimeZoomOut, true, 0},
          {cmd::kDdeTransfer, true, 0},       {cmd::kCapture, true, 0},
          {cmd::kPreview, true, 0},           {cmd::kFilter, false, 0},
          {cmd::kFormat, false, 0},           {cmd::kDeviceFirst, false, 0},
          {cmd::kDeviceFirst + 1, false, 0},  {cmd::kDeviceFirst + 2, false, 0},
          {cmd::kDeviceLast, false, 0},       {cmd::kDdeTransferSetting, false, 0},
          {cmd::kTransportSetting, false, 0},
      }} {}

const UiElement* UiUpdateTable::Find(uint32_t id) const {
    for (const UiElement& e : elements_) {
        if (e.id == id) {
            return &e;
        }
    }
    return nullptr;
}

UiElement* UiUpdateTable::Find(uint32_t id) {
    return const_cast<UiElement*>(static_cast<const UiUpdateTable*>(this)->Find(id));
}

uint32_t UiUpdateTable::State(uint32_t id) const {
    const UiElement* e = Find(id);
    return e != nullptr ? e->state : 0;
}

void UiUpdateTable::Set(uint32_t id, uint32_t bits, bool on) {
    UiElement* e = Find(id);
    if (e == nullptr) {
        return;
    }
    const uint32_t next = on ? (e->state | bits) : (e->state & ~bits);
    if (next != e->state) {
        e->state = next;
        ++revision_;
    }
}

void UiUpdateTable::Enable(uint32_t id, bool enable) {
    Set(id, ui::kDisabled, !enable);
}

void UiUpdateTable::Check(uint32_t id, bool check) {
    Set(id, ui::kChecked, check);
}

void UiUpdateTable::GroupEnable(uint32_t id, bool enable) {
    // The first ID fixes the range: the clip group, the channel group, the camera group, all
    // session commands (0), or any other ID up to the last camera command.
    uint32_t first = id;
    uint32_t last = cmd::kFormat;
    switch (id) {
        case cmd::kClipStop:
            last = cmd::kClipInformation;
            break;
        case cmd::kNextChannel:
            last = cmd::kTimeZoomIn;
            break;
        case cmd::kFilter:
            last = cmd::kFormat;
            break;
        case 0:
            first = cmd::kClipStop;
            break;
        default:
            break;
    }
    for (uint32_t i = first; i <= last; ++i) {
        if (!enable) {
            Set(i, ui::kChecked | ui::kIndeterminate, false);
        }
        Set(i, ui::kDisabled, !enable);
    }
    if (id == 0) {
        for (uint32_t i : {cmd::kNextChannel, cmd::kPreviousChannel}) {
            Set(i, ui::kChecked | ui::kIndeterminate, false);
            Set(i, ui::kDisabled, true);
        }
    }
}

void UiUpdateTable::CheckBarsAndPanes(bool check) {
    for (uint32_t i = cmd::kFileBar; i <= cmd::kWavePane; ++i) {
        Check(i, check);
    }
}

void UiUpdateTable::ClipState(uint32_t id) {
    for (uint32_t i = cmd::kClipStop; i <= cmd::kClipPause; ++i) {
        Check(i, i == id);
        Enable(i, i != id);
    }
    if (id == cmd::kClipStop) {
        Enable(cmd::kClipPause, false);
    }
}

}  // namespace velatrace
