#include "video/MediaError.h"

#include <cstddef>

namespace velatrace {

namespace {

struct KindEntry {
    uint32_t code;
    const char* text;
};

// Indexed by MediaError.
constexpr KindEntry kKinds[] = {
    {0x00000000u, "Success"},
    {0x00000001u, "Nothing to do"},
    {0x80004001u, "Function not implemented"},
    {0x80004002u, "Not offered by this device or file"},
    {0x80004003u, "Missing object"},
    {0x80004005u, "Operation failed"},
    {0x8000FFFFu, "Unexpected failure"},
    {0x800401E4u, "Device name cannot be read"},
    {0x80070002u, "No such file or directory"},
    {0x80070005u, "Permission denied"},
    {0x8007000Eu, "Cannot allocate memory"},
    {0x80070020u, "File in use or cannot be created"},
    {0x80070057u, "Invalid argument"},
    {0x80070070u, "No space left on device"},
    {0x8007048Fu, "No such device"},
    {0x80040209u, "Stream not connected"},
    {0x80040218u, "No stream that can be played"},
    {0x80040227u, "Not possible in this state"},
    {0x80040265u, "Unsupported media format"},
};
static_assert(sizeof kKinds / sizeof kKinds[0] == static_cast<size_t>(MediaError::Unsupported) + 1);

const KindEntry& Entry(MediaError error) {
    const auto index = static_cast<size_t>(error);
    return index < sizeof kKinds / sizeof kKinds[0]
               ? kKinds[index]
               : kKinds[static_cast<size_t>(MediaError::Failed)];
}

}  // namespace

const char* ErrorText(MediaError error) {
    return Entry(error).text;
}

uint32_t TraceCode(MediaError error) {
    return Entry(error).code;
}

}  // namespace velatrace
