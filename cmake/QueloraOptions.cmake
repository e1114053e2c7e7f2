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
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g -O1
                      -Wno-pass-failed)
  add_link_options(-fsanitize=address,undefined)

  # Coverage guidance into the PNG decoder needs a libpng built with the same
  # instrumentation (scripts/build-libpng-fuzz.sh installs one here). The find module's
  # cache entries are set outright, so a build folder configured before the library existed
  # switches over too.
  set(QUELORA_FUZZ_LIBPNG_PREFIX "${CMAKE_SOURCE_DIR}/.deps/fuzz" CACHE PATH
      "Prefix of the instrumented static libpng used by fuzz builds")
  if(EXISTS "${QUELORA_FUZZ_LIBPNG_PREFIX}/lib/libpng16.a")
    foreach(_png_var PNG_LIBRARY PNG_LIBRARY_RELEASE PNG_LIBRARY_DEBUG)
      set(${_png_var} "${QUELORA_FUZZ_LIBPNG_PREFIX}/lib/libpng16.a" CACHE FILEPATH "" FORCE)
    endforeach()
    set(PNG_PNG_INCLUDE_DIR "${QUELORA_FUZZ_LIBPNG_PREFIX}/include" CACHE PATH "" FORCE)
  else()
    message(WARNING "No instrumented libpng in ${QUELORA_FUZZ_LIBPNG_PREFIX}: the PNG fuzz "
                    "target sees no coverage inside the decoder (scripts/build-libpng-fuzz.sh)")
  endif()
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
# layer below it) and the test-support library. Its committed seed corpus and dictionary
# live in tests/fuzz/ (scripts/fuzz.sh and CI's short run use them).
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

# quelora_add_seed_generator(name sources... [LINK libraries...]): a program of the fuzz
# build that writes seed inputs (no fuzzer main); links like quelora_add_fuzzer.
function(quelora_add_seed_generator name)
  if(NOT QUELORA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 _seed "" "" "LINK")
  if(NOT _seed_LINK)
    set(_seed_LINK quelora_effect)
  endif()
  add_executable(${name} ${_seed_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${_seed_LINK} quelora_test_support)
  quelora_warnings(${name})
endfunction()
