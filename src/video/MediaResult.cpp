#include "video/MediaResult.h"

namespace velatrace {

const char* ResultText(HResult hr) {
    switch (hr) {
        case kHrOk:
            return "Success";
        case kHrFalse:
            return "Nothing to do";
        case kHrNotImpl:
            return "Function not implemented";
        case kHrNoInterface:
            return "Not offered by this device or file";
        case kHrPointer:
            return "Missing object";
        case kHrUnexpected:
            return "Unexpected failure";
        case kHrSyntax:
            return "Device name cannot be read";
        case kHrFileNotFound:
            return "No such file or directory";
        case kHrAccessDenied:
            return "Permission denied";
        case kHrOutOfMemory:
            return "Cannot allocate memory";
        case kHrSharingViolation:
            return "File in use or cannot be created";
        case kHrInvalidArg:
            return "Invalid argument";
        case kHrDiskFull:
            return "No space left on device";
        case kHrDeviceNotConnected:
            return "No such device";
        case kHrNotConnected:
            return "Stream not connected";
        case kHrCannotRender:
            return "No stream that can be played";
        case kHrWrongState:
            return "Not possible in this state";
        case kHrUnsupportedStream:
            return "Unsupported media format";
        default:
            return "Operation failed";
    }
}

}  // namespace velatrace
