// The driver host: a small console program that loads the logger maker's driver library
// (gtcusbr.dll), binds its six entries under their decorated standard-call names and serves them
// to the recorder over its standard input and output (HostFrames.h). The maker's library is
// 32-bit and the recorder 64-bit, so the library lives here; and a driver that crashes or hangs
// takes only this process down, which the recorder reports as a lost logger.
//
// The library is the path in the Bind request, else VELATRACE_DRIVER, else gtcusbr.dll in this
// program's folder. Event reads complete on the library's own time: a thread waits for the
// event the library signals and sends the reply text as a Completion.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "logger/DriverLibrary.h"
#include "logger/host/HostFrames.h"
#include "logger/host/PipeIo.h"

namespace velatrace::host {
namespace {

using OpenFn = intptr_t(__stdcall*)();
using CloseFn = BOOL(__stdcall*)(intptr_t);
using ReadFn = BOOL(__stdcall*)(intptr_t, void*, DWORD, DWORD*, DWORD);
using ReadExFn = BOOL(__stdcall*)(intptr_t, void*, DWORD, GtcCompletion*);
using WriteFn = BOOL(__stdcall*)(intptr_t, const void*, DWORD, DWORD*, DWORD);

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

uint32_t Bit(DriverEntry entry) {
    return 1u << static_cast<uint32_t>(entry);
}

class DriverHost {
  public:
    DriverHost(HANDLE in, HANDLE out) : in_(in), out_(out) {}

    // Serves requests until the recorder closes the pipe; 2 when a request is malformed.
    int Run() {
        event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (event_ == nullptr) {
            return 3;
        }
        // The completion record holds the event handle in both of its last two words (on 64-bit
        // Windows the handle is the whole field).
        const uint64_t word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event_));
        record_.event = sizeof(void*) == 8
                            ? static_cast<int64_t>(reinterpret_cast<intptr_t>(event_))
                            : static_cast<int64_t>(word | (word << 32));
        std::thread(&DriverHost::SendCompletions, this).detach();

        uint8_t header[kRequestBytes];
        while (ReadExact(in_, header, sizeof header)) {
            const Request request = DecodeRequest(header);
            if (request.dataLength > kMaxFrameData || !ReadExact(in_, data_, request.dataLength)) {
                return 2;
            }
            Serve(request);
        }
        return 0;
    }

  private:
    void Serve(const Request& request) {
        Answer answer;
        answer.id = request.id;
        const intptr_t device = static_cast<intptr_t>(request.device);
        const uint32_t timeout = request.timeoutMs;
        uint32_t length = 0;  // of the data sent back from data_
        switch (request.entry) {
            case HostEntry::Bind:
                answer.result = Bind(request.dataLength) ? 1 : 0;
                answer.lastError = answer.result != 0 ? 0 : GetLastError();
                answer.value = entries_;
                break;
            case HostEntry::Open: {
                if (open_ == nullptr) {
                    answer.lastError = err::kProcNotFound;
                    break;
                }
                const intptr_t opened = open_();
                answer.lastError = opened != 0 ? 0 : GetLastError();
                answer.result = opened != 0 ? 1 : 0;
                answer.value = static_cast<uint64_t>(static_cast<uintptr_t>(opened));
                break;
            }
            case HostEntry::Close:
                Keep(answer, close_ != nullptr ? close_(device) : Missing());
                break;
            case HostEntry::Read: {
                const uint32_t count =
                    request.count < kMaxFrameData ? request.count : kMaxFrameData;
                DWORD got = 0;
                Keep(answer,
                     read_ != nullptr ? read_(device, data_, count, &got, timeout) : Missing());
                // A count beyond what was asked for is never believed.
                length = answer.result != 0 ? (got < count ? got : count) : 0;
                answer.value = length;
                break;
            }
            case HostEntry::ReadEx:
                ReadEx(request, answer);
                break;
            case HostEntry::Write: {
                DWORD put = 0;
                Keep(answer, write_ != nullptr
                                 ? write_(device, data_, request.dataLength, &put, timeout)
                                 : Missing());
                answer.value = put;
                break;
            }
            default:
                answer.lastError = ERROR_INVALID_FUNCTION;
                break;
        }
        answer.dataLength = length;
        Send(answer, data_);
    }

    // Starts an event read into the host's buffer; the reply text follows as a Completion when
    // the library signals the event.
    void ReadEx(const Request& request, Answer& answer) {
        std::lock_guard<std::mutex> lock(exLock_);
        if (readEx_ == nullptr) {
            Keep(answer, Missing());
            return;
        }
        exSize_ = request.count < kMaxFrameData ? request.count : kMaxFrameData;
        exBuffer_[0] = 0;
        record_.status[0] = 0;
        record_.status[1] = 0;
        exPending_ = request.id;
        Keep(answer, readEx_(static_cast<intptr_t>(request.device), exBuffer_, exSize_, &record_));
        if (answer.result == 0) {
            exPending_ = 0;
        }
    }

