#pragma once
// A recording opened for replay: the channel setup its wave file gives and every record of it. It
// is a value of its own, so opening or closing a file never touches the live logger's setup.
#include "logger/LoggerSetup.h"
#include "wave/ReplayStore.h"

namespace velatrace {

struct Recording {
    LoggerSetup setup;
    ReplayStore records;
    bool loaded = false;  // a wave file is loaded (its records may still be none)

    // Closes the recording and gives its memory back.
    void Clear() {
        records.Clear();
        setup = LoggerSetup{};
        loaded = false;
    }
};

}  // namespace velatrace
