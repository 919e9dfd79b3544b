#include "logger/DriverLibraryWin32.h"

#include <windows.h>

#include <chrono>
#include <cstring>

#include "logger/OpenDriverLibrary.h"
#include "logger/host/HostProcess.h"
#include "logger/host/PipeIo.h"

namespace velatrace {

namespace {
using host::Answer;
using host::AnswerKind;
using host::HostEntry;
using host::kMaxFrameData;
using host::Request;

// How long a host may take beyond an entry's own time-out before it counts as hung.
constexpr uint32_t kGraceMs = 10000;
// The bound of the entries without a time-out of their own (loading, open, close, event read).
constexpr uint32_t kControlBoundMs = 30000;

HANDLE EventOf(int64_t event) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(event));
}

uint32_t Bit(DriverEntry entry) {
    return 1u << static_cast<uint32_t>(entry);
}
}  // namespace

DriverLibraryWin32::DriverLibraryWin32(std::string driverPath, std::string hostPath)
    : driverPath_(std::move(driverPath)),
      hostPath_(hostPath.empty() ? host::HostProcess::BesideProgram() : std::move(hostPath)),
      host_(std::make_unique<host::HostProcess>()) {}

DriverLibraryWin32::~DriverLibraryWin32() {
    StopHost();
}

bool DriverLibraryWin32::StartHost() {
    StopHost();
    if (!host_->Start(hostPath_)) {
        return false;
    }
    lost_ = false;
    readLost_ = false;
    reader_ = std::thread(&DriverLibraryWin32::ReadAnswers, this);
    return true;
}

void DriverLibraryWin32::StopHost() {
    host_->Stop();
    if (reader_.joinable()) {
        reader_.join();  // the host's output is closed now
    }
    host_->Release();
    bound_ = false;
}

bool DriverLibraryWin32::Load() {
    if (bound_) {
        return true;
    }
    bool lost = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lost = lost_;
    }
    if ((lost || !host_->Running()) && !StartHost()) {
        return false;
    }
    if (driverPath_.size() >= MAX_PATH) {
        return false;  // no such library can be loaded
    }
    Request request;
    request.entry = HostEntry::Bind;
    request.dataLength = static_cast<uint32_t>(driverPath_.size());
    Answer answer;
    if (!Exchange(request, driverPath_.data(), nullptr, 0, kControlBoundMs, answer) ||
        answer.result == 0) {
        StopHost();  // no library to serve: the logger counts as not connected
        return false;
    }
    entries_ = static_cast<uint32_t>(answer.value);
    bound_ = true;
    return true;
}

void DriverLibraryWin32::Unload() {
    bound_ = false;
    entries_ = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (lost_) {
        host_->Kill();  // reaped by the next Load or at the end
    }
}

bool DriverLibraryWin32::HasEntry(DriverEntry entry) const {
    return bound_ && (entries_ & Bit(entry)) != 0;
}

unsigned long DriverLibraryWin32::HostProcessId() const {
    return host_->ProcessId();
}

bool DriverLibraryWin32::Exchange(Request request, const void* data, void* dest, uint32_t capacity,
                                  uint32_t boundMs, Answer& answer, PendingRead* read) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (lost_ || !host_->Running()) {
        return false;
    }
    request.id = ++nextId_ != 0 ? nextId_ : ++nextId_;
    waitingId_ = request.id;
    replyDest_ = dest;
    replyCapacity_ = capacity;
    replied_ = false;
    // A new request ends the wait for any earlier event read: its late reply is dropped.
    pendingRead_ = {};
    if (read != nullptr) {
        pendingRead_ = *read;
        pendingRead_.id = request.id;
    }
    lock.unlock();

    uint8_t header[host::kRequestBytes];
    host::Encode(request, header);
    const bool sent = host::WriteExact(host_->ToHost(), header, sizeof header) &&
                      host::WriteExact(host_->ToHost(), data, request.dataLength);

    lock.lock();
    if (sent) {
        answered_.wait_for(lock, std::chrono::milliseconds(boundMs),
                           [&] { return replied_ || lost_; });
    }
    const bool replied = replied_;
    waitingId_ = 0;
    replyDest_ = nullptr;
    replyCapacity_ = 0;
    if (!replied) {
        pendingRead_ = {};
        lost_ = true;
        lock.unlock();
        host_->Kill();  // broken, or silent past its time: a hung driver must not hang us
        return false;
    }
    answer = reply_;
    return true;
}

