#pragma once
// The window the core runs in, as the core sees it: message boxes, beeps and the menus that grow
// at run time. The Qt main window implements it; tests use a fake that records the calls.
#include <cstddef>
#include <cstdint>

#include "settings/FramePlacement.h"

namespace velatrace {
class TransportDialogModel;
class ChannelPropertyModel;
}  // namespace velatrace

namespace velatrace {

class CaptureSettingsModel;
class DdeSettingsModel;

// Message box styles and answers keep their Windows values, so callers read as the design does.
namespace mb {
inline constexpr uint32_t kOk = 0x0;
inline constexpr uint32_t kOkCancel = 0x1;
inline constexpr uint32_t kYesNo = 0x4;
inline constexpr uint32_t kIconHand = 0x10;
inline constexpr uint32_t kIconQuestion = 0x20;
inline constexpr uint32_t kIconExclamation = 0x30;
inline constexpr uint32_t kIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

// Submenu positions of the menu bar.
enum class Submenu : int { File = 0, View = 1, Capture = 2, Transfer = 3, Help = 4 };

// Kinds of run-time menu extension, named by the first command ID they add.
enum class MenuExtension : uint32_t {
    CaptureDevices = 32796,   // one item per camera, IDs 32796..32799
    ChannelProperty = 32802,  // "Channel &property..."
    DdeTransfer = 32790,      // "DDE &transfer" and "&DDE transfer setting..."
};

enum class RecordingLook : int { Hidden = 0, Recording = 1, Alert = 2 };

class Host {
  public:
    virtual ~Host() = default;
    // A system sound of the given message box icon kind (mb::kIcon*), or 0 for the default beep.
    virtual void MessageBeep(uint32_t kind) = 0;
    // Shows a modal message box captioned with the program's title; returns the button pressed.
    virtual int MessageBox(const char* text, uint32_t style) = 0;
    // Appends a separator and the items of `kind` to the submenu at `position`. For the camera
    // devices, `names` holds `count` friendly names (the first item is shown checked).
    virtual void AppendMenuItems(MenuExtension kind, Submenu position,
                                 const char* const* names = nullptr, int count = 0) = 0;

    // Status bar panes 1 and 2 (pane 0 belongs to the window's own prompts).
    virtual void SetStatusText(int pane, const char* text) = 0;
    // The recording indicator, a status pane of its own that is seen from across the room: hidden
    // (empty text), recording (text on red) or an alert about a failed recording (text on amber).
    virtual void SetRecordingStatus(const char* text, RecordingLook look) = 0;
    // The wait cursor over a long operation; calls nest.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Requests a repaint of a pane; the repaint happens later, on the window's own time.
    virtual void RepaintWave() = 0;
    virtual void RepaintVideo() = 0;
    // The seek bar, 0..100.
    virtual void SetSeekPosition(int position) = 0;
    virtual int SeekPosition() = 0;
    virtual void SetSeekTickFrequency(int frequency) = 0;
    // The open-file dialog with the filters "Media files" (1) and "Wave files (*.csv)" (2).
    // Returns the chosen filter, 0 when cancelled; `path` receives at most size-1 characters.
    virtual int ChooseOpenFile(char* path, size_t size) = 0;
    // Rebuilds the "Recent &file" submenu from the recent-file list's current items.
    virtual void RefreshRecentMenu() = 0;
    // Shows or hides a bar by its band ID, and the panes: `singlePane` -1 shows both, 0 shows
    // only the video pane, 1 only the wave pane.
    virtual void ShowBand(uint32_t bandId, bool show) = 0;
    virtual void ShowPanes(int singlePane) = 0;
    // Hands the logger's answer back to the window's thread: the core's OnLoggerData runs from
    // the window's event loop later, like a posted message.
    virtual void PostLoggerAnswer(uint32_t result, uint32_t byteCount) = 0;
    // Places the window (maximised, or at x, y with cx x cy) and the splitter bar at `split`.
    virtual void PlaceWindow(const FramePlacement& placement) = 0;
    // The window as it is now, for the close sequence: maximised or not, its rectangle, and the
    // splitter position to save (the video pane's height plus its two edges).
    virtual FramePlacement CurrentPlacement() = 0;
    // Closes the window after the core's close sequence has run.
    virtual void DestroyWindow() = 0;
    // The About box, modal over the window; returns when it closes.
    virtual void ShowAbout() = 0;
    // The folder the program runs from, where its help sits; `folder` receives at most size-1
    // characters.
    virtual void ProgramFolder(char* folder, size_t size) = 0;
    // Opens a help file with the desktop's handler for its kind; false when none opened it.
    virtual bool OpenHelpFile(const char* path) = 0;
    // The logger dialogs, modal over the window. "Transport setting" edits `model` and returns
    // true for OK; "Channel property" shows `model` and returns how it ended
    // (ChannelPropertyModel::kQuery or kClose).
    virtual bool RunTransportDialog(TransportDialogModel& model) = 0;
    virtual int RunChannelPropertyDialog(const ChannelPropertyModel& model) = 0;
    // The "Capture setting" dialog, modal over the window, showing `model`; on OK the controls'
    // values are written back into `model` and true is returned, Cancel returns false.
    virtual bool RunCaptureSettingsDialog(CaptureSettingsModel& model) = 0;
    // The "DDE transfer setting" dialog, likewise.
    virtual bool RunDdeSettingsDialog(DdeSettingsModel& model) = 0;
    // The still-image transfer's last problem in a status pane of its own, which stays until
    // the next transfer; empty hides it.
    virtual void SetTransferStatus(const char* text) = 0;
};

// The system sound `beep` (mb::kIcon*), then the message box; returns the button pressed.
inline int BeepAndTell(Host& host, uint32_t beep, const char* text, uint32_t style) {
    host.MessageBeep(beep);
    return host.MessageBox(text, style);
}

// Window timers by ID. A timer fires repeatedly until killed; starting a running ID restarts it.
class Timers {
  public:
    virtual ~Timers() = default;
    virtual void StartTimer(uint32_t id, uint32_t periodMs) = 0;
    virtual void KillTimer(uint32_t id) = 0;
};

}  // namespace velatrace
