#pragma once
// The program's own dialogs, modal over the window, and the help beside the program.
#include <cstddef>

namespace velatrace {

class TransportDialogModel;
class ChannelPropertyModel;
class CaptureSettingsModel;
class DdeSettingsModel;
class MarkerEditor;
struct InstrumentChoice;

class FrameDialogs {
  public:
    virtual ~FrameDialogs() = default;
    // "Transport setting" edits `model` and returns true for OK; "Channel property" shows
    // `model` and returns how it ended (ChannelPropertyModel::kQuery or kClose).
    virtual bool RunTransportDialog(TransportDialogModel& model) = 0;
    virtual int RunChannelPropertyDialog(const ChannelPropertyModel& model) = 0;
    // "Capture setting" shows `model`; on OK the controls' values are written back into `model`
    // and true is returned, Cancel returns false. "DDE transfer setting" likewise.
    virtual bool RunCaptureSettingsDialog(CaptureSettingsModel& model) = 0;
    virtual bool RunDdeSettingsDialog(DdeSettingsModel& model) = 0;
    // "Markers": the recording's markers, edited through `markers` until the user closes it.
    virtual void RunMarkerDialog(MarkerEditor& markers) = 0;
    // "Instrument": edits `choice` and returns true for OK. Without a driver library: false.
    virtual bool RunInstrumentDialog(InstrumentChoice& choice) {
        (void)choice;
        return false;
    }
    // The About box; returns when it closes.
    virtual void ShowAbout() = 0;
    // The folder the program runs from, where its help sits; `folder` receives at most size-1
    // characters.
    virtual void ProgramFolder(char* folder, size_t size) = 0;
    // Opens a help file with the desktop's handler for its kind; false when none opened it.
    virtual bool OpenHelpFile(const char* path) = 0;
};

}  // namespace velatrace
