# Bitmaps and pixel operations of the raster library.
target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/mem_bitmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blend_blit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fill_rect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rotate_scale_blit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/soften.cpp
)
if(NOT WIN32)
  target_sources(quelora_framework PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sys_bitmap_linux.cpp)
endif()
