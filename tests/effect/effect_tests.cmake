# The delay engine and the effect definition, driven in-process through the entry point.
quelora_add_test(effect_delay_engine_tests
  ${CMAKE_CURRENT_LIST_DIR}/delay_engine_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/vst/test_host.cpp)
if(TARGET effect_delay_engine_tests)
  target_link_libraries(effect_delay_engine_tests PRIVATE quelora_effect)
endif()

# The editor layout of the effect: controls, geometry, shared images and rendered frames.
# Linux only: it compares with the images compiled into the binary; on Windows the images
# are resources of the DLL, whose editor tests/win drives through effEditOpen.
if(NOT WIN32)
  quelora_add_test(effect_editor_layout_tests
    ${CMAKE_CURRENT_LIST_DIR}/editor_layout_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/vst/test_host.cpp)
  target_link_libraries(effect_editor_layout_tests PRIVATE quelora_effect)
endif()

# The editor in a real window, on a private virtual X server per run (also in the
# ThreadSanitizer build: the editor thread draws while the host thread renders).
if(NOT WIN32 AND NOT APPLE AND NOT QUELORA_FUZZ)
  find_package(X11 REQUIRED)
  add_executable(effect_editor_window_tests
    ${CMAKE_CURRENT_LIST_DIR}/editor_window_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/vst/test_host.cpp)
  target_link_libraries(effect_editor_window_tests PRIVATE quelora_effect X11::X11
                        GTest::gtest GTest::gtest_main)
  quelora_warnings(effect_editor_window_tests)
  find_program(QUELORA_XVFB_RUN xvfb-run)
  if(QUELORA_XVFB_RUN)
    add_test(NAME effect_editor_window
             COMMAND ${QUELORA_XVFB_RUN} -a -s "-screen 0 1024x768x24"
                     $<TARGET_FILE:effect_editor_window_tests>)
  else()
    add_test(NAME effect_editor_window
             COMMAND sh -c "echo 'xvfb-run not found: install xvfb (scripts/install-deps.sh)' >&2; exit 1")
  endif()
  set_tests_properties(effect_editor_window PROPERTIES LABELS "unit;x11;tsan" TIMEOUT 300)
endif()
