#pragma once
// Reads and writes values straight in a registry store, as a test looks at what the program left
// there or puts in place what it will find.
#include <optional>
#include <string>
#include <vector>

#include "settings/RegistryStore.h"

namespace velatrace::testing {

inline std::optional<std::vector<uint8_t>> RawValue(RegistryStore& store, const char* keyPath,
                                                    const char* name, uint32_t* type = nullptr) {
    RegKey key = kNoKey;
    if (store.OpenKey(kCurrentUser, keyPath, &key) != reg::kSuccess) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(1 << 16);
    uint32_t size = static_cast<uint32_t>(bytes.size());
    const int32_t result = store.QueryValue(key, name, type, bytes.data(), &size);
    store.CloseKey(key);
    bytes.resize(size);
    return result == reg::kSuccess ? std::optional(bytes) : std::nullopt;
}

inline std::optional<int32_t> DwordValue(RegistryStore& store, const char* keyPath,
                                         const char* name) {
    const auto bytes = RawValue(store, keyPath, name);
    if (!bytes || bytes->size() != 4) {
        return std::nullopt;
    }
    return static_cast<int32_t>((*bytes)[0] | (*bytes)[1] << 8 | (*bytes)[2] << 16 |
                                static_cast<uint32_t>((*bytes)[3]) << 24);  // little-endian
}

inline std::vector<std::string> ValueNames(RegistryStore& store, const char* keyPath) {
    std::vector<std::string> names;
    RegKey key = kNoKey;
    store.OpenKey(kCurrentUser, keyPath, &key);
    char name[256];
    uint32_t size = sizeof name;
    while (store.EnumValue(key, static_cast<uint32_t>(names.size()), name, &size) ==
           reg::kSuccess) {
        names.emplace_back(name, size);
        size = sizeof name;
    }
    store.CloseKey(key);
    return names;
}

inline void PutValue(RegistryStore& store, const char* keyPath, const char* name, uint32_t type,
                     const void* data, uint32_t size) {
    RegKey key = kNoKey;
    store.CreateKey(kCurrentUser, keyPath, &key);
    store.SetValue(key, name, type, data, size);
    store.CloseKey(key);
}

inline void PutDword(RegistryStore& store, const char* keyPath, const char* name, int32_t v) {
    PutValue(store, keyPath, name, reg::kDword, &v, 4);
}

inline void PutText(RegistryStore& store, const char* keyPath, const char* name,
                    const std::string& text) {
    PutValue(store, keyPath, name, reg::kSz, text.c_str(), static_cast<uint32_t>(text.size() + 1));
}

}  // namespace velatrace::testing
