#include "settings/UserRegistry.h"

#ifdef _WIN32
#include "settings/RegistryWin32.h"
#else
#include "settings/RegistryFile.h"
#endif

namespace velatrace {

std::unique_ptr<RegistryStore> OpenUserRegistry() {
#ifdef _WIN32
    return std::make_unique<RegistryWin32>();
#else
    return std::make_unique<RegistryFile>();
#endif
}

}  // namespace velatrace
