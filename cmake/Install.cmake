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

# The licence, where Debian keeps each package's, as soon as the repository has one.
foreach(licence LICENSE COPYING)
    if(EXISTS "${CMAKE_SOURCE_DIR}/${licence}")
        install(FILES "${licence}" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/vesperine"
                RENAME copyright)
    endif()
endforeach()

set(CPACK_PACKAGE_NAME vesperine)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tint every display through the day")
set(CPACK_PACKAGE_DESCRIPTION
    "Vesperine changes how every attached display renders colour and brightness through the
day, on a schedule of steps anchored to clock times or to sunrise and sunset: Bright, Warm
(a colour temperature), Red (the red channel only) or Off. A tray icon, hot keys and the
vesperine command switch modes for a while.")
set(CPACK_PACKAGE_CONTACT "Vesperine developers")
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
