#include "dde/DdemlBackend.h"

// windows.h first: ddeml.h builds on its types.
#include <windows.h>
// (kept apart so that sorting the includes cannot put it first)
#include <ddeml.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <map>
#include <utility>

#include "dde/StillNoteCells.h"
#include "dde/StillPicture.h"

namespace velatrace {

namespace {

constexpr const char* kEndedText =
    " ended the DDE conversation. The stills sent since wait and are pasted when it answers "
    "again.";
constexpr const char* kTooManyText =
    " does not answer, and no more stills can wait for it. This still was not sent.";
constexpr const char* kOtherTargetText = " stills waiting for the earlier DDE target were dropped.";
// Each command waits for the application's answer, so a command that never arrived is known
// and waits to be sent again, and the clipboard changes only after the paste was made.
constexpr DWORD kAnswerMs = 2000;

// The conversations open in this process and the backend each belongs to: DDEML's callback
// names the conversation, not the client.
std::map<HCONV, DdemlBackend*>& Conversations() {
    static std::map<HCONV, DdemlBackend*> conversations;
    return conversations;
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conversation, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                           ULONG_PTR) {
    const auto found = Conversations().find(conversation);
    if (type == XTYP_DISCONNECT && found != Conversations().end()) {
        found->second->OnDisconnected();
    }
    return nullptr;
}

}  // namespace

bool DdemlBackend::Initialize() {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    instance_ = instance;
    // The clipboard keeps what a window owns: a clipboard emptied without an owner takes no data.
    owner_ =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    return true;
}

void DdemlBackend::Uninitialize() {
    // Stills waiting for the application stay for the next conversation with it.
    CloseConversation();
    if (instance_ != 0) {
        DdeUninitialize(instance_);
        instance_ = 0;
    }
    if (owner_ != nullptr) {
        DestroyWindow(static_cast<HWND>(owner_));
        owner_ = nullptr;
    }
}

bool DdemlBackend::Connect(const char* service, const char* topic) {
    const bool sameTarget = serviceName_ == service && topicName_ == topic;
    Disconnect();
    if (instance_ == 0) {
        return false;
    }
    if (!sameTarget && !waiting_.empty()) {
        problem_ = std::to_string(waiting_.size()) + kOtherTargetText;
        waiting_.clear();
    }
    serviceName_ = service;
    topicName_ = topic;
    service_ = DdeCreateStringHandleA(instance_, service, CP_WINANSI);
    topic_ = DdeCreateStringHandleA(instance_, topic, CP_WINANSI);
    if (!OpenConversation()) {
        Disconnect();
        return false;
    }
    if (!waiting_.empty() && SendWaiting() && !clipboard_.dib.empty()) {
        PutOnClipboard(clipboard_.dib);
    }
    return true;
}

void DdemlBackend::Disconnect() {
    CloseConversation();
    for (void** handle : {&service_, &topic_}) {
        if (*handle != nullptr) {
            DdeFreeStringHandle(instance_, static_cast<HSZ>(*handle));
            *handle = nullptr;
        }
    }
    serviceName_.clear();
    topicName_.clear();
}

bool DdemlBackend::OpenConversation() {
    // After a conversation the application ended, a fresh instance finds it again: the old one
    // may still hold the ended conversation.
    if (renew_ && instance_ != 0) {
        DWORD instance = 0;
        if (DdeInitializeA(&instance, Callback, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR) {
            DdeFreeStringHandle(instance_, static_cast<HSZ>(service_));
            DdeFreeStringHandle(instance_, static_cast<HSZ>(topic_));
            DdeUninitialize(instance_);
            instance_ = instance;
            service_ = DdeCreateStringHandleA(instance_, serviceName_.c_str(), CP_WINANSI);
            topic_ = DdeCreateStringHandleA(instance_, topicName_.c_str(), CP_WINANSI);
            renew_ = false;
        }
    }
    if (service_ == nullptr || topic_ == nullptr) {
        return false;
    }
    HCONV conversation =
        DdeConnect(instance_, static_cast<HSZ>(service_), static_cast<HSZ>(topic_), nullptr);
    if (conversation == nullptr) {
        return false;
    }
    conversation_ = conversation;
    Conversations()[conversation] = this;
    return true;
}

void DdemlBackend::CloseConversation() {
    if (conversation_ != nullptr) {
        Conversations().erase(static_cast<HCONV>(conversation_));
        DdeDisconnect(static_cast<HCONV>(conversation_));
        conversation_ = nullptr;
    }
}

bool DdemlBackend::PutPicture(const uint8_t* dib, size_t size, const StillNote& note) {
    clipboard_.dib.assign(dib, dib + size);
    clipboard_.note = note;
    return PutOnClipboard(clipboard_.dib);
}

bool DdemlBackend::PutOnClipboard(const std::vector<uint8_t>& dib) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, dib.size());
    void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
    if (bytes == nullptr) {
        if (block != nullptr) {
            GlobalFree(block);
        }
        return false;
    }
    std::memcpy(bytes, dib.data(), dib.size());
    GlobalUnlock(block);
    if (!OpenClipboard(static_cast<HWND>(owner_))) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_DIB, block) != nullptr;
    CloseClipboard();
    if (!taken) {
        GlobalFree(block);
    }
    return taken;
}

