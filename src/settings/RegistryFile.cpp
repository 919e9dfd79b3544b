#include "settings/RegistryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/RegExport.h"

namespace velatrace {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "velatrace";
constexpr const char* kFileName = "velatrace.reg";
constexpr uintmax_t kMaxFileBytes = 16u << 20;  // far beyond any settings file

bool WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Makes the rename itself durable.
void SyncFolder(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string Timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

fs::path RegistryFile::DefaultPath() {
    const char* named = std::getenv("VELATRACE_REGISTRY");
    if (named != nullptr && named[0] != '\0') {
        return fs::path(named);
    }
    fs::path base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config != nullptr && config[0] == '/') {  // a relative value is to be ignored
        base = config;
    } else if (home != nullptr && home[0] != '\0') {
        base = fs::path(home) / ".config";
    } else {
        return {};
    }
    return base / kFolderName / kFileName;
}

RegistryFile::RegistryFile(fs::path file) : file_(std::move(file)) {
    Load();
}

RegistryFile::~RegistryFile() {
    if (tree_.Changed()) {
        Save();
    }
}

int32_t RegistryFile::CloseKey(RegKey key) {
    const int32_t result = tree_.CloseKey(key);
    // Keys only created (every load creates its key) wait for the next value saved or the store's
    // end: a first start would otherwise rewrite and sync the file once per settings group.
    if (tree_.ValuesChanged() && Save()) {
        tree_.ClearChanged();
    }
    return result;
}

void RegistryFile::Load() {
    if (file_.empty()) {
        writable_ = false;
        return;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(file_, ec);
    if (status.type() == fs::file_type::not_found) {
        return;  // first run
    }
    if (ec || status.type() != fs::file_type::regular) {
        SetProblem("The settings file " + file_.string() +
                   " is not a readable file.\nThe program starts with default settings, which "
                   "will not be saved.");
        writable_ = false;
        return;
    }
    const uintmax_t size = fs::file_size(file_, ec);
    if (!ec && size > kMaxFileBytes) {
        PutAside("file too large");
        return;
    }
    std::ifstream in(file_, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (ec || in.bad() || !in.is_open()) {
        SetProblem("The settings file " + file_.string() +
                   " cannot be read.\nThe program starts with default settings, which will not "
                   "be saved.");
        writable_ = false;
        return;
    }
    RegParseError error;
    if (!ParseRegExport(text, tree_, &error)) {
        tree_ = RegistryTree();
        const std::string reason = "line " + std::to_string(error.line) + ": " + error.reason;
        PutAside(reason.c_str());
        return;
    }
    tree_.ClearChanged();
}

void RegistryFile::PutAside(const char* reason) {
    const std::string stem = file_.string() + ".broken-" + Timestamp();
    fs::path aside = stem;
    std::error_code ec;
    for (int n = 2; fs::exists(aside, ec) && n < 1000; ++n) {
        aside = stem + "-" + std::to_string(n);
    }
    fs::rename(file_, aside, ec);
    if (ec) {
        SetProblem("The settings file " + file_.string() + " cannot be read (" + reason +
                   ") nor renamed aside (" + ec.message() +
                   ").\nThe program starts with default settings, which will not be saved.");
        writable_ = false;
        return;
    }
    SetProblem("The settings file " + file_.string() + " cannot be read (" + reason +
               ").\nIt was kept as " + aside.string() +
               " and the program starts with default settings.");
}

void RegistryFile::SetProblem(std::string text) {
    std::fprintf(stderr, "velatrace: %s\n", text.c_str());
    problem_ = std::move(text);
}

bool RegistryFile::Save() {
    if (!writable_) {
        return false;
    }
    std::error_code ec;
    fs::path target = file_;
    if (fs::is_symlink(file_, ec)) {
        const fs::path resolved = fs::canonical(file_, ec);
        if (!ec) {
            target = resolved;  // keep the link; replace the file it points to
        }
    }
    fs::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    fs::create_directories(dir, ec);

    const std::string text = FormatRegExport(tree_);
    const fs::path temp = dir / (target.filename().string() + ".tmp-" + std::to_string(::getpid()));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return SaveFailed(errno);
    }
    struct stat old = {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(temp.c_str());
        return SaveFailed(error);
    }
    SyncFolder(dir);
    if (saveFailing_) {
        saveFailing_ = false;
        problem_.clear();
    }
    return true;
}

bool RegistryFile::SaveFailed(int error) {
    saveFailing_ = true;
    SetProblem("The settings cannot be saved to " + file_.string() + " (" + std::strerror(error) +
               ").\nChanges are kept until the program ends.");
    return false;
}

}  // namespace velatrace
