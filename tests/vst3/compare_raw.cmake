# Renders the identity scenarios through two modules with quelora_vst3_render_host and
# requires the raw outputs to be identical byte for byte.
#   cmake -DHOST_A=... -DKIND_A=vst2|vst3 -DMODULE_A=... [-DWINE=...] -DHOST_B=...
#         -DKIND_B=... -DMODULE_B=... -DWORK=... -P compare_raw.cmake
# WINE, when set, runs HOST_B under it.
cmake_minimum_required(VERSION 3.18)
foreach(_var HOST_A KIND_A MODULE_A HOST_B KIND_B MODULE_B WORK)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "compare_raw: ${_var} not set")
  endif()
endforeach()
foreach(_file "${HOST_A}" "${MODULE_A}")
  if(NOT EXISTS "${_file}")
    message(FATAL_ERROR "missing ${_file}: build it first")
  endif()
endforeach()
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${HOST_A}" ${KIND_A} "${MODULE_A}" "${WORK}/a.raw"
                RESULT_VARIABLE _rc_a OUTPUT_VARIABLE _out_a ERROR_VARIABLE _err_a)
if(NOT _rc_a EQUAL 0)
  message(FATAL_ERROR "first render failed (${_rc_a}): ${_out_a}${_err_a}")
endif()
if(WINE)
  set(_run_b "${WINE}" "${HOST_B}")
else()
  set(_run_b "${HOST_B}")
endif()
execute_process(COMMAND ${_run_b} ${KIND_B} "${MODULE_B}" "${WORK}/b.raw" INPUT_FILE /dev/null
                RESULT_VARIABLE _rc_b OUTPUT_VARIABLE _out_b ERROR_VARIABLE _err_b)
if(NOT _rc_b EQUAL 0)
  message(FATAL_ERROR "second render failed (${_rc_b}): ${_out_b}${_err_b}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/a.raw" "${WORK}/b.raw"
                RESULT_VARIABLE _same)
if(NOT _same EQUAL 0)
  file(SIZE "${WORK}/a.raw" _size_a)
  file(SIZE "${WORK}/b.raw" _size_b)
  message(FATAL_ERROR "renders differ (${_size_a} and ${_size_b} bytes)")
endif()
message(STATUS "identical: ${_out_a}; ${_out_b}")
