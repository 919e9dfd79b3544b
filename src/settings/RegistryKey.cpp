#include "settings/RegistryKey.h"

#include <cstring>
#include <vector>

namespace velatrace {

bool RegistryKey::Create(RegKey parent, const char* subKey) {
    Close();
    RegKey key = kNoKey;
    if (store_.CreateKey(parent, subKey, &key) != reg::kSuccess) {
        return false;
    }
    key_ = key;
    return true;
}

bool RegistryKey::Open(RegKey parent, const char* subKey) {
    Close();
    RegKey key = kNoKey;
    if (store_.OpenKey(parent, subKey, &key) != reg::kSuccess) {
        return false;
    }
    key_ = key;
    return true;
}

void RegistryKey::Close() {
    if (key_ != kNoKey) {
        store_.CloseKey(key_);
        key_ = kNoKey;
    }
}

void RegistryKey::ReadDword(const char* name, int32_t& field) const {
    if (!IsOpen()) {
        return;
    }
    // Registry numbers are little-endian; a shorter value replaces the low bytes only, as a
    // read straight into the field would.
    uint8_t bytes[4] = {};
    uint32_t size = sizeof bytes;
    if (store_.QueryValue(key_, name, nullptr, bytes, &size) != reg::kSuccess) {
        return;
    }
    uint32_t value = static_cast<uint32_t>(field);
    for (uint32_t i = 0; i < size; ++i) {
        value = (value & ~(0xFFu << (8 * i))) | (static_cast<uint32_t>(bytes[i]) << (8 * i));
    }
    field = static_cast<int32_t>(value);
}

bool RegistryKey::ReadText(const char* name, char* field, uint32_t fieldSize) const {
    if (!IsOpen() || fieldSize == 0) {
        return true;
    }
    std::vector<char> bytes(fieldSize);
    uint32_t size = fieldSize;
    const int32_t r = store_.QueryValue(key_, name, nullptr, bytes.data(), &size);
    if (r != reg::kSuccess) {
        return r != reg::kMoreData;
    }
    const void* nul = std::memchr(bytes.data(), '\0', size);
    if (nul == nullptr && size == fieldSize) {
        return false;  // no room left for the terminator: the text is longer than the field
    }
    std::memcpy(field, bytes.data(), size);
    if (nul == nullptr) {
        field[size] = '\0';
    }
    return true;
}

bool RegistryKey::HasValue(const char* name) const {
    uint32_t size = 0;
    return IsOpen() && store_.QueryValue(key_, name, nullptr, nullptr, &size) == reg::kSuccess;
}

void RegistryKey::WriteDword(const char* name, int32_t value) {
    if (!IsOpen()) {
        return;
    }
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                              static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    store_.SetValue(key_, name, reg::kDword, bytes, sizeof bytes);
}

void RegistryKey::WriteText(const char* name, const char* text) {
    WriteTextBytes(name, text, static_cast<uint32_t>(std::strlen(text) + 1));
}

void RegistryKey::WriteTextBytes(const char* name, const char* bytes, uint32_t size) {
    if (!IsOpen()) {
        return;
    }
    store_.SetValue(key_, name, reg::kSz, bytes, size);
}

void RegistryKey::DeleteValue(const char* name) {
    if (IsOpen()) {
        store_.DeleteValue(key_, name);
    }
}

}  // namespace velatrace
