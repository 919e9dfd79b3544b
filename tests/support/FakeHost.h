#pragma once
// Stand-ins for the window's ports, one per port, keeping what the user would see (the boxes told,
// the panes, the menus and bars) and answering boxes and dialogs from a script; FakeHost is all of
// them at once, as the Qt host is. Timers fire only when a test says so.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/WindowPorts.h"
#include "base/Timers.h"
#include "dde/DdeSettingsModel.h"
#include "logger/ChannelPropertyModel.h"
#include "logger/InstrumentSource.h"
#include "logger/TransportDialogModel.h"
#include "session/MarkerEditor.h"

namespace velatrace::testing {

// Boxes answer from `answers`, else OK (Yes for a question); the open dialog returns `openAnswer`.
class FakeUser : public UserPrompts {
  public:
    struct Box {
        std::string text;
        MessageKind kind;
        Buttons buttons;
    };
    void Beep(MessageKind kind) override { beeps.push_back(kind); }
    Answer Tell(const char* text, MessageKind kind, Buttons buttons) override {
        boxes.push_back({text, kind, buttons});
        if (answers.empty()) {
            return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int ChooseOpenFile(char* path, size_t size) override {
        if (!openAnswer.empty()) {
            path[openAnswer.copy(path, size - 1)] = '\0';
        }
        return openAnswer.empty() ? 0 : openKind;
    }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }

    std::vector<MessageKind> beeps;
    std::vector<Box> boxes;
    std::deque<Answer> answers;
    std::string openAnswer;  // the file the open dialog returns; empty: cancelled
    int openKind = 1;
    int waitDepth = 0;
};

class FakePanes : public StatusPanes {
  public:
    void SetStatusText(int pane, const char* text) override { status[pane == 2 ? 2 : 1] = text; }
    void SetRecordingStatus(const char* text, RecordingLook look) override {
        recording = text;
        recordingLook = look;
    }
    void SetTransferStatus(const char* text) override { transferStatus = text; }

    std::string status[3];
    std::string recording;
    RecordingLook recordingLook = RecordingLook::Hidden;
    std::string transferStatus;
};

// The logger dialogs: `transportEdit` plays the user's edits before OK (unset: Cancel); the
// channel dialog keeps what it showed and ends as `channelEndings` script it (Close).
class FakeDialogs : public FrameDialogs {
  public:
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
    void RunMarkerDialog(MarkerEditor& markers) override {
        ++markerDialogs;
        if (markerDialog) {
            markerDialog(markers);
        }
    }
    bool RunInstrumentDialog(InstrumentChoice& choice) override {
        return instrumentDialog ? instrumentDialog(choice) : false;
    }
    void ShowAbout() override { ++abouts; }
    void ProgramFolder(char* folder, size_t size) override {
        folder[programFolder.copy(folder, size - 1)] = '\0';
    }
    bool OpenHelpFile(const char* path) override {
        helpOpened.push_back(path);
        return helpOpens;
    }

    std::function<void(TransportDialogModel&)> transportEdit;
    int transportDialogs = 0;
    std::vector<ChannelPropertyModel> channelDialogs;
    std::deque<int> channelEndings;
    // What the user does in the capture settings dialog; returns true for OK. Unset: Cancel.
    std::function<bool(CaptureSettingsModel&)> captureDialog;
    int captureDialogs = 0;
    std::function<bool(DdeSettingsModel&)> ddeDialog;  // likewise for the DDE settings
    std::function<void(MarkerEditor&)> markerDialog;   // what the user does in "Markers"
    int markerDialogs = 0;
    std::function<bool(InstrumentChoice&)> instrumentDialog;  // and for the instrument
    int abouts = 0;
    std::string programFolder;  // where the program's help is looked for
    std::vector<std::string> helpOpened;
    bool helpOpens = true;  // whether the desktop opens a help file
};

class FakeWindowFrame : public WindowFrame {
  public:
    void AppendMenuItems(MenuExtension kind, Submenu position, const char* const* names,
                         int count) override {
        menus.emplace_back(kind, position);
        deviceItems.insert(deviceItems.end(), names, names + count);
    }
    void RefreshRecentMenu() override {}
    void ShowBand(uint32_t bandId, bool show) override { bands[bandId] = show; }
    void ShowPanes(int single) override { singlePane = single; }
    void RepaintWave() override {}
    void RepaintVideo() override {}
    void PlaceWindow(const FramePlacement& p) override { placed = p; }
    FramePlacement CurrentPlacement() override { return current; }
    void DestroyWindow() override { destroyed = true; }
    // Kept until the test runs them, as the window's event loop would.
    void PostLoggerAnswer(uint32_t result, uint32_t byteCount) override {
        posted.emplace_back(result, byteCount);
    }

    std::vector<std::pair<MenuExtension, Submenu>> menus;
    std::vector<std::string> deviceItems;
    std::map<uint32_t, bool> bands;
    int singlePane = -1;
    FramePlacement placed, current;
    bool destroyed = false;
    std::vector<std::pair<uint32_t, uint32_t>> posted;
};

class FakeSeekBar : public SeekBarControl {
  public:
    void SetSeekPosition(int position) override { seek = position; }
    int SeekPosition() override { return seek; }
    void SetSeekTickFrequency(int frequency) override { seekTicks = frequency; }
    void SetSeekMarks(const std::vector<double>& shares) override { seekMarks = shares; }
    int seek = 0, seekTicks = 0;
    std::vector<double> seekMarks;
};

class FakeHost : public FakeUser,
                 public FakePanes,
                 public FakeDialogs,
                 public FakeWindowFrame,
                 public FakeSeekBar {
  public:
    WindowPorts Ports() { return WindowPortsOf(*this); }
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
