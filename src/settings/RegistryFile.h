#pragma once
// The settings registry kept in one registry-export text file, for systems without a Windows
// registry. The file is read once when the store is made; every change is kept in memory and the
// whole file is rewritten atomically (temporary file, flush, fsync, rename) when a key is closed
// after a value changed, so each group of values a save writes reaches the disk in one write.
// Keys that were only created are written with the next such save, or when the store ends.
//
// A file that cannot be read as an export is renamed aside (name.broken-YYYYMMDD-HHMMSS) and the
// store starts empty; it is never overwritten. When the folder cannot be written, saves fail and
// the values stay in memory. Either is kept as the store's problem for the user (and on stderr).
#include <filesystem>
#include <string>

#include "settings/RegistryStore.h"
#include "settings/RegistryTree.h"

namespace velatrace {

class RegistryFile final : public RegistryStore {
  public:
    // The file named by VELATRACE_REGISTRY, else velatrace.reg in $XDG_CONFIG_HOME/velatrace or
    // ~/.config/velatrace; empty when neither can be found.
    static std::filesystem::path DefaultPath();

    RegistryFile() : RegistryFile(DefaultPath()) {}
    // An empty path keeps everything in memory.
    explicit RegistryFile(std::filesystem::path file);
    // Writes changes not yet saved.
    ~RegistryFile() override;
    RegistryFile(const RegistryFile&) = delete;
    RegistryFile& operator=(const RegistryFile&) = delete;

    const std::filesystem::path& Path() const { return file_; }

    int32_t CreateKey(RegKey parent, const char* subKey, RegKey* key) override {
        return tree_.CreateKey(parent, subKey, key);
    }
    int32_t OpenKey(RegKey parent, const char* subKey, RegKey* key) override {
        return tree_.OpenKey(parent, subKey, key);
    }
    int32_t CloseKey(RegKey key) override;
    int32_t SetValue(RegKey key, const char* name, uint32_t type, const void* data,
                     uint32_t size) override {
        return tree_.SetValue(key, name, type, data, size);
    }
    int32_t QueryValue(RegKey key, const char* name, uint32_t* type, void* data,
                       uint32_t* size) override {
        return tree_.QueryValue(key, name, type, data, size);
    }
    int32_t DeleteValue(RegKey key, const char* name) override {
        return tree_.DeleteValue(key, name);
    }
    int32_t EnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize) override {
        return tree_.EnumValue(key, index, name, nameSize);
    }

    const char* Problem() const override { return problem_.c_str(); }

  private:
    void Load();
    void SetProblem(std::string text);
    bool SaveFailed(int error);
    // Renames an unreadable file aside; when that fails the file is left alone and never written.
    void PutAside(const char* reason);
    bool Save();

    std::filesystem::path file_;
    RegistryTree tree_;
    bool writable_ = true;
    std::string problem_;
    bool saveFailing_ = false;  // the problem is a failed save, cleared by the next good one
};

}  // namespace velatrace
