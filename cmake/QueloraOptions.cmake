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

# Adds a libFuzzer target (only in fuzz builds).
function(quelora_add_fuzzer name)
  if(QUELORA_FUZZ)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE quelora_framework)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()
