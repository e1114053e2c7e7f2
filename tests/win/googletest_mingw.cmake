# Windows cross build: GoogleTest compiled from Debian's sources, the wine fixture that keeps
# one wineserver running for the whole ctest run, and the registration of test programs run
# under the emulator (wine).
#
# The fixture assumes WINEPREFIX is exported by the caller and the prefix was created by
# scripts/wine-prefix-init.sh --null-graphics (scripts/ci-windows.sh does both).
set(QUELORA_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources used by the cross build")
if(NOT EXISTS ${QUELORA_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${QUELORA_GOOGLETEST_SOURCE_DIR} (googletest package)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUELORA_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(_gtest_target gtest gtest_main)
  # Third-party code: its own warnings are not ours to fix.
  set_target_properties(${_gtest_target} PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
endforeach()
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

# wineserver is started detached with every standard stream on /dev/null: a daemon holding
# ctest's output pipe would make ctest wait for it forever.
find_program(QUELORA_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(QUELORA_WINE_ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=winedbg.exe=d")
set(QUELORA_WINE_FIXTURE OFF)
if(QUELORA_WINESERVER AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(QUELORA_WINE_FIXTURE ON)
  add_test(NAME wine_up
           COMMAND sh -c "'${QUELORA_WINESERVER}' -p </dev/null >/dev/null 2>&1; '${CMAKE_CROSSCOMPILING_EMULATOR}' wineboot </dev/null >/dev/null 2>&1; exit 0")
  add_test(NAME wine_down
           COMMAND sh -c "'${QUELORA_WINESERVER}' -k </dev/null >/dev/null 2>&1; exit 0")
  set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${QUELORA_WINE_ENVIRONMENT}"
                                          TIMEOUT 120 LABELS "unit;win")
  set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${QUELORA_WINE_ENVIRONMENT}"
                                            TIMEOUT 60 LABELS "unit;win")
endif()

# quelora_add_emulated_test(test_name target [args...]): runs the target's program under the
# emulator in the build directory, inside the wine fixture. (add_test prefixes the
# emulator by itself when the command is an executable target.) The programs run one at a
# time: one of them changes the prefix's screen DPI while it runs.
function(quelora_add_emulated_test test_name target)
  add_test(NAME ${test_name} COMMAND ${target} ${ARGN} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${test_name} PROPERTIES LABELS "unit;win" TIMEOUT 300
                       ENVIRONMENT "${QUELORA_WINE_ENVIRONMENT}" RESOURCE_LOCK wine_prefix)
  if(QUELORA_WINE_FIXTURE)
    set_tests_properties(${test_name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
