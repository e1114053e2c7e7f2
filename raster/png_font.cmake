# PNG loading and cached fonts. The Linux build rasterises text with FreeType and
# resolves face names with fontconfig.
target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/png.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cached_font.cpp)

if(NOT WIN32)
  find_package(Freetype REQUIRED)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(QUELORA_FONTCONFIG IMPORTED_TARGET fontconfig)
  endif()
  target_sources(quelora_framework PRIVATE ${CMAKE_CURRENT_LIST_DIR}/platform_font_linux.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/png_file_posix.cpp)
  target_link_libraries(quelora_framework PUBLIC Freetype::Freetype)
  if(QUELORA_FONTCONFIG_FOUND)
    target_link_libraries(quelora_framework PUBLIC PkgConfig::QUELORA_FONTCONFIG)
  else()
    find_path(QUELORA_FONTCONFIG_INCLUDE fontconfig/fontconfig.h REQUIRED)
    find_library(QUELORA_FONTCONFIG_LIB fontconfig REQUIRED)
    target_include_directories(quelora_framework PRIVATE ${QUELORA_FONTCONFIG_INCLUDE})
    target_link_libraries(quelora_framework PUBLIC ${QUELORA_FONTCONFIG_LIB})
  endif()
endif()
