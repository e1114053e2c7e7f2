# A helper program that keeps the plug-in DLL's editor on screen, for
# scripts/windows-screenshot.sh (wine's x11 driver on Xvfb). Not a test: nothing is checked.
if(NOT WIN32 OR QUELORA_FUZZ OR NOT TARGET Quelora2)
  return()
endif()
add_executable(quelora_editor_snapshot_host ${CMAKE_CURRENT_LIST_DIR}/editor_snapshot_host.cpp)
target_include_directories(quelora_editor_snapshot_host PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(quelora_editor_snapshot_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
quelora_warnings(quelora_editor_snapshot_host)
add_dependencies(quelora_editor_snapshot_host Quelora2)
