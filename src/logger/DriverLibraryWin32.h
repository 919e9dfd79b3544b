#pragma once
// The driver library on Windows. The maker's gtcusbr.dll is 32-bit and this program 64-bit, so
// the library is loaded by the driver host (velatrace-driverhost.exe, beside the program), and
// each entry is forwarded to it over a pipe (logger/host/HostFrames.h). Event reads complete as
// with the library itself: the host sends the reply when the library signals its event, and the
// reply lands in the caller's buffer before the caller's event is set.
// A host that is gone (crashed, killed, or silent past an entry's time-out, then ended) makes
// every entry fail with kGenFailure, as a logger that stopped working; the next Load starts a
// new host.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "logger/DriverLibrary.h"
#include "logger/host/HostFrames.h"

namespace velatrace {

namespace host {
class HostProcess;
}

class DriverLibraryWin32 final : public DriverLibrary {
  public:
    // `driverPath`: the library the host loads (empty: VELATRACE_DRIVER, else gtcusbr.dll beside
    // the host). `hostPath`: the host program (empty: velatrace-driverhost.exe beside this one).
    explicit DriverLibraryWin32(std::string driverPath = {}, std::string hostPath = {});
    ~DriverLibraryWin32() override;

    // Starts the host (when none runs) and has it load the library.
    bool Load() override;
    // Unbinds the entries. The host keeps the library loaded until this object ends, as a
    // driver's devices outlive its loading.
    void Unload() override;
    bool HasEntry(DriverEntry entry) const override;

    DeviceHandle OpenDevice() override;
    int CloseDevice(DeviceHandle dev) override;
    int ReadDevice(DeviceHandle dev, void* buf, uint32_t count, uint32_t* read,
                   uint32_t timeoutMs) override;
    int ReadDeviceEx(DeviceHandle dev, void* buf, uint32_t size, GtcCompletion* done) override;
    int WriteDevice(DeviceHandle dev, const void* buf, uint32_t count, uint32_t* written,
                    uint32_t timeoutMs) override;
    uint32_t LastError() const override { return lastError_; }

    // An unnamed auto-reset Win32 event. WaitEvent reports kGenFailure when the host went away
    // during the read it waits for.
    int64_t MakeEvent() override;
    uint32_t WaitEvent(int64_t event, uint32_t timeoutMs) override;
    void CloseEvent(int64_t event) override;

    // The running host's process id; 0 when none runs.
    unsigned long HostProcessId() const;

  private:
    // An event read waiting for its reply: where the text goes and the event to set.
    struct PendingRead {
        uint32_t id = 0;
        char* buffer = nullptr;
        uint32_t size = 0;
        void* event = nullptr;
    };

    bool StartHost();
    void StopHost();
    // Sends a request and waits up to `boundMs` for its reply; data of the reply goes to `dest`,
    // never more than `capacity` bytes. False when the host is gone (it is ended when it stays
    // silent). A `read` is registered for the request's completion.
    bool Exchange(host::Request request, const void* data, void* dest, uint32_t capacity,
                  uint32_t boundMs, host::Answer& answer, PendingRead* read = nullptr);
    // The entry's result, its reason kept for LastError(); a host that is gone gives 31.
    int Forward(const host::Request& request, const void* data, void* dest, uint32_t capacity,
                uint32_t boundMs, host::Answer& answer, PendingRead* read = nullptr);
    int Refuse(uint32_t code);
    // The reader thread: replies to the waiting call, completions to the waiting event read.
    void ReadAnswers();
    void Deliver(const host::Answer& answer);

    std::string driverPath_;
    std::string hostPath_;
    std::unique_ptr<host::HostProcess> host_;
    std::thread reader_;
    bool bound_ = false;
    uint32_t entries_ = 0;  // bit per DriverEntry
    uint32_t lastError_ = 0;

    std::mutex mutex_;  // guards what follows, shared with the reader thread
    std::condition_variable answered_;
    bool lost_ = false;      // the host is gone
    bool readLost_ = false;  // ... while an event read waited for its reply
    uint32_t nextId_ = 0;
    uint32_t waitingId_ = 0;  // the call waiting for its reply
    void* replyDest_ = nullptr;
    uint32_t replyCapacity_ = 0;
    bool replied_ = false;
    host::Answer reply_;
    PendingRead pendingRead_;
    uint8_t frame_[host::kMaxFrameData] = {};  // the reader thread's copy of an answer's data
};

}  // namespace velatrace
