#include "base/InstalledLibrary.h"

#include <filesystem>
#include <system_error>

namespace velatrace {

namespace {
// The library folder relative to the program's folder, as the build installs them.
#ifdef VELATRACE_MODULE_DIR
constexpr const char* kInstalledDir = VELATRACE_MODULE_DIR;
#else
constexpr const char* kInstalledDir = "../lib/velatrace";
#endif
}  // namespace

std::string InstalledLibraryPath(const char* file) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) {
        return {};
    }
    return (program.parent_path() / kInstalledDir / file).lexically_normal().string();
}

}  // namespace velatrace