int DriverLibraryWin32::Forward(const Request& request, const void* data, void* dest,
                                uint32_t capacity, uint32_t boundMs, Answer& answer,
                                PendingRead* read) {
    if (!Exchange(request, data, dest, capacity, boundMs, answer, read)) {
        return Refuse(err::kGenFailure);
    }
    if (answer.result == 0) {
        // A failed entry that leaves no reason still reads as a failure.
        return Refuse(answer.lastError != 0 ? answer.lastError : err::kGenFailure);
    }
    lastError_ = 0;
    return 1;
}

int DriverLibraryWin32::Refuse(uint32_t code) {
    lastError_ = code;
    return 0;
}

DeviceHandle DriverLibraryWin32::OpenDevice() {
    if (!HasEntry(DriverEntry::OpenDevice)) {
        return Refuse(err::kProcNotFound);
    }
    Request request;
    request.entry = HostEntry::Open;
    Answer answer;
    if (!Forward(request, nullptr, nullptr, 0, kControlBoundMs, answer)) {
        return 0;
    }
    return static_cast<DeviceHandle>(answer.value);
}

int DriverLibraryWin32::CloseDevice(DeviceHandle dev) {
    if (!HasEntry(DriverEntry::CloseDevice)) {
        return Refuse(err::kProcNotFound);
    }
    Request request;
    request.entry = HostEntry::Close;
    request.device = static_cast<uint64_t>(dev);
    Answer answer;
    return Forward(request, nullptr, nullptr, 0, kControlBoundMs, answer);
}

int DriverLibraryWin32::ReadDevice(DeviceHandle dev, void* buf, uint32_t count, uint32_t* read,
                                   uint32_t timeoutMs) {
    *read = 0;
    if (!HasEntry(DriverEntry::ReadDevice)) {
        return Refuse(err::kProcNotFound);
    }
    Request request;
    request.entry = HostEntry::Read;
    request.device = static_cast<uint64_t>(dev);
    request.count = count < kMaxFrameData ? count : kMaxFrameData;
    request.timeoutMs = timeoutMs;
    Answer answer;
    // The reply's data is copied up to `count` bytes at most, whatever the host sends.
    if (!Forward(request, nullptr, buf, request.count, timeoutMs + kGraceMs, answer)) {
        return 0;
    }
    const uint64_t delivered =
        answer.dataLength < request.count ? answer.dataLength : request.count;
    *read = static_cast<uint32_t>(answer.value < delivered ? answer.value : delivered);
    return 1;
}

int DriverLibraryWin32::ReadDeviceEx(DeviceHandle dev, void* buf, uint32_t size,
                                     GtcCompletion* done) {
    if (!HasEntry(DriverEntry::ReadDeviceEx)) {
        return Refuse(err::kProcNotFound);
    }
    if (buf == nullptr || size == 0 || done == nullptr || done->event < 0) {
        return Refuse(ERROR_INVALID_PARAMETER);
    }
    PendingRead read;
    read.buffer = static_cast<char*>(buf);
    read.size = size < kMaxFrameData ? size : kMaxFrameData;
    read.event = EventOf(done->event);
    // A signal left over from a read nobody waited for must not complete this one.
    ResetEvent(read.event);
    Request request;
    request.entry = HostEntry::ReadEx;
    request.device = static_cast<uint64_t>(dev);
    request.count = read.size;
    Answer answer;
    if (!Forward(request, nullptr, nullptr, 0, kControlBoundMs, answer, &read)) {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingRead_ = {};  // a failed read is never completed
        return 0;
    }
    return 1;
}

