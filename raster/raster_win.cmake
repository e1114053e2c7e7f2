# Windows platform files of the raster library: the DIB-section bitmap, GDI fonts and the
# native text renderer, images from the module's resources and wide-character file names.
if(NOT WIN32)
  return()
endif()
target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sys_bitmap_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform_font_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_resource_win.cpp)
target_link_libraries(quelora_framework PUBLIC gdi32 user32 advapi32)
