# The Debian package: `cpack -G DEB` in the build folder writes tarnview_<version>_<arch>.deb from
# the install rules (cmake/Install.cmake). dpkg-shlibdeps (dpkg-dev) works out the shared
# libraries' packages from the programs themselves; what the programs open by path or load as a
# plug-in is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnview)
set(CPACK_PACKAGE_VENDOR Brisling)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brisling <tarnview@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for the headers and resources of Windows modules")
# The long description as dpkg shows it: lines of at most 80 columns, as Debian asks.
set(CPACK_PACKAGE_DESCRIPTION [=[
Tarnview browses folders and shows what is inside Windows PE/COFF modules
(EXE, DLL, OCX, SYS, EFI and others) without loading or running them: a
module list whose detail columns fill in the background, a headers window
(DOS and NT headers, exports, imported libraries) and a resources window
(version texts, string tables, bitmaps, icons, cursors, menus, dialogs with
a preview, hex dumps, export to .rc, .txt, .bmp and raw .bin files). Its
user interface is German.

The command-line tool tarnview-cli prints the same texts on standard output,
for scripts.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# No Homepage: the project has no public page yet.
if(TARNVIEW_BUILD_UI)
  # The dialog preview opens Wine's Tahoma and Marlett by path and asks for the Liberation
  # families; Qt's SVG image and icon plug-ins, which themes' SVG icons need, ship in
  # libqt6svg6, which the program links anyway. xdg-open shows folders where no file manager
  # answers on the session bus, and the program says so when it is missing.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, fonts-liberation2")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
endif()
# dpkg names the architecture; CPack asks it when this is unset.
unset(CPACK_DEBIAN_PACKAGE_ARCHITECTURE)

# The changelog Debian's tools look for beside the copyright, dated by the last commit so that
# rebuilding one commit gives the same bytes (SOURCE_DATE_EPOCH, when set, wins, as everywhere in
# Debian).
set(CPACK_DEBIAN_PACKAGE_VERSION ${CPACK_PACKAGE_VERSION})
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(git_result EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
    string(TIMESTAMP TARNVIEW_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    unset(ENV{SOURCE_DATE_EPOCH})
  endif()
endif()
if(NOT TARNVIEW_CHANGELOG_DATE)
  string(TIMESTAMP TARNVIEW_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/deb/changelog.in
               ${CMAKE_CURRENT_BINARY_DIR}/deb/changelog @ONLY)
set(TARNVIEW_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/deb/changelog.gz)
add_custom_command(OUTPUT ${TARNVIEW_CHANGELOG_GZ}
  COMMAND sh -c "\"$1\" -9nc \"$2\" >\"$3.tmp\" && mv \"$3.tmp\" \"$3\""
          sh ${TARNVIEW_GZIP} ${CMAKE_CURRENT_BINARY_DIR}/deb/changelog ${TARNVIEW_CHANGELOG_GZ}
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/deb/changelog
  VERBATIM)
add_custom_target(tarnview_deb_changelog ALL DEPENDS ${TARNVIEW_CHANGELOG_GZ})
install(FILES ${TARNVIEW_CHANGELOG_GZ} DESTINATION ${TARNVIEW_DOC_DIR})

include(CPack)

# The package test makes the package in a scratch folder and reads it back with dpkg-deb.
find_program(TARNVIEW_DPKG_DEB dpkg-deb)
# CPack finds the programs among the files with `file` and hands them to dpkg-shlibdeps.
find_program(TARNVIEW_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(TARNVIEW_FILE_PROGRAM file)
if(TARNVIEW_BUILD_TESTS AND TARNVIEW_DPKG_DEB AND TARNVIEW_DPKG_SHLIBDEPS AND TARNVIEW_FILE_PROGRAM)
  add_test(NAME deb_package_contents
    COMMAND ${CMAKE_COMMAND} -DMODE=deb -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DPREFIX=${CMAKE_BINARY_DIR}/package-test -DWITH_UI=${TARNVIEW_BUILD_UI}
            "-DICON_SIZES=${TARNVIEW_ICON_SIZES}" -DAPPSTREAM_ID=${TARNVIEW_APPSTREAM_ID}
            -DCPACK=${CMAKE_CPACK_COMMAND} -DDPKG_DEB=${TARNVIEW_DPKG_DEB}
            -DPACKAGE_VERSION=${CPACK_PACKAGE_VERSION}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckInstall.cmake)
  set_tests_properties(deb_package_contents PROPERTIES LABELS package)
endif()