bool DdemlBackend::Execute(const char* command) {
    if (instance_ == 0 || service_ == nullptr) {
        return false;
    }
    Still still{clipboard_.dib, clipboard_.note, command};
    // The application may be back: the stills waiting for it go first, in order.
    if (conversation_ == nullptr) {
        OpenConversation();
    }
    if (conversation_ != nullptr && !waiting_.empty() && SendWaiting()) {
        PutOnClipboard(clipboard_.dib);
    }
    if (conversation_ != nullptr && waiting_.empty()) {
        if (Send(still)) {
            return true;
        }
        Lost();
        if (still.pasted) {
            waiting_.push_back(std::move(still));  // only its values are left to send
            return true;
        }
    }
    if (waiting_.size() >= kMaxWaiting) {
        problem_ = serviceName_ + kTooManyText;
        return false;
    }
    waiting_.push_back(std::move(still));
    return true;
}

bool DdemlBackend::Send(Still& still) {
    const auto conversation = static_cast<HCONV>(conversation_);
    DWORD result = 0;
    auto* command = reinterpret_cast<LPBYTE>(still.command.data());
    if (!still.pasted &&
        DdeClientTransaction(command, static_cast<DWORD>(still.command.size() + 1), conversation,
                             nullptr, 0, XTYP_EXECUTE, kAnswerMs, &result) == nullptr) {
        return false;
    }
    still.pasted = true;
    // The values beside a picture pasted at a cell; a still whose values cannot be sent keeps
    // its picture.
    int32_t row = 0;
    int32_t column = 0;
    DibView picture;
    if (ReadSelectPaste(still.command.c_str(), &row, &column) &&
        ReadPackedDib(still.dib.data(), still.dib.size(), &picture)) {
        std::string item;
        std::string text;
        FormatNoteCells(still.note, row, column, picture.width, &item, &text);
        HSZ itemName = DdeCreateStringHandleA(instance_, item.c_str(), CP_WINANSI);
        const bool poked =
            itemName != nullptr &&
            DdeClientTransaction(reinterpret_cast<LPBYTE>(text.data()),
                                 static_cast<DWORD>(text.size() + 1), conversation, itemName,
                                 CF_TEXT, XTYP_POKE, kAnswerMs, &result) != nullptr;
        if (itemName != nullptr) {
            DdeFreeStringHandle(instance_, itemName);
        }
        // The picture is pasted; its values wait when they did not arrive.
        return poked;
    }
    return true;
}

bool DdemlBackend::SendWaiting() {
    while (!waiting_.empty()) {
        if (!waiting_.front().pasted) {
            PutOnClipboard(waiting_.front().dib);
        }
        if (conversation_ == nullptr || !Send(waiting_.front())) {
            Lost();
            return false;
        }
        waiting_.pop_front();
    }
    problem_.clear();
    return true;
}

void DdemlBackend::OnDisconnected() {
    if (conversation_ != nullptr) {
        Conversations().erase(static_cast<HCONV>(conversation_));
        conversation_ = nullptr;
    }
    Lost();
}

void DdemlBackend::Lost() {
    if (conversation_ != nullptr) {
        Conversations().erase(static_cast<HCONV>(conversation_));
        DdeDisconnect(static_cast<HCONV>(conversation_));
        conversation_ = nullptr;
    }
    renew_ = true;
    problem_ = serviceName_ + kEndedText;
    std::fprintf(stderr, "velatrace: %s\n", problem_.c_str());
}

}  // namespace velatrace
