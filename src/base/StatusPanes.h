#pragma once
// The status bar's panes as the core fills them: the two text panes, the recording indicator and
// the still-image transfer's pane.
namespace velatrace {

enum class RecordingLook : int { Hidden = 0, Recording = 1, Alert = 2 };

class StatusPanes {
  public:
    virtual ~StatusPanes() = default;
    // Status bar panes 1 and 2 (pane 0 belongs to the window's own prompts).
    virtual void SetStatusText(int pane, const char* text) = 0;
    // The recording indicator, a status pane of its own that is seen from across the room: hidden
    // (empty text), recording (text on red) or an alert about a failed recording (text on amber).
    virtual void SetRecordingStatus(const char* text, RecordingLook look) = 0;
    // The still-image transfer's last problem in a status pane of its own, which stays until
    // the next transfer; empty hides it.
    virtual void SetTransferStatus(const char* text) = 0;
};

}  // namespace velatrace
