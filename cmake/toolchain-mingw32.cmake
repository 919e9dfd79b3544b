# Cross-builds for 32-bit Windows with Debian's posix-threaded mingw-w64 (g++-mingw-w64-i686-posix).
set(VELATRACE_MINGW_TRIPLE i686-w64-mingw32)
set(VELATRACE_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
