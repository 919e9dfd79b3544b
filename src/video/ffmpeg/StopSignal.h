#pragma once
// A flag that ends an engine thread's waits at once when raised: threads sleep on it instead of
// sleeping blindly, so stopping a graph never waits out a frame period or a retry pause.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velatrace {

class StopSignal {
  public:
    using Clock = std::chrono::steady_clock;

    void Raise() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            raised_ = true;
        }
        cv_.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        raised_ = false;
    }
    bool Raised() {
        std::lock_guard<std::mutex> lock(mutex_);
        return raised_;
    }
    // Sleeps until `deadline`; returns false at once when the signal is (or gets) raised.
    bool WaitUntil(Clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        return !cv_.wait_until(lock, deadline, [this] { return raised_; });
    }
    bool WaitFor(Clock::duration d) { return WaitUntil(Clock::now() + d); }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool raised_ = false;
};

}  // namespace velatrace
