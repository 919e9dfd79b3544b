#pragma once
// The logger link's port settings. Only the command terminator and the answer time-out are in
// effect (and saved); the network and serial fields are carried as they are.
#include <cstdint>

namespace velatrace {

// Terminator indices: 0 "CrLf", 1 "Cr", 2 "Lf", 3 "None".
inline constexpr int32_t kTerminatorCrLf = 0;
inline constexpr int32_t kTerminatorCr = 1;
inline constexpr int32_t kTerminatorLf = 2;
inline constexpr int32_t kTerminatorNone = 3;

struct TransportSettings {
    int32_t reserved = 0;
    int32_t ipAddress = 0;  // IPv4 address as a 32-bit value; 0 = none
    int32_t portNumber = 0;
    int32_t baudRate = 0;
    int32_t dataBits = 0;
    int32_t stopBits = 0;
    int32_t parity = 0;
    int32_t flowControl = 0;
    int32_t terminator = kTerminatorCrLf;  // saved as "eos"
    int32_t timeout = 0;  // answer time-out in ms, 0 = the link's default; "timeout"
};

}  // namespace velatrace
