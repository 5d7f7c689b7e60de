# Debian package of the game: `cpack` in a configured build tree (after building it) makes
# zolva-puzzle_<version>_<arch>.deb with the binary, its help, the launcher entry, the
# metainfo and the icons.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zolva-puzzle)
set(CPACK_PACKAGE_VENDOR "Zolva Games")
set(CPACK_PACKAGE_CONTACT "Zolva Games <support@zolva.example.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sliding-picture puzzle game")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A picture is cut into a grid of tiles, one corner tile is taken away, and the player "
    "slides the shuffled tiles back until the picture is whole again. Three levels and any "
    "grid from 3 x 3 to 10 x 10, custom pictures, tile numbers and best times.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://zolva.example.com")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Packages always hold everything, whatever component an install rule names.
set(CPACK_DEB_COMPONENT_INSTALL OFF)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zolva Games <support@zolva.example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link (the decoder process links libseccomp), plus what Qt
# loads at run time: the platform plugins, the image format plugins (TGA, TIFF, WebP), the
# SQLite driver that Qt Help reads its files with, and the font the counters and tile
# numbers are drawn in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), \
libqt6help6 (>= 6.4), libqt6sql6-sqlite (>= 6.4), qt6-qpa-plugins (>= 6.4), \
qt6-image-formats-plugins (>= 6.4), libgraphicsmagick++-q16-12, libseccomp2, fonts-liberation2, \
libc6 (>= 2.34), libstdc++6 (>= 12)")

include(CPack)
