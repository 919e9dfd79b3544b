#pragma once
// The per-user settings registry as the core sees it, with the Windows registry's semantics:
// keys are created or opened by path below a root, values are typed byte strings with explicit
// byte counts, names compare without regard to letter case, and results are Windows error codes.
// The Windows backend is the real registry; elsewhere a registry-export text file stands in.
#include <cstdint>

namespace velatrace {

using RegKey = std::uintptr_t;

// The predefined root of the current user's settings (HKEY_CURRENT_USER).
inline constexpr RegKey kCurrentUser = 0x80000001u;
inline constexpr RegKey kNoKey = 0;

namespace reg {
// Result codes.
inline constexpr int32_t kSuccess = 0;
inline constexpr int32_t kFileNotFound = 2;  // no such key or value
inline constexpr int32_t kAccessDenied = 5;
inline constexpr int32_t kInvalidHandle = 6;
inline constexpr int32_t kInvalidParameter = 87;
inline constexpr int32_t kMoreData = 234;     // the value does not fit the buffer
inline constexpr int32_t kNoMoreItems = 259;  // enumeration past the last value

// Value types.
inline constexpr uint32_t kSz = 1;
inline constexpr uint32_t kExpandSz = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kMultiSz = 7;

// Access mask for full access (KEY_ALL_ACCESS).
inline constexpr uint32_t kAllAccess = 983103;
}  // namespace reg

class RegistryStore {
  public:
    virtual ~RegistryStore() = default;

    // Creates the key `subKey` below `parent` (with any missing keys on the way) or opens it if it
    // exists, with full access. On success *key is a handle to close with CloseKey.
    virtual int32_t CreateKey(RegKey parent, const char* subKey, RegKey* key) = 0;
    // Opens an existing key; kFileNotFound when it does not exist.
    virtual int32_t OpenKey(RegKey parent, const char* subKey, RegKey* key) = 0;
    // Closes a handle. Changes made through any handle are kept from then on; a file backend
    // writes them out here, so a group of values written under one open key is saved at once.
    virtual int32_t CloseKey(RegKey key) = 0;

    // Stores `size` bytes of `data` as value `name` of `type`, replacing an existing value.
    virtual int32_t SetValue(RegKey key, const char* name, uint32_t type, const void* data,
                             uint32_t size) = 0;
    // Reads value `name` into `data`, which holds *size bytes. On success *size is the stored
    // byte count and *type (when not null) its type. A missing value gives kFileNotFound; a
    // value longer than *size gives kMoreData with *size set to the count needed. In both cases
    // `data` is left untouched. With `data` null only the size and type are reported.
    virtual int32_t QueryValue(RegKey key, const char* name, uint32_t* type, void* data,
                               uint32_t* size) = 0;
    virtual int32_t DeleteValue(RegKey key, const char* name) = 0;
    // The name of the value at `index` (0-based, in storage order) into `name` of *nameSize
    // bytes; *nameSize becomes its length without the terminator. kNoMoreItems past the end,
    // kMoreData when the name does not fit.
    virtual int32_t EnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize) = 0;

    // What went wrong keeping the settings (reading them at start, or the latest save), for the
    // user; "" while all is well.
    virtual const char* Problem() const { return ""; }
};

}  // namespace velatrace
