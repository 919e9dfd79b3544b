#include "video/MediaModule.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/InstalledLibrary.h"

namespace velatrace {

namespace {

constexpr const char* kModuleFile = "libvelatrace_ffmpeg.so";

}  // namespace

std::unique_ptr<MediaEngine> OpenMediaModule(std::string* problem) {
    const auto fail = [problem](const std::string& why) {
        const std::string text = "No camera and no replay: the media engine " + why;
        std::fprintf(stderr, "velatrace: %s\n", text.c_str());
        if (problem != nullptr) {
            *problem = text;
        }
        return nullptr;
    };
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::path() : program.parent_path();
    const std::filesystem::path beside = folder / kModuleFile;
    const std::filesystem::path installed = InstalledLibraryPath(kModuleFile);
    const std::filesystem::path& path = std::filesystem::exists(beside, error) ? beside : installed;

    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        return fail(std::string("cannot be loaded: ") + (why != nullptr ? why : path.string()));
    }
    const auto make = reinterpret_cast<MakeMediaEngineFn>(dlsym(module, kMakeMediaEngineEntry));
    MediaEngine* engine = nullptr;
    if (make == nullptr || make(&engine) != 0 || engine == nullptr) {
        return fail(path.string() + " makes no engine");
    }
    // Engine threads and the code of cameras and clips live in the module: it is never unloaded.
    return std::unique_ptr<MediaEngine>(engine);
}

}  // namespace velatrace
