#pragma once
// What the Qt window forwards its events to: commands, timer ticks, the logger's answers, the
// seek bar and the close request, plus the UI-update table it mirrors onto its actions. The
// program hands the window its MainFrame through FrameHandlerFor; tests hand it a small fake.
#include <cstdint>

#include "app/MainFrame.h"
#include "app/UiUpdateTable.h"

namespace velatrace {

class FrameHandler {
  public:
    virtual ~FrameHandler() = default;
    // The creation sequence, run once before the window is shown.
    virtual void Create() = 0;
    virtual void OnCommand(uint32_t id) = 0;
    virtual void OnTimer(uint32_t id) = 0;
    virtual void OnLoggerData(uint32_t result, uint32_t byteCount) = 0;
    // The media engine has news (a picture, an error, the clip's end).
    virtual void OnEngineNews() {}
    virtual void OnSeekBar(SeekEvent event, int position) = 0;
    virtual void OnClose() = 0;
    virtual const UiUpdateTable& Ui() const = 0;
};

// Forwards to any frame object with MainFrame's members.
template <class Frame>
class FrameHandlerFor final : public FrameHandler {
  public:
    explicit FrameHandlerFor(Frame& frame) : frame_(frame) {}
    void Create() override { frame_.Create(); }
    void OnCommand(uint32_t id) override { frame_.OnCommand(id); }
    void OnTimer(uint32_t id) override { frame_.OnTimer(id); }
    void OnLoggerData(uint32_t result, uint32_t byteCount) override {
        frame_.OnLoggerData(result, byteCount);
    }
    void OnEngineNews() override { frame_.OnEngineNews(); }
    void OnSeekBar(SeekEvent event, int position) override { frame_.OnSeekBar(event, position); }
    void OnClose() override { frame_.OnClose(); }
    const UiUpdateTable& Ui() const override { return frame_.Ui(); }

  private:
    Frame& frame_;
};

}  // namespace velatrace
