#include "session/CaptureNaming.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

namespace {

bool IsSet(const char* text) {
    return text != nullptr && text[0] != '\0';
}

bool IsAbsolute(const char* text) {
    return IsSet(text) && fs::path(text).is_absolute();
}

// XDG_VIDEOS_DIR of a "user-dirs.dirs" file: `XDG_VIDEOS_DIR="$HOME/Videos"` or an absolute path
// in quotes. Empty when the file or the line is missing or names no absolute folder.
std::string VideosDirOfUserDirs(const fs::path& file, const std::string& home) {
    static const std::string kKey = "XDG_VIDEOS_DIR=";
    std::ifstream in(file);
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        const size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, kKey.size(), kKey) != 0) {
            continue;
        }
        std::string value = line.substr(at + kKey.size());
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) {
            value.pop_back();
        }
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            value = home.empty() ? std::string() : home + value.substr(5);
        }
        found = IsAbsolute(value.c_str()) ? value : std::string();
    }
    return found;
}

}  // namespace

std::string UserVideoFolder(const char* xdgVideosDir, const char* xdgConfigHome, const char* home) {
    try {
        if (IsAbsolute(xdgVideosDir)) {
            return xdgVideosDir;
        }
        const std::string homeText = IsSet(home) ? home : "";
        fs::path config;
        if (IsAbsolute(xdgConfigHome)) {
            config = xdgConfigHome;
        } else if (!homeText.empty()) {
            config = fs::path(homeText) / ".config";
        }
        if (!config.empty()) {
            std::string videos = VideosDirOfUserDirs(config / "user-dirs.dirs", homeText);
            if (!videos.empty()) {
                return videos;
            }
        }
        return homeText.empty() ? std::string() : (fs::path(homeText) / "Videos").string();
    } catch (const std::exception&) {
        return {};  // no memory for the path: no video folder known
    }
}

