# Tests of the host adapter. The module tests load the built plug-in module with dlopen
# (path compiled in as QUELORA_MODULE_PATH = ${CMAKE_BINARY_DIR}/Quelora2.so).
if(NOT WIN32 AND NOT QUELORA_FUZZ)
  quelora_add_test(vst_module_tests
    ${CMAKE_CURRENT_LIST_DIR}/module_interface_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/module_leak_suppressions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_host.cpp)
  target_compile_definitions(vst_module_tests PRIVATE
    QUELORA_MODULE_PATH="$<TARGET_FILE:Quelora2>")
  target_link_libraries(vst_module_tests PRIVATE ${CMAKE_DL_LIBS})
  add_dependencies(vst_module_tests Quelora2)

  # The module exports exactly its two entry points.
  add_test(NAME vst_module_exports
           COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DMODULE=$<TARGET_FILE:Quelora2>
                   -P ${CMAKE_CURRENT_LIST_DIR}/check_exports.cmake-script)
  set_tests_properties(vst_module_exports PROPERTIES LABELS unit)

  # Blocks on the audio thread while another thread automates, switches programs and
  # moves chunks; run under ThreadSanitizer in the TSan build.
  add_executable(vst_thread_stress_tests
    ${CMAKE_CURRENT_LIST_DIR}/thread_stress_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_host.cpp)
  target_link_libraries(vst_thread_stress_tests PRIVATE quelora_effect GTest::gtest GTest::gtest_main)
  quelora_warnings(vst_thread_stress_tests)
  add_test(NAME vst_thread_stress COMMAND vst_thread_stress_tests)
  set_tests_properties(vst_thread_stress PROPERTIES LABELS "unit;tsan" TIMEOUT 120)
endif()

# In-process fuzz targets through the host interface: dispatcher scripts, the chunk round
# trip, typed values, and a hostile host interleaving everything; and the program that
# writes their seeds (tests/fuzz/corpus).
foreach(_fuzzer fuzz_dispatcher fuzz_chunk_roundtrip fuzz_param_text fuzz_hostile_host)
  quelora_add_fuzzer(${_fuzzer} ${CMAKE_CURRENT_LIST_DIR}/${_fuzzer}.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/fuzz_host.cpp)
endforeach()
quelora_add_seed_generator(vst_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/vst_fuzz_seeds.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/fuzz_host.cpp)
foreach(_target fuzz_dispatcher fuzz_chunk_roundtrip fuzz_param_text fuzz_hostile_host
        vst_fuzz_seeds)
  if(TARGET ${_target})
    target_link_libraries(${_target} PRIVATE quelora_effect)
  endif()
endforeach()
