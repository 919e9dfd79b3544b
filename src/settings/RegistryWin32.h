#pragma once
// The settings registry as the current user's Windows registry (advapi32). Windows only.
//
// A key that cannot be created or a value the registry refuses to store is kept as the store's
// problem for the user (and on stderr), naming the key and the system's reason; a key closed after
// all its writes succeeded clears it. The settings in memory stay what the program uses.
#include <map>
#include <string>

#include "settings/RegistryStore.h"

namespace velatrace {

class RegistryWin32 final : public RegistryStore {
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

    const char* Problem() const override { return problem_.c_str(); }

  private:
    // The full path of a key handle, for the user; "" for one this store did not open.
    std::string PathOf(RegKey key) const;
    void SaveFailed(const std::string& where, int32_t error);

    struct OpenKeyState {
        std::string path;
        bool wrote = false;   // a value was stored through this handle
        bool failed = false;  // a write through this handle was refused
    };
    std::map<RegKey, OpenKeyState> open_;
    std::string problem_;
};

}  // namespace velatrace
