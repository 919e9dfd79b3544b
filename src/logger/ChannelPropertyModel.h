#pragma once
// The rules of the "Channel property" dialog: a read-only copy of what the logger reported about
// its ten channels, its alarm outputs and its sampling interval, and whether "Query" may ask the
// logger again. The copy is taken when the dialog opens and again after each successful query.
#include <cstdint>

#include "logger/LoggerSetup.h"

namespace velatrace {

class ChannelPropertyModel {
  public:
    // How the dialog ended: "Query" or "Close" (Escape closes too).
    static constexpr int kQuery = 1;
    static constexpr int kClose = 2;
    // Width of the "CH" column; "Input" and "Range" share the rest.
    static constexpr int kChannelColumnWidth = 35;
    // Text colour of a channel that is off.
    static constexpr uint32_t kOffRgb = 0x808080;

    // `queryAllowed`: the caller allows the query (no logger poll runs and no recording is open
    // for replay).
    ChannelPropertyModel(const LoggerSetup& setup, bool queryAllowed);
    void Refresh(const LoggerSetup& setup);

    static constexpr int RowCount() { return kChannels; }
    // Column 0: the channel number, "%2d".
    const char* ChannelText(int row) const { return rows_[Clamp(row)].number; }
    const char* Input(int row) const { return rows_[Clamp(row)].input; }
    const char* Range(int row) const { return rows_[Clamp(row)].range; }
    bool IsOff(int row) const { return rows_[Clamp(row)].off; }
    // The "AlarmOut" boxes "1" to "4" (output 0..3): they only show the copy.
    bool AlarmOutUsed(int output) const;
    const char* SamplingText() const { return samplingText_; }
    bool QueryEnabled() const { return queryAllowed_; }
    // Widths of the columns "Input" and "Range" for a list whose usable width (client width
    // less a vertical scroll bar and two 3-D edges) is `usable`; never below 0.
    static int SharedColumnWidth(int usable);

  private:
    struct Row {
        char number[4];
        char input[5];
        char range[7];
        bool off;
    };
    static int Clamp(int row) { return row < 0 ? 0 : row >= kChannels ? kChannels - 1 : row; }

    Row rows_[kChannels] = {};
    bool alarmOutUsed_[kAlarmOutputs] = {};
    char samplingText_[6] = {};
    bool queryAllowed_ = false;
};

}  // namespace velatrace
