#pragma once
// A window stand-in that records what the core asked of it and answers message boxes from a
// script (default: OK / Yes).
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/Host.h"

namespace velatrace::testing {

class FakeHost : public Host {
  public:
    struct Box {
        std::string text;
        uint32_t style;
    };

    void MessageBeep(uint32_t kind) override { beeps.push_back(kind); }
    int MessageBox(const char* text, uint32_t style) override {
        boxes.push_back({text, style});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 0xF) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
    }
    void AppendMenuItems(MenuExtension kind, Submenu position, const char* const* names,
                         int count) override {
        menus.emplace_back(kind, position);
        for (int i = 0; i < count; ++i) {
            deviceItems.emplace_back(names[i]);
        }
    }
    void SetRecordingStatus(const char* text, RecordingLook look) override {
        recording = text;
        recordingLook = look;
    }
    void SetStatusText(int pane, const char* text) override {
        status[pane == 2 ? 2 : 1] = text;
        statusLog.push_back(std::to_string(pane) + ":" + text);
    }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }
    void RepaintWave() override {}
    void RepaintVideo() override {}
    void SetSeekPosition(int position) override { seek = position; }
    int SeekPosition() override { return seek; }
    void SetSeekTickFrequency(int frequency) override { seekTicks = frequency; }
    int ChooseOpenFile(char* path, size_t size) override {
        if (openAnswer.empty() || size == 0) {
            return 0;
        }
        const size_t n = openAnswer.copy(path, size - 1);
        path[n] = '\0';
        return openKind;
    }
    void RefreshRecentMenu() override {}
    void ShowBand(uint32_t bandId, bool show) override { bands[bandId] = show; }
    void ShowPanes(int single) override { singlePane = single; }
    void PostLoggerAnswer(uint32_t result, uint32_t byteCount) override {
        posted.emplace_back(result, byteCount);
    }
    void PlaceWindow(const FramePlacement& p) override { placed = p; }
    FramePlacement CurrentPlacement() override { return current; }
    void DestroyWindow() override { destroyed = true; }

    std::vector<uint32_t> beeps;
    std::vector<Box> boxes;
    std::string recording;
    RecordingLook recordingLook = RecordingLook::Hidden;
    std::deque<int> answers;
    std::vector<std::pair<MenuExtension, Submenu>> menus;
    std::vector<std::string> deviceItems;
    std::string status[3];
    std::vector<std::string> statusLog;
    int waitDepth = 0;
    int seek = 0;
    int seekTicks = 0;
    std::string openAnswer;  // the file the open dialog returns; empty: cancelled
    int openKind = 1;
    std::map<uint32_t, bool> bands;
    int singlePane = -1;
    std::vector<std::pair<uint32_t, uint32_t>> posted;
    bool destroyed = false;
    FramePlacement placed;
    FramePlacement current;
};

// Timers that fire only when a test says so.
class FakeTimers : public Timers {
  public:
    void StartTimer(uint32_t id, uint32_t periodMs) override { running[id] = periodMs; }
    void KillTimer(uint32_t id) override { running.erase(id); }
    bool Running(uint32_t id) const { return running.count(id) != 0; }
    uint32_t Period(uint32_t id) const {
        auto it = running.find(id);
        return it == running.end() ? 0 : it->second;
    }
    std::map<uint32_t, uint32_t> running;
};

}  // namespace velatrace::testing
