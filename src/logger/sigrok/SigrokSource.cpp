#include "logger/sigrok/SigrokSource.h"

#include <libsigrok/libsigrok.h>

#include <chrono>
#include <cmath>
#include <cstring>

#include "base/FixedText.h"
#include "logger/sigrok/SigrokCatalog.h"
#include "logger/sigrok/SigrokContext.h"

namespace velatrace::sigrok {

namespace {
// How long opening waits for every chosen channel's first reading (its quantity and unit).
constexpr auto kFirstReadingWait = std::chrono::seconds(3);
// Devices that sample continuously are asked for this rate; those without one ignore it.
constexpr uint64_t kSampleRateHz = 1000;

// "V" of "V DC": the unit without the flags libsigrok appends.
void UnitText(const sr_datafeed_analog* analog, char (&unit)[8]) {
    char* text = nullptr;
    unit[0] = '\0';
    if (sr_analog_unit_to_string(analog, &text) == SR_OK && text != nullptr) {
        const char* p = text;
        while (*p == ' ') {
            ++p;
        }
        const char* space = std::strchr(p, ' ');
        CopyText(unit, p, space != nullptr ? static_cast<size_t>(space - p) : SIZE_MAX);
    }
    g_free(text);
}
}  // namespace

SigrokSource::~SigrokSource() {
    Close();
}

bool SigrokSource::Open(const InstrumentChoice& choice) {
    Close();
    sr_context* context = Context();
    sr_dev_driver* driver = FindDriver(choice.driver);
    if (context == nullptr || driver == nullptr) {
        Fail(context == nullptr ? "libsigrok cannot start" : "there is no such driver");
        return false;
    }
    GSList* devices = ScanDriver(driver, choice.conn);
    device_ = devices != nullptr ? static_cast<sr_dev_inst*>(devices->data) : nullptr;
    g_slist_free(devices);
    if (device_ == nullptr || sr_dev_open(device_) != SR_OK) {
        device_ = nullptr;
        Fail("the device was not found or cannot be opened");
        return false;
    }
    // Only the chosen analog channels deliver.
    for (GSList* l = sr_dev_inst_channels_get(device_); l != nullptr; l = l->next) {
        auto* ch = static_cast<sr_channel*>(l->data);
        bool chosen = false;
        for (int c = 0; c < kChannels; ++c) {
            if (ch->type == SR_CHANNEL_ANALOG && choice.channel[c][0] != '\0' &&
                std::strcmp(choice.channel[c], ch->name) == 0) {
                channelOf_[c] = ch;
                chosen = true;
            }
        }
        sr_dev_channel_enable(ch, chosen);
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (int c = 0; c < kChannels; ++c) {
            channels_[c] = InstrumentChannel{};
            CopyText(channels_[c].name, choice.channel[c]);
            seen_[c] = false;
            newest_[c] = 0;
        }
        error_[0] = '\0';
        sessionEnded_ = false;
        sessionStarted_ = false;
        closing_ = false;
    }
    sr_config_set(device_, nullptr, SR_CONF_SAMPLERATE, g_variant_new_uint64(kSampleRateHz));
    if (sr_session_new(context, &session_) != SR_OK ||
        sr_session_dev_add(session_, device_) != SR_OK) {
        Fail("the device cannot join a session");
        Close();
        return false;
    }
    sr_session_datafeed_callback_add(session_, &SigrokSource::OnPacket, this);
    sr_session_stopped_callback_set(session_, &SigrokSource::OnStopped, this);
    sessionThread_ = std::thread([this] { RunSession(); });

    // The first readings tell each channel's quantity and unit.
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, kFirstReadingWait, [this] {
        if (sessionEnded_) {
            return true;
        }
        for (int c = 0; c < kChannels; ++c) {
            if (channelOf_[c] != nullptr && !seen_[c]) {
                return false;
            }
        }
        return true;
    });
    if (sessionEnded_) {
        lock.unlock();
        if (error_[0] == '\0') {
            Fail("the device stopped at once");
        }
        Close();
        return false;
    }
    return true;
}

void SigrokSource::RunSession() {
    // The session's sources belong to a main context of this thread, never the GUI's.
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    const bool started = sr_session_start(session_) == SR_OK;
    if (started) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            sessionStarted_ = true;
        }
        sr_session_run(session_);
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        sessionEnded_ = true;
        if (!closing_ && error_[0] == '\0') {
            CopyText(error_, started ? "the device stopped sending readings"
                                     : "the device cannot start sampling");
        }
    }
    changed_.notify_all();
}

void SigrokSource::OnStopped(void* self) {
    static_cast<SigrokSource*>(self)->changed_.notify_all();
}

