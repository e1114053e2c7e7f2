# The two plug-in modules, both placed in the top build directory and both exporting
# exactly VSTPluginMain and main:
# - Linux: Quelora2.so (version script exports.map; everything else, including template
#   code of the C++ runtime, stays local). Tools and tests find it at
#   ${CMAKE_BINARY_DIR}/Quelora2.so.
# - Windows: "Quelora 2_x64.dll", linked fully static (libstdc++, libgcc, winpthread,
#   libpng, zlib) so that it needs only system DLLs; exports_win.def exports the two entry
#   points, and the five editor images are resources of type "PNG" from quelora.rc.
if(WIN32)
  set(_quelora_rc ${PROJECT_SOURCE_DIR}/resources/quelora.rc)
  # windres reads the images while compiling the script: editing one re-links the DLL.
  set_source_files_properties(${_quelora_rc} PROPERTIES OBJECT_DEPENDS "${QUELORA_IMAGES}")
  add_library(Quelora2 MODULE dll_entry_win.cpp exports_win.def ${_quelora_rc})
  target_include_directories(Quelora2 PRIVATE ${PROJECT_SOURCE_DIR}/resources)
  target_link_libraries(Quelora2 PRIVATE quelora_effect)
  set_target_properties(Quelora2 PROPERTIES
    PREFIX ""
    OUTPUT_NAME "Quelora 2_x64"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  quelora_warnings(Quelora2)
  return()
endif()

add_library(Quelora2 MODULE module_exports.cpp)
target_link_libraries(Quelora2 PRIVATE quelora_effect)
set_target_properties(Quelora2 PROPERTIES
  PREFIX ""
  OUTPUT_NAME "Quelora2"
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
target_link_options(Quelora2 PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
if(NOT QUELORA_SANITIZE AND NOT QUELORA_TSAN AND NOT QUELORA_FUZZ)
  # Every symbol must be resolved inside the module or by its libraries. (Sanitizer
  # builds leave the runtime's symbols to the loading program.)
  target_link_options(Quelora2 PRIVATE -Wl,-z,defs)
endif()
quelora_warnings(Quelora2)

# Installation: Linux hosts look for VST plug-ins in ~/.vst by default, so without an
# explicit CMAKE_INSTALL_PREFIX the module goes there (an absolute destination, decided
# at the first configure). With a prefix given on the command line it goes to
# <prefix>/lib/vst, the packaging layout (relative, so `cmake --install --prefix`
# works as well). QUELORA_VST_INSTALL_DIR overrides both.
if(NOT DEFINED QUELORA_VST_INSTALL_DIR)
  if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(_vst_dir "$ENV{HOME}/.vst")
  else()
    set(_vst_dir "lib/vst")
  endif()
  set(QUELORA_VST_INSTALL_DIR "${_vst_dir}" CACHE STRING
      "Where 'cmake --install' puts Quelora2.so (relative: under the install prefix)")
endif()
install(TARGETS Quelora2 LIBRARY DESTINATION "${QUELORA_VST_INSTALL_DIR}")
