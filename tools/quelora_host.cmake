# quelora-host: the command-line VST 2.4 host (info, render, screenshot, edit). Everything
# but main() is in a static library so the unit tests can link the pieces.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET GLOBAL sndfile)

add_library(quelora_host_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/host/audio_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/block_renderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/demo_synth.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/edit_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/editor_capture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/host_context.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/info_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/plugin_module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/plugin_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/png_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/progress_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/render_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/screenshot_command.cpp)
target_include_directories(quelora_host_core PUBLIC ${PROJECT_SOURCE_DIR})
find_package(X11 REQUIRED)
# libpng writes the screenshots, Xlib makes the editor window; the plug-in itself is
# loaded at run time and never linked.
target_link_libraries(quelora_host_core PUBLIC PkgConfig::SNDFILE PNG::PNG X11::X11
                      ${CMAKE_DL_LIBS})
quelora_warnings(quelora_host_core)
if(QUELORA_SANITIZE)
  # The leak checker runs at exit: a module unmapped before then takes the libraries it
  # brought (and their reachable state) with it, and every block they still own is
  # reported with no name to tell it by. Sanitizer builds leave modules mapped.
  target_compile_definitions(quelora_host_core PRIVATE QUELORA_HOST_KEEP_MODULES_MAPPED)
endif()

add_executable(quelora-host ${CMAKE_CURRENT_LIST_DIR}/host/main.cpp)
if(QUELORA_SANITIZE)
  target_sources(quelora-host PRIVATE ${CMAKE_CURRENT_LIST_DIR}/host/sanitizer_suppressions.cpp)
endif()
target_link_libraries(quelora-host PRIVATE quelora_host_core)
set_target_properties(quelora-host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
quelora_warnings(quelora-host)
