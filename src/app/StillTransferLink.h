#pragma once
// The frame's side of the still-image transfer: opening the conversation at start-up and after
// the settings change, the "DDE transfer" command and the alarm action (the preview's newest
// picture while live, the replayed frame on screen otherwise), the spreadsheet's delayed paste,
// and telling the user what went wrong.
#include <cstdint>
#include <string>
#include <vector>

#include "app/FrameDialogs.h"
#include "base/Clock.h"
#include "base/StatusPanes.h"
#include "base/TimerIds.h"
#include "base/Timers.h"
#include "base/UserPrompts.h"
#include "dde/DdeTransfer.h"
#include "session/AlarmStill.h"
#include "settings/SettingsStore.h"
#include "video/VideoGraph.h"
#include "wave/WaveView.h"

namespace velatrace {

struct StillTransferParts {
    UserPrompts& user;
    StatusPanes& panes;
    FrameDialogs& dialogs;
    Timers& timers;
    Clock& clock;
    SettingsStore& settings;
    VideoGraph& video;
    const WaveView& view;             // the note comes from the curves on screen
    const VideoFrame& newestPicture;  // the preview's newest picture, as the frame keeps it
    DdeSettings& dde;
    DdeBackend& backend;
};

class StillTransferLink final : public AlarmStill {
  public:
    explicit StillTransferLink(const StillTransferParts& parts)
        : p_(parts), transfer_(parts.backend, parts.dde) {}
    StillTransferLink(const StillTransferLink&) = delete;
    StillTransferLink& operator=(const StillTransferLink&) = delete;

    bool Initialized() const { return transfer_.Initialized(); }
    bool Connected() const { return transfer_.Connected(); }
    const DdeTransfer& Transfer() const { return transfer_; }

    // Start-up: opens the conversation only when an alarm transfers stills; quiet on failure.
    void StartupConnect(bool alarmTransfers);
    // The capture settings gave an alarm the transfer action: opens the conversation if it is
    // not open, and tells the user when it cannot be.
    void ConnectForAlarm();
    // "DDE transfer setting...": the dialog, then the conversation rebuilt with its values.
    void SettingCommand();
    // "DDE transfer" and the alarm action. `live`: for the live session, which takes the
    // preview's newest picture when its camera delivers (`cameraLive`); else the replayed clip's
    // picture on screen.
    void TransferStill(bool live, bool cameraLive);
    void TransferLiveStill(bool cameraLive) override { TransferStill(/*live=*/true, cameraLive); }
    // The paste delay ran out.
    void OnPasteTimer();
    // The window closes: a paste still due is made, then the conversation ends.
    void Shutdown();

  private:
    void Reconnect(bool tell);
    void Report(TransferResult result);
    void FillNote(bool live, StillNote* note);

    StillTransferParts p_;
    DdeTransfer transfer_;
    StillImage liveStill_;
    std::string told_;  // the problem last shown in a message box
};

}  // namespace velatrace
