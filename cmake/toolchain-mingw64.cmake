# Cross-builds for 64-bit Windows with Debian's posix-threaded mingw-w64 (g++-mingw-w64-x86-64-posix).
set(VELATRACE_MINGW_TRIPLE x86_64-w64-mingw32)
set(VELATRACE_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
