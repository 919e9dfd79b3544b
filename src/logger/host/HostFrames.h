#pragma once
// The driver host's pipe framing, shared by the host and the program's side. Every frame is a
// fixed header of little-endian 32- and 64-bit fields followed by `dataLength` bytes of data.
//   request (program -> host): id, entry, count, timeoutMs, device, dataLength; data: the bytes
//     to write, or the driver library's path for Bind (empty: the default).
//   answer (host -> program): kind, id, result, lastError, value, dataLength; data: the bytes
//     read. A Reply answers the request of the same id; a Completion finishes the event read of
//     that id (data: the reply text, NUL included).
#include <cstddef>
#include <cstdint>

namespace velatrace::host {

enum class HostEntry : uint32_t {
    Bind = 0,  // loads the library; value: the entries it has (bit per DriverEntry)
    Open,
    Close,
    Read,
    ReadEx,
    Write
};

enum class AnswerKind : uint32_t { Reply = 1, Completion = 2 };

// No frame carries more data than this; more means the other side is broken.
inline constexpr uint32_t kMaxFrameData = 16384;

struct Request {
    uint32_t id = 0;
    HostEntry entry = HostEntry::Bind;
    uint32_t count = 0;      // bytes to read, or the buffer size of an event read
    uint32_t timeoutMs = 0;  // of a plain read or write
    uint64_t device = 0;
    uint32_t dataLength = 0;
};

struct Answer {
    AnswerKind kind = AnswerKind::Reply;
    uint32_t id = 0;
    uint32_t result = 0;     // the entry's result: non-zero is success
    uint32_t lastError = 0;  // the library's reason for a failure
    uint64_t value = 0;      // device handle, bytes read or written, entry bits
    uint32_t dataLength = 0;
};

inline constexpr size_t kRequestBytes = 28;
inline constexpr size_t kAnswerBytes = 28;

namespace detail {
inline void Put(uint8_t*& at, uint64_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) {
        *at++ = static_cast<uint8_t>(value >> (8 * k));
    }
}
inline uint64_t Get(const uint8_t*& at, int bytes) {
    uint64_t value = 0;
    for (int k = 0; k < bytes; ++k) {
        value |= static_cast<uint64_t>(*at++) << (8 * k);
    }
    return value;
}
}  // namespace detail

inline void Encode(const Request& r, uint8_t (&out)[kRequestBytes]) {
    uint8_t* at = out;
    detail::Put(at, r.id, 4);
    detail::Put(at, static_cast<uint32_t>(r.entry), 4);
    detail::Put(at, r.count, 4);
    detail::Put(at, r.timeoutMs, 4);
    detail::Put(at, r.device, 8);
    detail::Put(at, r.dataLength, 4);
}

inline Request DecodeRequest(const uint8_t (&in)[kRequestBytes]) {
    const uint8_t* at = in;
    Request r;
    r.id = static_cast<uint32_t>(detail::Get(at, 4));
    r.entry = static_cast<HostEntry>(detail::Get(at, 4));
    r.count = static_cast<uint32_t>(detail::Get(at, 4));
    r.timeoutMs = static_cast<uint32_t>(detail::Get(at, 4));
    r.device = detail::Get(at, 8);
    r.dataLength = static_cast<uint32_t>(detail::Get(at, 4));
    return r;
}

inline void Encode(const Answer& a, uint8_t (&out)[kAnswerBytes]) {
    uint8_t* at = out;
    detail::Put(at, static_cast<uint32_t>(a.kind), 4);
    detail::Put(at, a.id, 4);
    detail::Put(at, a.result, 4);
    detail::Put(at, a.lastError, 4);
    detail::Put(at, a.value, 8);
    detail::Put(at, a.dataLength, 4);
}

inline Answer DecodeAnswer(const uint8_t (&in)[kAnswerBytes]) {
    const uint8_t* at = in;
    Answer a;
    a.kind = static_cast<AnswerKind>(detail::Get(at, 4));
    a.id = static_cast<uint32_t>(detail::Get(at, 4));
    a.result = static_cast<uint32_t>(detail::Get(at, 4));
    a.lastError = static_cast<uint32_t>(detail::Get(at, 4));
    a.value = detail::Get(at, 8);
    a.dataLength = static_cast<uint32_t>(detail::Get(at, 4));
    return a;
}

}  // namespace velatrace::host
