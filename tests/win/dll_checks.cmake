# The Windows plug-in DLL: its export and import tables (objdump, runs on the build
# machine, no wine needed).
if(WIN32 AND TARGET Quelora2)
  add_test(NAME win_dll_exports_imports
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} "-DDLL=$<TARGET_FILE:Quelora2>"
                   -P ${CMAKE_CURRENT_LIST_DIR}/check_dll.cmake-script)
  set_tests_properties(win_dll_exports_imports PROPERTIES LABELS "unit;win" TIMEOUT 60)
endif()
