#include "app/CommandTexts.h"

#include <array>

#include "app/CommandIds.h"

namespace velatrace {

namespace {
using namespace cmd;

constexpr std::array<CommandText, 42> kTexts{{
    {kFileOpen, "&Open...\tCtrl+O", "Ctrl+O", "Open an existing document", "Open(Ctrl+O)"},
    {kFileClose, "C&lose\tCtrl+C", "Ctrl+C", "Close the active document", "Close(Ctrl+L)"},
    {kCaptureSetting, "&Capture setting...", nullptr, "Set capture file", nullptr},
    {kExit, "E&xit", nullptr, "Quit the application; prompts to save documents", "Exit"},
    {kFileBar, "&File Bar", nullptr, "Show or hide the file bar", nullptr},
    {kSeekBar, "&Seek Bar", nullptr, "Show or hide the seek bar", nullptr},
    {kCaptureBar, "&Captyre Bar", nullptr, "Show or hide the capture bar", nullptr},
    {kChannelBar, "C&hannel Bar", nullptr, "Show or hide the channel bar", nullptr},
    {kVideoPane, "&Vide pane", nullptr, "Show or hide the video pane", nullptr},
    {kWavePane, "&Wave pane", nullptr, "Show or hide the wave pane", nullptr},
    {kClipStop, "S&top\tPeriod", ".", "Stop the video clip", "Stop"},
    {kClipStart, "&Start\tSpace", "Space", "Start the video clip", "Start"},
    {kClipPause, "&Pause\tSpace", nullptr, "Pause the video clip", "Pause"},
    {kClipInformation, "&Information...", nullptr, "Video clip information", nullptr},
    {kNextChannel, "&Next channel", "Tab", "Select the next channel", "Next cahnnel"},
    {kPreviousChannel, "&Previous channel", "Shift+Tab", "Select the previous channel",
     "Prev cahnnel"},
    {kLevelZoomOut, "Zoom &out level axis", nullptr, "Zoom out level axis", "v-Zoomout"},
    {kLevelZoomIn, "Zoom &in level axis", nullptr, "Zoom in level axis", "v-Zoomin"},
    {kTimeZoomIn, "Zoom in &time axis", nullptr, "Zoom in time axis", "t-Zoomin"},
    {kTimeZoomOut, "Zoom out time axi&s", nullptr, "Zoom out time axis", "t-Zoomout"},
    {kCapture, "&Start\tCtrl+T", "Ctrl+T", "Capture the videoclip", "Capture"},
    {kPreview, "&Preview\tCtrl+R", "Ctrl+R", "Start or stop the preview", "Preview"},
    {kFilter, "&Filter...", nullptr, "Filter", nullptr},
    {kFormat, "F&ormat...", nullptr, "Format", nullptr},
    {kDdeTransfer, nullptr, nullptr, "Set DDE transfer", "DDE trans"},
    {kDdeTransferSetting, nullptr, nullptr, "DDE transfer Setting", nullptr},
    {kDeviceFirst, nullptr, nullptr, nullptr, nullptr},
    {kDeviceFirst + 1, nullptr, nullptr, nullptr, nullptr},
    {kDeviceFirst + 2, nullptr, nullptr, nullptr, nullptr},
    {kDeviceLast, nullptr, nullptr, nullptr, nullptr},
    {kTransportSetting, "&Set transfer...", nullptr, "Transfer port setting", nullptr},
    {kChannelProperty, nullptr, nullptr, "Channer property", nullptr},
    {kHelpTopics, "&Help topics", nullptr, nullptr, nullptr},
    {kAbout, "&About As...", nullptr, "Display program information, version number and copyright",
     "About"},
    {kMute, nullptr, "Ctrl+Alt+V", nullptr, nullptr},
    {kIgnored, nullptr, "Ctrl+Alt+B", nullptr, nullptr},
    {kRecentFirst, nullptr, nullptr, "Open a specified document", nullptr},
    {kMarker, "&Marker\tM", "M", "Mark this moment of the recording", "Marker"},
    {kNextMarker, "Ne&xt marker\t]", "]", "Go to the next marker", "Next marker"},
    {kPreviousMarker, "Pre&vious marker\t[", "[", "Go to the previous marker", "Previous marker"},
    {kMarkerList, "Mar&kers...", nullptr, "List, add, rename and delete the markers", nullptr},
    {kInstrument, "&Instrument...", nullptr, "Choose an instrument to record instead of the logger",
     nullptr},
}};
}  // namespace

std::span<const CommandText> CommandTexts() {
    return kTexts;
}

const CommandText* FindCommandText(uint32_t id) {
    for (const CommandText& t : kTexts) {
        if (t.id == id) {
            return &t;
        }
    }
    return nullptr;
}

}  // namespace velatrace
