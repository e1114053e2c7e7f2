# Renders the same fixed sequence with the Windows DLL (under wine) and the Linux module and
# requires identical output files. LINUX_MODE / WIN_MODE, when set, are the hosts' first
# argument (quelora_clap_render_host: "vst" or "clap").
cmake_minimum_required(VERSION 3.18)
foreach(_var WINE WIN_HOST WIN_MODULE LINUX_HOST LINUX_MODULE WORK)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "compare_renders: ${_var} not set")
  endif()
endforeach()
foreach(_file "${LINUX_HOST}" "${LINUX_MODULE}")
  if(NOT EXISTS "${_file}")
    message(FATAL_ERROR "missing ${_file}: build the Linux reference targets first (scripts/ci-windows.sh)")
  endif()
endforeach()
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${LINUX_HOST}" ${LINUX_MODE} "${LINUX_MODULE}" "${WORK}/linux.raw"
                RESULT_VARIABLE _linux_rc OUTPUT_VARIABLE _linux_out ERROR_VARIABLE _linux_err)
if(NOT _linux_rc EQUAL 0)
  message(FATAL_ERROR "Linux render failed (${_linux_rc}): ${_linux_out}${_linux_err}")
endif()
execute_process(COMMAND "${WINE}" "${WIN_HOST}" ${WIN_MODE} "${WIN_MODULE}" "${WORK}/windows.raw"
                INPUT_FILE /dev/null
                RESULT_VARIABLE _win_rc OUTPUT_VARIABLE _win_out ERROR_VARIABLE _win_err)
if(NOT _win_rc EQUAL 0)
  message(FATAL_ERROR "Windows render failed (${_win_rc}): ${_win_out}${_win_err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/linux.raw" "${WORK}/windows.raw"
                RESULT_VARIABLE _same)
if(NOT _same EQUAL 0)
  file(SIZE "${WORK}/linux.raw" _linux_size)
  file(SIZE "${WORK}/windows.raw" _win_size)
  message(FATAL_ERROR "renders differ (Linux ${_linux_size} bytes, Windows ${_win_size} bytes)")
endif()
message(STATUS "identical renders: Linux ${_linux_out}; Windows ${_win_out}")
