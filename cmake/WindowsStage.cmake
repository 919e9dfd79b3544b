# The program staged for Windows by `cmake --install` (the MSYS2 presets in CMakePresets.json):
# the 64-bit program with the DLLs it needs and Qt's plugins (windeployqt), and from the 32-bit
# build the driver host and the simulated gtcusbr.dll, side by side in <prefix>/bin.
include(GNUInstallDirs)

# The toolchain's own folder holds the DLLs of the libraries it was built with (Qt, FFmpeg,
# libjpeg-turbo and their own dependencies in an MSYS2 environment).
get_filename_component(velatrace_toolchain_bin ${CMAKE_CXX_COMPILER} DIRECTORY)

if(TARGET velatrace)
  install(TARGETS velatrace
          RUNTIME_DEPENDENCIES
            PRE_EXCLUDE_REGEXES "api-ms-.*" "ext-ms-.*"
            POST_EXCLUDE_REGEXES ".*[Ss]ystem32/.*"
            DIRECTORIES ${velatrace_toolchain_bin}
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  find_program(VELATRACE_WINDEPLOYQT NAMES windeployqt6 windeployqt windeployqt-qt6
               HINTS ${velatrace_toolchain_bin})
  if(NOT VELATRACE_WINDEPLOYQT)
    message(FATAL_ERROR "windeployqt not found: install Qt's tools (mingw-w64-ucrt-x86_64-qt6-tools)")
  endif()
  install(CODE "execute_process(COMMAND \"${VELATRACE_WINDEPLOYQT}\" --no-compiler-runtime
                  \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/velatrace.exe\"
                  COMMAND_ERROR_IS_FATAL ANY)")
endif()

# The maker's driver library is 32-bit: the driver host (installed by src/logger) and the
# simulated gtcusbr.dll beside it come from the 32-bit build.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND TARGET gtcusbr)
  install(TARGETS gtcusbr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
