#pragma once
// A fresh, empty folder for one test, removed with everything in it when the test ends.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

namespace velatrace::testing {

class TempFolder {
  public:
    TempFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("velatrace-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

    const std::filesystem::path& Path() const { return path_; }
    // The folder as the program stores a capture folder: with its separator at the end.
    std::string Folder() const { return (path_ / "").string(); }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

    void Write(std::string_view name, std::string_view bytes) const {
        std::ofstream(path_ / name, std::ios::binary).write(bytes.data(), bytes.size());
    }
    std::string Read(std::string_view name) const {
        return (std::ostringstream() << std::ifstream(path_ / name, std::ios::binary).rdbuf())
            .str();
    }

  private:
    std::filesystem::path path_;
};

}  // namespace velatrace::testing
