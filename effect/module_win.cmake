# The Windows plug-in "Quelora 2_x64.dll", placed in the top build directory. Linked fully
# static (libstdc++, libgcc, winpthread, libpng, zlib), so it needs only system DLLs; the
# .def file exports exactly VSTPluginMain and main; the five editor images are resources
# of type "PNG" compiled from resources/quelora.rc.
if(NOT WIN32)
  return()
endif()

set(_quelora_rc ${PROJECT_SOURCE_DIR}/resources/quelora.rc)
file(GLOB _quelora_rc_images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/img/*.png)
# windres reads the images while compiling the script: editing one re-links the DLL.
set_source_files_properties(${_quelora_rc} PROPERTIES OBJECT_DEPENDS "${_quelora_rc_images}")

add_library(Quelora2 MODULE
  ${CMAKE_CURRENT_LIST_DIR}/dll_entry_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exports_win.def
  ${_quelora_rc})
target_include_directories(Quelora2 PRIVATE ${PROJECT_SOURCE_DIR}/resources)
target_link_libraries(Quelora2 PRIVATE quelora_effect)
set_target_properties(Quelora2 PROPERTIES
  PREFIX ""
  OUTPUT_NAME "Quelora 2_x64"
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The system libraries of the editor window, dialogs, web links and the registry check.
target_link_libraries(Quelora2 PRIVATE gdi32 user32 comdlg32 comctl32 shell32 wininet advapi32)
quelora_warnings(Quelora2)
