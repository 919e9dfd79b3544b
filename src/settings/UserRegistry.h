#pragma once
// The current user's settings registry of this system: the Windows registry on Windows, the
// registry-export file (RegistryFile::DefaultPath) elsewhere.
#include <memory>

#include "settings/RegistryStore.h"

namespace velatrace {

std::unique_ptr<RegistryStore> OpenUserRegistry();

}  // namespace velatrace
