#pragma once
// Stand-ins for the window, recording what the core asked of it and answering message boxes from
// a script (default: OK / Yes), and for timers, which fire only when a test says so.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/Host.h"
#include "dde/DdeSettingsModel.h"
#include "logger/ChannelPropertyModel.h"
#include "logger/TransportDialogModel.h"

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
        if (answers.empty()) {
            return (style & 0xF) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void AppendMenuItems(MenuExtension kind, Submenu position, const char* const* names,
                         int count) override {
        menus.emplace_back(kind, position);
        deviceItems.insert(deviceItems.end(), names, names + count);
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
        if (!openAnswer.empty()) {
            path[openAnswer.copy(path, size - 1)] = '\0';
        }
        return openAnswer.empty() ? 0 : openKind;
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
    void ShowAbout() override { ++abouts; }
    void ProgramFolder(char* folder, size_t size) override {
        folder[programFolder.copy(folder, size - 1)] = '\0';
    }
    bool OpenHelpFile(const char* path) override {
        helpOpened.push_back(path);
        return helpOpens;
    }
    // The logger dialogs: `transportEdit` plays the user's edits before OK (unset: Cancel);
    // the channel dialog records what it showed and ends as `channelEndings` script it (Close).
    bool RunTransportDialog(TransportDialogModel& model) override {
        ++transportDialogs;
        if (transportEdit) {
            transportEdit(model);
        }
        return static_cast<bool>(transportEdit);
    }
    int RunChannelPropertyDialog(const ChannelPropertyModel& model) override {
        channelDialogs.push_back(model);
        if (channelEndings.empty()) {
            return ChannelPropertyModel::kClose;
        }
        const int ending = channelEndings.front();
        channelEndings.pop_front();
        return ending;
    }
    bool RunCaptureSettingsDialog(CaptureSettingsModel& model) override {
        ++captureDialogs;
        return captureDialog ? captureDialog(model) : false;
    }
    bool RunDdeSettingsDialog(DdeSettingsModel& model) override {
        return ddeDialog ? ddeDialog(model) : false;
    }
    void SetTransferStatus(const char* text) override { transferStatus = text; }

    std::vector<uint32_t> beeps;
    std::vector<Box> boxes;
    std::string recording;
    RecordingLook recordingLook = RecordingLook::Hidden;
    std::deque<int> answers;
    std::vector<std::pair<MenuExtension, Submenu>> menus;
    std::vector<std::string> deviceItems, statusLog;
    std::string status[3];
    int waitDepth = 0, seek = 0, seekTicks = 0, singlePane = -1;
    std::string openAnswer;  // the file the open dialog returns; empty: cancelled
    int openKind = 1;
    std::map<uint32_t, bool> bands;
    std::vector<std::pair<uint32_t, uint32_t>> posted;
    bool destroyed = false;
    int abouts = 0;
    std::string programFolder;  // where the program's help is looked for
    std::vector<std::string> helpOpened;
    bool helpOpens = true;  // whether the desktop opens a help file
    FramePlacement placed, current;
    std::function<void(TransportDialogModel&)> transportEdit;
    int transportDialogs = 0;
    std::vector<ChannelPropertyModel> channelDialogs;
    std::deque<int> channelEndings;
    // What the user does in the capture settings dialog; returns true for OK. Unset: Cancel.
    std::function<bool(CaptureSettingsModel&)> captureDialog;
    int captureDialogs = 0;
    std::function<bool(DdeSettingsModel&)> ddeDialog;  // likewise for the DDE settings
    std::string transferStatus;
};

class FakeTimers : public Timers {
  public:
    void StartTimer(uint32_t id, uint32_t periodMs) override { running[id] = periodMs; }
    void KillTimer(uint32_t id) override { running.erase(id); }
    bool Running(uint32_t id) const { return running.contains(id); }
    uint32_t Period(uint32_t id) const { return Running(id) ? running.at(id) : 0; }
    std::map<uint32_t, uint32_t> running;
};

}  // namespace velatrace::testing
