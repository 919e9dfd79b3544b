# `cpack -G DEB` in the build folder makes velatrace_<version>_<arch>.deb of what `cmake --install`
# puts in place, under /usr. Its dependencies are those of the program, the media module and the
# simulated logger, found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME velatrace)
set(CPACK_PACKAGE_VENDOR "Korvex")
set(CPACK_PACKAGE_CONTACT "Velatrace developers <velatrace@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Test bench recorder: camera video beside data logger waveforms")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Velatrace shows a live camera picture beside live waveforms from a\n"
    "10-channel data logger, records AVI and CSV pairs by hand, by logger alarm\n"
    "or for a fixed time, and replays them with the waveforms following the\n"
    "picture. A simulated logger is included.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese texts need a font with their glyphs; the help opens through the desktop's opener;
# Qt's own catalogs translate its standard buttons and dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils, qt6-translations-l10n")
include(CPack)
