// The reading side of the wave CSV file: loading a recorded file for replay and putting the live
// channel setup back afterwards.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "base/FixedText.h"
#include "session/CaptureNaming.h"
#include "wave/CsvRecord.h"
#include "wave/WaveCsv.h"

namespace velatrace {

namespace {

namespace fs = std::filesystem;

constexpr size_t kPieceChars = 255;  // a longer line is read in pieces, each counting as a line
constexpr int32_t kFallbackIntervalMs = 1000;
// The file is read in blocks of this size and parsed where it lies, whatever its length.
constexpr size_t kBlockBytes = size_t{1} << 18;

// Line ends in the rest of the file, from where it stands; the file is then rewound. A file of
// records has one per record, so the replay store can take its room at once.
int64_t CountLineEnds(std::FILE* file, char* block) {
    int64_t count = 0;
    size_t got = 0;
    while ((got = std::fread(block, 1, kBlockBytes, file)) > 0) {
        count += std::count(block, block + got, '\n');
    }
    std::rewind(file);
    return count;
}

// Reads a file line by line in pieces of at most 255 characters, from blocks read into `block`
// (kBlockBytes long). A line ends with LF or CR LF; the last line may lack its end.
class CsvLineReader {
  public:
    CsvLineReader(std::FILE* file, char* block) : file_(file), buffer_(block) {}

    // The next piece, without its line end; false at the end of the file.
    bool Next(const char*& text, size_t& length) {
        if (end_ - pos_ <= kPieceChars + 1 && !atEnd_) {
            Refill();
        }
        const size_t available = end_ - pos_;
        if (available == 0) {
            return false;
        }
        text = buffer_ + pos_;
        // Up to 255 characters and the line end (CR LF) belong to one piece.
        const size_t window = available < kPieceChars + 2 ? available : kPieceChars + 2;
        const void* lf = std::memchr(text, '\n', window);
        if (lf != nullptr) {
            size_t content = static_cast<size_t>(static_cast<const char*>(lf) - text);
            const size_t consumed = content + 1;
            if (content > 0 && text[content - 1] == '\r') {
                --content;
            }
            if (content <= kPieceChars) {
                length = content;
                pos_ += consumed;
                return true;
            }
        } else if (atEnd_ && available <= kPieceChars + 1) {
            length = available;  // the last line, without its end
            if (length > 0 && text[length - 1] == '\r') {
                --length;
            }
            if (length <= kPieceChars) {
                pos_ = end_;
                return true;
            }
        }
        length = kPieceChars;
        pos_ += kPieceChars;
        return true;
    }

