# The Debian package, made by CPack from the Release build: `cpack -G DEB` in the build
# folder, or scripts/package.sh, which also checks the package. It holds the installed
# layout of cmake/VelmorakInstall.cmake under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmorak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmorak developers <velmorak@velmorak.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chess program with engines, games database and training")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The engine plug-in runs Stockfish unless its ini file names another UCI engine; the
# engine's book and the fonts of two piece sets are read from their packages when present.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS stockfish)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnuchess-book, fonts-freefont-ttf, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description below the summary; CPack indents its lines, which must stay within
# 80 columns then.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velmorak plays chess against UCI engines (Stockfish by
default) through its engine plug-ins, keeps games in PGN files and databases,
reads opening books, trains on tactical positions, plays on Internet chess
servers and with DGT electronic boards, and announces moves aloud. It comes as
a desktop program and as velmorak-cli for the command line.")

# What Debian wants of every package beyond the installed files: the copyright file and a
# changelog, compressed as dpkg-deb would not do itself, and compressed manual pages. They
# are added to the staging folder before it is packed, so that `cmake --install` stays free
# of Debian's files.
set(CPACK_DEBIAN_PACKAGE_VERSION_FULL ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(VELMORAK_DEB_VERSION ${CPACK_DEBIAN_PACKAGE_VERSION_FULL})
# The date honours SOURCE_DATE_EPOCH, for reproducible packages.
string(TIMESTAMP VELMORAK_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
    ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
set(CPACK_VELMORAK_COPYRIGHT ${PROJECT_SOURCE_DIR}/packaging/debian/copyright)
set(CPACK_VELMORAK_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog.Debian)
set(CPACK_VELMORAK_LINTIAN_OVERRIDES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/VelmorakDebianFiles.cmake)

include(CPack)
