#pragma once
// A driver library stand-in: answers each command from a table, delivers text replies through
// the event read and data blocks through the blocking read, and fails on request.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "logger/DriverLibrary.h"
#include "logger/LoggerData.h"
#include "logger/LoggerProtocol.h"

namespace velatrace::testing {

class FakeDriverLibrary : public DriverLibrary {
  public:
    bool Load() override { return loaded = loadable; }
    void Unload() override {
        released.push_back("library");
        loaded = false;
    }
    bool HasEntry(DriverEntry entry) const override {
        return loaded && (hasOpen || entry != DriverEntry::OpenDevice);
    }
    DeviceHandle OpenDevice() override { return handle; }
    int CloseDevice(DeviceHandle dev) override {
        released.push_back("device " + std::to_string(dev));
        return 1;
    }
    int WriteDevice(DeviceHandle, const void* buf, uint32_t count, uint32_t*,
                    uint32_t timeoutMs) override {
        timeouts.push_back(timeoutMs);
        writes.emplace_back(static_cast<const char*>(buf), count);
        const std::string command = writes.back().substr(0, writes.back().find_first_of("\r\n"));
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
        if (failRead != 0 || pendingBytes.empty()) {
            error = failRead != 0 ? failRead : err::kWaitTimeout;
            return 0;
        }
        *read = std::min<uint32_t>(count, static_cast<uint32_t>(pendingBytes.size()));
        std::memcpy(buf, pendingBytes.data(), *read);
        pendingBytes.erase(pendingBytes.begin(), pendingBytes.begin() + *read);
        return 1;
    }
    int ReadDeviceEx(DeviceHandle, void* buf, uint32_t size, GtcCompletion*) override {
        if ((error = failReadEx) != 0) {
            return 0;
        }
        std::memcpy(buf, pendingText.data(), std::min<size_t>(pendingText.size() + 1, size));
        signaled = !pendingText.empty();
        pendingText.clear();
        return 1;
    }
    uint32_t LastError() const override { return error; }
    int64_t MakeEvent() override { return 42; }
    uint32_t WaitEvent(int64_t, uint32_t timeoutMs) override {
        waits.push_back(timeoutMs);
        return std::exchange(signaled, false) ? err::kSuccess : err::kWaitTimeout;
    }
    void CloseEvent(int64_t event) override {
        released.push_back("event " + std::to_string(event));
    }

    // Script.
    bool loadable = true, hasOpen = true;
    DeviceHandle handle = 7;
    uint32_t failRead = 0, failReadEx = 0;
    std::map<std::string, std::string> text;
    std::map<std::string, std::vector<uint8_t>> blocks;

    // Record.
    bool loaded = false, signaled = false;
    uint32_t error = 0;
    std::vector<std::string> writes, released;
    std::vector<uint32_t> timeouts, waits;
    std::string pendingText;
    std::vector<uint8_t> pendingBytes;
};

// A data block: "#6" and six digits announcing the bytes, then the bytes.
inline std::vector<uint8_t> Block(std::vector<uint8_t> data) {
    char header[9];
    std::snprintf(header, sizeof header, "#6%06zu", data.size());
    data.insert(data.begin(), header, header + 8);
    return data;
}

// `count` 48-byte points of a 10-channel logger: channel c of point k holds k*10+c; point
// `alarmPoint` has channel 10's alarm bit set.
inline std::vector<uint8_t> Points(int count, int alarmPoint = -1) {
    std::vector<uint8_t> data(static_cast<size_t>(count) * 48, 0);
    for (int k = 0; k < count; ++k) {
        for (int c = 0; c < 10; ++c) {
            data[k * 48 + 2 * c] = static_cast<uint8_t>((k * 10 + c) >> 8);
            data[k * 48 + 2 * c + 1] = static_cast<uint8_t>(k * 10 + c);
        }
        data[k * 48 + 40] = k == alarmPoint ? 0x02 : 0;
    }
    return data;
}

// Collects acknowledge answers the way the window does: pieces are decoded at once, the
// completed block when the posted answer is served.
// Keeps the records of each acknowledged block as the logger's data format decodes them, with
// the point layout of `setup`.
struct RecordingSink : AckSink {
    RecordingSink(LoggerLink& link, const LoggerSetup& setup) : link(link), setup(setup) {}
    void Piece(uint32_t bytes) override {
        pieces.push_back(bytes);
        Decode(bytes);
    }
    void Complete(uint32_t result, uint32_t bytes) override {
        completions.push_back({result, bytes});
        if (result == 0) {
            Decode(bytes);
            appended = static_cast<int32_t>(batch.size());
            rows.swap(batch);
            alarms.swap(batchAlarms);
        }
        batch.clear();
        batchAlarms.clear();
    }
    void Decode(uint32_t bytes) {
        const PointLayout layout(setup);
        const int32_t n = WholePoints(static_cast<int32_t>(bytes), layout);
        const size_t first = batch.size();
        batch.resize(first + n);
        batchAlarms.resize(first + n);
        for (int32_t k = 0; k < n; ++k) {
            DecodeCounts(link.ReceiveBuffer() + k * layout.size, 1, layout,
                         &batch[first + k].counts);
        }
        DecodeAlarmBits(link.ReceiveBuffer(), n, layout, batchAlarms.data() + first);
    }
    struct Row {
        int32_t counts[kChannels];
    };
    LoggerLink& link;
    const LoggerSetup& setup;
    std::vector<uint32_t> pieces;
    std::vector<std::pair<uint32_t, uint32_t>> completions;
    int32_t appended = -1;
    std::vector<Row> rows;         // the records of the last whole block
    std::vector<uint32_t> alarms;  // their alarm bits (bit c: channel c + 1)
    std::vector<Row> batch;
    std::vector<uint32_t> batchAlarms;
};

}  // namespace velatrace::testing
