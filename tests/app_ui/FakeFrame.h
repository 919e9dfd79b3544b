#pragma once
// A frame core stand-in for the window: records what the window forwards and keeps a UI-update
// table the test changes by hand.
#include <functional>
#include <utility>
#include <vector>

#include "app/FrameHandler.h"

namespace velatrace::testing {

class FakeFrame : public FrameHandler {
  public:
    void Create() override { ++creates; }
    void OnCommand(uint32_t id) override {
        commands.push_back(id);
        if (onCommand) {
            onCommand(id);
        }
    }
    void OnTimer(uint32_t id) override { timers.push_back(id); }
    void OnLoggerData(uint32_t result, uint32_t byteCount) override {
        answers.emplace_back(result, byteCount);
    }
    void OnSeekBar(SeekEvent event, int position) override { seeks.emplace_back(event, position); }
    void OnClose() override {
        ++closes;
        if (onClose) {
            onClose();
        }
    }
    const UiUpdateTable& Ui() const override { return table; }

    UiUpdateTable table;
    int creates = 0;
    int closes = 0;
    std::vector<uint32_t> commands;
    std::vector<uint32_t> timers;
    std::vector<std::pair<uint32_t, uint32_t>> answers;
    std::vector<std::pair<SeekEvent, int>> seeks;
    std::function<void(uint32_t)> onCommand;
    std::function<void()> onClose;
};

}  // namespace velatrace::testing
