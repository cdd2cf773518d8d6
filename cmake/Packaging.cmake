# The game as a packaged Linux game: where the installed program finds its
# data, the icons, the desktop entry, the AppStream metainfo, the manual page,
# the install rules and the Debian package.

# A game's program goes in games/ beside bin/ (/usr/games in a Debian
# package); its data stays under share/, found from the program. A build
# tree made before keeps "bin" in its cache, which this replaces.
if(NOT CMAKE_INSTALL_BINDIR OR CMAKE_INSTALL_BINDIR STREQUAL "bin")
  set(CMAKE_INSTALL_BINDIR games CACHE PATH "Where the game's program is installed" FORCE)
endif()
include(GNUInstallDirs)

set(QV_RELEASE_DATE "2026-12-08")
set(QV_SCREENSHOT_URL "https://quorvelindaxtor.org/screenshots/title.png" CACHE STRING
    "Published picture of the title screen that software centres show")

# --- the installed program finds its data from its own directory ------------
# The data directory as seen from the program's directory, so that a prefix
# moved elsewhere as a whole still works.
set(QV_INSTALLED_DATA_DIR ${CMAKE_INSTALL_DATADIR}/quorvelindaxtor)
file(RELATIVE_PATH QV_DATA_FROM_PROGRAM
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${QV_INSTALLED_DATA_DIR})
target_compile_definitions(qv_platform_common PRIVATE
    QV_INSTALLED_DATA_FROM_PROGRAM="${QV_DATA_FROM_PROGRAM}")

# --- desktop entry, metainfo, manual page ------------------------------------
set(QV_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(QV_DESKTOP_FILE ${QV_DIST_DIR}/${QV_APP_ID}.desktop)
set(QV_METAINFO_FILE ${QV_DIST_DIR}/${QV_APP_ID}.metainfo.xml)
set(QV_MAN_PAGE ${QV_DIST_DIR}/quorvelindaxtor.6)
configure_file(dist/quorvelindaxtor.desktop.in ${QV_DESKTOP_FILE} @ONLY)
configure_file(dist/quorvelindaxtor.metainfo.xml.in ${QV_METAINFO_FILE} @ONLY)
configure_file(dist/quorvelindaxtor.6.in ${QV_MAN_PAGE} @ONLY)
# Manual pages are installed compressed, without a time stamp.
add_custom_command(
  OUTPUT ${QV_MAN_PAGE}.gz
  COMMAND gzip -9nkf ${QV_MAN_PAGE}
  DEPENDS ${QV_MAN_PAGE}
  COMMENT "Compressing the manual page")
add_custom_target(manpage ALL DEPENDS ${QV_MAN_PAGE}.gz)

# --- licence and changelog, where Debian keeps them ---------------------------
# The package is the project's own (a native package: its version has no
# Debian revision), so its changelog is changelog.gz, compressed without a
# time stamp like the manual page.
add_custom_command(
  OUTPUT ${QV_DIST_DIR}/changelog.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/dist/changelog > ${QV_DIST_DIR}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/dist/changelog
  COMMENT "Compressing the changelog")
add_custom_target(changelog ALL DEPENDS ${QV_DIST_DIR}/changelog.gz)

# --- install ------------------------------------------------------------------
install(TARGETS quorvelindaxtor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(name ${QV_DATA_NAMES})
  get_filename_component(directory "${name}" DIRECTORY)
  install(FILES ${QV_DATA_DIR}/${name} DESTINATION ${QV_INSTALLED_DATA_DIR}/${directory})
endforeach()
install(DIRECTORY ${QV_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${QV_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QV_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QV_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES dist/copyright ${QV_DIST_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvelindaxtor)

# --- the Debian package -------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvelindaxtor)
set(CPACK_PACKAGE_VENDOR "The Quorvelindaxtor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade shooter: defend a domed base against invading plants")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "Seed 99594ce3 maintainers <maintainers@users.noreply.c-seed-99594ce3.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the description's first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Spores fall from the night sky and take root as creeping plants around\n\
your domed base; once you pass 1000 points a great flyer, the sower,\n\
seeds them from above. Steer your ship, shoot the spores, the seed pods\n\
and the vines, and keep the plants from closing the ring around the dome.\n\
\n\
Plays with the keyboard or a gamepad, full screen or in a window. The\n\
game's texts are in French.")
# The libraries come from what the program links; the font's glyphs are in
# the package's own data.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
