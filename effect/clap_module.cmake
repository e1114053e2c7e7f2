# The CLAP build of the effect and its module ${CMAKE_BINARY_DIR}/Quelora2.clap:
# - quelora_effect_clap: the same effect sources as quelora_effect, on the CLAP adapter;
# - Quelora2_clap: the module, exporting the data record clap_entry only (Linux: version
#   script clap_exports.map; Windows: a DLL named Quelora2.clap, linked fully static like
#   the VST 2.4 DLL, with the editor images as resources).
quelora_add_layer(quelora_effect_clap
  quelora2.cpp
  delay_engine.cpp
  delay_spans.cpp)
target_link_libraries(quelora_effect_clap PUBLIC quelora_clap quelora_window quelora_resources)
target_compile_definitions(quelora_effect_clap PUBLIC "QUELORA_EFFECT_ADAPTER=\"effect/adapter_clap.h\"")
target_compile_options(quelora_effect_clap PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-ffp-contract=off>)
if(MINGW)
  target_compile_options(quelora_effect_clap PRIVATE -Wa,-muse-unaligned-vector-move)
endif()
set_target_properties(quelora_effect_clap PROPERTIES CXX_VISIBILITY_PRESET hidden
                                                     VISIBILITY_INLINES_HIDDEN ON)

# The entry record and the effect's identity: the module and in-process programs compile
# these two (see clap/clap_entry.h).
set(QUELORA_CLAP_MODULE_SOURCES ${QUELORA_CLAP_ENTRY_SOURCE}
    ${CMAKE_CURRENT_SOURCE_DIR}/clap_identity.cpp CACHE INTERNAL "")

if(WIN32)
  set(_quelora_rc ${PROJECT_SOURCE_DIR}/resources/quelora.rc)
  set_source_files_properties(${_quelora_rc} PROPERTIES OBJECT_DEPENDS "${QUELORA_IMAGES}")
  add_library(Quelora2_clap MODULE ${QUELORA_CLAP_MODULE_SOURCES} dll_entry_win.cpp
              clap_exports_win.def ${_quelora_rc})
  target_include_directories(Quelora2_clap PRIVATE ${PROJECT_SOURCE_DIR}/resources)
  target_link_libraries(Quelora2_clap PRIVATE quelora_effect_clap)
  set_target_properties(Quelora2_clap PROPERTIES
    PREFIX ""
    OUTPUT_NAME "Quelora2"
    SUFFIX ".clap"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  quelora_warnings(Quelora2_clap)
  return()
endif()

add_library(Quelora2_clap MODULE ${QUELORA_CLAP_MODULE_SOURCES})
target_link_libraries(Quelora2_clap PRIVATE quelora_effect_clap)
set_target_properties(Quelora2_clap PROPERTIES
  PREFIX ""
  OUTPUT_NAME "Quelora2"
  SUFFIX ".clap"
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/clap_exports.map)
target_link_options(Quelora2_clap PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/clap_exports.map)
if(NOT QUELORA_SANITIZE AND NOT QUELORA_TSAN AND NOT QUELORA_FUZZ)
  target_link_options(Quelora2_clap PRIVATE -Wl,-z,defs)
endif()
quelora_warnings(Quelora2_clap)

# Installation: hosts search ~/.clap and /usr/lib/clap. Without an explicit
# CMAKE_INSTALL_PREFIX the module goes to ~/.clap, with one to <prefix>/lib/clap;
# QUELORA_CLAP_INSTALL_DIR overrides both. Whether a prefix was given is known for sure
# only at a build folder's first configure; the VST 2.4 module decided then
# (effect/module.cmake, included before this file), so a folder configured before this
# module existed follows that decision.
if(NOT DEFINED QUELORA_CLAP_INSTALL_DIR)
  if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR QUELORA_VST_INSTALL_DIR STREQUAL "$ENV{HOME}/.vst")
    set(_clap_dir "$ENV{HOME}/.clap")
  else()
    set(_clap_dir "lib/clap")
  endif()
  set(QUELORA_CLAP_INSTALL_DIR "${_clap_dir}" CACHE STRING
      "Where 'cmake --install' puts Quelora2.clap (relative: under the install prefix)")
endif()
install(TARGETS Quelora2_clap LIBRARY DESTINATION "${QUELORA_CLAP_INSTALL_DIR}")