    void SendCompletions() {
        while (WaitForSingleObject(event_, INFINITE) == WAIT_OBJECT_0) {
            std::lock_guard<std::mutex> lock(exLock_);
            if (exPending_ == 0) {
                continue;  // no read is waiting for this signal
            }
            Answer answer;
            answer.kind = AnswerKind::Completion;
            answer.id = exPending_;
            answer.result = 1;
            answer.value = record_.status[1];
            // The reply text with its terminator, never more than the buffer the read was given.
            const size_t text = strnlen(exBuffer_, exSize_);
            answer.dataLength = static_cast<uint32_t>(text < exSize_ ? text + 1 : text);
            Send(answer, exBuffer_);
            exPending_ = 0;
        }
    }

    bool Bind(uint32_t pathLength) {
        if (module_ != nullptr) {
            return true;
        }
        char path[MAX_PATH + 1] = {};
        const char* configured = std::getenv("VELATRACE_DRIVER");
        if (pathLength > 0 && pathLength <= MAX_PATH) {
            std::memcpy(path, data_, pathLength);
        } else if (configured != nullptr && configured[0] != '\0') {
            std::strncpy(path, configured, MAX_PATH);
        } else {
            // gtcusbr.dll beside this program.
            const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
            char* slash = std::strrchr(path, '\\');
            const size_t folder =
                (n > 0 && n < MAX_PATH && slash != nullptr) ? slash + 1 - path : 0;
            std::strncpy(path + folder, "gtcusbr.dll", MAX_PATH - folder);
        }
        module_ = LoadLibraryA(path);
        if (module_ == nullptr) {
            return false;
        }
        open_ = Lookup<OpenFn>(module_, "_GtcUSBr_OpenDevice@0");
        close_ = Lookup<CloseFn>(module_, "_GtcUSBr_CloseDevice@4");
        read_ = Lookup<ReadFn>(module_, "_GtcUSBr_ReadDevice@20");
        readEx_ = Lookup<ReadExFn>(module_, "_GtcUSBr_ReadDeviceEx@16");
        write_ = Lookup<WriteFn>(module_, "_GtcUSBr_WriteDevice@20");
        const bool writeEx = GetProcAddress(module_, "_GtcUSBr_WriteDeviceEx@16") != nullptr;
        entries_ = (open_ ? Bit(DriverEntry::OpenDevice) : 0) |
                   (close_ ? Bit(DriverEntry::CloseDevice) : 0) |
                   (read_ ? Bit(DriverEntry::ReadDevice) : 0) |
                   (readEx_ ? Bit(DriverEntry::ReadDeviceEx) : 0) |
                   (write_ ? Bit(DriverEntry::WriteDevice) : 0) |
                   (writeEx ? Bit(DriverEntry::WriteDeviceEx) : 0);
        return true;
    }

    static void Keep(Answer& answer, BOOL result) {
        answer.lastError = result ? 0 : GetLastError();
        answer.result = result ? 1 : 0;
    }
    static BOOL Missing() {
        SetLastError(err::kProcNotFound);
        return FALSE;
    }

    void Send(const Answer& answer, const void* data) {
        uint8_t header[kAnswerBytes];
        Encode(answer, header);
        std::lock_guard<std::mutex> lock(outLock_);
        if (!WriteExact(out_, header, sizeof header) ||
            !WriteExact(out_, data, answer.dataLength)) {
            ExitProcess(0);  // the recorder is gone
        }
    }

    HANDLE in_;
    HANDLE out_;
    std::mutex outLock_;
    HMODULE module_ = nullptr;
    uint32_t entries_ = 0;
    OpenFn open_ = nullptr;
    CloseFn close_ = nullptr;
    ReadFn read_ = nullptr;
    ReadExFn readEx_ = nullptr;
    WriteFn write_ = nullptr;

    HANDLE event_ = nullptr;
    std::mutex exLock_;
    GtcCompletion record_ = {};
    uint32_t exPending_ = 0;  // id of the event read the library has yet to complete
    uint32_t exSize_ = 0;
    char exBuffer_[kMaxFrameData + 1] = {};
    uint8_t data_[kMaxFrameData] = {};
};

}  // namespace
}  // namespace velatrace::host

int main() {
    static velatrace::host::DriverHost host(GetStdHandle(STD_INPUT_HANDLE),
                                            GetStdHandle(STD_OUTPUT_HANDLE));
    return host.Run();
}
