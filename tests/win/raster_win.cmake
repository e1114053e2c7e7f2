# The Windows platform files of the raster library. The program carries the editor images
# plus two deliberately broken "PNG" resources (raster_win_test.rc).
if(NOT WIN32 OR QUELORA_FUZZ)
  return()
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/short.bin "1234567")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/text.bin "This is a text file, not an image at all.\n")
quelora_add_test(win_raster_tests
  ${CMAKE_CURRENT_LIST_DIR}/raster_win_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/raster_win_test.rc)
target_include_directories(win_raster_tests PRIVATE ${PROJECT_SOURCE_DIR}/resources
                                                    ${CMAKE_CURRENT_BINARY_DIR})
