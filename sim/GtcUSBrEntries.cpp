// The exported C entries: a table of open simulated devices behind one mutex, the steady clock,
// the signal of event reads, and the Windows error codes left for the caller (SimSignal.h).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "sim/ConfigParser.h"
#include "sim/GtcUSBr.h"
#include "sim/SimDevice.h"
#include "sim/SimSignal.h"

using velatrace::sim::SetDriverError;
using velatrace::sim::SignalEvent;
using velatrace::sim::SimConfig;
using velatrace::sim::SimDevice;

namespace {

constexpr int kFileNotFound = 2;
constexpr int kInvalidHandle = 6;
constexpr int kNotEnoughMemory = 8;
constexpr int kGenFailure = 31;
constexpr int kInvalidParameter = 87;
constexpr int kWaitTimeout = 258;
constexpr char kConfigVariable[] = "VELATRACE_SIM_CONFIG";

struct DeviceTable {
    std::mutex mutex;
    std::map<intptr_t, std::unique_ptr<SimDevice>> devices;
    intptr_t nextHandle = 0x5100;  // handles are never reused, so a stale one stays invalid
    // A logger that went away and comes back at this time (steady ms); -1: none is away.
    int64_t reconnectMs = -1;
};

DeviceTable& Table() {
    static DeviceTable table;
    return table;
}

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// An entry's outcome: 1, or 0 with the error code to leave for the caller.
struct Outcome {
    int result;
    int code;
};
constexpr Outcome kOk{1, 0};
constexpr Outcome Fail(int code) {
    return {0, code};
}

int Finish(Outcome outcome) {
    if (outcome.result == 0) {
        SetDriverError(outcome.code);
    }
    return outcome.result;
}

// Runs `body` on the device of `dev` under the table's lock; the device exists and is still
// connected when `body` runs. No exception leaves the library.
template <typename Body>
Outcome WithDevice(intptr_t dev, Body body) {
    try {
        DeviceTable& table = Table();
        std::lock_guard<std::mutex> lock(table.mutex);
        const auto found = table.devices.find(dev);
        if (found == table.devices.end()) {
            return Fail(kInvalidHandle);
        }
        const uint64_t now = NowMs();
        if (found->second->Disconnected(now)) {
            if (table.reconnectMs < 0) {
                table.reconnectMs = found->second->ReconnectMs();
            }
            return Fail(kGenFailure);
        }
        return body(*found->second, now);
    } catch (...) {
        return Fail(kNotEnoughMemory);
    }
}

SimConfig LoadConfig() {
    SimConfig config = velatrace::sim::DefaultConfig();
    const char* path = std::getenv(kConfigVariable);
    if (path == nullptr || path[0] == '\0') {
        return config;
    }
    for (const std::string& warning : velatrace::sim::ApplyConfigFile(path, config)) {
        std::fprintf(stderr, "libgtcusbr (simulated logger): %s: %s\n", path, warning.c_str());
    }
    return config;
}

}  // namespace

extern "C" {

GTCUSBR_API intptr_t GTCUSBR_CALL GtcUSBr_OpenDevice(void) {
    try {
        SimConfig config = LoadConfig();
        if (config.openFails) {
            SetDriverError(kFileNotFound);
            return 0;
        }
        DeviceTable& table = Table();
        std::lock_guard<std::mutex> lock(table.mutex);
        const uint64_t now = NowMs();
        if (table.reconnectMs >= 0) {
            // A logger that went away is not there until it is plugged in again; then it stays.
            if (static_cast<int64_t>(now) < table.reconnectMs) {
                SetDriverError(kFileNotFound);
                return 0;
            }
            table.reconnectMs = -1;
            config.disconnectAfterMs = -1;
        }
        auto device = std::make_unique<SimDevice>(config, now);
        const intptr_t handle = table.nextHandle++;
        table.devices.emplace(handle, std::move(device));
        return handle;
    } catch (...) {
        SetDriverError(kNotEnoughMemory);
        return 0;
    }
}

GTCUSBR_API int GTCUSBR_CALL GtcUSBr_CloseDevice(intptr_t dev) {
    DeviceTable& table = Table();
    std::unique_ptr<SimDevice> device;
    Outcome outcome = kOk;
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        const auto found = table.devices.find(dev);
        if (found == table.devices.end()) {
            return Finish(Fail(kInvalidHandle));
        }
        // The device is released even when it has stopped working; the failure is reported.
        if (found->second->Disconnected(NowMs())) {
            outcome = Fail(kGenFailure);
            if (table.reconnectMs < 0) {
                table.reconnectMs = found->second->ReconnectMs();
            }
        }
        device = std::move(found->second);
        table.devices.erase(found);
    }
    device.reset();
    return Finish(outcome);
}

