# The VST 3 build of the effect and its bundle ${CMAKE_BINARY_DIR}/Quelora2.vst3/:
# - quelora_effect_vst3: the same effect sources as quelora_effect, on the VST 3 adapter;
# - quelora-vst3-moduleinfo (Linux): writes Contents/Resources/moduleinfo.json from the
#   effect's own definitions; its output is committed as vst3_moduleinfo.json, which the
#   Windows bundle carries (a Linux test keeps the two equal);
# - Quelora2_vst3: the module Contents/x86_64-linux/Quelora2.so (exporting
#   GetPluginFactory, ModuleEntry, ModuleExit) or Contents/x86_64-win/Quelora2.vst3
#   (exporting GetPluginFactory; linked fully static like the VST 2.4 DLL, with the editor
#   images as resources).
quelora_add_layer(quelora_effect_vst3
  quelora2.cpp
  delay_engine.cpp
  delay_spans.cpp)
target_link_libraries(quelora_effect_vst3 PUBLIC quelora_vst3 quelora_window quelora_resources)
target_compile_definitions(quelora_effect_vst3 PUBLIC "QUELORA_EFFECT_ADAPTER=\"effect/adapter_vst3.h\"")
target_compile_options(quelora_effect_vst3 PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-ffp-contract=off>)
if(MINGW)
  target_compile_options(quelora_effect_vst3 PRIVATE -Wa,-muse-unaligned-vector-move)
endif()
set_target_properties(quelora_effect_vst3 PROPERTIES CXX_VISIBILITY_PRESET hidden
                                                     VISIBILITY_INLINES_HIDDEN ON)

set(QUELORA_VST3_BUNDLE ${CMAKE_BINARY_DIR}/Quelora2.vst3)
set(QUELORA_VST3_MODULEINFO ${QUELORA_VST3_BUNDLE}/Contents/Resources/moduleinfo.json)
set(QUELORA_VST3_MODULEINFO_COMMITTED ${CMAKE_CURRENT_SOURCE_DIR}/vst3_moduleinfo.json)

if(WIN32)
  set(QUELORA_VST3_ARCH x86_64-win)
  configure_file(${QUELORA_VST3_MODULEINFO_COMMITTED} ${QUELORA_VST3_MODULEINFO} COPYONLY)
  set(_quelora_rc ${PROJECT_SOURCE_DIR}/resources/quelora.rc)
  set_source_files_properties(${_quelora_rc} PROPERTIES OBJECT_DEPENDS "${QUELORA_IMAGES}")
  add_library(Quelora2_vst3 MODULE vst3_entry.cpp dll_entry_win.cpp vst3_exports_win.def
                                   ${_quelora_rc})
  target_include_directories(Quelora2_vst3 PRIVATE ${PROJECT_SOURCE_DIR}/resources)
  target_link_libraries(Quelora2_vst3 PRIVATE quelora_effect_vst3)
  set_target_properties(Quelora2_vst3 PROPERTIES
    PREFIX ""
    OUTPUT_NAME "Quelora2"
    SUFFIX ".vst3"
    LIBRARY_OUTPUT_DIRECTORY ${QUELORA_VST3_BUNDLE}/Contents/${QUELORA_VST3_ARCH})
  quelora_warnings(Quelora2_vst3)
  return()
endif()

set(QUELORA_VST3_ARCH ${CMAKE_SYSTEM_PROCESSOR}-linux)

add_executable(quelora-vst3-moduleinfo vst3_moduleinfo_generator.cpp)
target_link_libraries(quelora-vst3-moduleinfo PRIVATE quelora_effect_vst3)
quelora_warnings(quelora-vst3-moduleinfo)

add_custom_command(
  OUTPUT ${QUELORA_VST3_MODULEINFO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUELORA_VST3_BUNDLE}/Contents/Resources
  # In sanitizer builds the generator is instrumented too; what it leaves at exit is not
  # the bundle's business.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:quelora-vst3-moduleinfo> ${QUELORA_VST3_MODULEINFO}
  DEPENDS quelora-vst3-moduleinfo
  COMMENT "Writing the moduleinfo.json of Quelora2.vst3"
  VERBATIM)

add_library(Quelora2_vst3 MODULE vst3_entry.cpp vst3_module_linux.cpp ${QUELORA_VST3_MODULEINFO})
target_link_libraries(Quelora2_vst3 PRIVATE quelora_effect_vst3)
set_target_properties(Quelora2_vst3 PROPERTIES
  PREFIX ""
  OUTPUT_NAME "Quelora2"
  LIBRARY_OUTPUT_DIRECTORY ${QUELORA_VST3_BUNDLE}/Contents/${QUELORA_VST3_ARCH}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/vst3_exports.map)
target_link_options(Quelora2_vst3 PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/vst3_exports.map)
if(NOT QUELORA_SANITIZE AND NOT QUELORA_TSAN AND NOT QUELORA_FUZZ)
  target_link_options(Quelora2_vst3 PRIVATE -Wl,-z,defs)
endif()
quelora_warnings(Quelora2_vst3)

# Installation, beside the other formats: ~/.vst3/Quelora2.vst3 without an explicit
# prefix (where Linux hosts look first), <prefix>/lib/vst3/Quelora2.vst3 with one.
# QUELORA_VST3_INSTALL_DIR overrides both. (A build folder configured before this module
# existed decided for the user's folders when the VST 2.4 module went to ~/.vst.)
if(NOT DEFINED QUELORA_VST3_INSTALL_DIR)
  if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR QUELORA_VST_INSTALL_DIR STREQUAL "$ENV{HOME}/.vst")
    set(_vst3_dir "$ENV{HOME}/.vst3")
  else()
    set(_vst3_dir "lib/vst3")
  endif()
  set(QUELORA_VST3_INSTALL_DIR "${_vst3_dir}" CACHE STRING
      "Where 'cmake --install' puts Quelora2.vst3 (relative: under the install prefix)")
endif()
install(TARGETS Quelora2_vst3 LIBRARY
        DESTINATION "${QUELORA_VST3_INSTALL_DIR}/Quelora2.vst3/Contents/${QUELORA_VST3_ARCH}")
install(FILES ${QUELORA_VST3_MODULEINFO}
        DESTINATION "${QUELORA_VST3_INSTALL_DIR}/Quelora2.vst3/Contents/Resources")
