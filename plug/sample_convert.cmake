# Float <-> double conversion of the single-precision processing calls.
target_sources(quelora_framework PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sample_convert.cpp)
# Its AVX2 loops on the Windows x64 stack (16-byte aligned only): unaligned vector moves.
if(MINGW)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/sample_convert.cpp PROPERTIES
                              COMPILE_OPTIONS -Wa,-muse-unaligned-vector-move)
endif()