GTCUSBR_API int GTCUSBR_CALL GtcUSBr_WriteDevice(intptr_t dev, const void* buf, uint32_t count,
                                                 uint32_t* written, uint32_t /*timeoutMs*/) {
    if (written != nullptr) {
        *written = 0;
    }
    return Finish(WithDevice(dev, [&](SimDevice& device, uint64_t now) {
        if (buf == nullptr && count > 0) {
            return Fail(kInvalidParameter);
        }
        const char* bytes = count > 0 ? static_cast<const char*>(buf) : "";
        device.Write(std::string_view(bytes, count), now);
        if (written != nullptr) {
            *written = count;
        }
        return kOk;
    }));
}

GTCUSBR_API int GTCUSBR_CALL GtcUSBr_WriteDeviceEx(intptr_t dev, const void* buf, uint32_t count,
                                                   GtcCompletion* done) {
    return Finish(WithDevice(dev, [&](SimDevice& device, uint64_t now) {
        if ((buf == nullptr && count > 0) || done == nullptr) {
            return Fail(kInvalidParameter);
        }
        const char* bytes = count > 0 ? static_cast<const char*>(buf) : "";
        device.Write(std::string_view(bytes, count), now);
        done->status[0] = 0;
        done->status[1] = count;
        return SignalEvent(done->event) ? kOk : Fail(kInvalidHandle);
    }));
}

GTCUSBR_API int GTCUSBR_CALL GtcUSBr_ReadDevice(intptr_t dev, void* buf, uint32_t count,
                                                uint32_t* read, uint32_t timeoutMs) {
    uint32_t delivered = 0;
    bool nothingPending = false;
    const Outcome outcome = WithDevice(dev, [&](SimDevice& device, uint64_t) {
        if (buf == nullptr && count > 0) {
            return Fail(kInvalidParameter);
        }
        nothingPending = !device.ReadBytes(static_cast<uint8_t*>(buf), count, &delivered);
        return kOk;
    });
    if (read != nullptr) {
        *read = delivered;
    }
    if (outcome.result != 0 && nothingPending) {
        // Nothing will arrive without a new command: wait out the time-out, as a device would.
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return Finish(Fail(kWaitTimeout));
    }
    return Finish(outcome);
}

GTCUSBR_API int GTCUSBR_CALL GtcUSBr_ReadDeviceEx(intptr_t dev, void* buf, uint32_t size,
                                                  GtcCompletion* done) {
    return Finish(WithDevice(dev, [&](SimDevice& device, uint64_t) {
        if ((buf == nullptr && size > 0) || done == nullptr) {
            return Fail(kInvalidParameter);
        }
        if (!velatrace::sim::EventUsable(done->event)) {
            return Fail(kInvalidHandle);
        }
        uint32_t delivered = 0;
        if (!device.ReadText(static_cast<char*>(buf), size, &delivered)) {
            return kOk;  // the read stays outstanding: no reply will complete it
        }
        done->status[0] = 0;
        done->status[1] = delivered;
        return SignalEvent(done->event) ? kOk : Fail(kInvalidHandle);
    }));
}

}  // extern "C"
