#include "app/StillTransferLink.h"

#include "base/FixedText.h"
#include "base/TextCatalog.h"
#include "dde/DdeSettingsModel.h"
#include "dde/StillPicture.h"
#include "wave/WaveBuffer.h"

namespace velatrace {

void StillTransferLink::StartupConnect(bool alarmTransfers) {
    if (alarmTransfers && transfer_.DdeInit()) {
        transfer_.DdeConnectApp();
    }
}

void StillTransferLink::ConnectForAlarm() {
    if (!Connected()) {
        if (!Initialized()) {
            transfer_.DdeInit();
        }
        Reconnect(/*tell=*/true);
    }
}

void StillTransferLink::SettingCommand() {
    DdeSettingsModel model(p_.dde);
    if (!p_.dialogs.RunDdeSettingsDialog(model)) {
        return;
    }
    model.Apply(p_.dde);
    if (transfer_.PastePending()) {
        OnPasteTimer();  // the picture already sent is pasted where the old settings said
    }
    transfer_.DdeUninit();
    transfer_.DdeInit();
    Reconnect(/*tell=*/true);
    if (Connected()) {
        p_.settings.SaveDde(p_.dde);
    }
}

void StillTransferLink::Reconnect(bool tell) {
    if (Initialized()) {
        transfer_.DdeConnectApp();
    }
    if (tell && !Connected()) {
        Warn(p_.user, Text(Initialized() ? TextId::DdeConnectFailed : TextId::DdeInitFailed));
    }
}

void StillTransferLink::TransferStill(bool live, bool cameraLive) {
    if (transfer_.PastePending()) {
        OnPasteTimer();  // the earlier picture is pasted before the clipboard changes
    }
    StillNote note;
    TransferResult result = TransferResult::NoPicture;
    // While the camera previews, the newest picture is the one on screen; a replay grabs the
    // clip's frame on screen.
    if (live && cameraLive) {
        if (StillFromVideoFrame(p_.newestPicture, &liveStill_)) {
            FillNote(true, &note);
            result = transfer_.TransferStill(liveStill_, note);
        }
    } else if (!live) {
        const StillImage* still = p_.video.GrabFrame();
        if (still != nullptr) {
            FillNote(false, &note);
            result = transfer_.TransferStill(*still, note);
        }
    }
    if (result == TransferResult::PasteDue) {
        // Told once the paste has been made.
        p_.timers.StartTimer(kTimerDdePaste, kSpreadsheetPasteDelayMs);
        return;
    }
    Report(result);
}

void StillTransferLink::OnPasteTimer() {
    p_.timers.KillTimer(kTimerDdePaste);
    const bool due = transfer_.PastePending();
    // A paste that could not be sent is told as well when the backend says why.
    if (transfer_.PasteDue() || (due && transfer_.Problem()[0] != '\0')) {
        Report(TransferResult::Done);
    }
}

void StillTransferLink::Shutdown() {
    OnPasteTimer();
    transfer_.DdeUninit();
}

void StillTransferLink::Report(TransferResult result) {
    if (result == TransferResult::NoPicture) {
        p_.user.Beep(MessageKind::Warning);
        p_.panes.SetTransferStatus(Text(TextId::NoPictureToTransfer));
        return;
    }
    const std::string problem = transfer_.Problem();
    p_.panes.SetTransferStatus(problem.c_str());
    // A problem that keeps coming back (a folder that stays read-only under a busy alarm) is
    // told once; the status bar keeps showing it.
    if (!problem.empty() && problem != told_) {
        Warn(p_.user, problem.c_str());
    }
    told_ = problem;
}

void StillTransferLink::FillNote(bool live, StillNote* note) {
    if (live) {
        const LocalTime t = p_.clock.Now();
        FormatText(note->time, sizeof note->time, "%04d/%02d/%02d %02d:%02d:%02d.%03d", t.year,
                   t.month, t.day, t.hour, t.minute, t.second, t.milliseconds);
    } else {
        const int64_t at = p_.video.ClipPosition().count();
        const int64_t ms = at < 0 ? 0 : at / 1000;
        FormatText(note->time, sizeof note->time, "%02d:%02d:%02d.%03d",
                   static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                   static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    }
    // The record drawn last: the ring's newest while live, the one at the frame's time in a
    // replay.
    NoteChannels(p_.view.Source(), p_.view.NewestRow(), note);
}

}  // namespace velatrace
