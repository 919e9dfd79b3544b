#pragma once
// Writes one AVI file of Motion-JPEG video from JPEG frames. Time in the file is counted in frames:
// the stream's time base is one frame period and each frame carries its frame number, so a number
// left out (a dropped frame) leaves an empty frame in the file instead of shifting later frames.
//
// The file stays a valid, indexed AVI while it grows, so a crash or a power cut costs at most its
// last second. Each run of frames is listed by an OpenDML standard index chunk ('ix00') whose room
// is set aside in the movie list ahead of the frames; at least twice a second the frames written
// since are entered there, and the super index, the frame counts and the RIFF and LIST sizes are
// brought up to date in place. Every few seconds the data is forced to the disk. The file grows
// in RIFF parts of at most 1 GiB ('AVI ', then 'AVIX'); the first part also gets the legacy index
// ('idx1') when the file is closed or the second part begins.
//
// Each frame goes to the disk as it is written, and room for the frame and for its index entries
// is allocated before it is written. So a full disk fails the frame before any of it is written,
// and Close still writes the index into the room kept: the file plays to its last good frame.
// Where the room cannot be kept (a file system that cannot allocate ahead) or another write error
// strikes, Close cuts the file after the last frame written completely and brings the index chunks
// and header up to that frame in place; only the legacy index is missing then.
#include <cstdint>
#include <string>
#include <vector>

#include "video/MediaError.h"
#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/ReservedFile.h"

namespace velatrace {

struct AviVideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    AVRational rate{0, 1};
    // The frames come as the camera's own JPEG data (else they are encoded from its pictures).
    bool jpegPackets = false;
};

// The largest RIFF part of a file: past it the file goes on in a new 'AVIX' part.
constexpr int64_t kAviPartBytes = int64_t{1} << 30;

class AviWriter {
  public:
    AviWriter() = default;
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates (or replaces) the file and writes its header. MediaError::FileInUse when the file
    // cannot be created or another recording holds it (that file is left untouched),
    // MediaError::DiskFull when there is no room for it (no file is left then); the writer then
    // stays closed.
    MediaError Open(const std::string& path, const AviVideoFormat& format);
    bool IsOpen() const { return file_.IsOpen(); }
    // RIFF parts of at most `bytes` from the next frame on (kAviPartBytes unless set; a part
    // always takes at least one frame).
    void LimitPartSize(int64_t bytes) { partLimit_ = bytes; }

    // Stores a JPEG frame (the camera's own or one encoded from its picture) as frame number
    // `index` (numbers must rise).
    MediaError WriteJpeg(const AVPacket* jpeg, int64_t index);

    // A failed write leaves the file as it was before the frame; nothing more can be written.

    // Writes the index and trailer and closes the file; the first failure while writing, if any.
    MediaError Close();

    int64_t FramesWritten() const { return written_; }
    // The file is no longer at its path (deleted, or its folder gone); see ReservedFile.
    bool FileGone() const { return file_.Gone(); }
    // After Close: where a file found gone was saved again, or that it is lost; else empty.
    const std::string& GoneNote() const { return file_.GoneNote(); }
    // The system's (or FFmpeg's) reason for the first failure since Open, in its own words
    // ("No space left on device"); empty when nothing failed.
    std::string ErrorText() const;

  private:
    struct LegacyEntry {
        uint32_t offset;  // from the movie list's 'movi'
        uint32_t size;
        uint32_t flags;
    };

    MediaError Mux(const AVPacket* packet, int64_t index);
    MediaError Fail(int averror);
    void WriteHeader(const AviVideoFormat& format);
    // Appends one '00dc' chunk (empty for a frame number left out) and notes it for the indexes.
    void PutFrameChunk(const uint8_t* data, int size);
    // Sets aside an index chunk for the frames that follow (none once the super index is full).
    void StartIndexChunk();
    // Ends the current part after its last frame and begins an 'AVIX' part.
    int StartPart();
    // Brings the current index chunk, the super index, the frame counts and the sizes of the
    // current part (its movie list ending at `moviEnd`, the part at `partEnd`) up to date.
    int UpdateInPlace(int64_t moviEnd, int64_t partEnd);
    // Ends the movie list after the last frame, adds the first part's legacy index and brings
    // the header up to date: 0, or the system's error.
    int EndPart();
    void WriteLegacyIndex();
    int Put32At(int64_t position, uint32_t value);

    ReservedFile file_;
    AVIOContext* io_ = nullptr;
    int64_t partLimit_ = kAviPartBytes;
    int64_t lastIndex_ = -1;
    int64_t written_ = 0;
    int64_t chunks_ = 0;    // frame chunks in the file, empty ones included
    int64_t goodEnd_ = 0;   // the file's length after the last frame written completely
    bool damaged_ = false;  // a write failed part way: what follows goodEnd_ is not to be trusted
    MediaError writeError_ = MediaError::None;
    int error_ = 0;  // FFmpeg error code of the first failure

    // Where the fields that grow with the file sit.
    int64_t totalFramesAt_ = 0;  // 'avih' dwTotalFrames (frames of the first part)
    int64_t lengthAt_ = 0;       // 'strh' dwLength
    int64_t odmlFramesAt_ = 0;   // 'dmlh' dwTotalFrames
    int64_t superIndexAt_ = 0;   // the 'indx' chunk
    int64_t partAt_ = 0;         // the current part's 'RIFF'
    int64_t moviAt_ = 0;         // the current part's 'LIST' 'movi'
    int64_t legacyAt_ = -1;      // the first part's 'idx1', once written
    int part_ = 0;
    int64_t partChunks_ = 0;
    int superUsed_ = 0;  // index chunks set aside, the current one included

    int64_t chunkAt_ = -1;             // the current index chunk, -1 when none
    std::vector<uint32_t> entries_;    // its entries (offset, size), two words each
    size_t entriesStored_ = 0;         // words of them already in the file
    std::vector<LegacyEntry> legacy_;  // the first part's frames, for 'idx1'
    int64_t lastUpdate_ = 0;           // microseconds, FFmpeg's monotonic clock
    int64_t lastSync_ = 0;
};

// The result code of a failed FFmpeg write.
MediaError WriteFailure(int averror);

}  // namespace velatrace
