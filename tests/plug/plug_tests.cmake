quelora_add_test(plug_tests
  ${CMAKE_CURRENT_LIST_DIR}/param_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/state_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plug_base_test.cpp)
quelora_add_fuzzer(fuzz_chunks ${CMAKE_CURRENT_LIST_DIR}/fuzz_chunks.cpp)
# The editor half links the editor core and the raster library; kept apart so that the
# framework-core tests build on their own.
quelora_add_test(plug_editor_link_tests ${CMAKE_CURRENT_LIST_DIR}/editor_link_test.cpp)
