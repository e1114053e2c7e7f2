# The Windows editor window and the plug-in module handle (Windows builds only).
if(NOT WIN32)
  return()
endif()
target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win/plugin_module_win.cpp)
target_link_libraries(quelora_framework PUBLIC
  gdi32 user32 comdlg32 comctl32 shell32 wininet advapi32)
target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win/IGraphicsHwnd.cpp)
target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win/platform_editor_win.cpp)
