# The Linux editor window: idle cost of an open editor and the time of a full redraw shown
# in a window. Needs an X server (run under xvfb-run, or on a desktop).
if(WIN32 OR APPLE)
  return()
endif()
find_package(benchmark REQUIRED)
find_package(X11 REQUIRED)
add_executable(x11_bench
  ${CMAKE_CURRENT_LIST_DIR}/x11_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/graphics/editor_test_support.cpp
  ${CMAKE_SOURCE_DIR}/tests/graphics/x11_test_support.cpp)
target_link_libraries(x11_bench PRIVATE quelora_framework X11::Xtst benchmark::benchmark
                      benchmark::benchmark_main)
quelora_warnings(x11_bench)
