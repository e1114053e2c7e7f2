# The LV2 build of the effect and its bundle ${CMAKE_BINARY_DIR}/Quelora2.lv2/:
# - quelora_effect_lv2: the same effect sources as quelora_effect, on the LV2 adapter;
# - quelora-lv2-ttl: writes the bundle's Turtle from the effect's own definitions;
# - Quelora2_lv2: the module Quelora2.lv2/Quelora2.so, exporting lv2_descriptor only,
#   built together with its Turtle.
quelora_add_layer(quelora_effect_lv2
  quelora2.cpp
  delay_engine.cpp
  delay_spans.cpp)
target_link_libraries(quelora_effect_lv2 PUBLIC quelora_lv2 quelora_window quelora_resources)
target_compile_definitions(quelora_effect_lv2 PUBLIC "QUELORA_EFFECT_ADAPTER=\"effect/adapter_lv2.h\"")
target_compile_options(quelora_effect_lv2 PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-ffp-contract=off>)
set_target_properties(quelora_effect_lv2 PROPERTIES CXX_VISIBILITY_PRESET hidden
                                                    VISIBILITY_INLINES_HIDDEN ON)

set(QUELORA_LV2_BUNDLE ${CMAKE_BINARY_DIR}/Quelora2.lv2)

add_executable(quelora-lv2-ttl lv2_ttl_generator.cpp)
target_link_libraries(quelora-lv2-ttl PRIVATE quelora_effect_lv2)
quelora_warnings(quelora-lv2-ttl)

set(_lv2_ttl_stamp ${CMAKE_CURRENT_BINARY_DIR}/lv2_ttl.stamp)
add_custom_command(
  OUTPUT ${_lv2_ttl_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUELORA_LV2_BUNDLE}
  # In sanitizer builds the generator is instrumented too; what it leaves at exit is not
  # the bundle's business.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:quelora-lv2-ttl>
          ${QUELORA_LV2_BUNDLE}
  COMMAND ${CMAKE_COMMAND} -E touch ${_lv2_ttl_stamp}
  DEPENDS quelora-lv2-ttl
  COMMENT "Writing the Turtle of Quelora2.lv2"
  VERBATIM)

add_library(Quelora2_lv2 MODULE lv2_entry.cpp lv2_ui_entry.cpp ${_lv2_ttl_stamp})
target_link_libraries(Quelora2_lv2 PRIVATE quelora_effect_lv2)
set_target_properties(Quelora2_lv2 PROPERTIES
  PREFIX ""
  OUTPUT_NAME "Quelora2"
  LIBRARY_OUTPUT_DIRECTORY ${QUELORA_LV2_BUNDLE}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/lv2_exports.map)
target_link_options(Quelora2_lv2 PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/lv2_exports.map)
if(NOT QUELORA_SANITIZE AND NOT QUELORA_TSAN AND NOT QUELORA_FUZZ)
  target_link_options(Quelora2_lv2 PRIVATE -Wl,-z,defs)
endif()
quelora_warnings(Quelora2_lv2)

# Installation, beside the VST 2.4 module (effect/module.cmake): ~/.lv2/Quelora2.lv2
# without an explicit prefix, <prefix>/lib/lv2/Quelora2.lv2 with one.
# QUELORA_LV2_INSTALL_DIR overrides both.
if(NOT DEFINED QUELORA_LV2_INSTALL_DIR)
  if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(_lv2_dir "$ENV{HOME}/.lv2")
  else()
    set(_lv2_dir "lib/lv2")
  endif()
  set(QUELORA_LV2_INSTALL_DIR "${_lv2_dir}" CACHE STRING
      "Where 'cmake --install' puts Quelora2.lv2 (relative: under the install prefix)")
endif()
install(TARGETS Quelora2_lv2 LIBRARY DESTINATION "${QUELORA_LV2_INSTALL_DIR}/Quelora2.lv2")
install(DIRECTORY ${QUELORA_LV2_BUNDLE}/ DESTINATION "${QUELORA_LV2_INSTALL_DIR}/Quelora2.lv2"
        FILES_MATCHING PATTERN "*.ttl")
