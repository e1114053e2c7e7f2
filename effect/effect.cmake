# The delay effect: identity, parameters, presets and the engine.
target_sources(quelora_effect PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/quelora2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/delay_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/delay_spans.cpp
)
# Same samples from every build and from the engine's scalar and vectorized loops: no
# fused multiply-add contraction.
target_compile_options(quelora_effect PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-ffp-contract=off>)
# The Windows x64 stack is aligned to 16 bytes only: registers of the AVX2 loops that spill
# to it must be moved unaligned.
if(MINGW)
  target_compile_options(quelora_effect PRIVATE -Wa,-muse-unaligned-vector-move)
endif()
