# Debian package of the game: scripts/package.sh, or `cpack` in a configured build tree
# after building it, makes zolva-puzzle_<version>_<arch>.deb. The package holds whatever
# the install() rules of the project install, stripped, together with the licence, the
# changelog and the manual page below; the libraries the binaries link are found by
# dpkg-shlibdeps, so a new program or module needs nothing here.

# The texts Debian asks of every package. Compressed at the highest level and without a
# time stamp, so the same sources make the same package.
find_program(ZOLVA_GZIP gzip REQUIRED)
set(zolva_package_dir ${PROJECT_BINARY_DIR}/packaging)
set(zolva_compressed)
foreach(text changelog zolva-puzzle.6)
    add_custom_command(OUTPUT ${zolva_package_dir}/${text}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/${text}
            ${zolva_package_dir}/${text}
        COMMAND ${ZOLVA_GZIP} -9nf ${zolva_package_dir}/${text}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${text}
        VERBATIM)
    list(APPEND zolva_compressed ${zolva_package_dir}/${text}.gz)
endforeach()
add_custom_target(zolva_package_texts ALL DEPENDS ${zolva_compressed})

# The changelog's newest entry must be the version being built.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog zolva_changelog_top LIMIT_COUNT 1)
if(NOT zolva_changelog_top MATCHES "^zolva-puzzle \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog has no entry for ${PROJECT_VERSION} at the top")
endif()

set(zolva_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/zolva-puzzle)
install(FILES packaging/copyright ${zolva_package_dir}/changelog.gz
    DESTINATION ${zolva_doc_dir} COMPONENT data)
install(FILES ${zolva_package_dir}/zolva-puzzle.6.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT data)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zolva-puzzle)
set(CPACK_PACKAGE_VENDOR "Zolva Games")
set(CPACK_PACKAGE_CONTACT "Zolva Games <support@zolva.example.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sliding-picture puzzle game")
# Lines of at most 80 characters, as the package tools show them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A picture is cut into a grid of tiles, one corner tile is taken away, and\n"
    "the player slides the shuffled tiles back until the picture is whole again.\n"
    "Three levels and any grid from 3 x 3 to 10 x 10, custom pictures, tile\n"
    "numbers, hints and best times.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://zolva.example.com")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
# Packages always hold everything, whatever component an install rule names.
set(CPACK_DEB_COMPONENT_INSTALL OFF)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zolva Games <support@zolva.example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What Qt loads at run time, which no binary links: the platform plugins, the image
# format plugins (TGA, TIFF, WebP), the SQLite driver that Qt Help reads its files with, and
# the font the counters and tile numbers are drawn in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins (>= 6.4), qt6-image-formats-plugins (>= 6.4), \
libqt6sql6-sqlite (>= 6.4), fonts-liberation2")

include(CPack)
