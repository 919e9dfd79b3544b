#pragma once
// An open registry key that closes itself, with the value reads and writes the settings use.
// Reads follow one rule: the field already holds its default, and a value that is missing or
// does not fit the field leaves it as it is. Failures are not reported; the caller carries on.
#include <cstdint>

#include "settings/RegistryStore.h"

namespace velatrace {

class RegistryKey {
  public:
    explicit RegistryKey(RegistryStore& store) : store_(store) {}
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Create-or-open with full access / open an existing key. Either closes a key held before.
    bool Create(RegKey parent, const char* subKey);
    bool Open(RegKey parent, const char* subKey);
    void Close();
    bool IsOpen() const { return key_ != kNoKey; }
    RegKey Handle() const { return key_; }

    // Reads a 4-byte number into `field`.
    void ReadDword(const char* name, int32_t& field) const;
    // Reads a text of at most `fieldSize` bytes into `field`, which is left terminated. A text
    // that needs more room (with its terminator) is not loaded: false then, true otherwise
    // (also when the value is missing).
    bool ReadText(const char* name, char* field, uint32_t fieldSize) const;
    // Whether the value exists.
    bool HasValue(const char* name) const;

    void WriteDword(const char* name, int32_t value);
    // Writes the text and its terminator.
    void WriteText(const char* name, const char* text);
    // Writes `size` bytes of `bytes` as a text value, whatever they hold.
    void WriteTextBytes(const char* name, const char* bytes, uint32_t size);
    void DeleteValue(const char* name);

  private:
    RegistryStore& store_;
    RegKey key_ = kNoKey;
};

}  // namespace velatrace
