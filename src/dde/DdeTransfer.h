#pragma once
// The still-image transfer: the picture goes to the clipboard, and the chosen application is told
// to paste it; for the spreadsheet a cell is selected first, and the target cell walks across and
// down the sheet from one transfer to the next.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dde/DdeBackend.h"
#include "dde/DdeCell.h"
#include "dde/DdeSettings.h"
#include "video/MediaTypes.h"

namespace velatrace {

// The transfer applications' services, by index.
inline constexpr const char* kDdeServices[kDdeAppCount] = {"Korview", "Excel", "Tw"};
inline constexpr const char* kViewerTopic = "Kortopic";
inline constexpr const char* kTwTopic = "Display";
// The spreadsheet is told to paste only after it had time to see the new clipboard.
inline constexpr uint32_t kSpreadsheetPasteDelayMs = 100;

// The spreadsheet's command for a paste at row R, column C.
void FormatSelectPaste(int32_t row, int32_t column, char (&out)[32]);
inline constexpr const char* kClipPasteCommand = "ClipPaste()";

enum class TransferResult {
    Done,       // on the clipboard and, where the application wants it, pasted
    PasteDue,   // on the clipboard; PasteDue() pastes it once the delay has passed
    NoPaste,    // on the clipboard only: no conversation is open
    NoPicture,  // the picture could not be read; nothing reached the clipboard
};

class DdeTransfer {
  public:
    DdeTransfer(DdeBackend& backend, DdeSettings& settings)
        : backend_(backend), settings_(settings) {}
    DdeTransfer(const DdeTransfer&) = delete;
    DdeTransfer& operator=(const DdeTransfer&) = delete;

    // Sets the viewer's and Tw's fixed topics and prepares the client. False when already
    // initialised or the backend cannot.
    bool DdeInit();
    // (Re)opens the conversation with the application and topic of the settings.
    bool DdeConnectApp();
    void DdeDisconnectApp();
    void DdeUninit();
    bool Initialized() const { return initialized_; }
    bool Connected() const { return connected_; }

    // Puts the still on the clipboard and has the application paste it. For the spreadsheet the
    // paste waits: the caller runs PasteDue() after kSpreadsheetPasteDelayMs. A transfer while a
    // paste is still due pastes the earlier picture first, so none is skipped.
    TransferResult TransferStill(const StillImage& still, const StillNote& note);
    // The spreadsheet's delayed paste; false when none was due or it could not be sent.
    bool PasteDue();
    bool PastePending() const { return pastePending_; }

    // Selects the next cell and pastes there, then moves the next cell on. False (the cell stays)
    // when the command could not be sent.
    bool ExcelPaste();
    bool ClipPaste();

    const CellWalk& Walk() const { return walk_; }
    // What the backend said went wrong last, "" when nothing.
    const char* Problem() const { return backend_.Problem(); }

  private:
    DdeBackend& backend_;
    DdeSettings& settings_;
    bool initialized_ = false;
    bool connected_ = false;
    bool pastePending_ = false;
    CellWalk walk_;  // kept across transfers and reconnections
    std::vector<uint8_t> dib_;
};

}  // namespace velatrace
