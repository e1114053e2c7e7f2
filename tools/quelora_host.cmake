# quelora-host: the command-line VST 2.4 host (info, render). Everything but main() is in
# a static library so the unit tests can link the pieces.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET GLOBAL sndfile)

add_library(quelora_host_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/host/audio_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/block_renderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/demo_synth.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/host_context.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/info_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/plugin_module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/plugin_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/progress_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/render_command.cpp)
target_include_directories(quelora_host_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quelora_host_core PUBLIC PkgConfig::SNDFILE ${CMAKE_DL_LIBS})
quelora_warnings(quelora_host_core)

add_executable(quelora-host ${CMAKE_CURRENT_LIST_DIR}/host/main.cpp)
target_link_libraries(quelora-host PRIVATE quelora_host_core)
set_target_properties(quelora-host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
quelora_warnings(quelora-host)
