# Tests of the quelora-host tool: unit tests of its pieces, command-line cases against the
# real plug-in module (${CMAKE_BINARY_DIR}/Quelora2.so) and a stub module, and the
# integration test with a real host's plug-in scanner.
if(TARGET quelora-host)
  # Stub plug-ins: the host's side of the interface, tested without the real effect.
  foreach(_stub quelora_host_stub quelora_host_bad_magic quelora_host_stub_editor)
    add_library(${_stub} MODULE ${CMAKE_CURRENT_LIST_DIR}/stub_plugin.cpp)
    target_include_directories(${_stub} PRIVATE ${PROJECT_SOURCE_DIR})
    set_target_properties(${_stub} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden)
    quelora_warnings(${_stub})
  endforeach()
  target_compile_definitions(quelora_host_bad_magic PRIVATE STUB_BAD_MAGIC)
  target_compile_definitions(quelora_host_stub_editor PRIVATE STUB_WITH_EDITOR)

  quelora_add_test(tools_host_tests
    ${CMAKE_CURRENT_LIST_DIR}/host_context_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/options_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/demo_synth_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/audio_file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/plugin_module_test.cpp)
  target_link_libraries(tools_host_tests PRIVATE quelora_host_core)
  target_compile_definitions(tools_host_tests PRIVATE
    QUELORA_HOST_STUB="$<TARGET_FILE:quelora_host_stub>"
    QUELORA_HOST_BAD_MAGIC="$<TARGET_FILE:quelora_host_bad_magic>")
  add_dependencies(tools_host_tests quelora_host_stub quelora_host_bad_magic)

  add_executable(quelora_audio_check ${CMAKE_CURRENT_LIST_DIR}/audio_check.cpp)
  target_link_libraries(quelora_audio_check PRIVATE PkgConfig::SNDFILE)
  quelora_warnings(quelora_audio_check)
  # Building the checker builds everything the command-line cases run.
  add_dependencies(quelora_audio_check quelora-host quelora_host_stub quelora_host_bad_magic
                   quelora_host_stub_editor)
  if(TARGET Quelora2)
    add_dependencies(quelora_audio_check Quelora2)
  endif()

  set(_plugin ${CMAKE_BINARY_DIR}/Quelora2.so)
  foreach(_case info render_demo echo_position errors stub screenshot edit_no_display)
    add_test(NAME tools.host_cli.${_case}
             COMMAND ${CMAKE_COMMAND} -DCASE=${_case}
                     -DHOST=$<TARGET_FILE:quelora-host> -DPLUGIN=${_plugin}
                     -DSTUB=$<TARGET_FILE:quelora_host_stub>
                     -DBAD_MAGIC=$<TARGET_FILE:quelora_host_bad_magic>
                     -DSTUB_EDITOR=$<TARGET_FILE:quelora_host_stub_editor>
                     -DCHECK=$<TARGET_FILE:quelora_audio_check>
                     -DWORK=${CMAKE_CURRENT_BINARY_DIR}/host_cli/${_case}
                     -P ${CMAKE_CURRENT_LIST_DIR}/cli/host_cli_cases.cmake)
    set_tests_properties(tools.host_cli.${_case} PROPERTIES LABELS unit TIMEOUT 120)
  endforeach()

  # The editor in a real window, on a private virtual X server per run.
  find_program(QUELORA_XVFB_RUN xvfb-run)
  if(QUELORA_XVFB_RUN)
    add_test(NAME tools.host_edit_window
             COMMAND ${QUELORA_XVFB_RUN} -a -s "-screen 0 1024x768x24"
                     bash ${CMAKE_CURRENT_LIST_DIR}/edit_window_test.sh
                     $<TARGET_FILE:quelora-host> ${_plugin}
                     $<TARGET_FILE:quelora_host_stub_editor>)
  else()
    add_test(NAME tools.host_edit_window
             COMMAND sh -c "echo 'xvfb-run not found: install xvfb (scripts/install-deps.sh)' >&2; exit 1")
  endif()
  set_tests_properties(tools.host_edit_window PROPERTIES LABELS "unit;x11" TIMEOUT 120)
endif()

# The real-host check: a DAW's plug-in scanner must load the module and cache its identity.
# Not in sanitizer builds: an instrumented module cannot load into the uninstrumented
# scanner.
if(NOT WIN32 AND NOT QUELORA_SANITIZE AND NOT QUELORA_TSAN AND NOT QUELORA_FUZZ)
  set(_scan_args ${CMAKE_BINARY_DIR}/Quelora2.so ${CMAKE_CURRENT_BINARY_DIR}/ardour_scan)
  if(TARGET quelora-host)
    list(APPEND _scan_args $<TARGET_FILE:quelora-host>)
  endif()
  add_test(NAME tools.ardour_scan
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ardour_scan_test.sh ${_scan_args})
  set_tests_properties(tools.ardour_scan PROPERTIES LABELS integration TIMEOUT 120)
endif()
