# A Debian package of the installed program: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME tulva-and-vesk)
set(CPACK_PACKAGE_VENDOR "The Tulva and Vesk team")
set(CPACK_PACKAGE_CONTACT "The Tulva and Vesk team <tulva@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "game of deduction with digits")
set(CPACK_PACKAGE_DESCRIPTION
    "The computer draws a secret number of 4 to 9 digits and the player finds it by guessing; every guess is answered with the digits in place (Tulva) and the digits elsewhere (Vesk).")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The shared libraries that the program and its sound module link are found
# by dpkg-shlibdeps. The
# Qt plugins that it loads at run time (the X11 platform, JPEG
# decoding, the sound back-ends) ship in the same Debian packages as the
# libraries it links (libqt6gui6, libqt6multimedia6), so the computed list
# covers them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
# Only the program and its files: the test and tool targets are not installed.
include(CPack)
