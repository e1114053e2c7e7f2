# Checks a Windows plug-in DLL with objdump -p: its exports are exactly EXPORTS (default
# VSTPluginMain and main, the VST 2.4 DLL's), and it imports only DLLs that every Windows
# system has.
#   cmake -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DDLL=<Quelora 2_x64.dll> [-DEXPORTS=a;b]
#         -P check_dll.cmake
cmake_minimum_required(VERSION 3.18)
if(NOT DEFINED EXPORTS)
  set(EXPORTS "VSTPluginMain;main")
endif()
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "no DLL at ${DLL}")
endif()
execute_process(COMMAND "${OBJDUMP}" -p "${DLL}" OUTPUT_VARIABLE _dump RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "objdump failed (${_rc})")
endif()

# Imports: every "DLL Name:" line.
string(REGEX MATCHALL "DLL Name: [^\n]+" _import_lines "${_dump}")
set(_allowed KERNEL32.DLL USER32.DLL GDI32.DLL COMDLG32.DLL COMCTL32.DLL SHELL32.DLL
             WININET.DLL ADVAPI32.DLL MSVCRT.DLL)
set(_imports "")
foreach(_line IN LISTS _import_lines)
  string(REGEX REPLACE "DLL Name: *" "" _name "${_line}")
  string(STRIP "${_name}" _name)
  string(TOUPPER "${_name}" _upper)
  list(APPEND _imports ${_upper})
  if(NOT _upper IN_LIST _allowed)
    message(FATAL_ERROR "unexpected import ${_name}; all imports: ${_import_lines}")
  endif()
endforeach()
if(NOT "KERNEL32.DLL" IN_LIST _imports)
  message(FATAL_ERROR "no import table found")
endif()

# Exports: the name table lines "[ordinal] name" after "[Ordinal/Name Pointer] Table".
string(FIND "${_dump}" "[Ordinal/Name Pointer] Table" _table_at)
if(_table_at LESS 0)
  message(FATAL_ERROR "the DLL exports nothing")
endif()
string(SUBSTRING "${_dump}" ${_table_at} -1 _table)
string(REGEX REPLACE "\n\n.*" "" _table "${_table}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" _export_lines "${_table}")
set(_exports "")
foreach(_line IN LISTS _export_lines)
  string(REGEX REPLACE "\\[ *[0-9]+\\] " "" _name "${_line}")
  string(STRIP "${_name}" _name)
  list(APPEND _exports ${_name})
endforeach()
list(SORT _exports)
if(NOT _exports STREQUAL "${EXPORTS}")
  message(FATAL_ERROR "exports are '${_exports}', expected exactly '${EXPORTS}'")
endif()
message(STATUS "exports: ${_exports}; imports: ${_imports}")
