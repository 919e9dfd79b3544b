#pragma once
// Whole reads and writes on a pipe handle: false when the pipe broke or the other end closed it.
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace velatrace::host {

inline bool ReadExact(HANDLE pipe, void* buffer, size_t length) {
    auto* at = static_cast<uint8_t*>(buffer);
    while (length > 0) {
        DWORD got = 0;
        const DWORD ask = length > 65536 ? 65536 : static_cast<DWORD>(length);
        if (!ReadFile(pipe, at, ask, &got, nullptr) || got == 0) {
            return false;
        }
        at += got;
        length -= got;
    }
    return true;
}

inline bool WriteExact(HANDLE pipe, const void* buffer, size_t length) {
    const auto* at = static_cast<const uint8_t*>(buffer);
    while (length > 0) {
        DWORD put = 0;
        const DWORD ask = length > 65536 ? 65536 : static_cast<DWORD>(length);
        if (!WriteFile(pipe, at, ask, &put, nullptr) || put == 0) {
            return false;
        }
        at += put;
        length -= put;
    }
    return true;
}

}  // namespace velatrace::host
