#include "session/CaptureNaming.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/FixedText.h"

namespace velatrace {

namespace fs = std::filesystem;

char PathSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

size_t FormatCaptureName(char* out, size_t outSize, const char* folder, const char* base,
                         int32_t autoNumber, int32_t number, const char* ext) {
    const size_t size = outSize < kMaxPath ? outSize : kMaxPath;
    folder = folder != nullptr ? folder : "";
    base = base != nullptr ? base : "";
    ext = ext != nullptr ? ext : "";
    if (autoNumber != 0) {
        return FormatText(out, size, "%s%s_%02d.%s", folder, base, number, ext);
    }
    return FormatText(out, size, "%s%s.%s", folder, base, ext);
}

size_t CaptureFileName(char* out, size_t outSize, const CaptureSettings& settings, bool video,
                       bool numbered) {
    return FormatCaptureName(out, outSize, settings.path, settings.filename, numbered ? 1 : 0,
                             settings.number, video ? "avi" : "csv");
}

bool CaptureFileExists(const CaptureSettings& settings, bool video, bool numbered) {
    char name[kMaxPath];
    CaptureFileName(name, sizeof name, settings, video, numbered);
    std::error_code ec;
    return fs::exists(fs::path(name), ec);
}

bool DeleteCaptureCsv(const CaptureSettings& settings, bool numbered) {
    char name[kMaxPath];
    CaptureFileName(name, sizeof name, settings, false, numbered);
    std::error_code ec;
    fs::remove(fs::path(name), ec);
    return !fs::exists(fs::path(name), ec);
}

namespace {

// The number NN of a file named "<base>_NN.avi" or "<base>_NN.csv" (any letter case), or -1 when
// the name has another form.
int32_t CaptureNumberOf(const std::string& name, const char* base) {
    const size_t baseLength = std::strlen(base);
    if (name.size() != baseLength + 7 || !StartsWithNoCase(name.c_str(), base) ||
        name[baseLength] != '_') {
        return -1;
    }
    const char* ending = name.c_str() + baseLength + 3;
    if (!EqualsNoCase(ending, ".avi") && !EqualsNoCase(ending, ".csv")) {
        return -1;
    }
    return LeadingInteger(name.c_str() + baseLength + 1, 2);
}

}  // namespace

int32_t NextCaptureNumber(CaptureSettings& settings) {
    int32_t largest = 0;
    try {
        std::error_code ec;
        const fs::path folder(settings.path[0] != '\0' ? settings.path : ".");
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const int32_t found =
                CaptureNumberOf(it->path().filename().string(), settings.filename);
            if (found > largest) {
                largest = found;
            }
        }
    } catch (const std::exception&) {
        // A name the system cannot convert, or no memory: keep what was found so far.
    }
    settings.number = largest + 1;
    return settings.number;
}

size_t CaptureNamePreview(char* out, size_t outSize, bool cameraFound, bool loggerConnected,
                          int32_t autoNumber, int32_t number) {
    constexpr size_t kPreviewSize = 8;  // 7 characters and the terminator
    const size_t size = outSize < kPreviewSize ? outSize : kPreviewSize;
    if (!cameraFound && !loggerConnected) {
        return CopyText(out, size, "");
    }
    const char* ext = cameraFound ? "avi" : "csv";
    if (autoNumber != 0) {
        return FormatText(out, size, "_%02d.%s", number, ext);
    }
    return FormatText(out, size, ".%s", ext);
}

}  // namespace velatrace
