# The Debian package: cmake --build <build> --target package makes
# <build>/quennoav_<version>_amd64.deb from everything the install rules put below /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quennoav)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "QuennoAV developers")
set(CPACK_PACKAGE_CONTACT "QuennoAV developers <maintainers@quennoav.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop anti-virus utility that finds infected files by checksum")
# The extended description; CPack puts the summary above it and indents every line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "QuennoAV compares the CRC-32 checksum of each file's whole content with a
hand-edited signature list and lists every match, which can then be deleted
or moved into quarantine. It also offers a quarantine manager, a checksum
checker, a process manager, registry repairs, an attribute restorer, start
at log-on with a notification-area icon, and quennoscan for the terminal.
.
Each user keeps a signature list and quarantine of their own in
~/.local/share/QuennoAV.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries are found by dpkg-shlibdeps; sounds, the movie and the music are played through
# GStreamer plugins, which no library names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-libav, xdg-utils, fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
# The application folder goes into the package granting nobody write access, so that even
# root running the program keeps its data in its own home (see platform/FileSystem.h), and
# is made writable again afterwards so that the next run can clear its staging folder.
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/QuennoPackageFolderMode.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/QuennoPackageFolderMode.cmake")
set(CPACK_QUENNO_APP_DIR "${CPACK_PACKAGING_INSTALL_PREFIX}/${QUENNO_INSTALL_APP_DIR}")

include(CPack)
