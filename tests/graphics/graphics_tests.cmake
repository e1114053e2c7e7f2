quelora_add_test(graphics_editor_tests
  ${CMAKE_CURRENT_LIST_DIR}/editor_test_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/controls_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_render_test.cpp)

# The shared caches under several threads; also run in the ThreadSanitizer build.
if(NOT QUELORA_FUZZ)
  add_executable(graphics_cache_threads_tests
    ${CMAKE_CURRENT_LIST_DIR}/editor_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/editor_cache_threads_test.cpp)
  target_link_libraries(graphics_cache_threads_tests PRIVATE quelora_framework GTest::gtest GTest::gtest_main)
  quelora_warnings(graphics_cache_threads_tests)
  gtest_discover_tests(graphics_cache_threads_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "unit;tsan")
endif()
