#pragma once
// The main window's furniture as the core drives it: the menus that grow at run time, the bars
// and panes, repaints, placement, closing, the logger's answer posted to the window's thread,
// and the seek bar.
#include <cstdint>
#include <vector>

#include "base/FramePlacement.h"

namespace velatrace {

// Submenu positions of the menu bar.
enum class Submenu : int { File = 0, View = 1, Capture = 2, Transfer = 3, Help = 4 };

// Kinds of run-time menu extension, named by the first command ID they add.
enum class MenuExtension : uint32_t {
    CaptureDevices = 32796,   // one item per camera, IDs 32796..32799
    ChannelProperty = 32802,  // "Channel &property..."
    DdeTransfer = 32790,      // "DDE &transfer" and "&DDE transfer setting..."
    Instrument = 32808,       // "&Instrument...", after the design's items
};

class WindowFrame {
  public:
    virtual ~WindowFrame() = default;
    // Appends a separator and the items of `kind` to the submenu at `position`. For the camera
    // devices, `names` holds `count` friendly names (the first item is shown checked).
    virtual void AppendMenuItems(MenuExtension kind, Submenu position,
                                 const char* const* names = nullptr, int count = 0) = 0;
    // Rebuilds the "Recent &file" submenu from the recent-file list's current items.
    virtual void RefreshRecentMenu() = 0;
    // Shows or hides a bar by its band ID, and the panes: `singlePane` -1 shows both, 0 shows
    // only the video pane, 1 only the wave pane.
    virtual void ShowBand(uint32_t bandId, bool show) = 0;
    virtual void ShowPanes(int singlePane) = 0;
    // Requests a repaint of a pane; the repaint happens later, on the window's own time.
    virtual void RepaintWave() = 0;
    virtual void RepaintVideo() = 0;
    // Places the window (maximised, or at x, y with cx x cy) and the splitter bar at `split`.
    virtual void PlaceWindow(const FramePlacement& placement) = 0;
    // The window as it is now, for the close sequence: maximised or not, its rectangle, and the
    // splitter position to save (the video pane's height plus its two edges).
    virtual FramePlacement CurrentPlacement() = 0;
    // Closes the window after the core's close sequence has run.
    virtual void DestroyWindow() = 0;
    // Hands the logger's answer back to the window's thread: the core's OnLoggerData runs from
    // the window's event loop later, like a posted message.
    virtual void PostLoggerAnswer(uint32_t result, uint32_t byteCount) = 0;
};

// The seek bar of the replay, 0..100.
class SeekBarControl {
  public:
    virtual ~SeekBarControl() = default;
    virtual void SetSeekPosition(int position) = 0;
    virtual int SeekPosition() = 0;
    virtual void SetSeekTickFrequency(int frequency) = 0;
    // Marks drawn along the bar, each a share 0..1 of its length; empty: none.
    virtual void SetSeekMarks(const std::vector<double>& shares) = 0;
};

}  // namespace velatrace
