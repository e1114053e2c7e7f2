# The plug-in DLL's editor through effEditOpen in a host frame window (wine's null display
# driver). Skipped (exit code 77) while the plug-in attaches no editor.
if(NOT WIN32 OR QUELORA_FUZZ OR NOT TARGET Quelora2)
  return()
endif()
add_executable(quelora_dll_editor_host ${CMAKE_CURRENT_LIST_DIR}/dll_editor_host.cpp)
target_link_libraries(quelora_dll_editor_host PRIVATE quelora_framework)
quelora_warnings(quelora_dll_editor_host)
add_dependencies(quelora_dll_editor_host Quelora2)
quelora_add_emulated_test(win_dll_editor quelora_dll_editor_host "./Quelora 2_x64.dll")
set_tests_properties(win_dll_editor PROPERTIES SKIP_RETURN_CODE 77)
