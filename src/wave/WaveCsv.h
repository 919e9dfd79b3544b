#pragma once
// The wave CSV file: a capture's logger values written beside its video, and a recorded file
// loaded back into a Recording for replay.
//
// File layout (single-byte text, every line ends with CR LF):
//   line 1  local date and time of creation, "2024/05/01 13:45:09"
//   line 2  record interval, "2S" (whole seconds) or "100MS", "1500MS" (any other)
//   line 3  channel header, 10 fields: the range text of each channel that is on, empty for off,
//           a humidity range starting with "RH"; an instrument's channel gives its unit and the
//           range its curve was drawn in, "V[10]"
//   line 4+ one record per line, oldest first: count / scale as "%4.3f" cut to 6 characters
//           (an instrument's value with six significant digits, "%.6g"), empty for channels
//           that are off; always 10 fields
#include <cstddef>
#include <cstdint>

#include "base/Clock.h"
#include "base/FileSync.h"
#include "base/RecordingLocks.h"
#include "logger/LoggerSetup.h"
#include "session/CaptureSettings.h"
#include "wave/Recording.h"
#include "wave/WaveBuffer.h"

namespace velatrace {

// The longest record interval a file may give: the logger's longest, five digits of seconds.
inline constexpr int32_t kMaxCsvIntervalMs = 99999 * 1000;
// The longest recording a file may hold in time: its seconds are shown as 32-bit numbers.
inline constexpr int64_t kMaxCsvSeconds = INT32_MAX;

// Why a wave file was not loaded although it could be opened.
enum class CsvRefusal {
    None,
    Interval,       // line 2 is no interval ("100MS", "2S") or one above kMaxCsvIntervalMs
    ChannelHeader,  // line 3 has more than 10 fields, is too long, or a voltage range no scale
    Length,         // the records span more than kMaxCsvSeconds
};

// What loading a wave file found.
struct CsvLoad {
    int32_t records = 0;      // records loaded into the recording
    int64_t unreadLines = 0;  // lines left out: longer than kCsvLineChars, or no record
    CsvRefusal refusal = CsvRefusal::None;  // when set, nothing was loaded
};

// The path of the wave file of a recording chosen to be opened: the path itself for a wave file,
// else the media path with the extension of its file name replaced by ".csv" (".csv" appended
// when the file name has no dot). Cut to 259 characters. Returns the length.
size_t WaveCsvPathFor(char* out, size_t outSize, const char* chosenPath, bool waveFileChosen);

// Loads a whole wave file into `into`: its interval and channel setup (channels the header does
// not name, and an interval line that is missing, keep what `base` has) and its records. A line
// that is too long or no record is left out whole and counted; the records after it keep their
// order. A file that cannot be opened or is refused leaves `into` closed with no records; `base`
// is never changed. When into.records.Full(), the file may have held more records than the store
// takes; they are dropped.
CsvLoad LoadWaveCsv(const char* path, const LoggerSetup& base, Recording& into);

class WaveCsv {
  public:
    // Writes the records of the live ring `wave`, in the units of the live logger's `setup`.
    // All three must outlive this object. The clock dates new files.
    WaveCsv(const WaveBuffer& wave, const LoggerSetup& setup, Clock& clock)
        : wave_(wave), setup_(setup), clock_(clock) {}
    ~WaveCsv();
    WaveCsv(const WaveCsv&) = delete;
    WaveCsv& operator=(const WaveCsv&) = delete;

    // Writer. Capture start: fixes the capture's CSV name until EndCsv, "<folder><base>.csv" or,
    // with automatic numbering, "<folder><base>_NN.csv" with the number of the capture's AVI;
    // takes the file's recording lock, held until EndCsv; empties an earlier file of that name;
    // starts writing at the ring's write index less `earlierRows` (rows already received that
    // belong to the capture, such as a pre-trigger's), so only those and records arriving from
    // now on are written. Returns false, touching no file, when the name does not fit a path or
    // another recording holds the file (LastErrorText says which).
    bool BeginCsv(const char* folder, const char* base, int32_t autoNumber, int32_t number,
                  int32_t earlierRows = 0);
    // Writes every record from the next row to write up to the ring's write index, first creating
    // the file with its three header lines when this capture has not yet written it (or it has
    // vanished). Returns false when nothing could be written (no capture begun, file cannot be
    // opened, disk full): the file is then left as before the call and the next row to write does
    // not move, so the next call writes the same records once more, in order, exactly once.
    bool AppendCsv();
    // The file's rows are forced to the disk through `sync` when the file is made and then every
    // few seconds (by the clock's tick count), so a power cut costs at most those seconds. A sync
    // that fails fails its AppendCsv like a failed write. Null (the default): no syncing.
    void SetFileSync(FileSync* sync) { sync_ = sync; }
    // Recording locks taken on each capture's CSV; they must outlive this object. Null (the
    // default): none.
    void SetRecordingLocks(RecordingLocks* locks) { locks_ = locks; }
    // Capture stop: ends the writing, gives the file's lock back and releases the capture's CSV
    // name (a file never written, still empty, is removed). Whether the logger goes
    // on being polled is the caller's decision.
    void EndCsv();
    // True from BeginCsv to EndCsv.
    bool Writing() const { return writing_; }
    // Records received but not yet in the file (a batch that could not be written waits here).
    int32_t PendingRecords() const;
    // The system's reason for the last AppendCsv that failed ("No space left on device").
    const char* LastErrorText() const { return lastError_; }
    // Records of this capture so far, in the file or waiting to be written: the newest one is
    // data row RecordsTaken() - 1 of the file.
    int64_t RecordsTaken() const { return writing_ ? rowsWritten_ + PendingRecords() : 0; }
    // The capture's CSV name while a capture is writing, else empty.
    const char* CsvName() const { return csvName_; }

  private:
    size_t FormatHeader(char* out, size_t outSize) const;
    void NoteFailure(int code);

    const WaveBuffer& wave_;
    const LoggerSetup& setup_;
    Clock& clock_;
    FileSync* sync_ = nullptr;
    RecordingLocks* locks_ = nullptr;
    int lock_ = RecordingLocks::kNoHandle;
    uint32_t lastSyncTick_ = 0;
    bool writing_ = false;
    int32_t csvIndex_ = 0;     // the next ring row to write
    int64_t rowsWritten_ = 0;  // data rows of this capture in the file
    char csvName_[kMaxPath] = {};
    bool headerPending_ = false;    // this capture has not yet written its header lines
    uintmax_t committedBytes_ = 0;  // file length after the last fully written batch
    bool tailToDrop_ = false;       // a failed batch left bytes past committedBytes_
    char lastError_[96] = {};
};

}  // namespace velatrace
