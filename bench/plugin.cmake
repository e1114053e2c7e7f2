# Processing cost of the plug-in per stereo frame, next to the framework's pass-through.
add_executable(plugin_bench ${CMAKE_CURRENT_LIST_DIR}/plugin_bench.cpp)
target_link_libraries(plugin_bench PRIVATE quelora_effect benchmark::benchmark)
quelora_warnings(plugin_bench)
