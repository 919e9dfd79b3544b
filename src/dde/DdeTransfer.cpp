#include "dde/DdeTransfer.h"

#include <cstdio>

#include "base/FixedText.h"
#include "dde/StillPicture.h"

namespace velatrace {

void FormatSelectPaste(int32_t row, int32_t column, char (&out)[32]) {
    std::snprintf(out, sizeof out, "[SELECT(\"R%dC%d\")][PASTE]", static_cast<int>(row),
                  static_cast<int>(column));
}

bool DdeTransfer::DdeInit() {
    if (initialized_) {
        return false;
    }
    CopyText(settings_.topic[kDdeAppViewer], kViewerTopic);
    CopyText(settings_.topic[kDdeAppTw], kTwTopic);
    initialized_ = backend_.Initialize();
    return initialized_;
}

bool DdeTransfer::DdeConnectApp() {
    if (!initialized_) {
        return false;
    }
    DdeDisconnectApp();
    const int32_t app = settings_.app;
    // An application index outside the table (a damaged setting) names nobody to talk to.
    if (app < 0 || app >= kDdeAppCount) {
        return false;
    }
    connected_ = backend_.Connect(kDdeServices[app], settings_.topic[app]);
    return connected_;
}

void DdeTransfer::DdeDisconnectApp() {
    if (connected_) {
        backend_.Disconnect();
        connected_ = false;
    }
    pastePending_ = false;
}

void DdeTransfer::DdeUninit() {
    DdeDisconnectApp();
    if (initialized_) {
        backend_.Uninitialize();
        initialized_ = false;
    }
}

TransferResult DdeTransfer::TransferStill(const StillImage& still, const StillNote& note) {
    if (pastePending_) {
        PasteDue();
    }
    if (!PackClipboardDib(still, &dib_)) {
        return TransferResult::NoPicture;
    }
    // The clipboard keeps the picture even when nobody is told to paste it.
    backend_.PutPicture(dib_.data(), dib_.size(), note);
    if (!connected_) {
        return TransferResult::NoPaste;
    }
    switch (settings_.app) {
        case kDdeAppSpreadsheet:
            pastePending_ = true;
            return TransferResult::PasteDue;
        case kDdeAppTw:
            ClipPaste();
            return TransferResult::Done;
        default:
            return TransferResult::Done;
    }
}

bool DdeTransfer::PasteDue() {
    if (!pastePending_) {
        return false;
    }
    pastePending_ = false;
    return connected_ && ExcelPaste();
}

bool DdeTransfer::ExcelPaste() {
    // Until a cell was chosen, the transfers start at the initial cell.
    if (settings_.nextCell[0] == '\0') {
        CopyText(settings_.nextCell, settings_.initialCell);
    }
    int32_t column = 0;
    int32_t row = 0;
    ParseCell(settings_.nextCell, &column, &row);
    char command[32];
    FormatSelectPaste(row, column, command);
    if (!backend_.Execute(command)) {
        return false;
    }
    walk_.Advance(settings_, &row, &column);
    FormatCell(row, column, settings_.nextCell);
    return true;
}

bool DdeTransfer::ClipPaste() {
    return backend_.Execute(kClipPasteCommand);
}

}  // namespace velatrace
