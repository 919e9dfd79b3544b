#include "dde/DdemlBackend.h"

// windows.h first: ddeml.h builds on its types.
#include <windows.h>
// (kept apart so that sorting the includes cannot put it first)
#include <ddeml.h>

#include <cstring>
#include <initializer_list>

namespace velatrace {

namespace {
// Completions and disconnections need no answer: the transfer never waits for one.
HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}
}  // namespace

bool DdemlBackend::Initialize() {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    instance_ = instance;
    return true;
}

void DdemlBackend::Uninitialize() {
    Disconnect();
    if (instance_ != 0) {
        DdeUninitialize(instance_);
        instance_ = 0;
    }
}

bool DdemlBackend::Connect(const char* service, const char* topic) {
    Disconnect();
    if (instance_ == 0) {
        return false;
    }
    service_ = DdeCreateStringHandleA(instance_, service, CP_WINANSI);
    topic_ = DdeCreateStringHandleA(instance_, topic, CP_WINANSI);
    if (service_ != nullptr && topic_ != nullptr) {
        conversation_ =
            DdeConnect(instance_, static_cast<HSZ>(service_), static_cast<HSZ>(topic_), nullptr);
    }
    if (conversation_ == nullptr) {
        Disconnect();
        return false;
    }
    return true;
}

void DdemlBackend::Disconnect() {
    for (void** handle : {&service_, &topic_}) {
        if (*handle != nullptr) {
            DdeFreeStringHandle(instance_, static_cast<HSZ>(*handle));
            *handle = nullptr;
        }
    }
    if (conversation_ != nullptr) {
        DdeDisconnect(static_cast<HCONV>(conversation_));
        conversation_ = nullptr;
    }
}

bool DdemlBackend::PutPicture(const uint8_t* dib, size_t size, const StillNote&) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, size);
    if (block == nullptr) {
        return false;
    }
    std::memcpy(GlobalLock(block), dib, size);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
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
    if (conversation_ == nullptr) {
        return false;
    }
    const DWORD length = static_cast<DWORD>(std::strlen(command) + 1);
    HDDEDATA data =
        DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(const_cast<char*>(command)), length,
                            0, nullptr, CF_TEXT, 0);
    if (data == nullptr) {
        return false;
    }
    return DdeClientTransaction(reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1),
                                static_cast<HCONV>(conversation_), nullptr, 0, XTYP_EXECUTE,
                                TIMEOUT_ASYNC, nullptr) != 0;
}

}  // namespace velatrace
