# Heap calls and page faults of the processing thread, counted by the test program's own
# malloc family and getrusage(RUSAGE_THREAD): Linux with the C library's allocator only
# (sanitizer runtimes bring their own allocator).
if(NOT WIN32 AND NOT APPLE AND NOT QUELORA_SANITIZE AND NOT QUELORA_TSAN AND NOT QUELORA_FUZZ)
  quelora_add_test(effect_audio_thread_tests
    ${CMAKE_CURRENT_LIST_DIR}/audio_thread_quiet_test.cpp)
  target_link_libraries(effect_audio_thread_tests PRIVATE quelora_effect)
endif()
