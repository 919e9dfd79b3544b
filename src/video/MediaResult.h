#pragma once
// Result codes of the video path. They keep the values of COM results so the failure trace and the
// callers (the Preview command checks the sharing failure) read them as the program always has:
// 0 is success, positive values are successful statuses, negative values are failures.
#include <cstdint>

namespace velatrace {

using HResult = int32_t;

constexpr HResult MakeHResult(uint32_t bits) {
    return static_cast<HResult>(bits);
}
constexpr bool Failed(HResult hr) {
    return hr < 0;
}
constexpr bool Succeeded(HResult hr) {
    return hr >= 0;
}

inline constexpr HResult kHrOk = 0;
inline constexpr HResult kHrFalse = 1;  // success, but "nothing" (an empty device list)
inline constexpr HResult kHrNoPreview = MakeHResult(0x0004027Eu);  // capture only, no preview pin
inline constexpr HResult kHrStateIntermediate = MakeHResult(0x00040237u);  // state change pending

inline constexpr HResult kHrNotImpl = MakeHResult(0x80004001u);
inline constexpr HResult kHrNoInterface = MakeHResult(0x80004002u);
inline constexpr HResult kHrPointer = MakeHResult(0x80004003u);
inline constexpr HResult kHrFail = MakeHResult(0x80004005u);
inline constexpr HResult kHrUnexpected = MakeHResult(0x8000FFFFu);
inline constexpr HResult kHrSyntax = MakeHResult(0x800401E4u);  // a display name that cannot parse
inline constexpr HResult kHrFileNotFound = MakeHResult(0x80070002u);
inline constexpr HResult kHrAccessDenied = MakeHResult(0x80070005u);
inline constexpr HResult kHrOutOfMemory = MakeHResult(0x8007000Eu);
inline constexpr HResult kHrSharingViolation = MakeHResult(0x80070020u);  // file in use elsewhere
inline constexpr HResult kHrInvalidArg = MakeHResult(0x80070057u);
inline constexpr HResult kHrDiskFull = MakeHResult(0x80070070u);
inline constexpr HResult kHrDeviceNotConnected = MakeHResult(0x8007048Fu);  // camera unplugged
inline constexpr HResult kHrNotConnected = MakeHResult(0x80040209u);        // stream not rendered
inline constexpr HResult kHrCannotRender = MakeHResult(0x80040218u);  // file has no usable stream
inline constexpr HResult kHrWrongState = MakeHResult(0x80040227u);    // e.g. no frame grabbed yet
inline constexpr HResult kHrUnsupportedStream = MakeHResult(0x80040265u);  // unknown media file

// What a result means, in the system's own words where it stands for a system error.
const char* ResultText(HResult hr);

}  // namespace velatrace
