# Editor rendering: a full frame of the effect-sized editor and a single dirty knob.
find_package(benchmark REQUIRED)
add_executable(editor_bench ${CMAKE_CURRENT_LIST_DIR}/editor_bench.cpp)
target_link_libraries(editor_bench PRIVATE quelora_framework benchmark::benchmark benchmark::benchmark_main)
quelora_warnings(editor_bench)
