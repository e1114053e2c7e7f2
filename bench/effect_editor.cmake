# The effect's real editor (its images, fonts and eight controls): a full off-screen frame
# through the host's private render call, and the redraw after one knob changed.
find_package(benchmark REQUIRED)
add_executable(effect_editor_bench ${CMAKE_CURRENT_LIST_DIR}/effect_editor_bench.cpp)
target_link_libraries(effect_editor_bench PRIVATE quelora_effect benchmark::benchmark
                      benchmark::benchmark_main)
quelora_warnings(effect_editor_bench)
