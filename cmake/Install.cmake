# Where an installed Tarnview puts its files: the two programs in bin, the icon in the hicolor
# theme (scalable) and the desktop entry, so that file managers offer it for Windows modules.
include(GNUInstallDirs)

if(TARNVIEW_BUILD_UI)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/tarnview.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/tarnview.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# The install test copies the built tree into a scratch prefix and checks that every file arrives.
if(TARNVIEW_BUILD_TESTS)
  add_test(NAME install_puts_files_in_place
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DPREFIX=${CMAKE_BINARY_DIR}/install-test -DWITH_UI=${TARNVIEW_BUILD_UI}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckInstall.cmake)
endif()
