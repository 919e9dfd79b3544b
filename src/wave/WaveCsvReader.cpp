// The reading side of the wave CSV file: loading a recorded file into a recording for replay.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "base/FixedText.h"
#include "base/PowerOfTen.h"
#include "session/CaptureNaming.h"
#include "wave/CsvLineReader.h"
#include "wave/CsvRecord.h"
#include "wave/WaveCsv.h"

namespace velatrace {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kFallbackIntervalMs = 1000;

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

// The channel kinds, scales and range texts a file's header gives, read aside before they become
// the recording's.
struct CsvHeader {
    int32_t intervalMs = 0;
    int32_t type[kChannels] = {};
    double scale[kChannels] = {};
    bool named[kChannels] = {};  // the header has a field for the channel
    char range[kChannels][sizeof(ChannelInfo::range)] = {};
    double span[kChannels] = {};  // an instrument channel's range
};

// An instrument channel's field, "<unit>[<range>]" ("V[10]"): its unit into `unit` and its range
// into `span`. False for any other field; files without such fields read as they always have.
bool ReadInstrumentField(const char* field, char (&unit)[sizeof(ChannelInfo::range)],
                         double& span) {
    const char* open = std::strchr(field, '[');
    const size_t length = std::strlen(field);
    if (open == nullptr || length < 3 || field[length - 1] != ']') {
        return false;
    }
    double value = 0;
    const char* end = field + length - 1;
    if (ParseCsvField(open + 1, end, value) != end || !(value > 0)) {
        return false;
    }
    span = value;
    CopyText(unit, field, static_cast<size_t>(open - field));
    return true;
}

// Counts per unit of a replayed instrument channel: its range stays within the 16-bit counts of
// the replay store with room for readings three times beyond it.
double ReplayScaleForRange(double range) {
    return PowerOfTen(static_cast<int>(std::floor(std::log10(30000.0 / range))));
}

// The input kind a channel type is shown as.
const char* InputText(int32_t type) {
    switch (type) {
        case kTypeVoltage:
            return "DC";
        case kTypeTemperature:
            return "TEMP";
        case kTypeHumidity:
            return "RH";
        default:
            return "";
    }
}

// The channel type and scale a header field stands for. False for a voltage range without a
// usable scale (0 V, no number, or too wide for one count per volt).
bool ReadHeaderField(const char* text, size_t length, int32_t& type, double& scale) {
    char field[kCsvLineChars + 1];
    CopyText(field, text, length);
    type = kTypeOff;
    scale = 10.0;
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
        if (cut > 0 && (field[cut - 1] == 'V' || field[cut - 1] == 'v')) {
            const int32_t volts = LeadingInteger(field);
            if (volts <= 0 || 20000 / volts == 0) {
                return false;
            }
            type = kTypeVoltage;
            scale = static_cast<double>(20000 / volts);
        }
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// "100MS", "250ms" or "2S", blanks around it allowed. A missing or non-positive number is an
// unknown interval, taken as one second (0 would stop replay from advancing; the writer puts
// "0MS" when the logger gave none). False for any other text or an interval above the longest.
bool ReadInterval(const char* text, size_t length, int32_t& intervalMs) {
    const char* p = text;
    const char* end = text + length;
    while (end > p && IsBlank(end[-1])) {
        --end;
    }
    while (p < end && IsBlank(*p)) {
        ++p;
    }
    const bool negative = p < end && *p == '-';
    p += negative || (p < end && *p == '+') ? 1 : 0;
    int64_t value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > kMaxCsvIntervalMs) {
            value = int64_t{kMaxCsvIntervalMs} + 1;  // stays too large
        }
    }
    char unit[3] = {};
    const size_t unitChars = static_cast<size_t>(end - p);
    if (unitChars == 0 || unitChars > 2) {
        return false;
    }
    CopyText(unit, p, unitChars);
    int64_t ms = 0;
    if (EqualsNoCase(unit, "MS")) {
        ms = value;
    } else if (EqualsNoCase(unit, "S")) {
        ms = value * 1000;
    } else {
        return false;
    }
    if (negative || ms == 0) {
        intervalMs = kFallbackIntervalMs;
        return true;
    }
    if (ms > kMaxCsvIntervalMs) {
        return false;
    }
    intervalMs = static_cast<int32_t>(ms);
    return true;
}

