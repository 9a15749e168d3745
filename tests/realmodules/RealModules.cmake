# Smoke tests over real Windows modules (Wine's PE32+ and PE32 modules, the MinGW runtimes), label
# realmodules: every module through the module windows and through every tarnview-cli command.
# They are opt-in (the ordinary run excludes the label) and meant for a TARNVIEW_SANITIZE build;
# without the modules (scripts/fetch-real-modules.sh) they are skipped, not failed. One test per
# folder and part, so they run in parallel and report separately.
set(TARNVIEW_REAL_MODULE_KINDS wine-x86_64 wine-i386 mingw-x86_64 mingw-i686)
set(REALMODULES_DIR ${CMAKE_CURRENT_LIST_DIR})

if(TARNVIEW_BUILD_UI)
  add_executable(tarnview_realmodules_ui ${REALMODULES_DIR}/RealModuleWalk.cpp)
  target_compile_options(tarnview_realmodules_ui PRIVATE ${TARNVIEW_WARNINGS})
  target_link_libraries(tarnview_realmodules_ui PRIVATE tarnview_ui Qt6::Test)
  foreach(kind IN LISTS TARNVIEW_REAL_MODULE_KINDS)
    add_test(NAME realmodules.ui.${kind} COMMAND tarnview_realmodules_ui ${kind})
    set_tests_properties(realmodules.ui.${kind} PROPERTIES LABELS realmodules
      SKIP_RETURN_CODE 77 TIMEOUT 7200 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endif()

# Debian's python3 (scripts/setup.sh installs it) before any other on the PATH.
find_program(TARNVIEW_PYTHON3 NAMES python3 HINTS /usr/bin)
if(TARNVIEW_PYTHON3)
  foreach(kind IN LISTS TARNVIEW_REAL_MODULE_KINDS)
    add_test(NAME realmodules.cli.${kind}
      COMMAND ${TARNVIEW_PYTHON3} ${REALMODULES_DIR}/cli_smoke.py $<TARGET_FILE:tarnview-cli>
              ${kind} ${CMAKE_CURRENT_BINARY_DIR}/realmodules-cli-${kind})
    set_tests_properties(realmodules.cli.${kind} PROPERTIES LABELS realmodules
      SKIP_RETURN_CODE 77 TIMEOUT 7200)
  endforeach()
endif()
