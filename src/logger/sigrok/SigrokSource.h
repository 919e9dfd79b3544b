#pragma once
// An instrument through libsigrok. Its session runs on a thread of its own from Open to Close,
// keeping the newest reading of each chosen channel; from Start to Stop a ticking thread puts one
// record of those readings per interval into the hand-off the GUI thread takes from.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "logger/InstrumentSource.h"
#include "logger/RecordHandoff.h"

struct sr_session;
struct sr_dev_inst;
struct sr_datafeed_packet;

namespace velatrace::sigrok {

class SigrokSource final : public InstrumentSource {
  public:
    SigrokSource() = default;
    ~SigrokSource() override;
    SigrokSource(const SigrokSource&) = delete;
    SigrokSource& operator=(const SigrokSource&) = delete;

    bool Open(const InstrumentChoice& choice) override;
    void Channels(InstrumentChannel (&out)[kChannels]) const override;
    bool Start(int32_t intervalMs) override;
    int32_t Take(double (*records)[kChannels], int32_t max) override;
    int64_t Dropped() const override { return handoff_.Dropped(); }
    void Stop() override;
    void Close() override;
    const char* Error() const override;

    // Ends libsigrok's session as a device that goes away ends it (for tests of a lost device).
    void EndSession();

  private:
    static void OnPacket(const sr_dev_inst* sdi, const sr_datafeed_packet* packet, void* self);
    static void OnStopped(void* self);
    void RunSession();
    void Tick(int32_t intervalMs);
    void Fail(const char* text);

    mutable std::mutex mutex_;  // guards everything below up to the threads
    std::condition_variable changed_;
    InstrumentChannel channels_[kChannels];
    double newest_[kChannels] = {};
    bool seen_[kChannels] = {};
    bool sessionEnded_ = false;
    bool sessionStarted_ = false;
    bool closing_ = false;
    bool ticking_ = false;
    char error_[160] = {};
    mutable char errorShown_[160] = {};

    sr_session* session_ = nullptr;
    sr_dev_inst* device_ = nullptr;
    // libsigrok channel of each chosen channel, by position in the choice.
    void* channelOf_[kChannels] = {};
    RecordHandoff handoff_;
    std::thread sessionThread_;
    std::thread tickThread_;
    float scratch_[4096] = {};  // converted readings of one packet, on the session's thread
};

}  // namespace velatrace::sigrok
