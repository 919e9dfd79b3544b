#pragma once
// Waits on the test thread for news from engine threads: the engine's wake callback counts wakes,
// and a wait re-checks its condition after each one, giving up after a bounded time. The bound
// is a guard against a hang, not a speed requirement.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "video/MediaEngine.h"

namespace velatrace::testing {

class WakeWaiter {
  public:
    WakeCallback Callback() {
        return [this] {
            std::lock_guard<std::mutex> lock(mutex_);
            ++wakes_;
            cv_.notify_all();
        };
    }

    template <class Condition>
    bool WaitUntil(Condition condition,
                   std::chrono::steady_clock::duration limit = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::unique_lock<std::mutex> lock(mutex_);
        for (uint64_t seen = wakes_;; seen = wakes_) {
            lock.unlock();
            if (condition())
                return true;
            lock.lock();
            if (!cv_.wait_until(lock, deadline, [&] { return wakes_ != seen; }))
                return lock.unlock(), condition();
        }
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    uint64_t wakes_ = 0;
};

}  // namespace velatrace::testing
