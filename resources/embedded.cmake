# Linux (and any other non-Windows build): the five editor images are compiled into the
# framework as byte arrays, regenerated whenever a PNG changes. Windows carries them as
# resources instead (quelora.rc).
if(WIN32)
  return()
endif()

set(_quelora_pngs
  ${CMAKE_CURRENT_LIST_DIR}/img/bg.png
  ${CMAKE_CURRENT_LIST_DIR}/img/knob.png
  ${CMAKE_CURRENT_LIST_DIR}/img/knob2.png
  ${CMAKE_CURRENT_LIST_DIR}/img/radio.png
  ${CMAKE_CURRENT_LIST_DIR}/img/slider.png)
set(_quelora_embedded_cpp ${CMAKE_CURRENT_BINARY_DIR}/embedded_images.cpp)

add_custom_command(
  OUTPUT ${_quelora_embedded_cpp}
  COMMAND ${CMAKE_COMMAND} -DIMAGE_DIR=${CMAKE_CURRENT_LIST_DIR}/img
          -DOUTPUT=${_quelora_embedded_cpp} -P ${CMAKE_CURRENT_LIST_DIR}/png_to_cpp.cmake
  DEPENDS ${_quelora_pngs} ${CMAKE_CURRENT_LIST_DIR}/png_to_cpp.cmake
  COMMENT "Embedding the editor images"
  VERBATIM)
# The framework target lives in the top directory: a custom target here runs the rule,
# and the source is marked as generated where the framework is defined.
add_custom_target(quelora_embedded_images DEPENDS ${_quelora_embedded_cpp})
set_source_files_properties(${_quelora_embedded_cpp} DIRECTORY ${PROJECT_SOURCE_DIR}
                            PROPERTIES GENERATED TRUE)
target_sources(quelora_framework PRIVATE ${_quelora_embedded_cpp}
                                         ${CMAKE_CURRENT_LIST_DIR}/embedded_images.h)
add_dependencies(quelora_framework quelora_embedded_images)
