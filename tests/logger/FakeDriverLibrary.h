#pragma once
// A driver library stand-in: answers each command from a table, delivers text replies through
// the event read and data blocks through the blocking read, and fails on request.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "logger/DriverLibrary.h"
#include "logger/LoggerProtocol.h"

namespace velatrace::testing {

class FakeDriverLibrary : public DriverLibrary {
  public:
    bool Load() override {
        ++loads;
        loaded = loadable;
        return loadable;
    }
    void Unload() override {
        ++unloads;
        loaded = false;
    }
    bool HasEntry(DriverEntry entry) const override {
        return loaded && !(entry == DriverEntry::OpenDevice && !hasOpen);
    }
    DeviceHandle OpenDevice() override { return handle; }
    int CloseDevice(DeviceHandle dev) override {
        closed.push_back(dev);
        return 1;
    }
    int WriteDevice(DeviceHandle, const void* buf, uint32_t count, uint32_t*,
                    uint32_t timeoutMs) override {
        timeouts.push_back(timeoutMs);
        const std::string raw(static_cast<const char*>(buf), count);
        writes.push_back(raw);
        if (failWrite != 0) {
            error = failWrite;
            return 0;
        }
        const std::string command = raw.substr(0, raw.find_first_of("\r\n"));
        if (auto it = text.find(command); it != text.end()) {
            pendingText = it->second;
        }
        if (auto it = blocks.find(command); it != blocks.end()) {
            pendingBytes.insert(pendingBytes.end(), it->second.begin(), it->second.end());
        }
        return 1;
    }
    int ReadDevice(DeviceHandle, void* buf, uint32_t count, uint32_t* read,
                   uint32_t timeoutMs) override {
        timeouts.push_back(timeoutMs);
        readSizes.push_back(count);
        if (failRead != 0 || pendingBytes.empty()) {
            error = failRead != 0 ? failRead : err::kWaitTimeout;
            static_cast<char*>(buf)[0] = 'x';  // a failed read may leave junk behind
            return 0;
        }
        const uint32_t n = std::min<uint32_t>(count, static_cast<uint32_t>(pendingBytes.size()));
        std::memcpy(buf, pendingBytes.data(), n);
        pendingBytes.erase(pendingBytes.begin(), pendingBytes.begin() + n);
        *read = n;
        return 1;
    }
    int ReadDeviceEx(DeviceHandle, void* buf, uint32_t size, GtcCompletion*) override {
        if (failReadEx != 0) {
            error = failReadEx;
            return 0;
        }
        if (fillWholeBuffer) {
            std::memset(buf, 'A', size);  // no terminator at all
            signaled = true;
            return 1;
        }
        const size_t n = std::min<size_t>(pendingText.size(), size - 1);
        std::memcpy(buf, pendingText.data(), n);
        static_cast<char*>(buf)[n] = '\0';
        signaled = !pendingText.empty();
        pendingText.clear();
        return 1;
    }
    uint32_t LastError() const override { return error; }
    int64_t CreateEvent() override { return 42; }
    uint32_t WaitEvent(int64_t, uint32_t timeoutMs) override {
        waits.push_back(timeoutMs);
        const bool was = signaled;
        signaled = false;
        return was ? err::kSuccess : err::kWaitTimeout;
    }
    void CloseEvent(int64_t event) override { closedEvents.push_back(event); }

    // Script.
    bool loadable = true;
    bool hasOpen = true;
    DeviceHandle handle = 7;
    uint32_t failWrite = 0;
    uint32_t failRead = 0;
    uint32_t failReadEx = 0;
    bool fillWholeBuffer = false;  // an event read fills the buffer without a terminator
    std::map<std::string, std::string> text;
    std::map<std::string, std::vector<uint8_t>> blocks;

    // Record.
    bool loaded = false;
    int loads = 0;
    int unloads = 0;
    std::vector<std::string> writes;
    std::vector<uint32_t> timeouts;
    std::vector<uint32_t> readSizes;
    std::vector<uint32_t> waits;
    std::vector<DeviceHandle> closed;
    std::vector<int64_t> closedEvents;

    uint32_t error = 0;
    bool signaled = false;
    std::string pendingText;
    std::vector<uint8_t> pendingBytes;
};

// A data block: "#6" and six digits announcing the bytes, then the bytes.
inline std::vector<uint8_t> Block(const std::vector<uint8_t>& data) {
    char header[9];
    std::snprintf(header, sizeof header, "#6%06zu", data.size());
    std::vector<uint8_t> out(header, header + 8);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// `count` 48-byte points of a 10-channel logger: channel c of point k holds k*10+c, and the
// alarm bytes (offsets 39 and 40) hold the given bits for every point in `alarmPoints`.
inline std::vector<uint8_t> Points(int count, std::vector<int> alarmPoints = {}, uint8_t alarm1 = 0,
                                   uint8_t alarm2 = 0) {
    std::vector<uint8_t> data(static_cast<size_t>(count) * 48, 0);
    for (int k = 0; k < count; ++k) {
        for (int c = 0; c < 10; ++c) {
            const int v = k * 10 + c;
            data[k * 48 + 2 * c] = static_cast<uint8_t>(v >> 8);
            data[k * 48 + 2 * c + 1] = static_cast<uint8_t>(v & 0xFF);
        }
        if (std::find(alarmPoints.begin(), alarmPoints.end(), k) != alarmPoints.end()) {
            data[k * 48 + 39] = alarm1;
            data[k * 48 + 40] = alarm2;
        }
    }
    return data;
}

// Collects acknowledge answers the way the window does: pieces are decoded at once, the
// completed block when the posted answer is served.
struct RecordingSink : AckSink {
    explicit RecordingSink(LoggerLink& link) : link(link) {}
    void Piece(uint32_t bytes) override {
        pieces.push_back(bytes);
        link.Wave().AppendPiece(link.ReceiveBuffer(), static_cast<int32_t>(bytes));
    }
    void Complete(uint32_t result, uint32_t bytes) override {
        completions.push_back({result, bytes});
        if (result == 0) {
            appended = link.Wave().AppendPoints(link.ReceiveBuffer(), static_cast<int32_t>(bytes));
        }
    }
    LoggerLink& link;
    std::vector<uint32_t> pieces;
    std::vector<std::pair<uint32_t, uint32_t>> completions;
    int32_t appended = -1;
};

}  // namespace velatrace::testing
