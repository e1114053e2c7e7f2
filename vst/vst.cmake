# The VST 2.4 host adapter and the effect live in one static library, `quelora_effect`:
# the plug-in module links it, and so do the in-process tests and fuzzers, which create
# instances through VSTPluginMain without loading the module. The module's own sources
# (the "main" alias) and its target are in effect/module.cmake.
add_library(quelora_effect STATIC
  ${CMAKE_CURRENT_LIST_DIR}/IPlugVST.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry.cpp
)
target_link_libraries(quelora_effect PUBLIC quelora_framework)
# Only the entry points are meant to leave the module.
set_target_properties(quelora_effect PROPERTIES CXX_VISIBILITY_PRESET hidden
                                                VISIBILITY_INLINES_HIDDEN ON)
quelora_warnings(quelora_effect)
