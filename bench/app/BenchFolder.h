#pragma once
// A fresh folder under the system's temporary folder for one benchmark run, removed with
// everything in it at the end.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace velatrace::bench {

class BenchFolder {
  public:
    explicit BenchFolder(const char* prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~BenchFolder() {
        std::error_code ec;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ec);
        }
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    bool Made() const { return !path_.empty(); }
    // With its separator at the end, as the program stores a capture folder.
    std::string Folder() const { return (path_ / "").string(); }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace velatrace::bench
