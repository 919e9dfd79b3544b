#include "app/CommandTexts.h"

#include <array>

#include "app/CommandIds.h"

namespace velatrace {

namespace {
using namespace cmd;

constexpr std::array<CommandText, 43> kTexts{{
    {kFileOpen, QT_TRANSLATE_NOOP("Command", "&Open...\tCtrl+O"), "Ctrl+O",
     QT_TRANSLATE_NOOP("Command", "Open an existing document"),
     QT_TRANSLATE_NOOP("Command", "Open(Ctrl+O)")},
    {kFileClose, QT_TRANSLATE_NOOP("Command", "C&lose\tCtrl+C"), "Ctrl+C",
     QT_TRANSLATE_NOOP("Command", "Close the active document"),
     QT_TRANSLATE_NOOP("Command", "Close(Ctrl+L)")},
    {kCaptureSetting, QT_TRANSLATE_NOOP("Command", "&Capture setting..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Set capture file"), nullptr},
    {kExit, QT_TRANSLATE_NOOP("Command", "E&xit"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Quit the application; prompts to save documents"),
     QT_TRANSLATE_NOOP("Command", "Exit")},
    {kFileBar, QT_TRANSLATE_NOOP("Command", "&File Bar"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Show or hide the file bar"), nullptr},
    {kSeekBar, QT_TRANSLATE_NOOP("Command", "&Seek Bar"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Show or hide the seek bar"), nullptr},
    {kCaptureBar, QT_TRANSLATE_NOOP("Command", "&Captyre Bar"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Show or hide the capture bar"), nullptr},
    {kChannelBar, QT_TRANSLATE_NOOP("Command", "C&hannel Bar"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Show or hide the channel bar"), nullptr},
    {kVideoPane, QT_TRANSLATE_NOOP("Command", "&Vide pane"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Show or hide the video pane"), nullptr},
    {kWavePane, QT_TRANSLATE_NOOP("Command", "&Wave pane"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Show or hide the wave pane"), nullptr},
    {kClipStop, QT_TRANSLATE_NOOP("Command", "S&top\tPeriod"), ".",
     QT_TRANSLATE_NOOP("Command", "Stop the video clip"), QT_TRANSLATE_NOOP("Command", "Stop")},
    {kClipStart, QT_TRANSLATE_NOOP("Command", "&Start\tSpace"), "Space",
     QT_TRANSLATE_NOOP("Command", "Start the video clip"), QT_TRANSLATE_NOOP("Command", "Start")},
    {kClipPause, QT_TRANSLATE_NOOP("Command", "&Pause\tSpace"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Pause the video clip"), QT_TRANSLATE_NOOP("Command", "Pause")},
    {kClipInformation, QT_TRANSLATE_NOOP("Command", "&Information..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Video clip information"), nullptr},
    {kNextChannel, QT_TRANSLATE_NOOP("Command", "&Next channel"), "Tab",
     QT_TRANSLATE_NOOP("Command", "Select the next channel"),
     QT_TRANSLATE_NOOP("Command", "Next cahnnel")},
    {kPreviousChannel, QT_TRANSLATE_NOOP("Command", "&Previous channel"), "Shift+Tab",
     QT_TRANSLATE_NOOP("Command", "Select the previous channel"),
     QT_TRANSLATE_NOOP("Command", "Prev cahnnel")},
    {kLevelZoomOut, QT_TRANSLATE_NOOP("Command", "Zoom &out level axis"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Zoom out level axis"),
     QT_TRANSLATE_NOOP("Command", "v-Zoomout")},
    {kLevelZoomIn, QT_TRANSLATE_NOOP("Command", "Zoom &in level axis"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Zoom in level axis"), QT_TRANSLATE_NOOP("Command", "v-Zoomin")},
    {kTimeZoomIn, QT_TRANSLATE_NOOP("Command", "Zoom in &time axis"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Zoom in time axis"), QT_TRANSLATE_NOOP("Command", "t-Zoomin")},
    {kTimeZoomOut, QT_TRANSLATE_NOOP("Command", "Zoom out time axi&s"), nullptr,
     QT_TRANSLATE_NOOP("Command", "Zoom out time axis"), QT_TRANSLATE_NOOP("Command", "t-Zoomout")},
    {kCapture, QT_TRANSLATE_NOOP("Command", "&Start\tCtrl+T"), "Ctrl+T",
     QT_TRANSLATE_NOOP("Command", "Capture the videoclip"),
     QT_TRANSLATE_NOOP("Command", "Capture")},
    {kPreview, QT_TRANSLATE_NOOP("Command", "&Preview\tCtrl+R"), "Ctrl+R",
     QT_TRANSLATE_NOOP("Command", "Start or stop the preview"),
     QT_TRANSLATE_NOOP("Command", "Preview")},
    {kFilter, QT_TRANSLATE_NOOP("Command", "&Filter..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Filter"), nullptr},
    {kFormat, QT_TRANSLATE_NOOP("Command", "F&ormat..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Format"), nullptr},
    {kDdeTransfer, nullptr, nullptr, QT_TRANSLATE_NOOP("Command", "Set DDE transfer"),
     QT_TRANSLATE_NOOP("Command", "DDE trans")},
    {kDdeTransferSetting, nullptr, nullptr, QT_TRANSLATE_NOOP("Command", "DDE transfer Setting"),
     nullptr},
    {kDeviceFirst, nullptr, nullptr, nullptr, nullptr},
    {kDeviceFirst + 1, nullptr, nullptr, nullptr, nullptr},
    {kDeviceFirst + 2, nullptr, nullptr, nullptr, nullptr},
    {kDeviceLast, nullptr, nullptr, nullptr, nullptr},
    {kTransportSetting, QT_TRANSLATE_NOOP("Command", "&Set transfer..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Transfer port setting"), nullptr},
    {kChannelProperty, nullptr, nullptr, QT_TRANSLATE_NOOP("Command", "Channer property"), nullptr},
    {kHelpTopics, QT_TRANSLATE_NOOP("Command", "&Help topics"), nullptr, nullptr, nullptr},
    {kAbout, QT_TRANSLATE_NOOP("Command", "&About As..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Display program information, version number and copyright"),
     QT_TRANSLATE_NOOP("Command", "About")},
    {kMute, nullptr, "Ctrl+Alt+V", nullptr, nullptr},
    {kIgnored, nullptr, "Ctrl+Alt+B", nullptr, nullptr},
    {kLanguage, QT_TRANSLATE_NOOP("Command", "&Language..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Choose the language of the program"), nullptr},
    {kRecentFirst, nullptr, nullptr, QT_TRANSLATE_NOOP("Command", "Open a specified document"),
     nullptr},
    {kMarker, QT_TRANSLATE_NOOP("Command", "&Marker\tM"), "M",
     QT_TRANSLATE_NOOP("Command", "Mark this moment of the recording"),
     QT_TRANSLATE_NOOP("Command", "Marker")},
    {kNextMarker, QT_TRANSLATE_NOOP("Command", "Ne&xt marker\t]"), "]",
     QT_TRANSLATE_NOOP("Command", "Go to the next marker"),
     QT_TRANSLATE_NOOP("Command", "Next marker")},
    {kPreviousMarker, QT_TRANSLATE_NOOP("Command", "Pre&vious marker\t["), "[",
     QT_TRANSLATE_NOOP("Command", "Go to the previous marker"),
     QT_TRANSLATE_NOOP("Command", "Previous marker")},
    {kMarkerList, QT_TRANSLATE_NOOP("Command", "Mar&kers..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "List, add, rename and delete the markers"), nullptr},
    {kInstrument, QT_TRANSLATE_NOOP("Command", "&Instrument..."), nullptr,
     QT_TRANSLATE_NOOP("Command", "Choose an instrument to record instead of the logger"), nullptr},
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
