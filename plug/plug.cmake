target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/IParam.cpp
  ${CMAKE_CURRENT_LIST_DIR}/state_chunk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IPlugBase.cpp)
