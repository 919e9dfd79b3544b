#pragma once
// The transfer's way out of the program: a client conversation with another application (named
// by service and topic) that can be told to run a command, and the clipboard the picture goes to.
// DDEML on Windows; a workbook writer elsewhere; a stand-in where there is neither.
#include <cstddef>
#include <cstdint>

#include "dde/StillNote.h"

namespace velatrace {

class DdeBackend {
  public:
    virtual ~DdeBackend() = default;
    // Prepares the client side. False when it cannot (no DDE here at all).
    virtual bool Initialize() = 0;
    virtual void Uninitialize() = 0;
    // Opens the conversation with `service` on `topic`; false when nobody answers.
    virtual bool Connect(const char* service, const char* topic) = 0;
    virtual void Disconnect() = 0;
    // Puts a packed DIB (header and rows) on the clipboard; `note` tells what it shows, for a
    // target that keeps it beside the picture. False when the clipboard could not take it.
    virtual bool PutPicture(const uint8_t* dib, size_t size, const StillNote& note) = 0;
    // Sends a command to the open conversation without waiting for its answer. False when it
    // could not be sent.
    virtual bool Execute(const char* command) = 0;
    // What went wrong with the last call that the user should hear about, "" when nothing did
    // (a target that keeps the pictures in a file it could not write, for example).
    virtual const char* Problem() const { return ""; }
};

}  // namespace velatrace
