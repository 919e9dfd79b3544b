// The writing side of the wave CSV file, driven by capture start, the measurement cycle and
// capture stop.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/FixedText.h"
#include "base/TextCatalog.h"
#include "session/CaptureNaming.h"
#include "wave/CsvRecord.h"
#include "wave/WaveCsv.h"

namespace velatrace {

namespace {

namespace fs = std::filesystem;

constexpr size_t kLineSize = 256;  // a header line is built in this many bytes and cut to fit
constexpr size_t kBatchSize = 16384;
constexpr uint32_t kSyncIntervalMs = 3000;

bool IsRingRow(int32_t row) {
    return row >= 0 && row < kRingRows;
}

// Per channel of a batch: off (0), or the divisor that turns counts into display units. A scale
// that cannot divide (0, infinite, not a number) writes the raw counts instead of failing.
// An instrument's channel is written with its significant digits.
struct RowLayout {
    double divisor[kChannels] = {};
    bool wide[kChannels] = {};

    explicit RowLayout(const LoggerSetup& setup) {
        for (int c = 0; c < kChannels; ++c) {
            const ChannelInfo& channel = setup.channel[c];
            divisor[c] = channel.type == kTypeOff ? 0.0 : UsableScale(channel.scale);
            wide[c] = channel.type == kTypeInstrument;
        }
    }
};

// Appends a line of at most 255 characters and its CR LF.
size_t PutLine(char* out, const char* line) {
    const size_t length = std::strlen(line);
    std::memcpy(out, line, length);
    out[length] = '\r';
    out[length + 1] = '\n';
    return length + 2;
}

// The channel header: each channel's range text (an instrument's unit), "RH" in place of the
// first two characters for a humidity channel, nothing for a channel that is off.
void FormatChannelHeader(char (&line)[kLineSize], const LoggerSetup& setup) {
    size_t used = 0;
    for (int c = 0; c < kChannels; ++c) {
        const ChannelInfo& channel = setup.channel[c];
        constexpr size_t kRangeChars = sizeof channel.range - 1;
        char field[sizeof channel.range] = {};
        if (channel.type == kTypeHumidity) {
            const bool longer = channel.range[0] != '\0' && channel.range[1] != '\0';
            const size_t head = CopyText(field, "RH");
            CopyText(field + head, sizeof field - head, longer ? channel.range + 2 : "",
                     kRangeChars - 2);
        } else if (channel.type == kTypeInstrument) {
            // The unit and the range the curves were drawn in: "V[10]".
            char span[kCsvWideValueChars + 1] = {};
            FormatInstrumentCsvValue(span, channel.span > 0 ? channel.span : 1.0);
            used += FormatText(line + used, sizeof line - used, c > 0 ? ",%s[%s]" : "%s[%s]",
                               channel.range, span);
            continue;
        } else if (channel.type != kTypeOff) {
            CopyText(field, channel.range, kRangeChars);
        }
        used += FormatText(line + used, sizeof line - used, c > 0 ? ",%s" : "%s", field);
    }
}

}  // namespace

size_t WaveCsv::FormatHeader(char* out, size_t outSize) const {
    if (outSize < 3 * (kLineSize + 1)) {
        return 0;
    }
    char line[kLineSize];
    const LocalTime now = clock_.Now();
    FormatText(line, sizeof line, "%04d/%02d/%02d %02d:%02d:%02d", now.year, now.month, now.day,
               now.hour, now.minute, now.second);
    size_t used = PutLine(out, line);
    // Whole seconds as "2S", as files have always had them; any other interval in milliseconds
    // ("1500MS"), so that it reads back exactly.
    if (setup_.intervalMs >= 1000 && setup_.intervalMs % 1000 == 0) {
        FormatText(line, sizeof line, "%dS", setup_.intervalMs / 1000);
    } else {
        FormatText(line, sizeof line, "%dMS", setup_.intervalMs);
    }
    used += PutLine(out + used, line);
    FormatChannelHeader(line, setup_);
    used += PutLine(out + used, line);
    return used;
}

WaveCsv::~WaveCsv() {
    if (locks_ != nullptr && lock_ != RecordingLocks::kNoHandle) {
        locks_->Unlock(lock_);
    }
}

bool WaveCsv::BeginCsv(const char* folder, const char* base, int32_t autoNumber, int32_t number,
                       int32_t earlierRows) {
    if (FormatCaptureName(csvName_, sizeof csvName_, folder, base, autoNumber, number, "csv") ==
        0) {
        CopyText(lastError_, Text(TextId::CsvNameTooLong));
        return false;
    }
    if (locks_ != nullptr) {
        // A file that cannot be opened here is left to the first append, which tells why.
        if (locks_->Lock(csvName_, lock_) == RecordingLocks::kLockedElsewhere) {
            CopyText(lastError_, Text(TextId::CsvHeldElsewhere));
            csvName_[0] = '\0';
            return false;
        }
    }
    // An earlier file of the name is emptied, not removed, so the lock stays on the file this
    // capture writes.
    std::error_code ec;
    if (fs::exists(fs::path(csvName_), ec)) {
        fs::resize_file(fs::path(csvName_), 0, ec);
    }
    headerPending_ = true;
    committedBytes_ = 0;
    tailToDrop_ = false;
    rowsWritten_ = 0;
    writing_ = true;
    // Never more than the ring holds less one row, so the start is not the row written next.
    const int32_t earlier =
        earlierRows < 0 ? 0 : (earlierRows >= kRingRows ? kRingRows - 1 : earlierRows);
    csvIndex_ = (wave_.WriteIndex() - earlier + kRingRows) % kRingRows;
    return true;
}

int32_t WaveCsv::PendingRecords() const {
    if (!Writing() || !IsRingRow(csvIndex_) || !IsRingRow(wave_.WriteIndex())) {
        return 0;
    }
    const int32_t n = wave_.WriteIndex() - csvIndex_;
    return n < 0 ? n + kRingRows : n;
}

void WaveCsv::NoteFailure(int code) {
    CopyText(lastError_, std::strerror(code != 0 ? code : EIO));
}

bool WaveCsv::AppendCsv() {
    if (csvName_[0] == '\0' || !IsRingRow(wave_.WriteIndex())) {
        return false;
    }
    if (!IsRingRow(csvIndex_)) {
        csvIndex_ = wave_.WriteIndex();
    }
    std::error_code ec;
    const fs::path name(csvName_);
    const bool vanished = !fs::exists(name, ec);
    const bool create = headerPending_ || vanished;
    if (vanished && locks_ != nullptr) {
        // The file made anew gets the lock again; the old one went with the file it held.
        locks_->Unlock(lock_);
        if (locks_->Lock(csvName_, lock_) == RecordingLocks::kLockedElsewhere) {
            CopyText(lastError_, Text(TextId::CsvHeldElsewhere));
            return false;
        }
    }
    if (!create) {
        if (tailToDrop_) {
            fs::resize_file(name, committedBytes_, ec);
            if (ec) {
                NoteFailure(ec.value());
                return false;
            }
            tailToDrop_ = false;
        }
        committedBytes_ = fs::file_size(name, ec);
        if (ec) {
            NoteFailure(ec.value());
            return false;
        }
    }
    errno = 0;
    std::FILE* file = std::fopen(csvName_, create ? "wb" : "ab");
    if (file == nullptr) {
        NoteFailure(errno);
        return false;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);  // batches are collected here, one write each

    char batch[kBatchSize];
    size_t used = create ? FormatHeader(batch, sizeof batch) : 0;
    uintmax_t written = 0;
    bool ok = true;
    int failure = 0;
    const auto flush = [&] {
        errno = 0;
        const bool wrote = ok && std::fwrite(batch, 1, used, file) == used;
        if (ok && !wrote) {
            failure = errno;
        }
        ok = wrote;
        written += used;
        used = 0;
    };
    const RowLayout layout(setup_);
    const CsvRecordFormat records(layout.divisor, layout.wide);
    for (int32_t row = csvIndex_; row != wave_.WriteIndex();
         row = row + 1 == kRingRows ? 0 : row + 1) {
        if (sizeof batch - used < kCsvRecordRoom) {
            flush();
        }
        used += records.Format(batch + used, wave_.Row(row));
    }
    flush();
    errno = 0;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    // Each batch is in the system's hands once closed: a killed program loses none of it. The
    // disk gets it when the file is new and then every few seconds.
    const uint32_t tick = clock_.TickCount();
    if (ok && sync_ && (create || tick - lastSyncTick_ >= kSyncIntervalMs)) {
        failure = sync_->SyncFile(csvName_);
        ok = failure == 0;
        if (ok) {
            lastSyncTick_ = tick;  // after a failure the retry syncs again
        }
    }

    if (!ok) {
        NoteFailure(failure);
        // Take back whatever part of the batch reached the file, so the retry writes each record
        // exactly once. A new file is simply made again by the next call.
        if (create) {
            headerPending_ = true;
            fs::resize_file(name, 0, ec);  // emptied, not removed: its lock stays with it
        } else {
            fs::resize_file(name, committedBytes_, ec);
            tailToDrop_ = static_cast<bool>(ec);
        }
        return false;
    }
    committedBytes_ = create ? written : committedBytes_ + written;
    headerPending_ = false;
    rowsWritten_ += PendingRecords();
    csvIndex_ = wave_.WriteIndex();
    return true;
}

void WaveCsv::EndCsv() {
    // The lock made the file at capture start; one that never got its header is not a recording.
    std::error_code ec;
    if (headerPending_ && csvName_[0] != '\0' && fs::file_size(fs::path(csvName_), ec) == 0 &&
        !ec) {
        fs::remove(fs::path(csvName_), ec);
    }
    if (locks_ != nullptr) {
        locks_->Unlock(lock_);
    }
    lock_ = RecordingLocks::kNoHandle;
    writing_ = false;
    csvName_[0] = '\0';
    headerPending_ = false;
    tailToDrop_ = false;
}

}  // namespace velatrace
