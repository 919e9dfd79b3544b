#pragma once
// The settings registry as the current user's Windows registry (advapi32). Windows only.
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
};

}  // namespace velatrace
