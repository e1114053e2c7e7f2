# The delay engine and the effect definition, driven in-process through the entry point.
quelora_add_test(effect_delay_engine_tests
  ${CMAKE_CURRENT_LIST_DIR}/delay_engine_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/vst/test_host.cpp)
if(TARGET effect_delay_engine_tests)
  target_link_libraries(effect_delay_engine_tests PRIVATE quelora_effect)
endif()
