# The Debian package: cpack -G DEB in a configured build folder (scripts/package.sh does it all).
set(CPACK_PACKAGE_NAME tarvelin)
set(CPACK_PACKAGE_VENDOR "Tarvelin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TARVELIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join CNC NC program files into one file")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvelin puts NC program files for CNC machines into an ordered join list and
writes one joined file from them, with the percent lines, replacements and
front and end data that the operator sets. The window is Japanese; texts and
files are Shift-JIS with CR LF line breaks. The package also holds
tarvelin-join, the same join on the command line for scripts.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVELIN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TARVELIN_HOMEPAGE}")
# The libraries' packages come from dpkg-shlibdeps; the windows also need the Japanese Qt texts (dialog
# buttons) and a Japanese font, without which every caption is unreadable.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
