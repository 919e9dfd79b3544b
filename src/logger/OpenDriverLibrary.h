#pragma once
// The platform's driver library binding: libgtcusbr.so through dlopen, or gtcusbr.dll through
// LoadLibrary. VELATRACE_DRIVER names another library path on both.
#include <memory>

#include "logger/DriverLibrary.h"

namespace velatrace {

std::unique_ptr<DriverLibrary> OpenDriverLibrary();

}  // namespace velatrace
