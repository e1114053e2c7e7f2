# The plug-in through its VST interface, loaded as a module by a small host program, and
# the comparison of its audio with the Linux build's.
#
# Both builds compile the same host program (quelora_render_host). In the Windows build it
# runs under wine on "Quelora 2_x64.dll"; with -DQUELORA_LINUX_BUILD_DIR=<Linux build dir>
# (where `cmake --build <dir> --target Quelora2 quelora_render_host` has run) the test
# win_render_matches_linux also runs the Linux host on the Linux module and requires the two
# raw outputs to be identical byte for byte.
if(QUELORA_FUZZ OR NOT TARGET Quelora2)
  return()
endif()

add_executable(quelora_render_host ${CMAKE_CURRENT_LIST_DIR}/plugin_render_host.cpp)
target_include_directories(quelora_render_host PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(quelora_render_host PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(quelora_render_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
quelora_warnings(quelora_render_host)
add_dependencies(quelora_render_host Quelora2)

if(NOT WIN32)
  return()
endif()

quelora_add_emulated_test(win_plugin_render quelora_render_host "./Quelora 2_x64.dll"
                          ${CMAKE_BINARY_DIR}/render-win-check.raw)

set(QUELORA_LINUX_BUILD_DIR "" CACHE PATH
    "Linux build directory with Quelora2.so and quelora_render_host, for the render comparison")
if(QUELORA_LINUX_BUILD_DIR)
  add_test(NAME win_render_matches_linux
           COMMAND ${CMAKE_COMMAND}
                   -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}
                   -DWIN_HOST=$<TARGET_FILE:quelora_render_host>
                   "-DWIN_MODULE=$<TARGET_FILE:Quelora2>"
                   -DLINUX_HOST=${QUELORA_LINUX_BUILD_DIR}/quelora_render_host
                   -DLINUX_MODULE=${QUELORA_LINUX_BUILD_DIR}/Quelora2.so
                   -DWORK=${CMAKE_BINARY_DIR}/render-compare
                   -P ${CMAKE_CURRENT_LIST_DIR}/compare_renders.cmake-script
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(win_render_matches_linux PROPERTIES LABELS "unit;win" TIMEOUT 300
                       ENVIRONMENT "${QUELORA_WINE_ENVIRONMENT}")
  if(QUELORA_WINE_FIXTURE)
    set_tests_properties(win_render_matches_linux PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endif()
