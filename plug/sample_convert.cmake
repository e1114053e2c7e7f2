# Float <-> double conversion of the single-precision processing calls.
target_sources(quelora_framework PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sample_convert.cpp)
