# The program's own version resource. The About box and `tarnview-cli version ""` read it through
# CVersionInfo::Load(""), as they would read any module's: a host tool writes the VS_VERSIONINFO
# bytes into a generated source of tarnview_core, so the desktop program and the command-line tool
# both carry it.
set(TARNVIEW_VERSION_LANGUAGE 0x0407)  # Deutsch (Deutschland)
set(TARNVIEW_VERSION_CODEPAGE 1200)    # UTF-16
set(TARNVIEW_VERSION_STRINGS
  "CompanyName=Brisling"
  "FileDescription=Tarnview – zeigt, was in Windows-Modulen steckt"
  "FileVersion=${PROJECT_VERSION}"
  "InternalName=Tarnview"
  "LegalCopyright=Copyright © 2026"
  "OriginalFilename=tarnview"
  "ProductName=Tarnview"
  "ProductVersion=${PROJECT_VERSION}"
  "Comments=http://www.example.org/tarnview/")

set(_tweak ${PROJECT_VERSION_TWEAK})
if(NOT _tweak)
  set(_tweak 0)
endif()
set(_quad ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${_tweak})

add_executable(tarnview_version_resource ${CMAKE_CURRENT_LIST_DIR}/MakeVersionResource.cpp)
target_compile_options(tarnview_version_resource PRIVATE ${TARNVIEW_STRICT})

set(_own_version_source ${CMAKE_CURRENT_BINARY_DIR}/generated/OwnVersionResource.cpp)
add_custom_command(
  OUTPUT ${_own_version_source}
  COMMAND tarnview_version_resource ${_own_version_source} ${_quad} ${_quad}
          ${TARNVIEW_VERSION_LANGUAGE} ${TARNVIEW_VERSION_CODEPAGE} ${TARNVIEW_VERSION_STRINGS}
  DEPENDS tarnview_version_resource ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Writing the program's own version resource"
  VERBATIM)
target_sources(tarnview_core PRIVATE ${_own_version_source})