  private:
    void Refill() {
        std::memmove(buffer_, buffer_ + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (end_ <= kPieceChars + 1 && !atEnd_) {
            const size_t got = std::fread(buffer_ + end_, 1, kBlockBytes - end_, file_);
            end_ += got;
            atEnd_ = got == 0;
        }
    }

    std::FILE* file_;
    char* buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool atEnd_ = false;
};

// The channel type and scale a header field stands for.
void ReadHeaderField(const char* text, size_t length, ChannelInfo& channel) {
    char field[kPieceChars + 1];
    CopyText(field, text, length);
    int32_t type = kTypeOff;
    double scale = 10.0;
    if (StartsWithNoCase(field, "TC") || StartsWithNoCase(field, "PT") ||
        StartsWithNoCase(field, "JPT")) {
        type = kTypeTemperature;
    } else if (StartsWithNoCase(field, "RH")) {
        type = kTypeHumidity;
        scale = 20000.0;
    } else if (StartsWithNoCase(field, "1-5")) {
        type = kTypeVoltage;
        scale = 4000.0;
    } else {
        const char* semicolon = std::strchr(field, ';');
        const size_t cut =
            semicolon != nullptr ? static_cast<size_t>(semicolon - field) : std::strlen(field);
        const int32_t volts = LeadingInteger(field);
        // A range of 0 V, of no number, or too wide for one count per volt has no usable scale:
        // the channel is taken as off.
        if (cut > 0 && (field[cut - 1] == 'V' || field[cut - 1] == 'v') && volts > 0 &&
            20000 / volts > 0) {
            type = kTypeVoltage;
            scale = static_cast<double>(20000 / volts);
        }
    }
    channel.type = type;
    channel.scale = scale;
}

// "100MS" or "250ms" is milliseconds, anything else whole seconds. An interval that would stop
// replay from advancing (0 or negative) becomes one second.
int32_t ReadInterval(const char* text, size_t length) {
    char line[kPieceChars + 1];
    const size_t copied = CopyText(line, text, length);  // stops early at a NUL byte
    const bool milliseconds = copied >= 2 && EqualsNoCase(line + copied - 2, "MS");
    int64_t interval = LeadingInteger(line);
    if (!milliseconds) {
        interval *= 1000;
    }
    if (interval <= 0) {
        return kFallbackIntervalMs;
    }
    return interval > INT32_MAX ? INT32_MAX : static_cast<int32_t>(interval);
}

// Calls `onField(channelIndex, begin, end)` for each of at most 10 comma-separated fields.
template <typename OnField>
void SplitFields(const char* text, size_t length, OnField onField) {
    const char* p = text;
    const char* end = text + length;
    for (int c = 0; c < kChannels; ++c) {
        const void* comma = std::memchr(p, ',', static_cast<size_t>(end - p));
        const char* fieldEnd = comma != nullptr ? static_cast<const char*>(comma) : end;
        onField(c, p, fieldEnd);
        if (fieldEnd == end) {
            return;
        }
        p = fieldEnd + 1;
    }
}

}  // namespace

size_t WaveCsvPathFor(char* out, size_t outSize, const char* chosenPath, bool waveFileChosen) {
    const size_t size = outSize < kMaxPath ? outSize : kMaxPath;
    const size_t length = CopyText(out, size, chosenPath);
    if (waveFileChosen) {
        return length;
    }
    // Only a dot in the file name counts, not one in a folder name ("data.old/run").
    size_t dot = length;
    for (size_t i = 0; i < length; ++i) {
        if (out[i] == '/' || out[i] == PathSeparator()) {
            dot = length;
        } else if (out[i] == '.') {
            dot = i;
        }
    }
    return dot + CopyText(out + dot, size - dot, ".csv");
}

int32_t WaveCsv::LoadCsv(const char* path) {
    if (path == nullptr) {
        return 0;
    }
    std::error_code ec;
    if (fs::is_directory(fs::path(path), ec)) {
        return 0;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return 0;
    }
    // One block for the whole file: nothing is allocated per line.
    const std::unique_ptr<char[]> block(new (std::nothrow) char[kBlockBytes]);
    if (block == nullptr) {
        std::fclose(file);
        return 0;
    }
    if (wave_.fileLoaded == 0) {
        for (int c = 0; c < kChannels; ++c) {
            const ChannelInfo& live = wave_.channel[c];
            LiveSetup::Channel& saved = saved_.channel[c];
            CopyText(saved.input, live.input, sizeof live.input - 1);
            CopyText(saved.range, live.range, sizeof live.range - 1);
            saved.type = live.type;
            saved.scale = live.scale;
        }
        saved_.currentChannel = wave_.currentChannel;
        saved_.intervalMs = wave_.intervalMs;
        wave_.currentChannel = 0;
        wave_.csvIndex = 0;
    }
    wave_.fileLoaded = 1;
    // The live ring is not touched: the recording goes to the replay store.
    wave_.writeIndex = 0;

    const int64_t lineEnds = CountLineEnds(file, block.get());
    CsvLineReader lines(file, block.get());
    const char* text = nullptr;
    size_t length = 0;
    if (lines.Next(text, length) && lines.Next(text, length)) {  // the date is not needed
        wave_.intervalMs = ReadInterval(text, length);
        if (lines.Next(text, length)) {
            SplitFields(text, length, [this](int c, const char* begin, const char* end) {
                ReadHeaderField(begin, static_cast<size_t>(end - begin), wave_.channel[c]);
            });
        }
    }
    double scales[kChannels];
    bool on[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        scales[c] = wave_.channel[c].scale;
        on[c] = wave_.channel[c].type != kTypeOff;
    }
    // The three header lines end before the records; the last record may lack its line end.
    replay_.Begin(on, lineEnds - 2);
    int32_t counts[kChannels];
    while (lines.Next(text, length)) {
        ReadCsvRecord(text, length, scales, counts);
        if (!replay_.Append(counts)) {
            break;
        }
    }
    replay_.Trim();
    std::fclose(file);
    return replay_.Records();
}

void WaveCsv::RestoreLiveSetup() {
    if (wave_.fileLoaded != 0) {
        for (int c = 0; c < kChannels; ++c) {
            ChannelInfo& live = wave_.channel[c];
            const LiveSetup::Channel& saved = saved_.channel[c];
            CopyText(live.input, saved.input);
            CopyText(live.range, saved.range);
            live.type = saved.type;
            live.scale = saved.scale;
        }
        wave_.currentChannel = saved_.currentChannel;
        wave_.intervalMs = saved_.intervalMs;
    }
    wave_.writeIndex = 0;
    wave_.csvIndex = 0;
    wave_.shownCount = 0;
    wave_.fileLoaded = 0;
    replay_.Clear();
}

int32_t WaveCsv::OpenRecordedWave(const char* csvPath) {
    // A file still loaded is put back first, so the saved live setup is never replaced by a
    // file's channel setup.
    if (wave_.fileLoaded != 0) {
        RestoreLiveSetup();
    }
    const int32_t loaded = LoadCsv(csvPath);
    wave_.csvIndex = 0;
    wave_.shownCount = 0;
    return loaded;
}

}  // namespace velatrace
