// The marker file beside a recorded pair: one marker per line, read, appended and rewritten.
#include "wave/MarkerFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/FixedText.h"

namespace velatrace {

namespace {

namespace fs = std::filesystem;

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kHeader[] = "record,clip_ms,kind,text\r\n";
constexpr const char* kKindNames[] = {"user",    "alarm start",  "alarm end",
                                      "trigger", "stream error", "file switch"};
constexpr int64_t kMaxNumber = 999999999999999;  // 15 digits: far beyond any recording

// One field of a line from `pos`: quoted (doubled quotes inside) or plain up to the next comma.
// On return `pos` stands after the comma that ended it, or at the end. False for a quoted field
// that is not closed or has text after its closing quote.
bool NextField(const char* line, size_t length, size_t& pos, std::string& field, bool& last) {
    field.clear();
    if (pos < length && line[pos] == '"') {
        ++pos;
        for (;;) {
            if (pos >= length) {
                return false;
            }
            if (line[pos] == '"') {
                if (pos + 1 < length && line[pos + 1] == '"') {
                    field += '"';
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            field += line[pos++];
        }
        if (pos < length && line[pos] != ',') {
            return false;
        }
    } else {
        while (pos < length && line[pos] != ',') {
            field += line[pos++];
        }
    }
    last = pos >= length;
    if (!last) {
        ++pos;  // the comma
    }
    return true;
}

// A whole non-negative number of at most 15 digits; an empty field is -1 where `mayBeEmpty`.
bool ParseNumber(const std::string& field, bool mayBeEmpty, int64_t* value) {
    if (field.empty()) {
        *value = -1;
        return mayBeEmpty;
    }
    if (field.size() > 15) {
        return false;
    }
    int64_t n = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return false;
        }
        n = n * 10 + (c - '0');
    }
    *value = n;
    return n <= kMaxNumber;
}

int ErrnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

}  // namespace

const char* MarkerKindName(MarkerKind kind) {
    const auto index = static_cast<size_t>(kind);
    return index < std::size(kKindNames) ? kKindNames[index] : kKindNames[0];
}

bool MarkerKindFromName(const char* name, size_t length, MarkerKind* kind) {
    for (size_t i = 0; i < std::size(kKindNames); ++i) {
        if (std::strlen(kKindNames[i]) == length && std::memcmp(kKindNames[i], name, length) == 0) {
            *kind = static_cast<MarkerKind>(i);
            return true;
        }
    }
    return false;
}

void SetMarkerText(Marker& marker, const char* utf8) {
    size_t n = CopyText(marker.text, utf8 != nullptr ? utf8 : "");
    // A cut through a character drops the bytes of it that fitted.
    if (utf8 != nullptr && utf8[n] != '\0') {
        size_t start = n;
        while (start > 0 && (static_cast<unsigned char>(marker.text[start - 1]) & 0xC0) == 0x80) {
            --start;
        }
        if (start > 0) {
            const auto lead = static_cast<unsigned char>(marker.text[start - 1]);
            const size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (start - 1 + bytes > n) {
                n = start - 1;
                marker.text[n] = '\0';
            }
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(marker.text[i]);
        if (c < 0x20 || c == 0x7F) {
            marker.text[i] = ' ';
        }
    }
}

size_t MarkerPathFor(char* out, size_t outSize, const char* pairPath) {
    if (outSize == 0) {
        return 0;
    }
    const size_t length = pairPath != nullptr ? std::strlen(pairPath) : 0;
    // Only a dot in the file name counts, not one in a folder name ("data.old/run").
    size_t dot = length;
    for (size_t i = 0; i < length; ++i) {
        if (pairPath[i] == '/' || pairPath[i] == '\\') {
            dot = length;
        } else if (pairPath[i] == '.') {
            dot = i;
        }
    }
    constexpr char kSuffix[] = ".markers.csv";
    if (dot + sizeof kSuffix > outSize) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, pairPath, dot);
    std::memcpy(out + dot, kSuffix, sizeof kSuffix);
    return dot + sizeof kSuffix - 1;
}

size_t FormatMarkerLine(char* out, size_t outSize, const Marker& marker) {
    if (outSize < kMarkerLineChars + 3) {
        return 0;
    }
    size_t n = marker.record >= 0
                   ? FormatText(out, outSize, "%lld,", static_cast<long long>(marker.record))
                   : FormatText(out, outSize, ",");
    n += FormatText(out + n, outSize - n, "%lld,%s,\"",
                    static_cast<long long>(marker.clipMs < 0 ? 0 : marker.clipMs),
                    MarkerKindName(marker.kind));
    // The text is at most kMarkerTextSize - 1 bytes, twice that with every quote doubled.
    for (const char* c = marker.text; *c != '\0'; ++c) {
        if (*c == '"') {
            out[n++] = '"';
        }
        out[n++] = (static_cast<unsigned char>(*c) < 0x20) ? ' ' : *c;
    }
    out[n++] = '"';
    out[n++] = '\r';
    out[n++] = '\n';
    out[n] = '\0';
    return n;
}

bool ParseMarkerLine(const char* line, size_t length, Marker* marker) {
    size_t pos = 0;
    bool last = false;
    std::string field;
    Marker m;
    if (!NextField(line, length, pos, field, last) || last ||
        !ParseNumber(field, true, &m.record)) {
        return false;
    }
    if (!NextField(line, length, pos, field, last) || last ||
        !ParseNumber(field, false, &m.clipMs)) {
        return false;
    }
    if (!NextField(line, length, pos, field, last) ||
        !MarkerKindFromName(field.data(), field.size(), &m.kind)) {
        return false;
    }
    // A spreadsheet that saved the file again may leave a line without its (empty) text.
    if (last) {
        field.clear();
    } else if (!NextField(line, length, pos, field, last) || !last) {
        return false;
    }
    SetMarkerText(m, field.c_str());
    *marker = m;
    return true;
}

MarkerLoad ReadMarkerFile(const char* path, std::vector<Marker>& into) {
    into.clear();
    MarkerLoad result;
    std::error_code ec;
    if (path == nullptr || !fs::is_regular_file(fs::path(path), ec)) {
        return result;
    }
    errno = 0;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        result.error = ErrnoOr(EIO);
        return result;
    }
    result.found = true;
    char line[kMarkerLineChars + 3];
    bool first = true;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        size_t length = std::strlen(line);
        const bool ended = length > 0 && line[length - 1] == '\n';
        if (!ended && !std::feof(file)) {
            // Too long to be a marker: passed over whole, up to its line end.
            int c = 0;
            while ((c = std::fgetc(file)) != EOF && c != '\n') {
            }
            ++result.badLines;
            first = false;
            continue;
        }
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
            --length;
        }
        const char* text = line;
        if (first && length >= 3 && std::memcmp(text, kBom, 3) == 0) {
            text += 3;
            length -= 3;
        }
        const bool header = first && StartsWithNoCase(text, "record,");
        first = false;
        if (header || length == 0) {
            continue;
        }
        Marker marker;
        if (into.size() < kMaxMarkers && ParseMarkerLine(text, length, &marker)) {
            into.push_back(marker);
        } else {
            ++result.badLines;
        }
    }
    if (std::ferror(file)) {
        result.error = EIO;
    }
    std::fclose(file);
    std::stable_sort(into.begin(), into.end(), [](const Marker& a, const Marker& b) {
        return a.clipMs != b.clipMs ? a.clipMs < b.clipMs : a.record < b.record;
    });
    return result;
}

