#pragma once
// The window's ports in Qt: message boxes, beeps, the wait cursor, the open-file dialog, the
// status panes, the dialogs and whatever the core asks of the main window's furniture.
#include <QMessageBox>
#include <cstdint>

#include "app/RecentFiles.h"
#include "app/WindowPorts.h"

namespace velatrace {

class InstrumentCatalog;

class MainWindow;

class QtHost final : public UserPrompts,
                     public StatusPanes,
                     public FrameDialogs,
                     public WindowFrame,
                     public SeekBarControl {
  public:
    explicit QtHost(MainWindow& window);
    ~QtHost() override;

    // The list the "Recent &file" submenu is built from.
    void SetRecentFiles(const RecentFiles* list) { recent_ = list; }

    void Beep(MessageKind kind) override;
    Answer Tell(const char* text, MessageKind kind, Buttons buttons) override;
    void AppendMenuItems(MenuExtension kind, Submenu position, const char* const* names,
                         int count) override;
    void SetStatusText(int pane, const char* text) override;
    void SetRecordingStatus(const char* text, RecordingLook look) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void RepaintWave() override;
    void RepaintVideo() override;
    void SetSeekPosition(int position) override;
    int SeekPosition() override;
    void SetSeekTickFrequency(int frequency) override;
    void SetSeekMarks(const std::vector<double>& shares) override;
    int ChooseOpenFile(char* path, size_t size) override;
    void RefreshRecentMenu() override;
    void ShowBand(uint32_t bandId, bool show) override;
    void ShowPanes(int singlePane) override;
    void PostLoggerAnswer(uint32_t result, uint32_t byteCount) override;
    void PlaceWindow(const FramePlacement& placement) override;
    FramePlacement CurrentPlacement() override;
    void DestroyWindow() override;
    void ShowAbout() override;
    void ProgramFolder(char* folder, size_t size) override;
    bool OpenHelpFile(const char* path) override;
    bool RunTransportDialog(TransportDialogModel& model) override;
    int RunChannelPropertyDialog(const ChannelPropertyModel& model) override;
    bool RunCaptureSettingsDialog(CaptureSettingsModel& model) override;
    bool RunDdeSettingsDialog(DdeSettingsModel& model) override;
    void RunMarkerDialog(MarkerEditor& markers) override;
    bool RunInstrumentDialog(InstrumentChoice& choice) override;
    // The driver library the instrument dialog lists; null: none.
    void SetInstrumentCatalog(InstrumentCatalog* catalog) { instruments_ = catalog; }
    void SetTransferStatus(const char* text) override;

  private:
    InstrumentCatalog* instruments_ = nullptr;
    MainWindow& window_;
    const RecentFiles* recent_ = nullptr;
    int waitDepth_ = 0;
};

// The message box of a kind with its buttons: its icon, its buttons, the default button (the
// first), and the answer of the button pressed (a box closed without a button answers like
// Escape).
QMessageBox::Icon MessageIcon(MessageKind kind);
QMessageBox::StandardButtons MessageButtons(Buttons buttons);
QMessageBox::StandardButton MessageDefaultButton(Buttons buttons);
Answer MessageAnswer(QMessageBox::StandardButton button, Buttons buttons);

// The open-file dialog's filters: "Media files" (kind 1) and "Wave files (*.csv)" (kind 2).
QStringList OpenFileFilters();

}  // namespace velatrace
