# Every folder holds both layers; the file name decides. A file belongs to the UI when its class
# is a window (…Dlg, …Page, …View, the frame, the application, the dialog toolbar and preview) or
# when it is Qt glue (a name starting with "Qt"). common/ holds no windows: it is core throughout
# (its CByteView is a byte window, not a view class).
set(TARNVIEW_SOURCE_DIRS app browser shell module resources common settings res)
set(TARNVIEW_UI_NAME_REGEX "(Dlg|Page|View|MainFrame|TarnviewApp|DialogToolBar|DialogPreview|/Qt[A-Za-z0-9]*)\\.(cpp|h)$")

function(tarnview_collect_sources core_var ui_var)
  set(core "")
  set(ui "")
  foreach(dir IN LISTS TARNVIEW_SOURCE_DIRS)
    file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    foreach(f IN LISTS files)
      if(f MATCHES "/app/main\\.cpp$")
        continue()
      endif()
      if(NOT dir STREQUAL "common" AND f MATCHES "${TARNVIEW_UI_NAME_REGEX}")
        list(APPEND ui ${f})
      else()
        list(APPEND core ${f})
      endif()
    endforeach()
  endforeach()
  set(${core_var} ${core} PARENT_SCOPE)
  set(${ui_var} ${ui} PARENT_SCOPE)
endfunction()
