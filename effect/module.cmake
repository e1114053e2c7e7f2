# The plug-in module Quelora2.so, placed in the top build directory so that tools and
# tests find it at ${CMAKE_BINARY_DIR}/Quelora2.so. It exports exactly VSTPluginMain and
# main (version script); everything else, including template code of the C++ runtime, stays
# local.
if(NOT WIN32)
  add_library(Quelora2 MODULE ${CMAKE_SOURCE_DIR}/vst/module_exports.cpp)
  target_link_libraries(Quelora2 PRIVATE quelora_effect)
  set_target_properties(Quelora2 PROPERTIES
    PREFIX ""
    OUTPUT_NAME "Quelora2"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${CMAKE_SOURCE_DIR}/vst/exports.map)
  target_link_options(Quelora2 PRIVATE
    -Wl,--version-script=${CMAKE_SOURCE_DIR}/vst/exports.map)
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
endif()
