# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts in place, under the GNUInstallDirs folders, and
# the Debian package that CPack builds from the same rules.
include(GNUInstallDirs)

set(TONVAR_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Folder for the udev rule, relative to the prefix (udev reads /usr/lib and /usr/local/lib)")
set(TONVAR_PACKAGE_CONTACT "tonvar maintainers <maintainers@tonvar.invalid>" CACHE STRING
    "Maintainer named in the Debian package")
set(_data ${PROJECT_SOURCE_DIR}/data)

# The command-line tool is always built; the window only with TONVAR_GUI.
install(TARGETS tonvar-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TONVAR_GUI)
  install(TARGETS tonvar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The simulated radio, for trying the tool without a radio, under a name of
# its own on the PATH.
install(PROGRAMS $<TARGET_FILE:radio-sim> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME tonvar-radio-sim)
# Stripped like the targets when asked for (cmake --install --strip, CPack).
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\"
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tonvar-radio-sim\")
  endif()")

if(TONVAR_GUI)
  install(FILES ${_data}/${TONVAR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_data}/${TONVAR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${_data}/${TONVAR_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${_data}/icons/tonvar.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${TONVAR_APP_ID}.svg)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${_data}/icons/${size}x${size}/tonvar.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${TONVAR_APP_ID}.png)
  endforeach()
  install(FILES ${_data}/70-tonvar-cables.rules DESTINATION ${TONVAR_UDEV_RULES_DIR})
endif()

# Manual pages, compressed as Debian ships them; the window's only with it.
set(_pages tonvar-cli.1 tonvar-radio-sim.1)
if(TONVAR_GUI)
  list(PREPEND _pages tonvar.1)
endif()
set(_man_pages)
foreach(page IN LISTS _pages)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${_data}/man/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
    DEPENDS ${_data}/man/${page}
    VERBATIM)
  list(APPEND _man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(tonvar_man ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/docs/radio-image.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The licence (GPL-3.0-or-later) in Debian's machine-readable copyright format,
# and the release history as a Debian changelog, compressed as Debian ships it.
# The package's version is the project's: the changelog's latest entry and the
# metainfo's latest release must name it.
file(STRINGS ${_data}/changelog _changelog_top LIMIT_COUNT 1)
if(NOT _changelog_top MATCHES "^tonvar \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "data/changelog: the latest entry is not version ${PROJECT_VERSION}: ${_changelog_top}")
endif()
file(READ ${_data}/${TONVAR_APP_ID}.metainfo.xml _metainfo)
string(FIND "${_metainfo}" "<release version=\"${PROJECT_VERSION}\"" _release_at)
if(_release_at EQUAL -1)
  message(FATAL_ERROR "${TONVAR_APP_ID}.metainfo.xml: no release ${PROJECT_VERSION}")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${_data}/changelog ${_data}/${TONVAR_APP_ID}.metainfo.xml)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
  COMMAND gzip -9 -n -c ${_data}/changelog > ${CMAKE_BINARY_DIR}/doc/changelog.gz
  DEPENDS ${_data}/changelog
  VERBATIM)
add_custom_target(tonvar_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${_data}/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB (or cpack --preset default): the dependencies come from the
# binaries through dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME tonvar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TONVAR_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programming tool for a 16-channel handheld two-way radio")
# The long description in lines of under 80 characters, as Debian's tools show it.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Reads the channel memory and the general settings of a 16-channel handheld"
  "two-way radio over its USB programming cable, shows them in a table for"
  "editing, keeps them in channel files and writes them back into the radio."
  "The DTMF, 2TONE, 5TONE and FleetSync signalling settings have a window each."
  "tonvar-cli reads, writes and verifies radios from scripts, many at once. A"
  "simulated radio, tonvar-radio-sim, lets the tool be tried without a radio.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/tonvar/tonvar")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
include(CPack)
