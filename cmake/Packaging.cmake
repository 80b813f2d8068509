# SPDX-License-Identifier: BSD-3-Clause
# The Debian package: the programs, the manual pages, the desktop entry and icons, and the C
# library with its header, as cmake --install lays them out under /usr. The runtime
# dependencies (Qt 6, libsndfile, libsoxr, the C++ runtime) are found by dpkg-shlibdeps from
# the programs themselves.
set(CPACK_PACKAGE_NAME veltrane)
set(CPACK_PACKAGE_VENDOR "Veltrane developers")
set(CPACK_PACKAGE_CONTACT "Veltrane developers <veltrane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch converter of speech recordings to compact .wrm files")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Veltrane converts 16 kHz mono WAV speech recordings into .wrm files with a 16 kbit/s "
    "wideband CELP speech encoder, and back: a Qt 6 dialog (veltrane), a command-line "
    "converter that uses every core (veltrane-cli) and the C library libveltrane.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package ships libveltrane.so.1 itself; its own shlibs file lets dpkg-shlibdeps resolve it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/veltrane")
include(CPack)
