#include "wave/WaveCsvSpan.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "base/FixedText.h"
#include "base/TextCatalog.h"
#include "wave/CsvLineReader.h"
#include "wave/CsvRecord.h"
#include "wave/MarkerFile.h"

namespace velatrace {

namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2);
}

bool Digits(const char* text, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

void Fail(CsvSpanResult& result, const char* what, const char* path, int code) {
    FormatText(result.error, sizeof result.error, "%s %s: %s", what, FileNamePart(path),
               std::strerror(code != 0 ? code : EIO));
}

}  // namespace

bool ShiftCsvDate(char* text, size_t length, int64_t seconds) {
    // "yyyy/mm/dd hh:mm:ss"
    if (length != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' || text[13] != ':' ||
        text[16] != ':') {
        return false;
    }
    int y, mo, d, h, mi, s;
    if (!Digits(text, 4, y) || !Digits(text + 5, 2, mo) || !Digits(text + 8, 2, d) ||
        !Digits(text + 11, 2, h) || !Digits(text + 14, 2, mi) || !Digits(text + 17, 2, s) ||
        mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) {
        return false;
    }
    const int64_t at = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s + seconds;
    int64_t days = at / 86400, rest = at % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t ny, nm, nd;
    CivilFromDays(days, ny, nm, nd);
    if (ny < 0 || ny > 9999) {
        return false;
    }
    char line[24];
    FormatText(line, sizeof line, "%04d/%02d/%02d %02d:%02d:%02d", static_cast<int>(ny),
               static_cast<int>(nm), static_cast<int>(nd), static_cast<int>(rest / 3600),
               static_cast<int>(rest % 3600 / 60), static_cast<int>(rest % 60));
    std::memcpy(text, line, 19);
    return true;
}

CsvSpanResult WriteWaveCsvSpan(const char* source, const char* target, int32_t first, int32_t end,
                               int64_t shiftMs, const double* scales) {
    CsvSpanResult result;
    std::FILE* in = std::fopen(source, "rb");
    if (in == nullptr) {
        Fail(result, Text(TextId::ExportCannotRead), source, errno);
        return result;
    }
    const std::string temp = std::string(target) + ".part";
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    const std::unique_ptr<char[]> block(new (std::nothrow) char[kBlockBytes]);
    if (out == nullptr || block == nullptr) {
        Fail(result, Text(TextId::ExportCannotWrite), target, out == nullptr ? errno : ENOMEM);
        std::fclose(in);
        if (out != nullptr) {
            std::fclose(out);
        }
        return result;
    }

    CsvLineReader lines(in, block.get());
    const char* text = nullptr;
    size_t length = 0;
    bool tooLong = false;
    bool ok = true;
    const auto put = [&](const char* line, size_t count) {
        ok = ok && std::fwrite(line, 1, count, out) == count && std::fwrite("\r\n", 1, 2, out) == 2;
    };
    int32_t counts[kChannels];
    for (int64_t line = 0, record = 0; ok && record < end && lines.Next(text, length, tooLong);
         ++line) {
        if (line == 0) {  // the date of the file's first record, moved to the span's first
            char date[kCsvLineChars + 1];
            std::memcpy(date, text, tooLong ? 0 : length);
            ShiftCsvDate(date, tooLong ? 0 : length, (shiftMs + 500) / 1000);
            put(date, tooLong ? 0 : length);
        } else if (line < 3) {
            put(text, tooLong ? 0 : length);
        } else if (!tooLong && ReadCsvRecord(text, length, scales, counts)) {
            if (record >= first) {
                put(text, length);
                ++result.records;
            }
            ++record;
        }
    }
    const int readError = std::ferror(in) ? errno : 0;
    std::fclose(in);
    const int writeError = ok ? 0 : errno;
    ok = std::fclose(out) == 0 && ok;
    std::error_code ec;
    if (readError != 0) {
        Fail(result, Text(TextId::ExportCannotRead), source, readError);
    } else if (!ok) {
        Fail(result, Text(TextId::ExportCannotWrite), target, writeError != 0 ? writeError : errno);
    } else {
        std::filesystem::rename(temp, target, ec);
        if (ec) {
            Fail(result, Text(TextId::ExportCannotWrite), target, ec.value());
        }
    }
    result.ok = readError == 0 && ok && !ec;
    if (!result.ok) {
        std::filesystem::remove(temp, ec);
    }
    return result;
}

// Marker files sit beside pairs of any path length the system takes.
constexpr size_t kMarkerPathSize = 4096;

int CopyMarkersOfSpan(const char* sourcePair, const char* targetPair, const MarkerSpan& span,
                      char* error, size_t errorSize) {
    char from[kMarkerPathSize];
    char to[kMarkerPathSize];
    if (MarkerPathFor(from, sizeof from, sourcePair) == 0 ||
        MarkerPathFor(to, sizeof to, targetPair) == 0) {
        FormatText(error, errorSize, "%s %s: %s", Text(TextId::ExportCannotWrite),
                   FileNamePart(targetPair), std::strerror(ENAMETOOLONG));
        return ENAMETOOLONG;
    }
    std::vector<Marker> markers;
    const MarkerLoad load = ReadMarkerFile(from, markers);
    if (load.error != 0) {
        FormatText(error, errorSize, "%s %s: %s", Text(TextId::ExportCannotRead),
                   FileNamePart(from), std::strerror(load.error));
        return load.error;
    }
    std::vector<Marker> kept;
    for (Marker marker : markers) {
        if (marker.clipMs < span.inMs || marker.clipMs >= span.outMs) {
            continue;
        }
        marker.clipMs -= span.zeroMs;
        const bool inSpan = marker.record >= span.inRecord && marker.record < span.outRecord;
        marker.record = inSpan ? marker.record - span.inRecord : -1;
        kept.push_back(marker);
    }
    if (kept.empty()) {
        return 0;
    }
    const int result = WriteMarkerFile(to, kept, nullptr);
    if (result != 0) {
        FormatText(error, errorSize, "%s %s: %s", Text(TextId::ExportCannotWrite), FileNamePart(to),
                   std::strerror(result));
    }
    return result;
}

}  // namespace velatrace
