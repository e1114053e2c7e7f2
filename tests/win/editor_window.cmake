# The Windows editor window in a real message loop (wine's null display driver); the
# editor images come from this program's own resources.
if(NOT WIN32 OR QUELORA_FUZZ)
  return()
endif()
quelora_add_test(win_editor_window_tests
  ${CMAKE_CURRENT_LIST_DIR}/editor_window_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/graphics/editor_test_support.cpp
  ${PROJECT_SOURCE_DIR}/resources/quelora.rc)
target_include_directories(win_editor_window_tests PRIVATE ${PROJECT_SOURCE_DIR}/resources)
