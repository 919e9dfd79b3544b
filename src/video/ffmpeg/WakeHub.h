#pragma once
// The engine's one wake-up line to the GUI thread, shared by the engine and every graph it made.
// Engine threads call Wake after putting news; replacing the function waits for a call in
// progress, so after SetWakeCallback returns the old function is never called again.
#include <memory>
#include <mutex>
#include <utility>

#include "video/MediaEngine.h"

namespace velatrace {

class WakeHub {
  public:
    void Set(WakeCallback wake) {
        std::lock_guard<std::mutex> lock(mutex_);
        wake_ = std::move(wake);
    }
    void Wake() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (wake_)
            wake_();
    }

  private:
    std::mutex mutex_;
    WakeCallback wake_;
};

using WakeHubPtr = std::shared_ptr<WakeHub>;

}  // namespace velatrace
