# A cmake -P script, run by the tests vst_module_exports and clap_module_exports.
# Fails unless the module's defined dynamic symbols are exactly EXPECTED (a sorted list;
# default: VSTPluginMain and main).
if(NOT DEFINED EXPECTED)
  set(EXPECTED "VSTPluginMain;main")
endif()
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* ([^ ]+)$" "\\1" name "${line}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "unexpected exports: ${names}")
endif()
message(STATUS "exports: ${names}")
