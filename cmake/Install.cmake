# What `cmake --install` puts in place, and the Debian package made from it (`cpack -G DEB`).
# The program, its desktop entry, metainfo and icons under the bundle identifier, and its
# manual page.
include(GNUInstallDirs)

set(bundle_id com.brevan.vesperine)
install(TARGETS vesperine RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "data/${bundle_id}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "data/${bundle_id}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "data/icons/hicolor/scalable/apps/${bundle_id}.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
# The tray icon names one of the mode icons; installed, a tray host finds them in the theme.
install(FILES "data/icons/hicolor/symbolic/apps/${bundle_id}-symbolic.svg"
              "data/icons/fallback/${bundle_id}-bright-symbolic.svg"
              "data/icons/fallback/${bundle_id}-warm-symbolic.svg"
              "data/icons/fallback/${bundle_id}-red-symbolic.svg"
              "data/icons/fallback/${bundle_id}-off-symbolic.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/symbolic/apps")

# The manual page, compressed as man expects it in a package (-n: no time stamp inside).
configure_file(data/vesperine.1.in generated/vesperine.1 @ONLY)
set(man_page "${CMAKE_BINARY_DIR}/generated/vesperine.1.gz")
add_custom_command(OUTPUT "${man_page}"
    COMMAND gzip -9 -n -c "${CMAKE_BINARY_DIR}/generated/vesperine.1" > "${man_page}"
    DEPENDS "${CMAKE_BINARY_DIR}/generated/vesperine.1" VERBATIM)
add_custom_target(vesperine_man ALL DEPENDS "${man_page}")
install(FILES "${man_page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

# Where Debian keeps each package's licence and history: the copyright file in Debian's
# machine-readable form (it names the licence of each part and points at the full text in
# common-licenses) and the changelog, both compressed without a time stamp.
set(package_docs "${CMAKE_INSTALL_DATADIR}/doc/vesperine")
install(FILES data/debian/copyright DESTINATION "${package_docs}")
# The changelog's newest entry names the version being packaged; a release that forgets
# the entry stops here rather than ship a package whose history lags behind it.
file(STRINGS data/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^vesperine \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "data/debian/changelog: the newest entry is not ${PROJECT_VERSION}")
endif()
set(changelog "${CMAKE_BINARY_DIR}/generated/changelog.gz")
add_custom_command(OUTPUT "${changelog}"
    COMMAND gzip -9 -n -c "${CMAKE_SOURCE_DIR}/data/debian/changelog" > "${changelog}"
    DEPENDS "${CMAKE_SOURCE_DIR}/data/debian/changelog" VERBATIM)
add_custom_target(vesperine_changelog ALL DEPENDS "${changelog}")
install(FILES "${changelog}" DESTINATION "${package_docs}")

set(CPACK_PACKAGE_NAME vesperine)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tint every display through the day")
# The long description as apt shows it: lines under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Vesperine changes how every attached display renders colour and brightness
through the day, on a schedule of steps anchored to clock times or to sunrise
and sunset: Bright, Warm (a colour temperature), Red (the red channel only) or
Off. A tray icon, hot keys and the vesperine command switch modes for a while.")
# A person to write to about the package (also the changelog's signature).
set(VESPERINE_PACKAGE_CONTACT "Vesperine developers <vesperine@brevan.com>"
    CACHE STRING "The Debian package's maintainer: a name and a mail address")
set(CPACK_PACKAGE_CONTACT "${VESPERINE_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# The libraries the program links come from dpkg-shlibdeps; these are loaded or read at run
# time: Qt's SVG icon engine (the icons are SVG), Qt's Wayland platform (windows in a Wayland
# session without Xwayland) and the time-zone rules.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-wayland, tzdata")
include(CPack)
