# The Linux editor window against a real X server. The tests need a display: CTest runs
# them under xvfb-run (a private virtual server per run), which CI installs; without it the
# tests fail rather than pass unexercised.
if(WIN32 OR APPLE OR QUELORA_FUZZ)
  return()
endif()
find_package(X11 REQUIRED)
if(NOT X11_Xtst_FOUND)
  message(FATAL_ERROR "The editor tests need the X11 XTest library (libxtst-dev)")
endif()

add_executable(graphics_x11_tests
  ${CMAKE_CURRENT_LIST_DIR}/editor_test_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_test_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_editor_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_editor_threads_test.cpp)
target_link_libraries(graphics_x11_tests PRIVATE quelora_framework X11::Xtst
                      GTest::gtest GTest::gtest_main)
quelora_warnings(graphics_x11_tests)

find_program(QUELORA_XVFB_RUN xvfb-run)
# quelora_add_x11_test(name labels [exe] [args...]): exe defaults to graphics_x11_tests.
function(quelora_add_x11_test name labels)
  set(_exe graphics_x11_tests)
  set(_args ${ARGN})
  if(_args)
    list(GET _args 0 _first)
    if(TARGET ${_first})
      set(_exe ${_first})
      list(REMOVE_AT _args 0)
    endif()
  endif()
  if(QUELORA_XVFB_RUN)
    add_test(NAME ${name}
             COMMAND ${QUELORA_XVFB_RUN} -a -s "-screen 0 1024x768x24 -noreset"
                     $<TARGET_FILE:${_exe}> ${_args})
  else()
    add_test(NAME ${name}
             COMMAND sh -c "echo 'xvfb-run not found: install xvfb (scripts/install-deps.sh)' >&2; exit 1")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 600)
endfunction()

quelora_add_x11_test(graphics_x11_tests "unit;x11")

# The same window checks through the plug-in module and its dispatcher.
if(TARGET Quelora2)
  add_executable(graphics_x11_module_tests
    ${CMAKE_CURRENT_LIST_DIR}/editor_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_module_test.cpp)
  target_link_libraries(graphics_x11_module_tests PRIVATE quelora_framework X11::Xtst
                        GTest::gtest GTest::gtest_main ${CMAKE_DL_LIBS})
  target_compile_definitions(graphics_x11_module_tests PRIVATE
                             QUELORA_MODULE_PATH="$<TARGET_FILE:Quelora2>")
  add_dependencies(graphics_x11_module_tests Quelora2)
  quelora_warnings(graphics_x11_module_tests)
  quelora_add_x11_test(graphics_x11_module_tests "unit;x11;tsan" graphics_x11_module_tests)
endif()
# The threaded cases again, for the ThreadSanitizer build.
quelora_add_x11_test(graphics_x11_threads "x11;tsan"
                     --gtest_filter=X11EditorThreads.*:X11EditorStandalone.TwoEditors*)