int DriverLibraryWin32::WriteDevice(DeviceHandle dev, const void* buf, uint32_t count,
                                    uint32_t* written, uint32_t timeoutMs) {
    *written = 0;
    if (!HasEntry(DriverEntry::WriteDevice)) {
        return Refuse(err::kProcNotFound);
    }
    if (count > kMaxFrameData || (buf == nullptr && count > 0)) {
        return Refuse(ERROR_INVALID_PARAMETER);
    }
    Request request;
    request.entry = HostEntry::Write;
    request.device = static_cast<uint64_t>(dev);
    request.timeoutMs = timeoutMs;
    request.dataLength = count;
    Answer answer;
    if (!Forward(request, buf, nullptr, 0, timeoutMs + kGraceMs, answer)) {
        return 0;
    }
    *written = static_cast<uint32_t>(answer.value < count ? answer.value : count);
    return 1;
}

void DriverLibraryWin32::ReadAnswers() {
    const HANDLE from = host_->FromHost();
    uint8_t header[host::kAnswerBytes];
    while (host::ReadExact(from, header, sizeof header)) {
        const Answer answer = host::DecodeAnswer(header);
        if (answer.dataLength > kMaxFrameData ||
            !host::ReadExact(from, frame_, answer.dataLength)) {
            break;
        }
        Deliver(answer);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    lost_ = true;
    if (pendingRead_.id != 0) {
        readLost_ = true;
        SetEvent(pendingRead_.event);  // the waiting reader learns it at once
        pendingRead_ = {};
    }
    answered_.notify_all();
}

void DriverLibraryWin32::Deliver(const Answer& answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (answer.kind == AnswerKind::Reply && answer.id == waitingId_ && waitingId_ != 0) {
        const uint32_t n = answer.dataLength < replyCapacity_ ? answer.dataLength : replyCapacity_;
        if (n > 0) {
            std::memcpy(replyDest_, frame_, n);
        }
        reply_ = answer;
        reply_.dataLength = n;
        replied_ = true;
        answered_.notify_all();
    } else if (answer.kind == AnswerKind::Completion && answer.id == pendingRead_.id &&
               pendingRead_.id != 0) {
        // The reply text, cut to the caller's buffer and always terminated within it.
        PendingRead& read = pendingRead_;
        const uint32_t n = answer.dataLength < read.size ? answer.dataLength : read.size;
        std::memcpy(read.buffer, frame_, n);
        read.buffer[n < read.size ? n : read.size - 1] = 0;
        SetEvent(read.event);
        pendingRead_ = {};
    }
}

int64_t DriverLibraryWin32::MakeEvent() {
    const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event != nullptr ? static_cast<int64_t>(reinterpret_cast<intptr_t>(event)) : -1;
}

uint32_t DriverLibraryWin32::WaitEvent(int64_t event, uint32_t timeoutMs) {
    if (event < 0) {
        return err::kWaitFailed;
    }
    const DWORD waited = WaitForSingleObject(EventOf(event), timeoutMs);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (readLost_) {
            readLost_ = false;
            return err::kGenFailure;
        }
    }
    if (waited == WAIT_OBJECT_0) {
        return err::kSuccess;
    }
    return waited == WAIT_TIMEOUT ? err::kWaitTimeout : err::kWaitFailed;
}

void DriverLibraryWin32::CloseEvent(int64_t event) {
    if (event < 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pendingRead_.event == EventOf(event)) {
            pendingRead_ = {};
        }
    }
    CloseHandle(EventOf(event));
}

std::unique_ptr<DriverLibrary> OpenDriverLibrary() {
    return std::make_unique<DriverLibraryWin32>();
}

}  // namespace velatrace
