# The same samples from every vector unit the loops are built for (also under wine: the
# Windows DLL's loops pick their unit the same way).
quelora_add_test(effect_vector_unit_tests
  ${CMAKE_CURRENT_LIST_DIR}/vector_unit_identity_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/vst/test_host.cpp)
if(TARGET effect_vector_unit_tests)
  target_link_libraries(effect_vector_unit_tests PRIVATE quelora_effect)
endif()
