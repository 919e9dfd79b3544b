# What both mingw-w64 toolchain files share; they name the target triple and processor first.
# The C and C++ runtimes and winpthread are linked statically, so the programs and DLLs run
# (also under Wine) without copying the compiler's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VELATRACE_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${VELATRACE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELATRACE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELATRACE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELATRACE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# printf with the C99 conversions (%zu, %lld) everywhere, as on the other systems.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