int AppendMarker(const char* path, const Marker& marker, FileSync* sync) {
    std::error_code ec;
    const fs::path name(path);
    const uintmax_t before = fs::exists(name, ec) ? fs::file_size(name, ec) : 0;
    if (ec) {
        return ec.value();
    }
    char text[sizeof kBom + sizeof kHeader + kMarkerLineChars + 3];
    size_t n = 0;
    if (before == 0) {
        n = FormatText(text, sizeof text, "%s%s", kBom, kHeader);
    }
    n += FormatMarkerLine(text + n, sizeof text - n, marker);
    errno = 0;
    std::FILE* file = std::fopen(path, "ab");
    if (file == nullptr) {
        return ErrnoOr(EIO);
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    int failure = std::fwrite(text, 1, n, file) == n ? 0 : ErrnoOr(EIO);
    if (std::fclose(file) != 0 && failure == 0) {
        failure = ErrnoOr(EIO);
    }
    if (failure == 0 && sync != nullptr) {
        failure = sync->SyncFile(path);
    }
    if (failure != 0) {
        // A part of the line left behind would spoil the next marker appended after it.
        fs::resize_file(name, before, ec);
    }
    return failure;
}

int WriteMarkerFile(const char* path, const std::vector<Marker>& markers, FileSync* sync) {
    std::error_code ec;
    if (markers.empty()) {
        fs::remove(fs::path(path), ec);
        return ec ? ec.value() : 0;
    }
    const std::string temp = std::string(path) + ".tmp";
    errno = 0;
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (file == nullptr) {
        return ErrnoOr(EIO);
    }
    int failure = 0;
    char line[kMarkerLineChars + 3];
    if (std::fputs(kBom, file) < 0 || std::fputs(kHeader, file) < 0) {
        failure = ErrnoOr(EIO);
    }
    for (const Marker& marker : markers) {
        const size_t n = FormatMarkerLine(line, sizeof line, marker);
        if (failure == 0 && std::fwrite(line, 1, n, file) != n) {
            failure = ErrnoOr(EIO);
        }
    }
    if (std::fclose(file) != 0 && failure == 0) {
        failure = ErrnoOr(EIO);
    }
    if (failure == 0 && sync != nullptr) {
        failure = sync->SyncFile(temp.c_str());
    }
    if (failure == 0) {
        fs::rename(fs::path(temp), fs::path(path), ec);
        failure = ec ? ec.value() : 0;
    }
    if (failure != 0) {
        fs::remove(fs::path(temp), ec);
    }
    return failure;
}

}  // namespace velatrace
