#pragma once
// The program's one window: menu bar, one row of four bars (File, Seek, Capture, Channel), the
// splitter with the video pane above the wave pane, and the three-pane status bar. It holds no
// behaviour of its own: every command, timer tick, logger answer, seek-bar move and close request
// goes to the frame core, and after each the actions are brought in line with the core's
// UI-update table.
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/FrameHandler.h"
#include "app/MarkedSeekBar.h"
#include "app/RecentFiles.h"
#include "base/FramePlacement.h"
#include "base/StatusPanes.h"
#include "base/WindowFrame.h"

class QLabel;
class QMenu;
class QSlider;
class QSplitter;
class QTimer;
class QToolBar;

namespace velatrace {

class CommandActions;
class VideoPane;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The core this window forwards to. Without one, events are dropped and closing just closes.
    void SetHandler(FrameHandler* handler);
    // The creation sequence: the core's, then the program's title.
    void CreateFrame();

    // What View > "&Language..." runs; the choice of language belongs to the program's start,
    // not to the core.
    void SetLanguageCommand(std::function<void()> command) {
        languageCommand_ = std::move(command);
    }

    // Puts the wave pane in the lower slot in place of the stand-in. A pane with a resized()
    // signal reports its size changes to the core like the video pane.
    void SetWavePane(QWidget* pane);

    VideoPane* Video() const { return video_; }
    QWidget* Wave() const { return wave_; }
    QSplitter* Splitter() const { return splitter_; }
    QSlider* SeekBar() const { return seek_; }
    // The bar of a band ID (60161 File bar .. 60164 Channel bar), or nullptr.
    QToolBar* Bar(uint32_t bandId) const;
    QMenu* Menu(Submenu position) const;
    QMenu* RecentMenu() const { return recent_; }
    // Status bar pane 0 ("Ready"), 1 or 2.
    QLabel* StatusPane(int pane) const;
    // The recording indicator beside them.
    QLabel* RecordingPane() const { return recording_; }
    // The still-image transfer's problem, beside them; null until one was shown.
    QLabel* TransferPane() const { return transferStatus_; }
    CommandActions& Actions() const { return *actions_; }

    // Each runs one core entry, then mirrors the UI-update table.
    void RunCommand(uint32_t id);
    void RunTimer(uint32_t id);
    void RunLoggerData(uint32_t result, uint32_t byteCount);
    void RunSeek(SeekEvent event, int position);
    // Any thread: the media engine has news. Wakes the GUI thread once; the core then takes all
    // of it, and further wakes before that add nothing.
    void NotifyEngineNews();
    // Mirrors the table onto the actions; without `force` only when it changed.
    void SyncActions(bool force = false);

    // What the window ports ask of the window.
    void SetStatusText(int pane, const QString& text);
    void SetRecordingStatus(const QString& text, RecordingLook look);
    // The transfer's last problem on amber; hidden when empty.
    void SetTransferStatus(const QString& text);
    void SetSeekPosition(int position);
    void SetSeekTickFrequency(int frequency);
    void SetSeekMarks(const std::vector<double>& shares);
    void AppendMenuItems(MenuExtension kind, Submenu position, const QStringList& names);
    void SetRecentItems(const RecentMenuItem* items, int count);
    void ShowBand(uint32_t bandId, bool show);
    void ShowPanes(int singlePane);
    void PlaceWindow(const FramePlacement& placement);
    FramePlacement CurrentPlacement() const;
    // Closes the window for good (the core's close sequence has run).
    void DestroyWindow();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The bars are shown and hidden through the core only: no context menu of bars.
    QMenu* createPopupMenu() override { return nullptr; }

  private slots:
    void OnPaneResized();

  private:
    void BuildMenus();
    void BuildBars();
    void BuildPanes();
    void BuildStatusBar();
    QToolBar* MakeBar(const char* title, QSize iconSize, std::initializer_list<uint32_t> ids);
    void ApplySplit();
    void RunEngineNews();

    FrameHandler* handler_ = nullptr;
    std::function<void()> languageCommand_;
    CommandActions* actions_ = nullptr;
    QMenu* menus_[5] = {};
    QMenu* recent_ = nullptr;
    QToolBar* bars_[4] = {};  // File, Seek, Capture, Channel
    MarkedSeekBar* seek_ = nullptr;
    QSplitter* splitter_ = nullptr;
    VideoPane* video_ = nullptr;
    QWidget* wave_ = nullptr;
    QLabel* panes_[3] = {};
    QLabel* recording_ = nullptr;
    QLabel* transferStatus_ = nullptr;
    std::atomic<bool> newsPending_{false};
    QTimer* syncTimer_ = nullptr;
    int pendingSplit_ = -1;     // bar position to set once the splitter has its size
    bool settingSeek_ = false;  // the core moves the seek bar: not a user's scroll
    bool allowClose_ = false;   // the core's close sequence has run
    bool inCloseEvent_ = false;
};

}  // namespace velatrace
