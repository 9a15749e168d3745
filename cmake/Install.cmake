# Where an installed Tarnview puts its files: the two programs in bin, the program icon in every
# usual size of the hicolor theme, the desktop entry and its AppStream description, so that file
# managers and software centres offer it for Windows modules, the manual pages and the copyright.
include(GNUInstallDirs)

# Folders a package unpacks must be 0755 whatever the umask of the one who built it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The documentation folder is named after the package, not after the CMake project ("Tarnview").
set(TARNVIEW_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarnview)
# The AppStream component id; the metainfo file is named after it.
set(TARNVIEW_APPSTREAM_ID org.example.tarnview)
set(TARNVIEW_ICON_SIZES 16 22 24 32 48 64 128 256)

install(TARGETS tarnview-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/cmake/deb/copyright DESTINATION ${TARNVIEW_DOC_DIR})

# Manual pages go compressed, without a time stamp in the gzip header, so that two builds of one
# source give the same bytes.
find_program(TARNVIEW_GZIP gzip REQUIRED)
set(TARNVIEW_MAN_PAGES tarnview-cli.1)
if(TARNVIEW_BUILD_UI)
  list(APPEND TARNVIEW_MAN_PAGES tarnview.1)
endif()
set(TARNVIEW_MAN_OUTPUTS "")
foreach(page IN LISTS TARNVIEW_MAN_PAGES)
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/docs/man/${page})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND sh -c "\"$1\" -9nc \"$2\" >\"$3.tmp\" && mv \"$3.tmp\" \"$3\""
            sh ${TARNVIEW_GZIP} ${source} ${output}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${page}"
    VERBATIM)
  list(APPEND TARNVIEW_MAN_OUTPUTS ${output})
endforeach()
add_custom_target(tarnview_man_pages ALL DEPENDS ${TARNVIEW_MAN_OUTPUTS})
install(FILES ${TARNVIEW_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TARNVIEW_BUILD_UI)
  install(TARGETS tarnview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The bitmap sizes are drawn from the one SVG at build time.
  set(icon_svg ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/tarnview.svg)
  set(icon_root ${CMAKE_CURRENT_BINARY_DIR}/icons/hicolor)
  add_executable(tarnview_render_icons ${CMAKE_CURRENT_SOURCE_DIR}/cmake/RenderIcons.cpp)
  target_compile_options(tarnview_render_icons PRIVATE ${TARNVIEW_WARNINGS})
  target_link_libraries(tarnview_render_icons PRIVATE Qt6::Gui Qt6::Svg)
  set(icon_pngs "")
  foreach(size IN LISTS TARNVIEW_ICON_SIZES)
    list(APPEND icon_pngs ${icon_root}/${size}x${size}/apps/tarnview.png)
  endforeach()
  add_custom_command(OUTPUT ${icon_pngs}
    COMMAND tarnview_render_icons ${icon_svg} ${icon_root} ${TARNVIEW_ICON_SIZES}
    DEPENDS tarnview_render_icons ${icon_svg}
    COMMENT "Rendering the program icon in the hicolor sizes"
    VERBATIM)
  add_custom_target(tarnview_icons ALL DEPENDS ${icon_pngs})
  foreach(size IN LISTS TARNVIEW_ICON_SIZES)
    install(FILES ${icon_root}/${size}x${size}/apps/tarnview.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/tarnview.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/${TARNVIEW_APPSTREAM_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The install test copies the built tree into a scratch prefix and checks that every file arrives.
if(TARNVIEW_BUILD_TESTS)
  add_test(NAME install_puts_files_in_place
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DPREFIX=${CMAKE_BINARY_DIR}/install-test -DWITH_UI=${TARNVIEW_BUILD_UI}
            "-DICON_SIZES=${TARNVIEW_ICON_SIZES}" -DAPPSTREAM_ID=${TARNVIEW_APPSTREAM_ID}
            -DPACKAGE_VERSION=${PROJECT_VERSION}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckInstall.cmake)
endif()

# The texts installed beside the programs, checked by the tools the desktop and Debian check
# them with, where those are installed (scripts/setup.sh installs them).
if(TARNVIEW_BUILD_TESTS)
  find_program(TARNVIEW_MANDOC mandoc)
  set(man_check_args -DCLI=$<TARGET_FILE:tarnview-cli> -DMAN_DIR=${CMAKE_CURRENT_SOURCE_DIR}/docs/man)
  if(TARNVIEW_BUILD_UI)
    list(APPEND man_check_args -DGUI=$<TARGET_FILE:tarnview>)
  endif()
  if(TARNVIEW_MANDOC)
    list(APPEND man_check_args -DMANDOC=${TARNVIEW_MANDOC})
  endif()
  add_test(NAME man_pages_follow_help
    COMMAND ${CMAKE_COMMAND} ${man_check_args} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckManPages.cmake)
  set_tests_properties(man_pages_follow_help PROPERTIES LABELS package
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

  if(TARNVIEW_BUILD_UI)
    # A drawing the renderer cannot read, or a size that is none, stops the build: no icon is
    # better than an empty one in every size.
    add_test(NAME render_icons_refuses_bad_input
      COMMAND sh -c "out=$(mktemp -d); \"$1\" \"$2\" \"$out\" 16 2>/dev/null; a=$?; \
        \"$1\" \"$3\" \"$out\" 0 2>/dev/null; b=$?; \"$1\" \"$3\" \"$out\" 16x 2>/dev/null; c=$?; \
        echo \"$a $b $c files=$(find \"$out\" -type f | wc -l)\"; rm -rf \"$out\""
        sh $<TARGET_FILE:tarnview_render_icons> ${CMAKE_CURRENT_SOURCE_DIR}/README.md
        ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/tarnview.svg)
    set_tests_properties(render_icons_refuses_bad_input PROPERTIES LABELS package
      PASS_REGULAR_EXPRESSION "^1 1 1 files=0\n$")
  endif()

  find_program(TARNVIEW_DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(TARNVIEW_APPSTREAMCLI appstreamcli)
  if(TARNVIEW_BUILD_UI AND TARNVIEW_DESKTOP_FILE_VALIDATE)
    # Hints count too: they mean a menu entry that shows up twice, or a key a desktop ignores.
    add_test(NAME desktop_entry_is_valid
      COMMAND sh -c "out=$(\"$1\" \"$2\" 2>&1); status=$?; printf '%s' \"$out\"; [ $status -eq 0 ] && [ -z \"$out\" ]"
              sh ${TARNVIEW_DESKTOP_FILE_VALIDATE} ${CMAKE_CURRENT_SOURCE_DIR}/res/tarnview.desktop)
    set_tests_properties(desktop_entry_is_valid PROPERTIES LABELS package)
  endif()
  if(TARNVIEW_BUILD_UI AND TARNVIEW_APPSTREAMCLI)
    add_test(NAME metainfo_is_valid
      COMMAND ${TARNVIEW_APPSTREAMCLI} validate --no-net --explain
              ${CMAKE_CURRENT_SOURCE_DIR}/res/${TARNVIEW_APPSTREAM_ID}.metainfo.xml)
    set_tests_properties(metainfo_is_valid PROPERTIES LABELS package)
  endif()
endif()
