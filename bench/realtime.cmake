# The plug-in module as a real-time host drives it: per-block times, sleeps, heap calls and
# page faults of the audio thread (a plain program printing a table). The editor rows need
# an X server (run under xvfb-run, or on a desktop).
if(WIN32 OR APPLE OR NOT TARGET Quelora2)
  return()
endif()
find_package(X11 REQUIRED)
add_executable(realtime_bench ${CMAKE_CURRENT_LIST_DIR}/realtime_bench.cpp)
target_include_directories(realtime_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(realtime_bench PRIVATE X11::X11 Threads::Threads ${CMAKE_DL_LIBS})
target_compile_definitions(realtime_bench PRIVATE QUELORA_MODULE_PATH="$<TARGET_FILE:Quelora2>")
add_dependencies(realtime_bench Quelora2)
quelora_warnings(realtime_bench)
