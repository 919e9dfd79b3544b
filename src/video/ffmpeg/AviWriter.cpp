#include "video/ffmpeg/AviWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

extern "C" {
#include <libavutil/time.h>
}

namespace velatrace {
namespace {

// Room kept for the header when the file is created, and for the chunks that close the file.
constexpr int64_t kHeaderRoom = 64 * 1024;
constexpr int64_t kClosingRoom = 4 * 1024;
// The data rate the AVI header gives encoded captures (FFmpeg's default encoder rate, which the
// files always carried).
constexpr int64_t kEncodedBitRate = 200000;

// Entries of an index chunk and of the super index: 2048 x 2048 frames is over 19 hours at
// 30 frames a second.
constexpr size_t kChunkEntries = 2048;
constexpr int kSuperEntries = 2048;
constexpr int64_t kChunkHead = 8 + 24;  // an index chunk's tag, size and header
constexpr int64_t kChunkRoom = kChunkHead + 8 * kChunkEntries;
constexpr int64_t kLegacyEntryBytes = 16;
// How often the index and header on disk catch up, and the data is forced to the disk.
constexpr int64_t kUpdateMicros = 500000;
constexpr int64_t kSyncMicros = 3000000;

constexpr uint32_t kNotKeyFrame = 0x80000000u;         // in an index chunk's size
constexpr uint32_t kLegacyKeyFrame = 0x10;             // AVIIF_KEYFRAME
constexpr uint32_t kMainFlags = 0x10 | 0x100 | 0x800;  // has index, interleaved, trust chunk type
constexpr uint32_t kSuggestedBuffer = 1024 * 1024;

constexpr uint32_t Tag(const char (&s)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

void PutTag(AVIOContext* io, const char (&s)[5]) {
    avio_wl32(io, Tag(s));
}

void PutZeros(AVIOContext* io, int64_t count) {
    static const uint8_t kZeros[1024] = {};
    for (; count > 0; count -= static_cast<int64_t>(sizeof kZeros))
        avio_write(io, kZeros, static_cast<int>(std::min<int64_t>(count, sizeof kZeros)));
}

// Starts a chunk (or a list, with its type) of a size filled in later; returns where it starts.
int64_t BeginChunk(AVIOContext* io, const char (&tag)[5], const char* listType = nullptr) {
    const int64_t at = avio_tell(io);
    avio_wl32(io, Tag(tag));
    avio_wl32(io, 0);
    if (listType)
        avio_write(io, reinterpret_cast<const uint8_t*>(listType), 4);
    return at;
}

// Ends a chunk begun at `at`, padded to an even length, writing its size back.
void EndChunk(AVIOContext* io, int64_t at) {
    int64_t end = avio_tell(io);
    if (end & 1) {
        avio_w8(io, 0);
        ++end;
    }
    avio_seek(io, at + 4, SEEK_SET);
    avio_wl32(io, static_cast<uint32_t>(end - at - 8));
    avio_seek(io, end, SEEK_SET);
}

// Puts a 32-bit value into `out` in the file's little-endian order.
void StoreLe32(uint8_t* out, uint32_t value) {
    for (int b = 0; b < 4; ++b)
        out[b] = static_cast<uint8_t>(value >> (8 * b));
}

int64_t Now() {
    return av_gettime_relative();
}

}  // namespace

MediaError WriteFailure(int averror) {
    if (IsDiskFull(averror))
        return MediaError::DiskFull;
    if (averror == AVERROR(ENOMEM))
        return MediaError::OutOfMemory;
    if (averror == AVERROR(EACCES) || averror == AVERROR(EPERM) || averror == AVERROR(EROFS))
        return MediaError::AccessDenied;
    return MediaError::Failed;
}

AviWriter::~AviWriter() {
    Close();
}

MediaError AviWriter::Fail(int averror) {
    if (error_ == 0)
        error_ = averror;
    if (Succeeded(writeError_))
        writeError_ = WriteFailure(averror);
    return writeError_;
}

std::string AviWriter::ErrorText() const {
    if (error_ == 0)
        return {};
    if (error_ == kErrorLockedElsewhere)
        return "another recording is writing it";
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error_, text, sizeof text);
    return text;
}

MediaError AviWriter::Open(const std::string& path, const AviVideoFormat& format) {
    Close();
    if (format.width <= 0 || format.height <= 0 || format.width > 0xFFFF ||
        format.height > 0xFFFF || format.rate.num <= 0 || format.rate.den <= 0) {
        return MediaError::InvalidArgument;
    }
    writeError_ = MediaError::None;
    error_ = 0;
    damaged_ = false;
    lastIndex_ = -1;
    written_ = chunks_ = partChunks_ = 0;
    part_ = superUsed_ = 0;
    chunkAt_ = legacyAt_ = -1;
    entries_.clear();
    entries_.reserve(2 * kChunkEntries);
    entriesStored_ = 0;
    legacy_.clear();
    int r = file_.Create(path);
    if (r < 0) {
        Fail(r);
        return MediaError::FileInUse;
    }
    io_ = file_.Io();
    r = file_.Reserve(kHeaderRoom);
    if (r >= 0) {
        WriteHeader(format);
        avio_flush(io_);
        r = file_.WriteError();
    }
    if (r < 0) {
        // A file without even its header is of no use: it goes again.
        file_.Close();
        io_ = nullptr;
        std::remove(path.c_str());
        return Fail(r);
    }
    goodEnd_ = avio_tell(io_);
    lastUpdate_ = lastSync_ = Now();
    return MediaError::None;
}

void AviWriter::WriteHeader(const AviVideoFormat& format) {
    AVRational rate = format.rate;
    av_reduce(&rate.num, &rate.den, rate.num, rate.den, INT32_MAX);
    const auto width = static_cast<uint32_t>(format.width);
    const auto height = static_cast<uint32_t>(format.height);

    partAt_ = BeginChunk(io_, "RIFF", "AVI ");
    const int64_t headers = BeginChunk(io_, "LIST", "hdrl");
    const int64_t main = BeginChunk(io_, "avih");
    avio_wl32(io_, static_cast<uint32_t>(std::llround(1e6 * rate.den / rate.num)));
    avio_wl32(io_, format.jpegPackets ? 0 : kEncodedBitRate / 8);  // dwMaxBytesPerSec
    avio_wl32(io_, 0);                                             // dwPaddingGranularity
    avio_wl32(io_, kMainFlags);
    totalFramesAt_ = avio_tell(io_);
    avio_wl32(io_, 0);  // dwTotalFrames
    avio_wl32(io_, 0);  // dwInitialFrames
    avio_wl32(io_, 1);  // dwStreams
    avio_wl32(io_, kSuggestedBuffer);
    avio_wl32(io_, width);
    avio_wl32(io_, height);
    PutZeros(io_, 16);
    EndChunk(io_, main);

    const int64_t streamList = BeginChunk(io_, "LIST", "strl");
    const int64_t stream = BeginChunk(io_, "strh");
    PutTag(io_, "vids");
    PutTag(io_, "MJPG");
    avio_wl32(io_, 0);                                // dwFlags
    avio_wl32(io_, 0);                                // wPriority, wLanguage
    avio_wl32(io_, 0);                                // dwInitialFrames
    avio_wl32(io_, static_cast<uint32_t>(rate.den));  // dwScale: one frame period
    avio_wl32(io_, static_cast<uint32_t>(rate.num));  // dwRate
    avio_wl32(io_, 0);                                // dwStart
    lengthAt_ = avio_tell(io_);
    avio_wl32(io_, 0);  // dwLength
    avio_wl32(io_, kSuggestedBuffer);
    avio_wl32(io_, 0xFFFFFFFFu);  // dwQuality: the default
    avio_wl32(io_, 0);            // dwSampleSize: frames vary
    avio_wl16(io_, 0);
    avio_wl16(io_, 0);
    avio_wl16(io_, width);
    avio_wl16(io_, height);
    EndChunk(io_, stream);

    const int64_t picture = BeginChunk(io_, "strf");  // BITMAPINFOHEADER
    avio_wl32(io_, 40);
    avio_wl32(io_, width);
    avio_wl32(io_, height);
    avio_wl16(io_, 1);   // planes
    avio_wl16(io_, 24);  // bits per pixel
    PutTag(io_, "MJPG");
    avio_wl32(io_, width * height * 3);
    PutZeros(io_, 16);
    EndChunk(io_, picture);

    // The super index: one entry per index chunk, filled in as the file grows.
    superIndexAt_ = BeginChunk(io_, "indx");
    avio_wl16(io_, 4);  // wLongsPerEntry
    avio_w8(io_, 0);    // bIndexSubType
    avio_w8(io_, 0);    // bIndexType: an index of indexes
    avio_wl32(io_, 0);  // nEntriesInUse
    PutTag(io_, "00dc");
    PutZeros(io_, 12 + 16 * kSuperEntries);
    EndChunk(io_, superIndexAt_);
    EndChunk(io_, streamList);
    EndChunk(io_, headers);

    const int64_t odml = BeginChunk(io_, "LIST", "odml");
    const int64_t extended = BeginChunk(io_, "dmlh");
    odmlFramesAt_ = avio_tell(io_);
    PutZeros(io_, 248);
    EndChunk(io_, extended);
    EndChunk(io_, odml);

    moviAt_ = BeginChunk(io_, "LIST", "movi");
}

MediaError AviWriter::WriteJpeg(const AVPacket* jpeg, int64_t index) {
    if (!IsOpen())
        return MediaError::NotReady;
    if (Failed(writeError_))
        return writeError_;
    if (index <= lastIndex_ || !jpeg || jpeg->size < 0)
        return MediaError::InvalidArgument;
    return Mux(jpeg, index);
}

MediaError AviWriter::Mux(const AVPacket* packet, int64_t index) {
    // Room first: the empty frames of a gap, this frame's chunk, an index chunk and the legacy
    // index of every frame up to it, so the indexes always fit after the last frame written.
    const int64_t gap = std::max<int64_t>(index - lastIndex_ - 1, 0);
    const int64_t frameBytes = 8 * gap + 8 + packet->size + 1;
    const int64_t legacyBytes = part_ == 0 ? kLegacyEntryBytes * (chunks_ + gap + 1) : 0;
    int64_t at = avio_tell(io_);
    int r = 0;
    if (partChunks_ > 0 && at + frameBytes + legacyBytes - partAt_ > partLimit_) {
        r = StartPart();
        if (r < 0) {
            damaged_ = true;
            return Fail(r);
        }
        at = avio_tell(io_);
    }
    const int64_t need =
        at + frameBytes + kChunkRoom + (part_ == 0 ? legacyBytes : 0) + kClosingRoom;
    r = file_.Reserve(need);
    if (r < 0)
        return Fail(r);  // nothing of the frame was written
    const size_t entriesBefore = entries_.size();
    const size_t legacyBefore = legacy_.size();
    const int64_t chunksBefore = chunks_;
    for (int64_t i = 0; i < gap; ++i)
        PutFrameChunk(nullptr, 0);
    PutFrameChunk(packet->data, packet->size);
    avio_flush(io_);
    r = file_.WriteError();
    if (r < 0) {
        // What the indexes know stays as before the frame; an index chunk begun for it goes.
        if (chunkAt_ >= goodEnd_) {
            chunkAt_ = -1;
            --superUsed_;
            entries_.clear();
            entriesStored_ = 0;
        } else {
            entries_.resize(entriesBefore);
        }
        legacy_.resize(std::min(legacy_.size(), legacyBefore));
        partChunks_ -= chunks_ - chunksBefore;
        chunks_ = chunksBefore;
        damaged_ = true;
        return Fail(r);
    }
    lastIndex_ = index;
    ++written_;
    goodEnd_ = avio_tell(io_);
    const int64_t now = Now();
    if (now - lastUpdate_ >= kUpdateMicros) {
        lastUpdate_ = now;
        r = UpdateInPlace(goodEnd_, goodEnd_);
        if (r >= 0 && now - lastSync_ >= kSyncMicros) {
            lastSync_ = now;
            r = file_.Sync();
        }
        if (r < 0)
            return Fail(r);
    }
    return MediaError::None;
}

void AviWriter::PutFrameChunk(const uint8_t* data, int size) {
    if (chunkAt_ < 0 || entries_.size() >= 2 * kChunkEntries)
        StartIndexChunk();
    const int64_t at = avio_tell(io_);
    PutTag(io_, "00dc");
    avio_wl32(io_, static_cast<uint32_t>(size));
    if (size > 0)
        avio_write(io_, data, size);
    if (size & 1)
        avio_w8(io_, 0);
    // Only a frame with a picture is a key frame; an empty one merely holds its place in time.
    if (chunkAt_ >= 0) {
        entries_.push_back(static_cast<uint32_t>(at + 8 - chunkAt_));
        entries_.push_back(static_cast<uint32_t>(size) | (size > 0 ? 0 : kNotKeyFrame));
    }
    if (part_ == 0) {
        legacy_.push_back({static_cast<uint32_t>(at - moviAt_ - 8), static_cast<uint32_t>(size),
                           size > 0 ? kLegacyKeyFrame : 0});
    }
    ++chunks_;
    ++partChunks_;
}

void AviWriter::StartIndexChunk() {
    if (chunkAt_ >= 0) {
        // The chunk before is complete (its room may still sit in the buffer after a long gap).
        avio_flush(io_);
        UpdateInPlace(avio_tell(io_), avio_tell(io_));
    }
    if (superUsed_ == kSuperEntries) {
        chunkAt_ = -1;  // the frames that follow are found by reading through the file
        return;
    }
    // The chunk's header, then room for its entries kept as a 'JUNK' chunk until they come.
    chunkAt_ = avio_tell(io_);
    PutTag(io_, "ix00");
    avio_wl32(io_, 24);
    avio_wl16(io_, 2);  // wLongsPerEntry
    avio_w8(io_, 0);    // bIndexSubType
    avio_w8(io_, 1);    // bIndexType: an index of chunks
    avio_wl32(io_, 0);  // nEntriesInUse
    PutTag(io_, "00dc");
    avio_wl64(io_, static_cast<uint64_t>(chunkAt_));  // qwBaseOffset: the entries count from here
    avio_wl32(io_, 0);
    PutTag(io_, "JUNK");
    avio_wl32(io_, static_cast<uint32_t>(8 * kChunkEntries - 8));
    PutZeros(io_, 8 * kChunkEntries - 8);
    entries_.clear();
    entriesStored_ = 0;
    ++superUsed_;
}

int AviWriter::StartPart() {
    // The part ends after its last frame (and, for the first, its legacy index) before the next
    // begins, so a failure on the way leaves a file that ends with a complete part.
    int r = EndPart();
    if (r < 0)
        return r;
    goodEnd_ = avio_tell(io_);
    chunkAt_ = -1;  // an index chunk lists the frames of its own part
    const int64_t part = BeginChunk(io_, "RIFF", "AVIX");
    const int64_t movi = BeginChunk(io_, "LIST", "movi");
    avio_flush(io_);
    r = file_.WriteError();
    if (r < 0)
        return r;
    partAt_ = part;
    moviAt_ = movi;
    ++part_;
    partChunks_ = 0;
    goodEnd_ = avio_tell(io_);
    return 0;
}

int AviWriter::EndPart() {
    avio_flush(io_);
    const int64_t moviEnd = avio_tell(io_);
    if (part_ == 0) {
        legacyAt_ = moviEnd;
        WriteLegacyIndex();
    }
    avio_flush(io_);
    const int r = file_.WriteError();
    return r < 0 ? r : UpdateInPlace(moviEnd, avio_tell(io_));
}

void AviWriter::WriteLegacyIndex() {
    PutTag(io_, "idx1");
    avio_wl32(io_, static_cast<uint32_t>(kLegacyEntryBytes * legacy_.size()));
    for (const LegacyEntry& e : legacy_) {
        PutTag(io_, "00dc");
        avio_wl32(io_, e.flags);
        avio_wl32(io_, e.offset);
        avio_wl32(io_, e.size);
    }
}

int AviWriter::Put32At(int64_t position, uint32_t value) {
    uint8_t bytes[4];
    StoreLe32(bytes, value);
    return file_.WriteAt(position, bytes, sizeof bytes);
}

int AviWriter::UpdateInPlace(int64_t moviEnd, int64_t partEnd) {
    // Written straight to the file, past the buffered appends, into places already written. The
    // entries go first, then what makes readers look at them.
    int r = 0;
    const auto put = [&](int64_t at, uint32_t value) {
        if (r >= 0)
            r = Put32At(at, value);
    };
    if (chunkAt_ >= 0 && entriesStored_ < entries_.size()) {
        const size_t words = entries_.size() - entriesStored_;
        std::vector<uint8_t> bytes(4 * words);
        for (size_t i = 0; i < words; ++i)
            StoreLe32(&bytes[4 * i], entries_[entriesStored_ + i]);
        r = file_.WriteAt(chunkAt_ + kChunkHead + 4 * static_cast<int64_t>(entriesStored_),
                          bytes.data(), static_cast<int>(bytes.size()));
        const auto used = static_cast<uint32_t>(entries_.size() / 2);
        const int64_t junkAt = chunkAt_ + kChunkHead + 8 * used;
        if (used < kChunkEntries) {
            put(junkAt, Tag("JUNK"));
            put(junkAt + 4, static_cast<uint32_t>(8 * (kChunkEntries - used) - 8));
        }
        put(chunkAt_ + 4, 24 + 8 * used);
        put(chunkAt_ + 12, used);
        const int64_t entry = superIndexAt_ + 8 + 24 + 16 * static_cast<int64_t>(superUsed_ - 1);
        put(entry, static_cast<uint32_t>(chunkAt_));
        put(entry + 4, static_cast<uint32_t>(static_cast<uint64_t>(chunkAt_) >> 32));
        put(entry + 8, static_cast<uint32_t>(kChunkHead + 8 * used));
        put(entry + 12, used);
        put(superIndexAt_ + 12, static_cast<uint32_t>(superUsed_));
        if (r >= 0)
            entriesStored_ = entries_.size();
    }
    put(partAt_ + 4, static_cast<uint32_t>(partEnd - partAt_ - 8));
    put(moviAt_ + 4, static_cast<uint32_t>(moviEnd - moviAt_ - 8));
    if (part_ == 0)
        put(totalFramesAt_, static_cast<uint32_t>(chunks_));
    put(lengthAt_, static_cast<uint32_t>(chunks_));
    put(odmlFramesAt_, static_cast<uint32_t>(chunks_));
    return r;
}

MediaError AviWriter::Close() {
    if (!IsOpen())
        return MediaError::None;
    MediaError hr = writeError_;
    int r = 0;
    if (!damaged_) {
        r = EndPart();
        if (r < 0)
            damaged_ = true;
    }
    // Without the legacy index the file ends after its last complete frame, and its index chunks
    // and header count the frames up to there.
    if (damaged_ && file_.Truncate(goodEnd_) == 0) {
        const bool legacyKept = part_ == 0 && legacyAt_ >= 0 && legacyAt_ < goodEnd_;
        const int again = UpdateInPlace(legacyKept ? legacyAt_ : goodEnd_, goodEnd_);
        r = r < 0 ? r : again;
    }
    if (r < 0 && Succeeded(hr))
        hr = Fail(r);
    r = file_.Close();
    if (r < 0 && Succeeded(hr))
        hr = Fail(r);
    io_ = nullptr;
    return hr;
}

}  // namespace velatrace