size_t CaptureFolder(char* out, size_t outSize, const char* storedPath) {
    const size_t size = outSize < kMaxPath ? outSize : kMaxPath;
    if (IsSet(storedPath)) {
        return std::strlen(storedPath) < size ? CopyText(out, size, storedPath)
                                              : CopyText(out, outSize, "");
    }
#ifdef _WIN32
    const std::string videos = UserVideoFolder(nullptr, nullptr, std::getenv("USERPROFILE"));
#else
    const std::string videos = UserVideoFolder(std::getenv("XDG_VIDEOS_DIR"),
                                               std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
#endif
    if (videos.empty()) {
        return CopyText(out, outSize, "");
    }
    const char separator[2] = {PathSeparator(), '\0'};
    const bool ends = videos.back() == separator[0] || videos.back() == '/';
    const std::string folder =
        videos + (ends ? "" : separator) + std::string("Velatrace") + separator;
    return folder.size() < size ? CopyText(out, size, folder.c_str()) : CopyText(out, outSize, "");
}

bool PrepareCaptureFolder(const char* folder, char* reason, size_t reasonSize) {
    CopyText(reason, reasonSize, "");
    if (!IsSet(folder)) {
        CopyText(reason, reasonSize, "no capture folder is set and no video folder is known");
        return false;
    }
    try {
        std::error_code ec;
        const fs::path path(folder);
        fs::create_directories(path, ec);
        if (ec || !fs::is_directory(path, ec)) {
            CopyText(reason, reasonSize, ec ? ec.message().c_str() : std::strerror(ENOTDIR));
            return false;
        }
        // Only a file really written shows that the folder takes captures (permissions, a
        // read-only medium).
        const std::string probe = (path / ".velatrace-write-check").string();
        errno = 0;
        std::FILE* file = std::fopen(probe.c_str(), "wb");
        if (file == nullptr) {
            CopyText(reason, reasonSize, std::strerror(errno != 0 ? errno : EACCES));
            return false;
        }
        std::fclose(file);
        fs::remove(probe, ec);
        return true;
    } catch (const std::exception& e) {
        CopyText(reason, reasonSize, e.what());
        return false;
    }
}

size_t FormatCaptureName(char* out, size_t outSize, const char* folder, const char* base,
                         int32_t autoNumber, int32_t number, const char* ext) {
    const size_t size = outSize < kMaxPath ? outSize : kMaxPath;
    folder = folder != nullptr ? folder : "";
    base = base != nullptr ? base : "";
    ext = ext != nullptr ? ext : "";
    const int needed = autoNumber != 0
                           ? std::snprintf(out, size, "%s%s_%02d.%s", folder, base, number, ext)
                           : std::snprintf(out, size, "%s%s.%s", folder, base, ext);
    if (needed < 0 || static_cast<size_t>(needed) >= size) {
        return CopyText(out, outSize, "");
    }
    return static_cast<size_t>(needed);
}

size_t LongestCapturePath(const char* folder, const char* base, int32_t autoNumber) {
    constexpr size_t kWidestNumber = 11;  // "_2147483647"
    constexpr size_t kExtension = 4;      // ".avi", ".csv"
    return std::strlen(folder != nullptr ? folder : "") + std::strlen(base != nullptr ? base : "") +
           (autoNumber != 0 ? kWidestNumber : 0) + kExtension;
}

bool CapturePathFits(const char* folder, const char* base, int32_t autoNumber, char* reason,
                     size_t reasonSize) {
    const size_t length = LongestCapturePath(folder, base, autoNumber);
    if (length < kMaxPath) {
        CopyText(reason, reasonSize, "");
        return true;
    }
    FormatText(reason, reasonSize,
               "The capture file path is too long: %s%s%s.avi needs up to %zu bytes, and a path "
               "holds at most %zu.\r\nChoose a shorter folder or file name in the capture "
               "settings.",
               folder != nullptr ? folder : "", base != nullptr ? base : "",
               autoNumber != 0 ? "_NN" : "", length, kMaxPath - 1);
    return false;
}

size_t CaptureFileName(char* out, size_t outSize, const CaptureSettings& settings, bool video,
                       bool numbered) {
    char folder[kMaxPath];
    CaptureFolder(folder, sizeof folder, settings.path);
    return FormatCaptureName(out, outSize, folder, settings.filename, numbered ? 1 : 0,
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

// The number NN of a file named "<base>_NN.avi" or "<base>_NN.csv" (any letter case) as the
// numbering writes it: two digits up to 99, more without a leading zero beyond. -1 when the name
// has another form.
int32_t CaptureNumberOf(const std::string& name, const char* base) {
    constexpr size_t kMostDigits = 9;  // so that the number + 1 still fits
    const size_t baseLength = std::strlen(base);
    if (name.size() < baseLength + 7 || !StartsWithNoCase(name.c_str(), base) ||
        name[baseLength] != '_') {
        return -1;
    }
    const char* ending = name.c_str() + name.size() - 4;
    if (!EqualsNoCase(ending, ".avi") && !EqualsNoCase(ending, ".csv")) {
        return -1;
    }
    const char* digits = name.c_str() + baseLength + 1;
    const size_t count = static_cast<size_t>(ending - digits);
    if (count > kMostDigits || (count > 2 && digits[0] == '0')) {
        return -1;
    }
    for (size_t k = 0; k < count; ++k) {
        if (digits[k] < '0' || digits[k] > '9') {
            return -1;
        }
    }
    return LeadingInteger(digits, count);
}

}  // namespace

int32_t NextCaptureNumber(CaptureSettings& settings) {
    int32_t largest = 0;
    try {
        std::error_code ec;
        char captureFolder[kMaxPath];
        if (CaptureFolder(captureFolder, sizeof captureFolder, settings.path) == 0) {
            settings.number = 1;
            return settings.number;
        }
        const fs::path folder(captureFolder);
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

int32_t FreeCaptureNumber(const char* folder, const char* base, int32_t from) {
    int32_t number = from < 1 ? 1 : from;
    for (; number < INT32_MAX; ++number) {
        char avi[kMaxPath];
        char csv[kMaxPath];
        FormatCaptureName(avi, sizeof avi, folder, base, 1, number, "avi");
        FormatCaptureName(csv, sizeof csv, folder, base, 1, number, "csv");
        std::error_code ec;
        if (!fs::exists(fs::path(avi), ec) && !fs::exists(fs::path(csv), ec)) {
            break;
        }
    }
    return number;
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
