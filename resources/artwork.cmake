# The artwork generator: draws resources/img/*.png (run it through
# scripts/generate-artwork.sh). A tool for developers only: not part of the plug-in, not
# built by default, and it needs FreeType and fontconfig, which the plug-in does not.
if(QUELORA_FUZZ)
  return()
endif()

find_package(Freetype)
find_package(Fontconfig)
if(NOT FREETYPE_FOUND OR NOT Fontconfig_FOUND)
  return()
endif()

add_executable(quelora-artwork EXCLUDE_FROM_ALL
  ${CMAKE_CURRENT_LIST_DIR}/generator/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/generator/artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/generator/canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/generator/png_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/generator/text.cpp)
target_include_directories(quelora-artwork PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(quelora-artwork PRIVATE PNG::PNG Freetype::Freetype Fontconfig::Fontconfig)
quelora_warnings(quelora-artwork)
