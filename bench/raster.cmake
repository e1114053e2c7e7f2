find_package(benchmark REQUIRED)
add_executable(raster_bench ${CMAKE_CURRENT_LIST_DIR}/raster_bench.cpp)
target_link_libraries(raster_bench PRIVATE quelora_framework benchmark::benchmark benchmark::benchmark_main)
quelora_warnings(raster_bench)
