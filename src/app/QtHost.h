#pragma once
// The Host port in Qt: message boxes, beeps, the wait cursor, the open-file dialog and whatever
// the core asks of the main window's furniture.
#include <QMessageBox>
#include <cstdint>

#include "app/Host.h"
#include "app/RecentFiles.h"

namespace velatrace {

class MainWindow;

class QtHost final : public Host {
  public:
    explicit QtHost(MainWindow& window);
    ~QtHost() override;

    // The list the "Recent &file" submenu is built from.
    void SetRecentFiles(const RecentFiles* list) { recent_ = list; }

    void MessageBeep(uint32_t kind) override;
    int MessageBox(const char* text, uint32_t style) override;
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
    void SetTransferStatus(const char* text) override;

  private:
    MainWindow& window_;
    const RecentFiles* recent_ = nullptr;
    int waitDepth_ = 0;
};

// The message box of a Windows style word: its icon, its buttons, the default button, and the
// Windows answer ID of the button pressed (a box closed without a button answers like Escape).
QMessageBox::Icon MessageIcon(uint32_t style);
QMessageBox::StandardButtons MessageButtons(uint32_t style);
QMessageBox::StandardButton MessageDefaultButton(uint32_t style);
int MessageAnswer(QMessageBox::StandardButton button, uint32_t style);

// The open-file dialog's filters: "Media files" (kind 1) and "Wave files (*.csv)" (kind 2).
QStringList OpenFileFilters();

}  // namespace velatrace
