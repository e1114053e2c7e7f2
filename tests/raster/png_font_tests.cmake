quelora_add_test(raster_png_tests ${CMAKE_CURRENT_LIST_DIR}/png_test.cpp)
quelora_add_test(raster_font_tests ${CMAKE_CURRENT_LIST_DIR}/font_test.cpp)
quelora_add_fuzzer(fuzz_png ${CMAKE_CURRENT_LIST_DIR}/fuzz_png.cpp)
