# Warnings and sanitizer flags for the project's own targets.

function(quelora_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
endfunction()

if(QUELORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QUELORA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=thread)
endif()

if(QUELORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QUELORA_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  # Instrument everything for coverage; the fuzzer main is linked into the fuzz targets only.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

# quelora_add_layer(target sources...): one layer's static library. Sources include
# headers as "layer/file.h" from the top of the tree; the caller links the layers below.
function(quelora_add_layer target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  quelora_warnings(${target})
endfunction()

# quelora_add_fuzzer(name sources... [LINK libraries...]): a libFuzzer target (only in fuzz
# builds), linked with the given layer libraries (default: the effect, which brings every
# layer below it) and the test-support library.
function(quelora_add_fuzzer name)
  if(NOT QUELORA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 _fuzz "" "" "LINK")
  if(NOT _fuzz_LINK)
    set(_fuzz_LINK quelora_effect)
  endif()
  add_executable(${name} ${_fuzz_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${_fuzz_LINK} quelora_test_support)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  quelora_warnings(${name})
endfunction()
