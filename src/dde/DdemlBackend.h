#pragma once
// The transfer over Windows DDE: a DDEML client conversation and the clipboard's CF_DIB. After a
// select-and-paste command the still's time and channel values are poked into the cells beside
// the picture.
//
// A conversation the application ends (the spreadsheet closed) is told once as the problem, and
// the stills sent from then on wait, in order, each with its picture, command and values. Every
// later command tries the conversation again; once the application answers, the waiting stills
// are pasted first, one after the other. Each command waits for the application's answer (at
// most two seconds), so a command that did not arrive is known and waits too.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "dde/DdeBackend.h"

namespace velatrace {

class DdemlBackend final : public DdeBackend {
  public:
    // At most this many stills wait for the application; a still beyond them is refused.
    static constexpr size_t kMaxWaiting = 64;

    DdemlBackend() = default;
    ~DdemlBackend() override { Uninitialize(); }
    DdemlBackend(const DdemlBackend&) = delete;
    DdemlBackend& operator=(const DdemlBackend&) = delete;

    bool Initialize() override;
    void Uninitialize() override;
    bool Connect(const char* service, const char* topic) override;
    void Disconnect() override;
    bool PutPicture(const uint8_t* dib, size_t size, const StillNote& note) override;
    bool Execute(const char* command) override;
    const char* Problem() const override { return problem_.c_str(); }

    size_t Waiting() const { return waiting_.size(); }

    // From the DDEML callback: the application ended the conversation.
    void OnDisconnected();

  private:
    struct Still {
        std::vector<uint8_t> dib;
        StillNote note;
        std::string command;
        bool pasted = false;  // the command arrived; the values are still to send
    };
    bool OpenConversation();
    void CloseConversation();
    // Sends one still's command, then its values, on the open conversation.
    bool Send(Still& still);
    bool SendWaiting();
    bool PutOnClipboard(const std::vector<uint8_t>& dib);
    // The conversation ended: what was not answered waits, and the user is told.
    void Lost();

    uint32_t instance_ = 0;
    void* owner_ = nullptr;         // HWND owning what this backend puts on the clipboard
    void* service_ = nullptr;       // HSZ
    void* topic_ = nullptr;         // HSZ
    void* conversation_ = nullptr;  // HCONV
    std::string serviceName_;
    std::string topicName_;
    bool renew_ = false;  // the next conversation starts a fresh DDEML instance
    Still clipboard_;     // the picture last put on the clipboard, and its note
    std::deque<Still> waiting_;
    std::string problem_;
};

}  // namespace velatrace
