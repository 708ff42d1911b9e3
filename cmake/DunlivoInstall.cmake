# Installation and the Debian package.
#
#   cmake --install build [--prefix DIR]     (DESTDIR honoured)
#   cd build && cpack -G DEB                 (dunlivo_<version>_<arch>.deb, installing into /usr)
#
# Layout below the prefix: bin/ the four programs; share/dunlivo/ the data folders and the starting
# ext.lst (found from bin/ by the programs, which then keep each user's lists in a program folder
# inside the user's prefix); the menu entry, the icon, the README; and the log-in entry of the
# runner in etc/xdg/autostart (/etc/xdg/autostart for the prefix /usr, where desktops read it).
include(GNUInstallDirs)

install(TARGETS dunlivo archiv dunlivo-reg dunlivo-autorun RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(folder Language Background Help)
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/resources/${folder})
    install(DIRECTORY resources/${folder} DESTINATION ${CMAKE_INSTALL_DATADIR}/dunlivo)
  endif()
endforeach()
install(FILES resources/ext.lst DESTINATION ${CMAKE_INSTALL_DATADIR}/dunlivo)
install(FILES resources/icons/dunlivo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES resources/icons/dunlivo-48.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
        RENAME dunlivo.png)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The two desktop entries name the programs by full path, so they are written at install time,
# when the prefix is known (cmake --install --prefix may differ from the configured one).
install(CODE "
  set(dunlivo_bindir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"/usr\")
    set(dunlivo_autostart /etc/xdg/autostart)
  else()
    set(dunlivo_autostart \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart\")
  endif()
  set(dunlivo_gen \"${CMAKE_BINARY_DIR}/install-desktop\")
  foreach(entry dunlivo dunlivo-autorun)
    file(READ \"${PROJECT_SOURCE_DIR}/resources/desktop/\${entry}.desktop.in\" text)
    string(REPLACE \"@BINDIR@\" \"\${dunlivo_bindir}\" text \"\${text}\")
    file(WRITE \"\${dunlivo_gen}/\${entry}.desktop\" \"\${text}\")
  endforeach()
  file(INSTALL \"\${dunlivo_gen}/dunlivo.desktop\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  file(INSTALL \"\${dunlivo_gen}/dunlivo-autorun.desktop\" DESTINATION \"\${dunlivo_autostart}\")
")

set(CPACK_PACKAGE_NAME dunlivo)
set(CPACK_PACKAGE_VENDOR "Dunlivo")
set(CPACK_PACKAGE_CONTACT "Dunlivo maintainers <dunlivo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop backup tool: a panel and a background Archiver")
set(CPACK_PACKAGE_DESCRIPTION
    "The panel chooses what to back up and where, commands the Archiver and restores files; the Archiver keeps a primary and a secondary archive current, optionally bzip2-compressed, on timers, on command, at log-out and at shutdown.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The package installs into /usr whatever the build was configured for. Its install runs with
# DESTDIR, so the log-in entry lands in the package's /etc.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, dbus-user-session")
set(CPACK_GENERATOR DEB)
include(CPack)
