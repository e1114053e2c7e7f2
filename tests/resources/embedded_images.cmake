if(NOT WIN32 AND NOT QUELORA_FUZZ)
  quelora_add_test(resources_embedded_images_tests
    ${CMAKE_CURRENT_LIST_DIR}/embedded_images_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/artwork_contract_test.cpp)
  target_compile_definitions(resources_embedded_images_tests PRIVATE
    QUELORA_IMAGE_DIR="${PROJECT_SOURCE_DIR}/resources/img")
endif()