// Calls `onField(channelIndex, begin, end)` for each of at most 10 comma-separated fields.
// Returns false when an eleventh field follows.
template <typename OnField>
bool SplitFields(const char* text, size_t length, OnField onField) {
    const char* p = text;
    const char* end = text + length;
    for (int c = 0; c < kChannels; ++c) {
        const void* comma = std::memchr(p, ',', static_cast<size_t>(end - p));
        const char* fieldEnd = comma != nullptr ? static_cast<const char*>(comma) : end;
        onField(c, p, fieldEnd);
        if (fieldEnd == end) {
            return true;
        }
        p = fieldEnd + 1;
    }
    return false;
}

// The channel header line into `header`. False when it names more than ten channels or a range
// without a usable scale.
bool ReadChannelHeader(const char* text, size_t length, CsvHeader& header) {
    bool usable = true;
    const bool fits = SplitFields(text, length, [&](int c, const char* begin, const char* end) {
        const size_t length = static_cast<size_t>(end - begin);
        header.named[c] = true;
        char field[kCsvLineChars + 1];
        CopyText(field, begin, length);
        if (ReadInstrumentField(field, header.range[c], header.span[c])) {
            header.type[c] = kTypeInstrument;
            header.scale[c] = ReplayScaleForRange(header.span[c]);
            return;
        }
        usable = ReadHeaderField(begin, length, header.type[c], header.scale[c]) && usable;
        CopyText(header.range[c], begin, length);
    });
    return fits && usable;
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

CsvLoad LoadWaveCsv(const char* path, const LoggerSetup& base, Recording& into) {
    into.Clear();
    CsvLoad result;
    if (path == nullptr) {
        return result;
    }
    std::error_code ec;
    if (fs::is_directory(fs::path(path), ec)) {
        return result;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return result;
    }
    // One block for the whole file: nothing is allocated per line.
    const std::unique_ptr<char[]> block(new (std::nothrow) char[kBlockBytes]);
    if (block == nullptr) {
        std::fclose(file);
        return result;
    }

    // The header is read aside and becomes the recording's setup only when it can be used.
    // Channels beyond the header's last field keep the base's type and scale; a missing interval
    // line keeps its interval.
    CsvHeader header;
    header.intervalMs = base.intervalMs;
    for (int c = 0; c < kChannels; ++c) {
        header.type[c] = base.channel[c].type;
        header.scale[c] = base.channel[c].scale;
    }
    const int64_t lineEnds = CountLineEnds(file, block.get());
    CsvLineReader lines(file, block.get());
    const char* text = nullptr;
    size_t length = 0;
    bool tooLong = false;
    if (lines.Next(text, length, tooLong)) {  // the date is not needed, only told when unread
        result.unreadLines += tooLong ? 1 : 0;
        if (lines.Next(text, length, tooLong) &&
            (tooLong || !ReadInterval(text, length, header.intervalMs))) {
            result.refusal = CsvRefusal::Interval;
        } else if (lines.Next(text, length, tooLong) &&
                   (tooLong || !ReadChannelHeader(text, length, header))) {
            result.refusal = CsvRefusal::ChannelHeader;
        }
    }
    if (result.refusal != CsvRefusal::None) {
        std::fclose(file);
        return result;
    }

    into.loaded = true;
    into.setup = base;
    into.setup.intervalMs = header.intervalMs;
    bool on[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        ChannelInfo& channel = into.setup.channel[c];
        channel.type = header.type[c];
        channel.scale = header.scale[c];
        // A channel the file names is described by the file (its values' unit follows its
        // range), not by the live logger's channel of that number.
        if (header.named[c]) {
            CopyText(channel.range, header.range[c]);
            CopyText(channel.input, InputText(channel.type));
            channel.span = header.span[c];
            channel.quantity[0] = '\0';
        }
        on[c] = header.type[c] != kTypeOff;
    }

    // The three header lines end before the records; the last record may lack its line end.
    into.records.Begin(on, lineEnds - 2);
    int32_t counts[kChannels];
    while (lines.Next(text, length, tooLong)) {
        if (tooLong || !ReadCsvRecord(text, length, header.scale, counts)) {
            ++result.unreadLines;
        } else if (!into.records.Append(counts)) {
            break;
        }
    }
    into.records.Trim();
    std::fclose(file);
    // Every second of the recording must be countable where it is shown.
    if (int64_t{into.records.Records()} * header.intervalMs / 1000 >= kMaxCsvSeconds) {
        into.Clear();
        return CsvLoad{0, 0, CsvRefusal::Length};
    }
    result.records = into.records.Records();
    return result;
}

}  // namespace velatrace
