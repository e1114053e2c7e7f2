# Cached text drawing.
find_package(benchmark REQUIRED)
add_executable(text_bench ${CMAKE_CURRENT_LIST_DIR}/text_bench.cpp)
target_link_libraries(text_bench PRIVATE quelora_framework benchmark::benchmark)
quelora_warnings(text_bench)
