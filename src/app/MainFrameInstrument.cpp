// The instrument beside the logger: choosing it, opening it as the live source.
#include "app/MainFrame.h"
#include "base/FixedText.h"
#include "base/TextCatalog.h"

namespace velatrace {

bool MainFrame::OpenInstrument() {
    if (catalog_ == nullptr) {
        return false;
    }
    if (instrument_ == nullptr) {
        instrument_ = catalog_->NewSource();
    }
    instrument_->Close();
    if (!instrument_->Open(instrumentChoice_)) {
        char text[384];
        FormatText(text, sizeof text, Text(TextId::InstrumentCannotOpen), instrumentChoice_.driver,
                   instrument_->Error());
        Warn(user_, text);
        return false;
    }
    InstrumentChannel channels[kChannels];
    instrument_->Channels(channels);
    loggerSetup_ = MakeInstrumentSetup(instrumentChoice_, channels);
    // A range chosen from the readings is kept until the user changes it.
    for (int c = 0; c < kChannels; ++c) {
        if (loggerSetup_.channel[c].type == kTypeInstrument && !channels[c].deviceRange) {
            instrumentChoice_.range[c] = loggerSetup_.channel[c].span;
        }
    }
    settings_.SaveInstrument(instrumentChoice_);
    live_.SetInstrument(instrument_.get());
    instrumentInUse_ = true;
    return true;
}

void MainFrame::InstrumentCommand() {
    if (live_.IsLive()) {
        Warn(user_, Text(TextId::InstrumentStopPreviewFirst));
        return;
    }
    InstrumentChoice choice = instrumentChoice_;
    if (!dialogs_.RunInstrumentDialog(choice)) {
        return;
    }
    instrumentChoice_ = choice;
    settings_.SaveInstrument(instrumentChoice_);
    // The source changes: the old one is let go, the ring starts over with the new one.
    if (instrument_ != nullptr) {
        instrument_->Close();
    }
    live_.SetInstrument(nullptr);
    instrumentInUse_ = false;
    user_.BeginWaitCursor();
    bool opened = instrumentChoice_.Chosen() && OpenInstrument();
    if (!opened) {
        link_.CloseLogger(port_.terminator);
        const LoggerProtocol::Connection logger = protocol_.ConnectLogger(port_.terminator);
        opened = logger.opened;
        loggerSetup_ = logger.opened ? logger.setup : LoggerSetup{};
    }
    user_.EndWaitCursor();
    live_.SetSources(live_.HasCamera(), opened);
    live_.LoggerReopened(opened);
    view_.ShowLive(opened);
    view_.SelectChannel(0);
    RefreshCommandStates();
}

}  // namespace velatrace
