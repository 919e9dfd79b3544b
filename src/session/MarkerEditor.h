#pragma once
// The markers of the recording being replayed as the marker list dialog edits them. Each change
// is saved to the marker file at once; one that cannot be saved is told and undone.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wave/MarkerFile.h"

namespace velatrace {

class MarkerEditor {
  public:
    virtual ~MarkerEditor() = default;
    // In time order.
    virtual const std::vector<Marker>& Markers() const = 0;
    // A user's marker with `text` at the cursor; its index, or -1 when it was not saved.
    virtual int32_t AddMarker(const char* text) = 0;
    virtual bool RenameMarker(size_t index, const char* text) = 0;
    virtual bool DeleteMarker(size_t index) = 0;
    // The clip and the cursor go to the marker.
    virtual void GoToMarker(size_t index) = 0;
};

}  // namespace velatrace
