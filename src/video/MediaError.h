#pragma once
// What a media call came to, as a kind this program names. `None` is success and `Nothing` a
// success with nothing to give (an empty list, the end of a stream, nothing chosen); every other
// kind is a failure. The failure text for the user is the system's own wording of the kind.
#include <cstdint>

namespace velatrace {

enum class MediaError : int32_t {
    None = 0,
    Nothing,         // succeeded, with nothing to give
    NotImplemented,  // the engine does not do this
    NotOffered,      // the device or file offers no such stream or setting
    MissingObject,   // an object the call needs is missing
    Failed,          // failed for no reason more precise
    Unexpected,      // failed where it should not have
    BadName,         // a device name that cannot be read
    NotFound,        // no such file or device
    AccessDenied,    // no permission
    OutOfMemory,     // memory (or a buffer given) too small
    FileInUse,       // the file is in use elsewhere or cannot be created
    InvalidArgument,
    DiskFull,
    DeviceGone,    // the camera was unplugged
    NotConnected,  // nothing to write into or read from (no file named, no video)
    CannotPlay,    // the file has no stream that can be played
    NotReady,      // not possible in this state (e.g. no frame shown yet)
    Unsupported,   // a media format the engine cannot read
};

constexpr bool Failed(MediaError error) {
    return error != MediaError::None && error != MediaError::Nothing;
}
constexpr bool Succeeded(MediaError error) {
    return !Failed(error);
}

// What a kind means, in the system's own words where it stands for a system error.
const char* ErrorText(MediaError error);

// The code the failure trace has always shown for a kind (its "hr=0x%x"), so the diagnostic the
// user copies into a report reads as it always did.
uint32_t TraceCode(MediaError error);

}  // namespace velatrace
