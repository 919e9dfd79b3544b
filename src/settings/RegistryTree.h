#pragma once
// An in-memory registry: keys by path below HKEY_CURRENT_USER, each with its values in the order
// they were first written. It answers the port's calls with the registry's rules and remembers
// whether anything changed since the last save, so a file backend knows when to write.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "settings/RegistryStore.h"

namespace velatrace {

inline constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";

struct RegValue {
    std::string name;  // empty for the key's default value
    uint32_t type = reg::kSz;
    std::vector<uint8_t> data;
};

struct RegKeyNode {
    std::string path;  // full path, e.g. "HKEY_CURRENT_USER\Software\Korvex\Velatrace\Frame"
    std::vector<RegValue> values;
};

class RegistryTree final : public RegistryStore {
  public:
    int32_t CreateKey(RegKey parent, const char* subKey, RegKey* key) override;
    int32_t OpenKey(RegKey parent, const char* subKey, RegKey* key) override;
    int32_t CloseKey(RegKey key) override;
    int32_t SetValue(RegKey key, const char* name, uint32_t type, const void* data,
                     uint32_t size) override;
    int32_t QueryValue(RegKey key, const char* name, uint32_t* type, void* data,
                       uint32_t* size) override;
    int32_t DeleteValue(RegKey key, const char* name) override;
    int32_t EnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize) override;

    // The stored keys, ordered by path (letter case ignored, parents before their subkeys).
    const std::vector<RegKeyNode>& Keys() const { return keys_; }
    // Finds or adds the key with this full path (as it appears in an export file).
    RegKeyNode& KeyAt(std::string_view fullPath);
    // Removes the key with this full path and all keys below it.
    void RemoveKeyTree(std::string_view fullPath);
    // Sets or replaces a value of a key found by KeyAt.
    static bool PutValue(RegKeyNode& node, std::string_view name, uint32_t type,
                         std::vector<uint8_t> data);
    static bool RemoveValue(RegKeyNode& node, std::string_view name);

    // Whether the content changed since the last ClearChanged().
    bool Changed() const { return changed_; }
    // Whether more than new empty keys changed: a value was set or deleted, or a key removed.
    bool ValuesChanged() const { return valuesChanged_; }
    void ClearChanged() {
        changed_ = false;
        valuesChanged_ = false;
    }

  private:
    // The full path of an open handle or predefined root; false for an unknown handle.
    bool PathOf(RegKey key, std::string* path) const;
    // Full path of `subKey` below `parent`, with empty components dropped.
    bool JoinPath(RegKey parent, const char* subKey, std::string* path) const;
    bool Exists(const std::string& path) const;
    RegKeyNode* Find(std::string_view fullPath);
    RegKey NewHandle(const std::string& path);

    std::vector<RegKeyNode> keys_;
    std::map<RegKey, std::string> open_;
    RegKey nextHandle_ = 1;
    bool changed_ = false;
    bool valuesChanged_ = false;
};

}  // namespace velatrace