void SigrokSource::OnPacket(const sr_dev_inst*, const sr_datafeed_packet* packet, void* self) {
    auto* source = static_cast<SigrokSource*>(self);
    if (packet->type != SR_DF_ANALOG) {
        return;
    }
    const auto* analog = static_cast<const sr_datafeed_analog*>(packet->payload);
    const int32_t width = static_cast<int32_t>(g_slist_length(analog->meaning->channels));
    const int32_t samples = static_cast<int32_t>(analog->num_samples);
    if (width <= 0 || samples <= 0) {
        return;
    }
    // Only the newest sample of each channel counts; a packet too long for the scratch room
    // is converted whole into a buffer of its own (rare: long packets of fast devices).
    float* values = source->scratch_;
    const size_t needed = static_cast<size_t>(width) * samples;
    std::unique_ptr<float[]> large;
    if (needed > sizeof source->scratch_ / sizeof source->scratch_[0]) {
        large.reset(new (std::nothrow) float[needed]);
        values = large.get();
    }
    if (values == nullptr || sr_analog_to_float(analog, values) != SR_OK) {
        return;
    }
    char unit[8];
    UnitText(analog, unit);
    const sr_key_info* mq = sr_key_info_get(SR_KEY_MQ, analog->meaning->mq);
    {
        const std::lock_guard<std::mutex> lock(source->mutex_);
        int32_t k = 0;
        for (GSList* l = analog->meaning->channels; l != nullptr; l = l->next, ++k) {
            for (int c = 0; c < kChannels; ++c) {
                if (source->channelOf_[c] != l->data) {
                    continue;
                }
                source->newest_[c] = values[(samples - 1) * width + k];
                InstrumentChannel& ch = source->channels_[c];
                if (!source->seen_[c]) {
                    source->seen_[c] = true;
                    CopyText(ch.unit, unit);
                    CopyText(ch.quantity, mq != nullptr && mq->name != nullptr ? mq->name : "");
                }
                // Until sampling starts, the readings' reach chooses a range where none is kept.
                for (int32_t s = 0; s < samples && !source->ticking_; ++s) {
                    const double v = std::fabs(values[s * width + k]);
                    ch.reading = v > ch.reading && std::isfinite(v) ? v : ch.reading;
                }
            }
        }
    }
    source->changed_.notify_all();
}

void SigrokSource::Channels(InstrumentChannel (&out)[kChannels]) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (int c = 0; c < kChannels; ++c) {
        out[c] = channels_[c];
    }
}

bool SigrokSource::Start(int32_t intervalMs) {
    Stop();
    if (session_ == nullptr) {
        return false;
    }
    handoff_.Clear();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ticking_ = true;
    }
    const int32_t interval = ClampInstrumentInterval(intervalMs);
    tickThread_ = std::thread([this, interval] { Tick(interval); });
    return true;
}

void SigrokSource::Tick(int32_t intervalMs) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(intervalMs);
    auto next = Clock::now() + period;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait_until(lock, next, [this] { return !ticking_ || sessionEnded_; });
        if (!ticking_ || sessionEnded_) {
            return;
        }
        if (Clock::now() < next) {
            continue;  // woken by a reading, not yet the tick
        }
        double record[kChannels];
        std::memcpy(record, newest_, sizeof record);
        handoff_.Put(record);
        next += period;
        // After a long stall (a suspended machine) ticking goes on from now, not in a burst.
        const auto now = Clock::now();
        if (next + period < now) {
            next = now + period;
        }
    }
}

int32_t SigrokSource::Take(double (*records)[kChannels], int32_t max) {
    return handoff_.Take(records, max);
}

void SigrokSource::Stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ticking_ = false;
    }
    changed_.notify_all();
    if (tickThread_.joinable()) {
        tickThread_.join();
    }
}

void SigrokSource::EndSession() {
    if (session_ != nullptr) {
        sr_session_stop(session_);
    }
}

void SigrokSource::Close() {
    Stop();
    if (session_ != nullptr) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
        }
        // The session may be starting: the stop takes effect once it runs.
        for (;;) {
            sr_session_stop(session_);
            std::unique_lock<std::mutex> lock(mutex_);
            if (changed_.wait_for(lock, std::chrono::milliseconds(50),
                                  [this] { return sessionEnded_; })) {
                break;
            }
        }
        if (sessionThread_.joinable()) {
            sessionThread_.join();
        }
        sr_session_destroy(session_);
        session_ = nullptr;
    }
    if (device_ != nullptr) {
        sr_dev_close(device_);
        device_ = nullptr;
    }
    for (void*& ch : channelOf_) {
        ch = nullptr;
    }
}

void SigrokSource::Fail(const char* text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    CopyText(error_, text);
}

const char* SigrokSource::Error() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    CopyText(errorShown_, error_);
    return errorShown_;
}

}  // namespace velatrace::sigrok
